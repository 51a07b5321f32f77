// The installer window: class registration, creation and the window procedure.
#pragma once

#include <windows.h>

namespace qs {

inline constexpr char WINDOW_CLASS_NAME[] = "VeltoQuillstation0Installer0MainWindow0";
inline constexpr char STARTUP_ERROR_CAPTION[] = "Startup Error";
inline constexpr char REGISTER_FAILED_TEXT[] = "Failed to register window class...";
inline constexpr char CREATE_FAILED_TEXT[] = "Failed to create window...";

// Registers the class and creates the window, shown or hidden by the hidden switch.
// On failure shows the matching "Startup Error" box and returns null.
HWND CreateInstallerWindow(HINSTANCE instance, WNDPROC procedure, const char* menuName,
                           const char* title);

LRESULT CALLBACK InstallerWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qs
