// Test helper: runs a command line exactly as written, as the system's list of programs
// and deployment tools run an uninstall entry's command, and waits for it.
//   QS_RUN_COMMAND="COMMAND LINE" [QS_RUN_FOLDER=WORKING_FOLDER] run_command.exe
// The command line comes from the environment: Wine would quote and escape it on the way
// in as an argument. The started program works in WORKING_FOLDER when given (the helper
// itself stays where it is). Exit code: the started program's, or 1000 when it could not
// start.
#include <windows.h>

namespace {

constexpr DWORD NOT_STARTED = 1000;
constexpr DWORD COMMAND_SIZE = 4096;
constexpr char COMMAND_VARIABLE[] = "QS_RUN_COMMAND";
constexpr char FOLDER_VARIABLE[] = "QS_RUN_FOLDER";

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char command[COMMAND_SIZE] = {};
    const DWORD length = GetEnvironmentVariableA(COMMAND_VARIABLE, command, COMMAND_SIZE);
    if (length == 0 || length >= COMMAND_SIZE) return static_cast<int>(NOT_STARTED);
    char folder[MAX_PATH] = {};
    const DWORD folderLength = GetEnvironmentVariableA(FOLDER_VARIABLE, folder, MAX_PATH);
    SetEnvironmentVariableA(COMMAND_VARIABLE, nullptr);  // not handed on
    SetEnvironmentVariableA(FOLDER_VARIABLE, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const char* workingFolder = folderLength > 0 && folderLength < MAX_PATH ? folder : nullptr;
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, workingFolder, &startup, &process)) {
        return static_cast<int>(NOT_STARTED);
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = NOT_STARTED;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}
