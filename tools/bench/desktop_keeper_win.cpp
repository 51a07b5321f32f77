// Keeps Wine's desktop process alive for the install benchmark: asks for the desktop
// window once, then sleeps until it is ended. Without it, every measured program that
// makes a window would also pay for starting the desktop (on Windows it always runs),
// and which program paid would depend on what ran just before.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ::GetDesktopWindow();
    ::Sleep(INFINITE);
    return 0;
}
