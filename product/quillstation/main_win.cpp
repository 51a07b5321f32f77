// Stand-in for the product's own program, Quillstation.exe: one window titled
// "Quillstation" that shows a line about the station and ends its message loop when it
// receives WM_DESTROY, the way the installer asks a running copy of the product to end.
#include <windows.h>

namespace quill {
namespace {

constexpr char WINDOW_CLASS[] = "QuillstationDeskWindow";
constexpr char WINDOW_TITLE[] = "Quillstation";
constexpr char STATUS_LINE[] = "Quillstation desk tool - no station connected. Firmware image 1.6.0 is ready to load.";
constexpr int WINDOW_WIDTH = 560;
constexpr int WINDOW_HEIGHT = 160;
constexpr int TEXT_MARGIN = 16;
constexpr int EXIT_NO_WINDOW = 1;

void PaintStatusLine(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(window, &paint);
    RECT client;
    ::GetClientRect(window, &client);
    ::InflateRect(&client, -TEXT_MARGIN, -TEXT_MARGIN);
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextA(dc, STATUS_LINE, -1, &client, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    ::EndPaint(window, &paint);
}

LRESULT CALLBACK DeskWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            PaintStatusLine(window);
            return 0;
        case WM_DESTROY:
            // Also reached by a WM_DESTROY posted from outside (the installer's start-up).
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

int RunDesk(HINSTANCE instance, int showCommand) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DeskWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = WINDOW_CLASS;
    if (::RegisterClassA(&windowClass) == 0) return EXIT_NO_WINDOW;

    HWND window = ::CreateWindowExA(0, WINDOW_CLASS, WINDOW_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                    WINDOW_WIDTH, WINDOW_HEIGHT, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return EXIT_NO_WINDOW;
    ::ShowWindow(window, showCommand);
    ::UpdateWindow(window);

    MSG message = {};
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace
}  // namespace quill

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return quill::RunDesk(instance, showCommand);
}
