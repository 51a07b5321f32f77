// The installer window: its class, its creation and its messages. The window procedure
// is a table of small handlers; drawing is done by app/paint, the procedures by setup/.
#include "app/window.h"

#include <shellapi.h>

#include <atomic>

#include "app/accessible.h"
#include "app/accessible_tree.h"
#include "app/links.h"
#include "app/paint.h"
#include "app/protocol.h"
#include "app/switches.h"
#include "app/window_logic.h"
#include "package/cipher.h"
#include "platform/owners.h"
#include "platform/phases.h"
#include "platform/text.h"
#include "platform/version.h"
#include "setup/exit_codes.h"
#include "setup/names.h"
#include "setup/procedures.h"
#include "setup/product.h"
#include "setup/state.h"
#include "setup/steps.h"
#include "setup/texts.h"
#include "setup/uninstall_entry.h"

namespace qs {
namespace {

constexpr DWORD WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
constexpr int INITIAL_WIDTH = 900;
constexpr int INITIAL_HEIGHT = 300;
constexpr INT_PTR CLASS_BRUSH = COLOR_INACTIVEBORDER + 1;  // a system colour as a class brush
constexpr DWORD PRESSED_LOOK_MS = 200;
constexpr std::size_t LAUNCH_CAPTION_SIZE = 1024;

constexpr char LAUNCH_CAPTION_FORMAT[] = "%s Installation Error";
constexpr char LAUNCH_FAILED_TEXT[] = "Failed to launch Procedure...";
constexpr char SUCCESS_CAPTION[] = "Success";
constexpr char SUCCESS_TEXT[] = "Installation Complete and Successful !";
constexpr char OPEN_VERB[] = "open";

InstallerState& State() { return g_state; }

void RequestDestroy(InstallerState& state) { ::PostMessageA(state.window, WM_DESTROY, 0, 0); }
void RequestClose(InstallerState& state) { ::PostMessageA(state.window, WM_CLOSE, 0, 0); }

// Restores a stored link in a private buffer, hands it to the shell and wipes it.
template <std::size_t N>
void OpenLink(InstallerState& state, const StoredLink<N>& link) {
    static_assert(N <= LINK_BUFFER_SIZE, "a stored link must fit the link buffer");
    std::uint8_t buffer[LINK_BUFFER_SIZE];
    CopyBlock(buffer, link.bytes.data(), N);
    LinkScrambler(LINK_SCRAMBLER_SEED, buffer, link.length());
    buffer[N - 1] = 0;  // the restored text ends with its terminator
    ::ShellExecuteA(state.window, OPEN_VERB, reinterpret_cast<const char*>(buffer), nullptr, nullptr, SW_SHOW);
    ZeroBlock(buffer, sizeof buffer);
}

// The action behind the button: remove when installed, else start the install worker.
void PressButton(InstallerState& state, HWND window) {
    state.procedureStarted = true;
    {
        WindowDc dc(window);
        DrawButton(state, dc.get(), 1);
    }
    ::Sleep(PRESSED_LOOK_MS);
    if (state.installed != 0) {
        // A failed removal, or one that a restart finishes, has posted its result: the
        // window ends once its box has been answered. A destroy request queued now would
        // end the box at once.
        if (UninstallProduct(state) == UNINSTALL_OK || g_switches.hiddenSwitch != 0) RequestDestroy(state);
        return;
    }
    if (StartInstallWorker(state, 0) == 0) return;
    char caption[LAUNCH_CAPTION_SIZE];
    (void)FormatText(caption, sizeof caption, LAUNCH_CAPTION_FORMAT, PRODUCT_NAME);
    ::MessageBoxA(window, LAUNCH_FAILED_TEXT, caption, MB_SYSTEMMODAL | MB_ICONERROR);
    RequestDestroy(state);
}

LRESULT OnCreate(InstallerState& state, HWND window, WPARAM, LPARAM) {
    state.window = window;
    PrepareWindowResources(state);
    (void)DetectInstalled(state);  // selects the button's label and the removal
    std::int32_t border = 0;
    std::int32_t caption = 0;
    GetFrameMetrics(&border, &caption, FRAME_FIXED);
    if (g_switches.hiddenSwitch == 0) {
        ::SetWindowPos(window, HWND_TOP, 0, 0, OuterWidth(state.bitmapWidth, border),
                       OuterHeight(state.bitmapHeight, border, caption), SWP_NOMOVE | SWP_SHOWWINDOW);
        state.blinkTimer = static_cast<std::uint32_t>(::SetTimer(window, BLINK_TIMER_ID, BLINK_PERIOD_MS, nullptr));
    }
    if (IsUnattended(g_switches)) ::PostMessageA(window, WM_COMMAND, CMD_AUTO_RUN, AUTO_RUN_CODE);
    return 0;
}

LRESULT OnDestroy(InstallerState& state, HWND window, WPARAM, LPARAM) {
    ReleaseAccessibleObject();
    if (state.blinkTimer != 0) ::KillTimer(window, state.blinkTimer);
    state.blinkTimer = 0;
    ReleaseWindowResources(state);
    ::PostQuitMessage(0);
    return 0;
}

LRESULT OnPaint(InstallerState& state, HWND window, WPARAM, LPARAM) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(window, &paint);
    PaintWindow(state, dc);
    ::EndPaint(window, &paint);
    return 0;
}

LRESULT OnClose(InstallerState& state, HWND, WPARAM, LPARAM) {
    if (LoadWorkerRunning(state) == 0) RequestDestroy(state);
    return 0;
}

LRESULT OnEraseBackground(InstallerState& state, HWND, WPARAM wParam, LPARAM) {
    DrawBackground(reinterpret_cast<HDC>(wParam), 0, 0, state.backgroundBitmap);
    return 1;
}

LRESULT OnKeyDown(InstallerState& state, HWND window, WPARAM key, LPARAM) {
    if (key == VK_RETURN) {
        if (ButtonAvailable(state, window)) PressButton(state, window);
    } else if (key == VK_ESCAPE) {
        ::PostMessageA(window, WM_CLOSE, 0, 0);
    }
    return 0;
}

// An unattended run ends with its code once its procedure has returned and, in a shown
// window, every outcome box it posted has been answered: the quit would end a box that
// is still up, unread.
void EndAutoRunWhenAnswered(InstallerState& state) {
    if (!state.autoRunEnded) return;
    if (g_switches.hiddenSwitch == 0 && state.resultsAnswered < LoadResultsPosted(state)) return;
    ReleaseWindowResources(state);
    ::PostQuitMessage(state.autoRunCode);
}

// The box of one outcome; false for a code that has none.
bool ShowOutcomeBox(InstallerState& state, LPARAM code) {
    if (code == RESULT_FAILED) {
        ::MessageBoxA(state.window, state.errorText, state.errorCaption, MB_SYSTEMMODAL | MB_ICONERROR);
    } else if (code == RESULT_SUCCEEDED) {
        OpenLink(state, COMPLETION_LINK);
        ::MessageBoxA(state.window, SUCCESS_TEXT, SUCCESS_CAPTION, MB_SYSTEMMODAL | MB_ICONWARNING);
    } else if (code == RESULT_RESTART_NEEDED) {
        ::MessageBoxA(state.window, state.errorText, state.errorCaption, MB_SYSTEMMODAL | MB_ICONINFORMATION);
    } else {
        return false;
    }
    return true;
}

void OnProcedureResult(InstallerState& state, LPARAM code) {
    std::atomic_thread_fence(std::memory_order_acquire);  // pairs with the worker's post
    // The last status line, which no tick may have drawn, is the button's name under the box.
    char status[STATUS_DRAW_SIZE];
    if (TakeStatusLine(state, status, sizeof status)) AnnounceButtonNameChange(state.window);
    if (!ShowOutcomeBox(state, code)) return;
    ++state.resultsAnswered;
    // The button's procedure closes the window; an unattended run ends with its own code.
    if (state.autoRunStarted) {
        EndAutoRunWhenAnswered(state);
    } else {
        RequestClose(state);
    }
}

void OnAutoRun(InstallerState& state) {
    MarkPhase("auto-run");
    // A press queued meanwhile (a key, a screen reader's action) starts no second procedure.
    state.procedureStarted = true;
    state.autoRunStarted = true;
    state.autoRunEnded = false;
    int result = 0;
    const bool thisVersion = g_switches.ensureSwitch == 1 && state.installed != 0 && InstalledVersionIsThisOne();
    const bool orphanedEntry = state.installed == 0 && UninstallEntryPresent();
    switch (
        ChooseAutoRun(state.installed, g_switches.installSwitch, g_switches.ensureSwitch, thisVersion, orphanedEntry)) {
        case AutoRunAction::Uninstall:
            result = UninstallProduct(state);
            break;
        case AutoRunAction::Install:
            result = StartInstallWorker(state, 1);
            break;
        case AutoRunAction::Replace:
            result = ReplaceProduct(state);
            break;
        case AutoRunAction::Repair:
            result = RepairProduct(state);
            break;
        case AutoRunAction::Nothing:
            break;
    }
    MarkPhase("procedure end");
    state.autoRunCode = result;
    state.autoRunEnded = true;
    EndAutoRunWhenAnswered(state);
}

// The button or the link used through the accessible object: the guards of Enter and
// of a click. Checked again here, since a request may wait in the queue while a box is up.
void OnDefaultAction(InstallerState& state, HWND window, LPARAM child) {
    if (child == CHILD_BUTTON && ButtonAvailable(state, window)) {
        PressButton(state, window);
    } else if (child == CHILD_PICTURE_LINK && LinkAvailable(state, window)) {
        OpenLink(state, PICTURE_LINK);
    }
}

LRESULT OnCommand(InstallerState& state, HWND window, WPARAM wParam, LPARAM lParam) {
    const unsigned command = LOWORD(wParam);
    if (g_switches.hiddenSwitch == 0 && command == CMD_PROCEDURE_RESULT) {
        OnProcedureResult(state, lParam);
    } else if (command == CMD_AUTO_RUN && lParam == AUTO_RUN_CODE) {
        OnAutoRun(state);
    } else if (g_switches.hiddenSwitch == 0 && command == CMD_DEFAULT_ACTION) {
        OnDefaultAction(state, window, lParam);
    }
    return 0;
}

LRESULT OnTimer(InstallerState& state, HWND window, WPARAM timerId, LPARAM) {
    if (LoadWorkerRunning(state) == 0 || timerId != BLINK_TIMER_ID) return 0;
    ++state.blinkCounter;
    WindowDc dc(window);
    // While an install runs, the status line is the button's name for screen readers: a
    // new line is announced as the tick draws it.
    if (DrawBlinkFrame(state, dc.get(), state.blinkCounter & 1)) AnnounceButtonNameChange(window);
    return 0;
}

LRESULT OnMouseMove(InstallerState& state, HWND, WPARAM, LPARAM lParam) {
    if (HighWordSigned(lParam) < state.bitmapHeight) ::SetCursor(state.handCursor);
    return 0;
}

LRESULT OnLeftButtonDown(InstallerState& state, HWND window, WPARAM, LPARAM lParam) {
    if (LoadWorkerRunning(state) == 1) return 0;
    const std::int32_t x = LowWordSigned(lParam);
    const std::int32_t y = HighWordSigned(lParam);
    const ButtonRect& r = state.buttonRect;
    if (IsInsideStrict(r.left, r.top, r.right, r.bottom, x, y)) {
        if (ButtonAvailable(state, window)) PressButton(state, window);
    } else if (y < state.bitmapHeight) {
        OpenLink(state, PICTURE_LINK);
    }
    return 0;
}

// Enter presses the button: for a screen reader the focus is on it.
LRESULT OnSetFocus(InstallerState&, HWND window, WPARAM, LPARAM) {
    AnnounceButtonFocus(window);
    return 0;
}

using Handler = LRESULT (*)(InstallerState&, HWND, WPARAM, LPARAM);
struct MessageHandler {
    UINT message;
    Handler handler;
};

constexpr MessageHandler MESSAGE_TABLE[] = {
    {WM_CREATE, OnCreate},
    {WM_DESTROY, OnDestroy},
    {WM_PAINT, OnPaint},
    {WM_CLOSE, OnClose},
    {WM_ERASEBKGND, OnEraseBackground},
    {WM_KEYDOWN, OnKeyDown},
    {WM_COMMAND, OnCommand},
    {WM_TIMER, OnTimer},
    {WM_MOUSEMOVE, OnMouseMove},
    {WM_LBUTTONDOWN, OnLeftButtonDown},
    {WM_GETOBJECT, AnswerAccessibleObject},
    {WM_SETFOCUS, OnSetFocus},
};

// A box without an owner; a hidden run shows none, since nobody could answer it.
void ReportStartupError(const char* text) {
    if (g_switches.hiddenSwitch == 0) ::MessageBoxA(nullptr, text, STARTUP_ERROR_CAPTION, MB_ICONWARNING);
}

}  // namespace

