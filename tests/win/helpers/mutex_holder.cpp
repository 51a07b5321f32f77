// Test helper: holds a named mutex (the installer's single-instance mutex, as the test
// names it) until told to stop.
//   mutex_holder.exe READY_FILE STOP_FILE NAME
// Creates READY_FILE once the mutex is held; ends when STOP_FILE exists (or after 120 s).
#include <windows.h>

#include <string>

#include "tests/win/helpers/helper_args.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const auto args = qs::test::CommandArguments();
    if (args.size() < 4) return 2;
    HANDLE mutex = CreateMutexA(nullptr, TRUE, args[3].c_str());
    if (mutex == nullptr) return 3;
    qs::test::TouchFile(args[1]);
    for (int i = 0; i < 1200 && !qs::test::FileThere(args[2]); ++i) Sleep(100);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return 0;
}
