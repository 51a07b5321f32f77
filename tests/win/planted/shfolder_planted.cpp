// A stand-in SHFOLDER.DLL planted beside a program to show whether the program loads it.
// Loading it writes a marker file at the path in QS_PLANTED_MARKER; its folder functions
// fail, so a program that used it would also miss its answers.
#include <windows.h>

namespace {

constexpr char MARKER_VARIABLE[] = "QS_PLANTED_MARKER";
constexpr char MARKER_TEXT[] = "planted SHFOLDER.DLL loaded\r\n";

void WriteMarker() {
    char path[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableA(MARKER_VARIABLE, path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, MARKER_TEXT, sizeof MARKER_TEXT - 1, &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) WriteMarker();
    return TRUE;
}

__declspec(dllexport) HRESULT WINAPI SHGetFolderPathA(HWND, int, HANDLE, DWORD, LPSTR path) {
    if (path != nullptr) path[0] = '\0';
    return E_FAIL;
}

__declspec(dllexport) HRESULT WINAPI SHGetFolderPathW(HWND, int, HANDLE, DWORD, LPWSTR path) {
    if (path != nullptr) path[0] = L'\0';
    return E_FAIL;
}

}  // extern "C"
