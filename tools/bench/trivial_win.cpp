// The floor of the install benchmark: a GUI program that ends at once with exit code 0.
// Its wall time under Wine is the cost of starting and ending any Windows process there.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
