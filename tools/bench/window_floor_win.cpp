// A second floor for the install benchmark: what every run of the installer pays to Wine
// before doing any work of its own. Initialises COM on the thread, creates a hidden
// top-level window, runs the message loop until the window's own posted message ends it,
// and returns 0.
#include <windows.h>
#include <objbase.h>

namespace {

constexpr UINT QUIT_NOW = WM_APP + 1;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == QUIT_NOW) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HRESULT com = ::CoInitialize(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "QsBenchWindowFloor";
    ::RegisterClassA(&windowClass);
    HWND window = ::CreateWindowExA(0, windowClass.lpszClassName, "floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                    CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
    ::PostMessageA(window, QUIT_NOW, 0, 0);
    MSG message = {};
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
    ::DestroyWindow(window);
    if (SUCCEEDED(com)) ::CoUninitialize();
    return 0;
}
