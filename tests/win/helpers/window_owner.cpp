// Test helper: owns top-level windows with given titles and records every WM_DESTROY
// they receive, without ending, so that each window's messages can be seen.
//   window_owner.exe READY_FILE STOP_FILE LOG_FILE TITLE...
// Writes one line per WM_DESTROY (the window's title) to LOG_FILE; ends when STOP_FILE
// exists (or after 120 s).
#include <windows.h>

#include <string>

#include "tests/win/helpers/helper_args.h"

namespace {

std::string g_log;
std::string g_stop;
constexpr UINT_PTR POLL_TIMER = 1;
int g_ticks = 0;

LRESULT CALLBACK OwnerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY: {
            char title[512] = {};
            GetWindowTextA(window, title, sizeof title);
            qs::test::AppendLine(g_log, title);
            return 0;
        }
        case WM_TIMER:
            if (++g_ticks > 1200 || qs::test::FileThere(g_stop)) PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const auto args = qs::test::CommandArguments();
    if (args.size() < 5) return 2;
    g_stop = args[2];
    g_log = args[3];
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = OwnerProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "QsTestWindowOwner";
    if (RegisterClassA(&windowClass) == 0) return 3;
    HWND first = nullptr;
    for (size_t i = 4; i < args.size(); ++i) {
        HWND window = CreateWindowExA(0, windowClass.lpszClassName, args[i].c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 200, 100, nullptr, nullptr, instance, nullptr);
        if (window == nullptr) return 4;
        if (first == nullptr) first = window;
    }
    SetTimer(first, POLL_TIMER, 100, nullptr);
    qs::test::TouchFile(args[1]);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
