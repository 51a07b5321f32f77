// The installer window as a screen reader meets it: the built installer is started, its
// window's accessible object taken through OLEACC from this process, its children read,
// and the button pressed through the object. A window of this process shows the object
// following the state, and what a client that keeps it after the window is gone gets.
#include <windows.h>
#include <oleacc.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/accessible_tree.h"
#include "app/layout.h"
#include "app/switches.h"
#include "app/window.h"
#include "platform/owners.h"
#include "platform/version.h"
#include "setup/exit_codes.h"
#include "setup/names.h"
#include "setup/state.h"
#include "setup/texts.h"
#include "setup/uninstall_entry.h"
#include "tests/support/procedure_fixture.h"
#include "tests/support/win_support.h"

namespace qs {
namespace {

const std::string INSTALLER = std::string("\"Z:") + QS_INSTALLER_PATH + "\"";
// Wine hands URLs opened through the shell to these Unix programs: here, one that does
// nothing, so that the installer's completion link opens no browser.
constexpr char BROWSER_KEY[] = "Software\\Wine\\WineBrowser";
constexpr char BROWSER_VALUE[] = "Browsers";
constexpr char NO_BROWSER[] = "true";
constexpr int POLLS = 3000;  // of 20 ms: a minute
constexpr LONG OBJECT_ID_CLIENT = OBJID_CLIENT;
// Extract Package, Copy Files, Finalize Installation, Installation Completed.
constexpr int STATUS_LINES = 4;

VARIANT Child(LONG id) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::string Text(BSTR text) {
    std::string out;
    for (UINT i = 0; text != nullptr && i < SysStringLen(text); ++i) out += static_cast<char>(text[i]);
    SysFreeString(text);
    return out;
}

std::string NameOf(IAccessible* object, LONG child, HRESULT* result = nullptr) {
    BSTR name = nullptr;
    const HRESULT hr = object->get_accName(Child(child), &name);
    if (result != nullptr) *result = hr;
    return Text(name);
}

// Runs this thread's messages, which call the out-of-context event hook, until done()
// holds (then once more, for what was queued before) or a minute has passed.
template <typename Done>
bool PumpUntil(Done done) {
    for (int i = 0; i < POLLS; ++i) {
        const bool finished = done();
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        if (finished) return true;
        Sleep(20);
    }
    return false;
}

struct Event {
    DWORD event;
    HWND window;
    LONG object;
    LONG child;
};
std::vector<Event> g_events;

void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    g_events.push_back({event, window, object, child});
}

int ButtonEvents(DWORD event, HWND window) {
    int count = 0;
    for (const Event& e : g_events) {
        count += e.event == event && e.window == window && e.object == OBJECT_ID_CLIENT && e.child == CHILD_BUTTON;
    }
    return count;
}

std::string PanelLine(void (*format)(std::int32_t, char*, std::size_t), std::int32_t installed) {
    char line[PANEL_TEXT_SIZE];
    format(installed, line, sizeof line);
    return line;
}

class AccessibleWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        RegSetKeyValueA(HKEY_CURRENT_USER, BROWSER_KEY, BROWSER_VALUE, REG_SZ, NO_BROWSER, sizeof NO_BROWSER);
    }
    static void TearDownTestSuite() { RegDeleteKeyValueA(HKEY_CURRENT_USER, BROWSER_KEY, BROWSER_VALUE); }
    void SetUp() override { ASSERT_EQ(test::RunProgram(INSTALLER + " -h -u"), 0); }
    void TearDown() override {
        if (process_.hProcess != nullptr) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 1);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        test::RunProgram(INSTALLER + " -h -u");
    }

    // Starts the installer and takes its shown window's accessible object.
    void Start() {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string line = INSTALLER;
        ASSERT_TRUE(
            CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_));
        ASSERT_TRUE(PumpUntil([this] {
            window_ = FindWindowA(WINDOW_CLASS_NAME, nullptr);
            return window_ != nullptr && IsWindowVisible(window_);
        }));
        ASSERT_EQ(AccessibleObjectFromWindow(window_, OBJID_CLIENT, __uuidof(IAccessible), object_.put_void()), S_OK);
    }
    DWORD WaitForExit() {
        EXPECT_TRUE(PumpUntil([this] { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }));
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }
    ComApartment com_;
    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
    ComPtr<IAccessible> object_;
};

