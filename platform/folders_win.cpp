// Shell folders, a path below the program-files folder and the desktop shortcut.
// Every shell-folder function is looked up by name in a library loaded for the one
// query (or the one pass over the table) and released before the next source is tried.
#include "platform/folders.h"

#include <cstdint>
#include <cstring>

#include "platform/links.h"
#include "platform/paths.h"
#include "platform/system_seam.h"
#include "platform/system_seam_testing.h"

namespace qs {
namespace {

constexpr BOOL SPECIAL_FOLDER_OK = TRUE;  // the only answer of SHGetSpecialFolderPath taken (1)
constexpr HRESULT FOLDER_PATH_OK = S_OK;  // the only answer of SHGetFolderPath taken
constexpr DWORD FOLDER_CURRENT_PATH = SHGFP_TYPE_CURRENT;
constexpr int CONVERT_WHOLE_TEXT = -1;

// The two shell sources of a folder for narrow (char) or wide (wchar_t) paths: the
// shell library's SHGetSpecialFolderPath and the folder library's SHGetFolderPath.
template <typename Char>
struct FolderSources;
template <>
struct FolderSources<char> {
    using Special = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);
    using Folder = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
    static constexpr const char* SPECIAL = SPECIAL_FOLDER_PATH_A;
    static constexpr const char* FOLDER = FOLDER_PATH_A;
};
template <>
struct FolderSources<wchar_t> {
    using Special = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);
    using Folder = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
    static constexpr const char* SPECIAL = SPECIAL_FOLDER_PATH_W;
    static constexpr const char* FOLDER = FOLDER_PATH_W;
};

template <typename Char>
typename FolderSources<Char>::Special FindSpecialFolderPath(const SystemLibrary& shell) {
    return shell.Find<typename FolderSources<Char>::Special>(FolderSources<Char>::SPECIAL);
}
template <typename Char>
typename FolderSources<Char>::Folder FindFolderPath(const SystemLibrary& folders) {
    return folders.Find<typename FolderSources<Char>::Folder>(FolderSources<Char>::FOLDER);
}

// One query of each source; out is left empty unless the source answered.
template <typename Char>
bool AskSpecialFolder(typename FolderSources<Char>::Special query, Char* out, int id, BOOL create) {
    if (query(nullptr, out, id, create) == SPECIAL_FOLDER_OK) return true;
    out[0] = Char{};
    return false;
}
template <typename Char>
bool AskFolderPath(typename FolderSources<Char>::Folder query, Char* out, int id) {
    if (query(nullptr, id, nullptr, FOLDER_CURRENT_PATH, out) == FOLDER_PATH_OK) return true;
    out[0] = Char{};
    return false;
}

// Whether the folder library is still asked when the shell library cannot be loaded.
enum class WithoutShell { AskFolderLibrary, GiveUp };

// One folder from the two sources in turn, each library loaded for its query and
// released before the next: the shell library's answer, else (the function missing or
// failing) the folder library's. out stays empty when neither answers.
template <typename Char>
void AskBothSources(Char* out, int id, BOOL create, WithoutShell withoutShell) {
    out[0] = Char{};
    {
        const SystemLibrary shell(SHELL_LIBRARY);
        if (!shell && withoutShell == WithoutShell::GiveUp) return;
        const auto query = FindSpecialFolderPath<Char>(shell);
        if (query != nullptr && AskSpecialFolder(query, out, id, create)) return;
    }
    const SystemLibrary folders(FOLDER_LIBRARY);
    const auto query = FindFolderPath<Char>(folders);
    if (query != nullptr) (void)AskFolderPath(query, out, id);
}

struct FolderQuery {
    int id;
    BOOL create;
};

// Table order: queries and fall-backs follow it.
constexpr FolderQuery FOLDER_QUERIES[KNOWN_FOLDER_COUNT] = {
    {CSIDL_PROGRAM_FILES, FALSE}, {CSIDL_PERSONAL, TRUE},        {CSIDL_APPDATA, TRUE},
    {CSIDL_COMMON_APPDATA, TRUE}, {CSIDL_COMMON_PROGRAMS, TRUE}, {CSIDL_STARTUP, TRUE},
};

struct KnownFoldersTable {
    std::int32_t filled;
    char entries[KNOWN_FOLDER_COUNT][KNOWN_FOLDER_SIZE];
};

// Contents at process start, in table order: three entries "C:\", the common
// application data and common programs entries empty, the startup entry "Startup". The
// table itself starts zeroed (it takes no room in the program file) and answers these
// until it is filled.
constexpr const char* INITIAL_ENTRIES[KNOWN_FOLDER_COUNT] = {
    INITIAL_FOLDER, INITIAL_FOLDER, INITIAL_FOLDER, "", "", INITIAL_STARTUP_FOLDER};

