// The installer window's message handling, driven message by message in a hidden window
// of the test program (which carries no package, so a started install fails at once).
#include "app/window.h"
#include "setup/exit_codes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/protocol.h"
#include "app/switches.h"
#include "setup/state.h"
#include "tests/support/win_support.h"

namespace qs {
namespace {

// Removes the first queued message of a kind; true when there was one.
bool TakeMessage(HWND window, UINT message, MSG* out = nullptr) {
    MSG m;
    if (!PeekMessageA(&m, window, message, message, PM_REMOVE)) return false;
    if (out != nullptr) *out = m;
    return true;
}

bool TakeQuit(WPARAM* code) {
    MSG m;
    if (!PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
    *code = m.wParam;
    return true;
}

// A procedure that refuses to let its window be created.
LRESULT CALLBACK RefuseCreation(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) return FALSE;
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL CALLBACK CollectChildText(HWND child, LPARAM texts) {
    char text[256] = {};
    GetWindowTextA(child, text, sizeof text);
    *reinterpret_cast<std::string*>(texts) += std::string(text) + '|';
    return TRUE;
}

// Waits for the "Startup Error" box, answers it with OK and returns the texts of its
// controls ("" when none appeared in time).
std::string AnswerStartupErrorBox() {
    constexpr int kPolls = 3000;
    for (int i = 0; i < kPolls; ++i) {
        HWND box = FindWindowA("#32770", STARTUP_ERROR_CAPTION);
        if (box != nullptr) {
            std::string texts;
            EnumChildWindows(box, CollectChildText, reinterpret_cast<LPARAM>(&texts));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return texts;
        }
        Sleep(10);
    }
    return "";
}

TEST(WindowStartupTest, AClassOrWindowThatCannotBeMadeIsReportedAndGivesNoWindow) {
    // A module of its own, so that the class is new to this process: the first attempt
    // registers it and fails to create the window, the second fails to register it again.
    const HINSTANCE instance = GetModuleHandleA("kernel32.dll");
    const struct { const char* expectedText; } cases[] = {{CREATE_FAILED_TEXT}, {REGISTER_FAILED_TEXT}};
    for (const auto& c : cases) {
        std::string texts;
        std::thread answerer([&texts] { texts = AnswerStartupErrorBox(); });
        EXPECT_EQ(CreateInstallerWindow(instance, RefuseCreation, nullptr, "refused"), nullptr);
        answerer.join();
        EXPECT_NE(texts.find(c.expectedText), std::string::npos) << "box controls: " << texts;
    }
    UnregisterClassA(WINDOW_CLASS_NAME, instance);
}

TEST(WindowStartupTest, AHiddenRunShowsNoStartupBox) {
    // Nobody could answer a box in a hidden run: one shown would block start-up for good.
    const SwitchFlags saved = g_switches;
    g_switches = SwitchFlags{1, 1, 0};
    const HINSTANCE instance = GetModuleHandleA("user32.dll");
    std::atomic<bool> done{false};
    std::atomic<int> boxes{0};
    std::thread answerer([&] {
        while (!done) {
            if (HWND box = FindWindowA("#32770", STARTUP_ERROR_CAPTION)) {
                ++boxes;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
            Sleep(10);
        }
    });
    // The first attempt fails to create the window, the second to register the class.
    EXPECT_EQ(CreateInstallerWindow(instance, RefuseCreation, nullptr, "hidden"), nullptr);
    EXPECT_EQ(CreateInstallerWindow(instance, RefuseCreation, nullptr, "hidden"), nullptr);
    done = true;
    answerer.join();
    EXPECT_EQ(boxes, 0);
    UnregisterClassA(WINDOW_CLASS_NAME, instance);
    g_switches = saved;
}

// A message source that hands out one message and then fails, or one and then the quit
// message with 7.
int g_messagesGiven = 0;
BOOL g_afterFirst = 0;
BOOL WINAPI ScriptedGetMessage(LPMSG message, HWND, UINT, UINT) {
    *message = MSG{};
    if (g_messagesGiven++ == 0) return TRUE;
    message->message = WM_QUIT;
    message->wParam = 7;
    return g_afterFirst;
}

TEST(MessageLoopTest, EndsWithTheQuitValueOrMinusOneWhenTheQueueFails) {
    for (const auto& [afterFirst, exitCode] : {std::pair{FALSE, 7}, std::pair{-1, EXIT_MESSAGE_LOOP_FAILED}}) {
        g_messagesGiven = 0;
        g_afterFirst = afterFirst;
        EXPECT_EQ(RunMessageLoop(ScriptedGetMessage), exitCode) << "after the first message: " << afterFirst;
    }
}

class WindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        g_switches = SwitchFlags{1, 0, 0};  // hidden: no timer, no boxes
        InitialiseState(g_state, GetModuleHandleA(nullptr));
        window_ = CreateInstallerWindow(GetModuleHandleA(nullptr), InstallerWindowProcedure, nullptr, "window test");
    }
    void SetUp() override {
        ASSERT_NE(window_, nullptr);
        ASSERT_EQ(g_state.window, window_);
        StoreWorkerRunning(g_state, 0);
        g_state.installed = 0;
        g_state.blinkCounter = 0;
        g_state.procedureStarted = false;  // each test meets the window as new
        g_state.autoRunStarted = false;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {}
    }
    void WaitForWorker() {
        if (g_state.workerThread != nullptr) {
            WaitForSingleObject(g_state.workerThread, 30000);
            CloseHandle(g_state.workerThread);
            g_state.workerThread = nullptr;
        }
    }
    static HWND window_;
};
HWND WindowTest::window_ = nullptr;

TEST_F(WindowTest, HiddenWindowIsNotSizedAndHasNoTimer) {
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_EQ(g_state.blinkTimer, 0u);
    RECT r;
    GetWindowRect(window_, &r);
    EXPECT_EQ(r.right - r.left, 900);
    EXPECT_EQ(r.bottom - r.top, 300);
}

TEST_F(WindowTest, HiddenWindowGivesNoAccessibleObject) {
    EXPECT_EQ(SendMessageA(window_, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT)), 0);
}

TEST_F(WindowTest, CloseRequestsAreRefusedWhileTheWorkerRuns) {
    StoreWorkerRunning(g_state, 1);
    EXPECT_EQ(SendMessageA(window_, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(TakeMessage(window_, WM_DESTROY));
    StoreWorkerRunning(g_state, 0);
    EXPECT_EQ(SendMessageA(window_, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(TakeMessage(window_, WM_DESTROY)) << "closing posts WM_DESTROY, never destroys directly";
    EXPECT_TRUE(IsWindow(window_));
}

TEST_F(WindowTest, KeysEnterAndEscape) {
    StoreWorkerRunning(g_state, 1);
    EXPECT_EQ(SendMessageA(window_, WM_KEYDOWN, VK_RETURN, 0), 0);
    EXPECT_EQ(g_state.workerThread, nullptr) << "Enter does nothing while the worker runs";
    EXPECT_EQ(SendMessageA(window_, WM_KEYDOWN, VK_ESCAPE, 0), 0);
    EXPECT_TRUE(TakeMessage(window_, WM_CLOSE));
    EXPECT_EQ(SendMessageA(window_, WM_KEYDOWN, 'A', 0), 0);
    EXPECT_FALSE(TakeMessage(window_, WM_CLOSE));
}

TEST_F(WindowTest, AFailedRemovalLeavesTheWindowToItsBox) {
    // The test program carries no package: the removal fails with its result posted. A
    // destroy request queued behind it would end the box's own loop as soon as it shows.
    g_state.installed = 1;
    for (const std::int32_t hidden : {0, 1}) {
        g_switches.hiddenSwitch = hidden;
        g_state.procedureStarted = false;  // as in a window of its own
        EXPECT_EQ(SendMessageA(window_, WM_KEYDOWN, VK_RETURN, 0), 0);
        EXPECT_EQ(test::PostedResults(window_), std::vector<LPARAM>{RESULT_FAILED}) << "hidden " << hidden;
        // Only a hidden window, which shows no box, ends at once.
        EXPECT_EQ(TakeMessage(window_, WM_DESTROY), hidden == 1) << "hidden " << hidden;
    }
    g_switches.hiddenSwitch = 1;
}

TEST_F(WindowTest, BlinkTicksCountOnlyForTheBlinkTimerWhileTheWorkerRuns) {
    EXPECT_EQ(SendMessageA(window_, WM_TIMER, BLINK_TIMER_ID, 0), 0);
    EXPECT_EQ(g_state.blinkCounter, 0) << "no worker";
    StoreWorkerRunning(g_state, 1);
    EXPECT_EQ(SendMessageA(window_, WM_TIMER, BLINK_TIMER_ID + 1, 0), 0);
    EXPECT_EQ(g_state.blinkCounter, 0) << "another timer";
    SendMessageA(window_, WM_TIMER, BLINK_TIMER_ID, 0);
    SendMessageA(window_, WM_TIMER, BLINK_TIMER_ID, 0);
    EXPECT_EQ(g_state.blinkCounter, 2);
}

TEST_F(WindowTest, OnlyAClickStrictlyInsideTheButtonPressesIt) {
    g_state.buttonRect = ButtonRect{580, 414, 880, 474};
    g_state.bitmapHeight = 0;  // no picture: a click outside the button does nothing
    for (const POINT p : {POINT{580, 444}, POINT{880, 444}, POINT{700, 414}, POINT{700, 474}, POINT{10, 10}}) {
        EXPECT_EQ(SendMessageA(window_, WM_LBUTTONDOWN, 0, MAKELPARAM(p.x, p.y)), 0);
        EXPECT_EQ(g_state.workerThread, nullptr) << p.x << "," << p.y;
    }
    StoreWorkerRunning(g_state, 1);
    SendMessageA(window_, WM_LBUTTONDOWN, 0, MAKELPARAM(700, 444));
    EXPECT_EQ(g_state.workerThread, nullptr) << "clicks are ignored while the worker runs";
    StoreWorkerRunning(g_state, 0);

    // Inside: the press starts the install worker, which finds no package here.
    SendMessageA(window_, WM_LBUTTONDOWN, 0, MAKELPARAM(700, 444));
    ASSERT_NE(g_state.workerThread, nullptr);
    WaitForWorker();
    MSG result;
    ASSERT_TRUE(TakeMessage(window_, WM_COMMAND, &result));
    EXPECT_EQ(LOWORD(result.wParam), CMD_PROCEDURE_RESULT);
    EXPECT_EQ(result.lParam, RESULT_FAILED);
    EXPECT_EQ(LoadWorkerRunning(g_state), 0);
    // In hidden mode the result changes nothing and asks for no close.
    EXPECT_EQ(SendMessageA(window_, WM_COMMAND, CMD_PROCEDURE_RESULT, RESULT_FAILED), 0);
    EXPECT_FALSE(TakeMessage(window_, WM_CLOSE));
}

TEST_F(WindowTest, AutoRunNeedsItsCodeAndEndsTheLoopWithTheResult) {
    EXPECT_EQ(SendMessageA(window_, WM_COMMAND, CMD_AUTO_RUN, AUTO_RUN_CODE + 1), 0);
    WPARAM code = 99;
    EXPECT_FALSE(TakeQuit(&code));
    // "-u" without the product: nothing to do, quit with 0. A press queued meanwhile
    // starts no second procedure.
    EXPECT_EQ(SendMessageA(window_, WM_COMMAND, CMD_AUTO_RUN, AUTO_RUN_CODE), 0);
    ASSERT_TRUE(TakeQuit(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(SendMessageA(window_, WM_KEYDOWN, VK_RETURN, 0), 0);
    EXPECT_EQ(g_state.workerThread, nullptr) << "Enter after an unattended run starts nothing";
    EXPECT_EQ(g_state.textFont, nullptr);
    EXPECT_EQ(g_state.backgroundBitmap, nullptr);
    // "-i" without the product: the install runs on the worker, waited for; here it
    // finds no package, so the quit value is its -1.
    g_switches.installSwitch = 1;
    SendMessageA(window_, WM_COMMAND, CMD_AUTO_RUN, AUTO_RUN_CODE);
    g_switches.installSwitch = 0;
    ASSERT_TRUE(TakeQuit(&code));
    EXPECT_EQ(static_cast<int>(code), -1);
    EXPECT_EQ(g_state.workerThread, nullptr) << "the waited-for worker's handle is closed";
}

TEST_F(WindowTest, ListedMessagesNeverReachTheDefaultProcedure) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    EXPECT_EQ(SendMessageA(window_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0), 1);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(SendMessageA(window_, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)), 0);
    EXPECT_EQ(SendMessageA(window_, WM_COMMAND, 999, 0), 0);
}

// Last: the destroy handler releases everything and ends the loop with 0.
TEST_F(WindowTest, ZDestroyReleasesResourcesAndQuitsWithZero) {
    EXPECT_EQ(SendMessageA(window_, WM_DESTROY, 0, 0), 0);
    WPARAM code = 99;
    ASSERT_TRUE(TakeQuit(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(g_state.blinkTimer, 0u);
    EXPECT_EQ(g_state.textFont, nullptr);
    EXPECT_EQ(g_state.buttonFont, nullptr);
    EXPECT_EQ(g_state.backgroundBitmap, nullptr);
}

}  // namespace
}  // namespace qs
