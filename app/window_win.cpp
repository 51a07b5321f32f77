// Placeholder installer window: created hidden or shown by the hidden switch; an
// unattended run ends the loop with 0. The full window replaces this.
#include "app/window.h"

#include "app/protocol.h"
#include "setup/state.h"

namespace qs {

HWND CreateInstallerWindow(HINSTANCE instance, WNDPROC procedure, const char* menuName,
                           const char* title) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszMenuName = menuName;
    windowClass.lpszClassName = WINDOW_CLASS_NAME;
    if (::RegisterClassA(&windowClass) == 0) {
        ::MessageBoxA(nullptr, REGISTER_FAILED_TEXT, STARTUP_ERROR_CAPTION, MB_ICONWARNING);
        return nullptr;
    }
    HWND window = ::CreateWindowExA(0, WINDOW_CLASS_NAME, title,
                                    WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN,
                                    CW_USEDEFAULT, CW_USEDEFAULT, 900, 300, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        ::MessageBoxA(nullptr, CREATE_FAILED_TEXT, STARTUP_ERROR_CAPTION, MB_ICONWARNING);
        return nullptr;
    }
    ::ShowWindow(window, g_switches.hiddenSwitch != 0 ? SW_HIDE : SW_SHOW);
    if (g_switches.hiddenSwitch == 0) ::UpdateWindow(window);
    return window;
}

LRESULT CALLBACK InstallerWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            g_state.window = window;
            if (g_switches.installSwitch != 0 || g_switches.unattendedSwitch != 0) {
                ::PostMessageA(window, WM_COMMAND, CMD_AUTO_RUN, AUTO_RUN_CODE);
            }
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == CMD_AUTO_RUN && lParam == AUTO_RUN_CODE) ::PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            ::PostMessageA(window, WM_DESTROY, 0, 0);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace qs
