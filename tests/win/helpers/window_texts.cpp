// Test helper: writes what a top-level window says, as a user would read it.
//   window_texts.exe TITLE OUT_FILE
// Finds the first top-level window titled exactly TITLE and writes the text of each of
// its child windows (a message box's text and buttons), one per line, to OUT_FILE.
// Exit code 0 when the window was found, 1 when not.
#include <windows.h>

#include <string>

#include "tests/win/helpers/helper_args.h"

namespace {

constexpr int TEXT_SIZE = 4096;

BOOL CALLBACK WriteChildText(HWND child, LPARAM outFile) {
    char text[TEXT_SIZE] = {};
    GetWindowTextA(child, text, TEXT_SIZE);
    // Line breaks inside a text are kept as "|" so that one child is one line.
    std::string line(text);
    for (char& c : line) {
        if (c == '\n') c = '|';
    }
    std::string cleaned;
    for (char c : line) {
        if (c != '\r') cleaned += c;
    }
    if (!cleaned.empty()) qs::test::AppendLine(*reinterpret_cast<const std::string*>(outFile), cleaned);
    return TRUE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const auto args = qs::test::CommandArguments();
    if (args.size() < 3) return 2;
    HWND window = FindWindowA(nullptr, args[1].c_str());
    if (window == nullptr) return 1;
    const std::string outFile = args[2];
    qs::test::TouchFile(outFile);
    EnumChildWindows(window, WriteChildText, reinterpret_cast<LPARAM>(&outFile));
    return 0;
}