KnownFoldersTable g_knownFolders;

char* Entry(KnownFolder entry) { return g_knownFolders.entries[static_cast<int>(entry)]; }
const char* ReadEntry(KnownFolder entry) {
    return g_knownFolders.filled != 0 ? Entry(entry) : INITIAL_ENTRIES[static_cast<int>(entry)];
}

bool IsEmpty(const char* text) { return text[0] == '\0'; }
void MakeEmpty(char* text) { text[0] = '\0'; }

// First source: SHGetSpecialFolderPathA for all six entries. Unavailable (SHELL32.DLL
// not loaded) skips the second source; Missing and Failures go on to it.
enum class FirstSource { Unavailable, Missing, Failures, Complete };

FirstSource AskSpecialFolderPaths() {
    const SystemLibrary shell(SHELL_LIBRARY);
    if (!shell) return FirstSource::Unavailable;
    const auto query = FindSpecialFolderPath<char>(shell);
    if (query == nullptr) return FirstSource::Missing;
    bool failures = false;
    for (int i = 0; i < KNOWN_FOLDER_COUNT; ++i) {
        if (!AskSpecialFolder(query, g_knownFolders.entries[i], FOLDER_QUERIES[i].id, FOLDER_QUERIES[i].create)) {
            failures = true;
        }
    }
    return failures ? FirstSource::Failures : FirstSource::Complete;
}

// Second source: SHGetFolderPathA for the entries still empty.
void AskFolderPathsForEmptyEntries() {
    const SystemLibrary folders(FOLDER_LIBRARY);
    const auto query = FindFolderPath<char>(folders);
    if (query == nullptr) return;
    for (int i = 0; i < KNOWN_FOLDER_COUNT; ++i) {
        char* entry = g_knownFolders.entries[i];
        if (IsEmpty(entry)) (void)AskFolderPath(query, entry, FOLDER_QUERIES[i].id);
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
void BuildFallbackProgramFiles(char* out, std::size_t capacity, bool (*cut)(char*)) {
    char folder[WINDOWS_FOLDER_BUFFER_SIZE];
    if (ReadWindowsFolder(folder)) {
        (void)cut(folder);
    } else {
        (void)CopyText(folder, sizeof folder, FALLBACK_DRIVE);
    }
    if (!AppendText(folder, sizeof folder, FALLBACK_PROGRAM_FILES) || !CopyText(out, capacity, folder)) {
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
        const DWORD length = System().getCurrentDirectory(static_cast<DWORD>(KNOWN_FOLDER_SIZE), documents);
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

}  // namespace

void FillKnownFolders() {
    if (g_knownFolders.filled != 0) return;
    g_knownFolders.filled = 1;
    // The startup entry keeps its initial text unless a source answers for it; the
    // others start empty.
    (void)CopyText(Entry(KnownFolder::Startup), KNOWN_FOLDER_SIZE, INITIAL_STARTUP_FOLDER);

    const FirstSource first = AskSpecialFolderPaths();
    if (first == FirstSource::Missing || first == FirstSource::Failures) {
        AskFolderPathsForEmptyEntries();
    }
    ApplyFallbacks();
}

const char* GetCommonProgramsFolder() { return ReadEntry(KnownFolder::CommonPrograms); }
const char* GetStartupFolder() { return ReadEntry(KnownFolder::Startup); }

void GetDesktopFolder(char* out) {
    MakeEmpty(out);
    wchar_t wide[DESKTOP_WIDE_SIZE];
    AskBothSources(wide, CSIDL_DESKTOPDIRECTORY, TRUE, WithoutShell::GiveUp);
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

int ResolveProgramFilesPath(const char* subPath, char* out, std::size_t capacity) {
    char programFiles[PATH_BUFFER_SIZE];
    AskBothSources(programFiles, CSIDL_PROGRAM_FILES, FALSE, WithoutShell::AskFolderLibrary);
    if (IsEmpty(programFiles)) BuildFallbackProgramFiles(programFiles, sizeof programFiles, CutToRoot);
    // A path that would not fit is refused, not cut short.
    if (IsEmpty(programFiles) || !JoinPath(out, capacity, programFiles, subPath)) {
        if (capacity > 0) MakeEmpty(out);
        return -1;
    }
    return 0;
}

const char* KnownFolderEntry(KnownFolder entry) { return ReadEntry(entry); }

void ResetKnownFolders() { g_knownFolders = KnownFoldersTable{}; }

}  // namespace qs