TEST_F(AccessibleWindowTest, ReadsTheWindowAndInstallsThroughTheButton) {
    g_events.clear();
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_NAMECHANGE, nullptr, RecordEvent, 0, 0,
                                               WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    ASSERT_NO_FATAL_FAILURE(Start());
    LONG count = 0;
    EXPECT_EQ(object_->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, CHILD_COUNT);
    constexpr LONG BUTTON_STATE = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_DEFAULT;
    const struct {
        LONG child;
        LONG role;
        std::string name;
        LONG state;
        std::string action;
    } children[] = {
        {CHILD_PANEL_LINE1, ROLE_SYSTEM_STATICTEXT, PanelLine(FormatPanelLine1, 0), STATE_SYSTEM_READONLY, ""},
        {CHILD_PANEL_LINE2, ROLE_SYSTEM_STATICTEXT, PanelLine(FormatPanelLine2, 0), STATE_SYSTEM_READONLY, ""},
        {CHILD_BUTTON, ROLE_SYSTEM_PUSHBUTTON, BUTTON_LABEL_INSTALL, BUTTON_STATE, "Press"},
        {CHILD_VERSION_LINE, ROLE_SYSTEM_STATICTEXT, VersionLineText(GetOsClass()), STATE_SYSTEM_READONLY, ""},
        {CHILD_PICTURE_LINK, ROLE_SYSTEM_LINK, "Quillstation web page", STATE_SYSTEM_LINKED, "Jump"},
    };
    for (const auto& c : children) {
        SCOPED_TRACE(c.name);
        VARIANT role{}, state{};
        EXPECT_EQ(object_->get_accRole(Child(c.child), &role), S_OK);
        EXPECT_EQ(role.lVal, c.role);
        EXPECT_EQ(NameOf(object_.get(), c.child), c.name);
        EXPECT_EQ(object_->get_accState(Child(c.child), &state), S_OK);
        EXPECT_EQ(state.lVal, c.state) << std::hex << state.lVal;
        BSTR action = nullptr;
        object_->get_accDefaultAction(Child(c.child), &action);
        EXPECT_EQ(Text(action), c.action);
        LONG x = 0, y = 0, w = 0, h = 0;
        EXPECT_EQ(object_->accLocation(&x, &y, &w, &h, Child(c.child)), S_OK);
        EXPECT_GT(w, 0);
        EXPECT_GT(h, 0);
        VARIANT hit{};
        EXPECT_EQ(object_->accHitTest(x + w / 2, y + h / 2, &hit), S_OK);
        EXPECT_EQ(hit.lVal, c.child) << "in the middle of its box";
    }
    VARIANT focus{};
    EXPECT_EQ(object_->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.lVal, CHILD_BUTTON);

    // Pressed: the install runs, each status line a blink tick reads is announced as the
    // button's new name, and the "Success" box comes with the last one announced as that
    // name (an install quicker than a tick is announced by its last line alone).
    EXPECT_EQ(object_->accDoDefaultAction(Child(CHILD_BUTTON)), S_OK);
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil([&box] { return (box = FindWindowA("#32770", "Success")) != nullptr; }));
    EXPECT_EQ(NameOf(object_.get(), CHILD_BUTTON), STATUS_COMPLETED);
    UnhookWinEvent(hook);
    EXPECT_GE(ButtonEvents(EVENT_OBJECT_FOCUS, window_), 1) << "the button has the focus the window took";
    const int names = ButtonEvents(EVENT_OBJECT_NAMECHANGE, window_);
    EXPECT_GE(names, 1);
    EXPECT_LE(names, STATUS_LINES);

    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WaitForExit(), 0u);
    EXPECT_TRUE(test::IsFile(test::ShellFolder(CSIDL_PROGRAM_FILES) + "\\Velto\\Quillstation\\Quillstation.exe"));
}

