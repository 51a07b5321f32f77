// Test helper: holds a file open with no sharing at all, as another program that has it
// open exclusively does, until told to stop; with "read", others may still read it, but
// neither write nor delete nor rename it (as a program running in another session).
//   file_holder.exe FILE READY_FILE STOP_FILE [read]
// Creates READY_FILE once FILE is held; ends when STOP_FILE exists (or after 120 s).
// Exit code 0 after holding, 3 when FILE could not be opened.
#include <windows.h>

#include "tests/win/helpers/helper_args.h"

namespace {

constexpr int POLL_MS = 100;
constexpr int MAX_POLLS = 1200;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const auto args = qs::test::CommandArguments();
    if (args.size() < 4) return 2;
    // Read access only; share mode 0: nobody else may read, write or delete it.
    const DWORD share = args.size() > 4 && args[4] == "read" ? FILE_SHARE_READ : 0;
    HANDLE file =
        CreateFileA(args[1].c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    qs::test::TouchFile(args[2]);
    for (int i = 0; i < MAX_POLLS && !qs::test::FileThere(args[3]); ++i) Sleep(POLL_MS);
    CloseHandle(file);
    return 0;
}