HWND CreateInstallerWindow(HINSTANCE instance, WNDPROC procedure, const char* menuName, const char* title) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(ICON_RESOURCE_ID));
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(CLASS_BRUSH);
    windowClass.lpszMenuName = menuName;
    windowClass.lpszClassName = WINDOW_CLASS_NAME;
    if (::RegisterClassA(&windowClass) == 0) {
        ReportStartupError(REGISTER_FAILED_TEXT);
        return nullptr;
    }
    HWND window = ::CreateWindowExA(0, WINDOW_CLASS_NAME, title, WINDOW_STYLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                    INITIAL_WIDTH, INITIAL_HEIGHT, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        ReportStartupError(CREATE_FAILED_TEXT);
        return nullptr;
    }
    if (g_switches.hiddenSwitch == 0) {
        ::ShowWindow(window, SW_SHOW);
        ::UpdateWindow(window);
    } else {
        ::ShowWindow(window, SW_HIDE);
    }
    return window;
}

bool LinkAvailable(InstallerState& state, HWND window) {
    return LoadWorkerRunning(state) == 0 && ::IsWindowEnabled(window) != FALSE;
}

bool ButtonAvailable(InstallerState& state, HWND window) {
    return !state.procedureStarted && LinkAvailable(state, window);
}

LRESULT CALLBACK InstallerWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    for (const MessageHandler& entry : MESSAGE_TABLE) {
        if (entry.message == message) return entry.handler(State(), window, wParam, lParam);
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

int RunMessageLoop(GetMessageFunction getMessage) {
    MSG message = {};
    BOOL got = FALSE;
    while ((got = getMessage(&message, nullptr, 0, 0)) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    // 0 is the quit message; -1 a failure, where the last message's value means nothing.
    return got == 0 ? static_cast<int>(message.wParam) : EXIT_MESSAGE_LOOP_FAILED;
}

}  // namespace qs
