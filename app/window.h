// The installer window: class registration, creation and the window procedure.
#pragma once

#include <windows.h>

namespace qs {

struct InstallerState;

inline constexpr char WINDOW_CLASS_NAME[] = "VeltoQuillstation0Installer0MainWindow0";
inline constexpr char STARTUP_ERROR_CAPTION[] = "Startup Error";
inline constexpr char REGISTER_FAILED_TEXT[] = "Failed to register window class...";
inline constexpr char CREATE_FAILED_TEXT[] = "Failed to create window...";

// Registers the class and creates the window, shown or hidden by the hidden switch.
// On failure shows the matching "Startup Error" box (never in a hidden run, where nobody
// could answer it) and returns null.
HWND CreateInstallerWindow(HINSTANCE instance, WNDPROC procedure, const char* menuName, const char* title);

LRESULT CALLBACK InstallerWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Whether the button and the picture's link act now, however they are used (click,
// Enter, a screen reader's default action): neither while an install runs or while a box
// owned by the window is up (the window is disabled then); the button not at all once a
// procedure has started from it, since the window closes after every procedure.
bool ButtonAvailable(InstallerState& state, HWND window);
bool LinkAvailable(InstallerState& state, HWND window);

// The thread's message loop: translates and dispatches until the quit message, whose
// value it returns. EXIT_MESSAGE_LOOP_FAILED when getMessage fails (GetMessageA in the
// program; the tests hand in their own).
using GetMessageFunction = BOOL(WINAPI*)(LPMSG, HWND, UINT, UINT);
int RunMessageLoop(GetMessageFunction getMessage);

}  // namespace qs
