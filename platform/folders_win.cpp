// Shell folders, the install location and the desktop shortcut.
// Every shell-folder function is looked up by name in a library loaded for the one
// query and released before the next source is tried.
#include "platform/folders.h"

#include <cstring>

#include "platform/helpers.h"
#include "platform/paths.h"
#include "platform/system_seam.h"
#include "platform/system_seam_testing.h"
#include "setup/product.h"

namespace qs {
namespace {

using SpecialFolderPathA = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);
using SpecialFolderPathW = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);
using FolderPathA = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
using FolderPathW = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

constexpr BOOL SPECIAL_FOLDER_OK = 1;   // the only answer of SHGetSpecialFolderPath taken
constexpr HRESULT FOLDER_PATH_OK = 0;   // the only answer of SHGetFolderPath taken
constexpr DWORD FOLDER_CURRENT_PATH = 0;
constexpr int CONVERT_WHOLE_TEXT = -1;

struct FolderQuery {
    int id;
    BOOL create;
};

// Table order: queries and fall-backs follow it.
constexpr FolderQuery FOLDER_QUERIES[KNOWN_FOLDER_COUNT] = {
    {FOLDER_ID_PROGRAM_FILES, FALSE}, {FOLDER_ID_PERSONAL, TRUE},
    {FOLDER_ID_APPDATA, TRUE},        {FOLDER_ID_COMMON_APPDATA, TRUE},
    {FOLDER_ID_COMMON_PROGRAMS, TRUE}, {FOLDER_ID_STARTUP, TRUE},
};

struct KnownFoldersTable {
    std::int32_t filled;
    char entries[KNOWN_FOLDER_COUNT][KNOWN_FOLDER_SIZE];
};

constexpr void CopyInitial(char* entry, const char* text) {
    for (std::size_t i = 0; text[i] != '\0'; ++i) entry[i] = text[i];
}

// Contents at process start: three entries "C:\", the startup entry "Startup", the
// common application data and common programs entries empty.
constexpr KnownFoldersTable MakeInitialTable() {
    KnownFoldersTable table = {};
    CopyInitial(table.entries[static_cast<int>(KnownFolder::ProgramFiles)], INITIAL_FOLDER);
    CopyInitial(table.entries[static_cast<int>(KnownFolder::Documents)], INITIAL_FOLDER);
    CopyInitial(table.entries[static_cast<int>(KnownFolder::AppData)], INITIAL_FOLDER);
    CopyInitial(table.entries[static_cast<int>(KnownFolder::Startup)], INITIAL_STARTUP_FOLDER);
    return table;
}

constexpr KnownFoldersTable INITIAL_TABLE = MakeInitialTable();

KnownFoldersTable g_knownFolders = INITIAL_TABLE;

char* Entry(KnownFolder entry) { return g_knownFolders.entries[static_cast<int>(entry)]; }

bool IsEmpty(const char* text) { return text[0] == '\0'; }
void MakeEmpty(char* text) { text[0] = '\0'; }

// First source: SHGetSpecialFolderPathA for all six entries. Unavailable (SHELL32.DLL
// not loaded) skips the second source; Missing and Failures go on to it.
enum class FirstSource { Unavailable, Missing, Failures, Complete };

FirstSource AskSpecialFolderPaths() {
    const SystemLibrary shell(SHELL_LIBRARY);
    if (!shell) return FirstSource::Unavailable;
    const auto query = shell.Find<SpecialFolderPathA>(SPECIAL_FOLDER_PATH_A);
    if (query == nullptr) return FirstSource::Missing;
    bool failures = false;
    for (int i = 0; i < KNOWN_FOLDER_COUNT; ++i) {
        char* entry = g_knownFolders.entries[i];
        if (query(nullptr, entry, FOLDER_QUERIES[i].id, FOLDER_QUERIES[i].create) != SPECIAL_FOLDER_OK) {
            MakeEmpty(entry);
            failures = true;
        }
    }
    return failures ? FirstSource::Failures : FirstSource::Complete;
}

