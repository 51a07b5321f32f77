// Test helper: asks a window to close from outside, as another program would.
//   close_window.exe CLASS_NAME
// Posts WM_CLOSE to the first top-level window of that class; exit code 0 when one was
// found, 1 when none was.
#include <windows.h>

#include "tests/win/helpers/helper_args.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const auto args = qs::test::CommandArguments();
    if (args.size() < 2) return 2;
    HWND window = FindWindowA(args[1].c_str(), nullptr);
    if (window == nullptr) return 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}