TEST_F(AccessibleWindowTest, SecondStartOffersRemovalThroughTheButton) {
    ASSERT_EQ(test::RunProgram(INSTALLER + " -h -i"), 0);
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(NameOf(object_.get(), CHILD_BUTTON), BUTTON_LABEL_REMOVE);
    EXPECT_EQ(NameOf(object_.get(), CHILD_PANEL_LINE1), PanelLine(FormatPanelLine1, 1));
    EXPECT_EQ(NameOf(object_.get(), CHILD_PANEL_LINE2), PanelLine(FormatPanelLine2, 1));
    EXPECT_EQ(object_->accDoDefaultAction(Child(CHILD_BUTTON)), S_OK);
    EXPECT_EQ(WaitForExit(), 0u);
    EXPECT_FALSE(test::IsFolder(test::ShellFolder(CSIDL_PROGRAM_FILES) + "\\Velto\\Quillstation"));
}

// Within the process: the object reads the state as it stands at each call; it outlives
// its window for a client that keeps it, and then answers every call with an error
// instead of reading the state of a window that is gone.
TEST(AccessibleObjectTest, ReadsTheStateLiveAndOnlyErrorsOnceTheWindowIsGone) {
    ComApartment com;
    g_switches = SwitchFlags{0, 0, 0};
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    InitialiseState(g_state, instance);
    HWND window = CreateInstallerWindow(instance, InstallerWindowProcedure, nullptr, "accessible test");
    ASSERT_NE(window, nullptr);
    ComPtr<IAccessible> object;
    ASSERT_EQ(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), object.put_void()), S_OK);
    EXPECT_EQ(NameOf(object.get(), CHILD_SELF), "accessible test");
    // While an install runs the button reads the status line and cannot be pressed.
    StoreWorkerRunning(g_state, 1);
    EXPECT_EQ(NameOf(object.get(), CHILD_BUTTON), INSTALLING_TEXT) << "before the first status line";
    SetStatusText(g_state, STATUS_COPY_FILES);
    EXPECT_EQ(NameOf(object.get(), CHILD_BUTTON), STATUS_COPY_FILES);
    VARIANT state{};
    object->get_accState(Child(CHILD_BUTTON), &state);
    EXPECT_NE(state.lVal & STATE_SYSTEM_UNAVAILABLE, 0);
    EXPECT_EQ(object->accDoDefaultAction(Child(CHILD_BUTTON)), E_FAIL) << "pressed while an install runs";
    MSG command;
    EXPECT_FALSE(PeekMessageA(&command, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(g_state.workerThread, nullptr);
    StoreWorkerRunning(g_state, 0);
    // A window that has started a procedure, or is disabled under an outcome box: the same.
    for (const bool started : {true, false}) {
        g_state.procedureStarted = started;
        EnableWindow(window, started ? TRUE : FALSE);
        VARIANT unavailable{};
        object->get_accState(Child(CHILD_BUTTON), &unavailable);
        EXPECT_NE(unavailable.lVal & STATE_SYSTEM_UNAVAILABLE, 0) << started;
        EXPECT_EQ(object->accDoDefaultAction(Child(CHILD_BUTTON)), E_FAIL) << started;
    }
    EnableWindow(window, TRUE);

    DestroyWindow(window);
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    LONG count = 0, x = 0, y = 0, w = 0, h = 0;
    VARIANT found{};
    IDispatch* parent = nullptr;
    const HRESULT results[] = {
        object->get_accChildCount(&count),
        object->accDoDefaultAction(Child(CHILD_BUTTON)),
        object->accLocation(&x, &y, &w, &h, Child(CHILD_PANEL_LINE1)),
        object->accHitTest(0, 0, &found),
        object->get_accParent(&parent),
    };
    for (const HRESULT result : results) EXPECT_EQ(result, CO_E_OBJNOTCONNECTED);
    HRESULT result = S_OK;
    NameOf(object.get(), CHILD_BUTTON, &result);
    EXPECT_EQ(result, CO_E_OBJNOTCONNECTED);
    UnregisterClassA(WINDOW_CLASS_NAME, instance);
}

}  // namespace
}  // namespace qs