// Second source: SHGetFolderPathA for the entries still empty.
void AskFolderPathsForEmptyEntries() {
    const SystemLibrary folders(FOLDER_LIBRARY);
    const auto query = folders.Find<FolderPathA>(FOLDER_PATH_A);
    if (query == nullptr) return;
    for (int i = 0; i < KNOWN_FOLDER_COUNT; ++i) {
        char* entry = g_knownFolders.entries[i];
        if (!IsEmpty(entry)) continue;
        if (query(nullptr, FOLDER_QUERIES[i].id, nullptr, FOLDER_CURRENT_PATH, entry) != FOLDER_PATH_OK) {
            MakeEmpty(entry);
        }
    }
}

// The Windows directory into buffer (WINDOWS_FOLDER_BUFFER_SIZE bytes). False, with the
// buffer empty, when it cannot be read whole.
bool ReadWindowsFolder(char* buffer) {
    MakeEmpty(buffer);
    const UINT length = System().getWindowsDirectory(buffer, WINDOWS_FOLDER_CAPACITY);
    if (length != 0 && length < WINDOWS_FOLDER_CAPACITY && std::strlen(buffer) == length) return true;
    MakeEmpty(buffer);
    return false;
}

// The root of the Windows directory (cut by cut), or "C:", then "\Program Files\".
// Empty when the result would not fit out.
void BuildFallbackProgramFiles(char* out, std::size_t capacity, int (*cut)(char*)) {
    char folder[WINDOWS_FOLDER_BUFFER_SIZE];
    if (ReadWindowsFolder(folder)) {
        (void)cut(folder);
    } else {
        (void)CopyText(folder, sizeof folder, FALLBACK_DRIVE);
    }
    if (!AppendText(folder, sizeof folder, FALLBACK_PROGRAM_FILES) ||
        !CopyText(out, capacity, folder)) {
        MakeEmpty(out);
    }
}

void ApplyFallbacks() {
    char* programFiles = Entry(KnownFolder::ProgramFiles);
    if (IsEmpty(programFiles)) {
        BuildFallbackProgramFiles(programFiles, KNOWN_FOLDER_SIZE, CutToDriveRoot);
    }
    char* documents = Entry(KnownFolder::Documents);
    if (IsEmpty(documents)) {
        const DWORD length =
            System().getCurrentDirectory(static_cast<DWORD>(KNOWN_FOLDER_SIZE), documents);
        if (length == 0 || length >= KNOWN_FOLDER_SIZE) MakeEmpty(documents);
    }
    char* appData = Entry(KnownFolder::AppData);
    if (IsEmpty(appData)) (void)CopyText(appData, KNOWN_FOLDER_SIZE, documents);

    char* commonAppData = Entry(KnownFolder::CommonAppData);
    if (!IsEmpty(commonAppData)) return;
    (void)CopyText(commonAppData, KNOWN_FOLDER_SIZE, programFiles);
    (void)CutToDriveRoot(commonAppData);
    if (!AppendText(commonAppData, KNOWN_FOLDER_SIZE, FALLBACK_COMMON_APPDATA)) {
        MakeEmpty(commonAppData);
    }
}

// The desktop folder as a wide string; empty when no source supplies it.
void AskDesktopFolder(wchar_t* wide) {
    wide[0] = L'\0';
    {
        const SystemLibrary shell(SHELL_LIBRARY);
        if (!shell) return;
        const auto query = shell.Find<SpecialFolderPathW>(SPECIAL_FOLDER_PATH_W);
        if (query != nullptr) {
            if (query(nullptr, wide, FOLDER_ID_DESKTOP_DIRECTORY, TRUE) == SPECIAL_FOLDER_OK) return;
            wide[0] = L'\0';
        }
    }
    const SystemLibrary folders(FOLDER_LIBRARY);
    const auto query = folders.Find<FolderPathW>(FOLDER_PATH_W);
    if (query == nullptr || wide[0] != L'\0') return;
    if (query(nullptr, FOLDER_ID_DESKTOP_DIRECTORY, nullptr, FOLDER_CURRENT_PATH, wide) !=
        FOLDER_PATH_OK) {
        wide[0] = L'\0';
    }
}

}  // namespace

void FillKnownFolders() {
    if (g_knownFolders.filled != 0) return;
    g_knownFolders.filled = 1;
    MakeEmpty(Entry(KnownFolder::ProgramFiles));
    MakeEmpty(Entry(KnownFolder::Documents));
    MakeEmpty(Entry(KnownFolder::AppData));
    MakeEmpty(Entry(KnownFolder::CommonAppData));

    const FirstSource first = AskSpecialFolderPaths();
    if (first == FirstSource::Missing || first == FirstSource::Failures) {
        AskFolderPathsForEmptyEntries();
    }
    ApplyFallbacks();
}

const char* GetCommonProgramsFolder() { return Entry(KnownFolder::CommonPrograms); }
const char* GetStartupFolder() { return Entry(KnownFolder::Startup); }

void GetDesktopFolder(char* out) {
    MakeEmpty(out);
    wchar_t wide[DESKTOP_WIDE_SIZE];
    AskDesktopFolder(wide);
    if (wide[0] == L'\0') return;
    std::memset(out, 0, PATH_BUFFER_SIZE);
    const int written = ::WideCharToMultiByte(CP_ACP, 0, wide, CONVERT_WHOLE_TEXT, out,
                                              static_cast<int>(PATH_BUFFER_SIZE), nullptr, nullptr);
    // A folder that does not convert whole is refused rather than used cut short.
    if (written == 0) MakeEmpty(out);
    out[PATH_BUFFER_SIZE - 1] = '\0';
}

void SetDesktopShortcut(const char* name, const char* target, int createFlag) {
    char desktop[PATH_BUFFER_SIZE];
    GetDesktopFolder(desktop);
    // Without a desktop folder the shortcut would land at the root of the current drive.
    if (IsEmpty(desktop)) return;
    if (createFlag == 1) {
        (void)CreateShortcut(target, desktop, name, "");
    } else {
        (void)DeleteShortcut(desktop, name);
    }
}

int ResolveInstallFolder(InstallerState& state, const char* subPath) {
    char* folder = state.installFolder;
    MakeEmpty(folder);
    {
        const SystemLibrary shell(SHELL_LIBRARY);
        const auto query = shell.Find<SpecialFolderPathA>(SPECIAL_FOLDER_PATH_A);
        if (query != nullptr &&
            query(nullptr, folder, FOLDER_ID_PROGRAM_FILES, FALSE) != SPECIAL_FOLDER_OK) {
            MakeEmpty(folder);
        }
    }
    if (IsEmpty(folder)) {
        const SystemLibrary folders(FOLDER_LIBRARY);
        const auto query = folders.Find<FolderPathA>(FOLDER_PATH_A);
        if (query != nullptr && query(nullptr, FOLDER_ID_PROGRAM_FILES, nullptr, FOLDER_CURRENT_PATH,
                                      folder) != FOLDER_PATH_OK) {
            MakeEmpty(folder);
        }
    }
    if (IsEmpty(folder)) BuildFallbackProgramFiles(folder, PATH_BUFFER_SIZE, CutToRoot);
    if (IsEmpty(folder)) return -1;

    char programFiles[PATH_BUFFER_SIZE];
    (void)CopyText(programFiles, sizeof programFiles, folder);
    // An install folder that would not fit is refused, not cut short.
    return JoinPath(folder, PATH_BUFFER_SIZE, programFiles, subPath) ? 0 : -1;
}

int DetectInstalled(InstallerState& state) {
    state.installed = 0;
    if (ResolveInstallFolder(state, INSTALL_SUBPATH) != 0) return 0;
    char fileName[PATH_BUFFER_SIZE];
    char path[PATH_BUFFER_SIZE];
    if (!CopyText(fileName, sizeof fileName, PRODUCT_NAME) ||
        !AppendText(fileName, sizeof fileName, EXE_SUFFIX) ||
        !JoinPath(path, sizeof path, state.installFolder, fileName)) {
        return 0;
    }
    if (FileExists(path) != 0) state.installed = 1;
    return state.installed;
}

const char* KnownFolderEntry(KnownFolder entry) { return Entry(entry); }

void ResetKnownFolders() { g_knownFolders = INITIAL_TABLE; }

}  // namespace qs
