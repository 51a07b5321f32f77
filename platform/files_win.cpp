// Files and folders (see files.h): folder paths, tree deletion, whole files, folder
// identity, private folders, moves and deletion at restart.
#include "platform/files.h"

#include <windows.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <cstring>

#include "platform/owners.h"
#include "platform/paths.h"
#include "platform/pending_operations.h"
#include "platform/registry.h"

namespace qs {
namespace {

// Full control for SYSTEM and the Administrators group, on the folder and everything
// made in it; "P" protects the list from the parent's inherited entries.
constexpr char PRIVATE_FOLDER_ACCESS[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
constexpr char NAME_SEPARATOR[] = "-";
constexpr char ALL_ENTRIES[] = "*.*";
constexpr char SEPARATOR = '\\';
constexpr char SEPARATOR_TEXT[] = "\\";
constexpr char FULL_STOP = '.';
constexpr char RANDOM_NAME_SEPARATOR = '-';  // stem-<random>, as RenameWithinFolder names
constexpr char DRIVE_COLON = ':';
constexpr std::size_t MIN_FOLDER_PATH_LENGTH = 5;  // "C:\ab" is the shortest accepted

constexpr char HEX_DIGITS[] = "0123456789abcdef";
// 128 random bits in a name: nobody guesses it before it is made.
constexpr std::size_t RANDOM_NAME_BYTES = 16;
constexpr int RANDOM_NAME_ATTEMPTS = 8;
// "C:" and shorter: a drive's current directory, not a folder of the path.
constexpr std::size_t SHORTEST_FOLDER = 3;
// The attributes SetFileAttributes takes; what a path keeps when it loses read-only.
constexpr DWORD SETTABLE_ATTRIBUTES = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY;
// Where the system keeps the operations for its next start (MoveFileEx's delayed ones).
constexpr wchar_t SESSION_MANAGER_KEY[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t PENDING_OPERATIONS_VALUE[] = L"PendingFileRenameOperations";

struct FolderIdentity {
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
};

bool IdentityOf(const char* path, FolderIdentity& out) {
    // Backup semantics let a folder be opened; no access beyond its attributes.
    UniqueFile file(::CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return false;
    BY_HANDLE_FILE_INFORMATION information;
    if (::GetFileInformationByHandle(file.get(), &information) == FALSE) return false;
    out = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
    return true;
}

bool SameIdentity(const FolderIdentity& a, const FolderIdentity& b) {
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

// folder joined with stem-<random hexadecimal digits> into out.
bool RandomPath(const char* folder, const char* stem, char* out, std::size_t capacity) {
    unsigned char bytes[RANDOM_NAME_BYTES];
    if (::RtlGenRandom(bytes, sizeof bytes) == FALSE) return false;
    char digits[2 * RANDOM_NAME_BYTES + 1];
    for (std::size_t i = 0; i < RANDOM_NAME_BYTES; ++i) {
        digits[2 * i] = HEX_DIGITS[bytes[i] >> 4];
        digits[2 * i + 1] = HEX_DIGITS[bytes[i] & 0x0F];
    }
    digits[2 * RANDOM_NAME_BYTES] = '\0';
    return JoinPath(out, capacity, folder, stem) && AppendText(out, capacity, NAME_SEPARATOR) &&
           AppendText(out, capacity, digits);
}

// Takes the read-only attribute off path. True when it had one and lost it.
bool ClearReadOnly(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) return false;
    const DWORD kept = attributes & SETTABLE_ATTRIBUTES;
    return ::SetFileAttributesA(path, kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

// Deletes a file now, a read-only one too.
bool DeleteFileNow(const char* path) {
    if (::DeleteFileA(path) != FALSE) return true;
    return ClearReadOnly(path) && ::DeleteFileA(path) != FALSE;
}

bool RemoveFolderNow(const char* path) {
    if (::RemoveDirectoryA(path) != FALSE) return true;
    return ClearReadOnly(path) && ::RemoveDirectoryA(path) != FALSE;
}

bool IsFolder(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsMissing(const char* path) {
    if (::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// A folder level exists afterwards: created now, or already a folder (a file of that
// name does not count).
bool MakeFolderLevel(const char* path) {
    if (::CreateDirectoryA(path, nullptr) != FALSE) return true;
    return IsFolder(path);
}

// Paths that name a whole drive or share: empty, a lone backslash, C:, C:\, \\server\share.
bool IsRootPath(const char* path) {
    const std::size_t length = std::strlen(path);
    if (length == 0) return true;
    if (length == 1) return path[0] == SEPARATOR;
    if (path[1] == DRIVE_COLON) return length == 2 || (length == 3 && path[2] == SEPARATOR);
    return path[0] == SEPARATOR && path[1] == SEPARATOR && SkipFolderRoot(path) >= length;
}

// What the next look at a folder found. RENAMED: a file that an earlier removal renamed
// to the restart stem and scheduled.
enum class Entry { NONE, FILE, RENAMED, FOLDER, LINK };

// Joins name to the folder in path, in place. False (path unchanged) when it does not fit.
bool AppendComponent(char* path, std::size_t capacity, const char* name) {
    const std::size_t length = std::strlen(path);
    const bool needsSeparator = length == 0 || path[length - 1] != SEPARATOR;
    if ((needsSeparator && !AppendText(path, capacity, SEPARATOR_TEXT)) || !AppendText(path, capacity, name)) {
        path[length] = '\0';
        return false;
    }
    return true;
}

// Whether a file's name marks it as one that a removal already renamed and scheduled.
bool CarriesStem(const char* name, const char* stem) {
    if (stem == nullptr) return false;
    const std::size_t length = std::strlen(stem);
    return std::strncmp(name, stem, length) == 0 && name[length] == RANDOM_NAME_SEPARATOR;
}

// "." and "..": the folder itself and its parent, as a search lists them.
bool IsSelfOrParent(const char* name) {
    return name[0] == FULL_STOP && (name[1] == '\0' || (name[1] == FULL_STOP && name[2] == '\0'));
}

// Appends the entry of the folder in path that follows skip others (every entry but "."
// and "..") to path and says what it is. NONE leaves path unchanged: the folder cannot
// be searched, holds nothing more, or the joined path would not fit.
Entry AppendEntry(char* path, std::size_t capacity, std::size_t skip, const char* stem) {
    const std::size_t folderLength = std::strlen(path);
    if (!AppendComponent(path, capacity, ALL_ENTRIES)) return Entry::NONE;
    WIN32_FIND_DATAA data;
    UniqueFind find(::FindFirstFileA(path, &data));
    path[folderLength] = '\0';
    if (!find) return Entry::NONE;
    do {
        const DWORD attributes = data.dwFileAttributes;
        const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (IsSelfOrParent(data.cFileName)) continue;
        if (skip > 0) {
            --skip;
            continue;
        }
        find.reset();
        if (!AppendComponent(path, capacity, data.cFileName)) return Entry::NONE;
        if (!isFolder) return CarriesStem(data.cFileName, stem) ? Entry::RENAMED : Entry::FILE;
        return isLink ? Entry::LINK : Entry::FOLDER;
    } while (::FindNextFileA(find.get(), &data) != FALSE);
    return Entry::NONE;
}

struct TreeWalk {
    const TreeRemoval& removal;
    std::size_t left;  // files and links that stay, the own file aside
    std::size_t kept;  // the own file, when it stays
};

// A file or link in path that could not be deleted now. With a restart stem it is
// renamed out of its name and deleted at the next start (a file whose rename fails is
// scheduled where it is, but never the running program's own file, whose name a later
// install takes again). True when it is still found under its name in the folder.
bool Stays(TreeWalk& walk, const char* path, bool isLink) {
    const bool own = !isLink && walk.removal.own != nullptr && SameFile(path, walk.removal.own);
    ++(own ? walk.kept : walk.left);
    const char* stem = walk.removal.restartStem;
    if (stem == nullptr) return true;
    char renamed[TREE_PATH_SIZE];
    if (!isLink && RenameWithinFolder(path, stem, renamed, sizeof renamed)) {
        (void)DeleteAtRestart(renamed);
        return false;
    }
    if (!own) (void)DeleteAtRestart(path);
    return true;
}

// Empties and removes the folder in path (a TREE_PATH_SIZE buffer shared by every level,
// given back as it came), going on past what stays; a folder that stays is scheduled
// after what it holds. The find data lives only while an entry is looked for, so a deep
// tree costs little stack.
void DeleteTreeAt(TreeWalk& walk, char* path) {
    const std::size_t folderLength = std::strlen(path);
    const std::size_t before = walk.left + walk.kept;
    std::size_t skip = 0;  // entries that stayed under their names, in find order
    for (;;) {
        const Entry entry = AppendEntry(path, TREE_PATH_SIZE, skip, walk.removal.restartStem);
        bool stays = false;
        switch (entry) {
            case Entry::NONE:
                break;
            case Entry::FILE:
                stays = !DeleteFileNow(path) && Stays(walk, path, false);
                break;
            case Entry::RENAMED:
                // Still held: its deletion at the next start is asked for already.
                stays = !DeleteFileNow(path);
                break;
            case Entry::LINK:
                // Only the link goes; what it points at is never entered.
                (void)::RemoveDirectoryA(path);
                stays = !IsMissing(path) && Stays(walk, path, true);
                break;
            case Entry::FOLDER:
                DeleteTreeAt(walk, path);
                stays = !IsMissing(path);
                break;
        }
        path[folderLength] = '\0';
        if (entry == Entry::NONE) break;
        if (stays) ++skip;
    }
    if (RemoveFolderNow(path) || IsMissing(path)) return;
    if (walk.removal.restartStem != nullptr) (void)DeleteAtRestart(path);
    // A folder that stays with nothing left in it stays for a reason of its own.
    if (walk.left + walk.kept == before) ++walk.left;
}

// A path in the ANSI code page as UTF-16, terminated, into out. False when it does not fit.
bool ToUtf16(const char* path, char16_t* out, std::size_t capacity) {
    wchar_t wide[PATH_BUFFER_SIZE];
    const int length = ::MultiByteToWideChar(CP_ACP, 0, path, -1, wide, static_cast<int>(sizeof wide / sizeof wide[0]));
    if (length <= 0 || static_cast<std::size_t>(length) > capacity) return false;
    for (int i = 0; i < length; ++i) out[i] = static_cast<char16_t>(wide[i]);
    return true;
}

struct Withdrawal {
    const char16_t* const* paths;
    std::size_t count;
};

std::size_t WithdrawFrom(char16_t* units, std::size_t count, void* context) {
    const auto& withdrawal = *static_cast<const Withdrawal*>(context);
    return WithdrawDeletions(units, count, withdrawal.paths, withdrawal.count);
}

}  // namespace

bool LiesWithinFolder(const char* path, const char* folder) {
    if (path == nullptr || folder == nullptr) return false;
    FolderIdentity wanted;
    if (!IdentityOf(folder, wanted)) return false;
    char level[PATH_BUFFER_SIZE];
    if (!CopyText(level, sizeof level, path)) return false;
    // Up from path itself, one level at a time, until a root is reached.
    for (;;) {
        FolderIdentity identity;
        if (IdentityOf(level, identity) && SameIdentity(identity, wanted)) return true;
        if (!StripToParent(level) || std::strlen(level) < SHORTEST_FOLDER) return false;
    }
}

bool SameFile(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return false;
    FolderIdentity first;
    FolderIdentity second;
    return IdentityOf(a, first) && IdentityOf(b, second) && SameIdentity(first, second);
}

bool CreatePrivateFolder(const char* parent, const char* stem, char* out, std::size_t capacity) {
    if (parent == nullptr || stem == nullptr || out == nullptr || capacity == 0) return false;
    out[0] = '\0';
    UniqueLocalMemory descriptor;
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorA(PRIVATE_FOLDER_ACCESS, SDDL_REVISION_1, descriptor.put(),
                                                               nullptr) == FALSE) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    char path[PATH_BUFFER_SIZE];
    for (int attempt = 0; attempt < RANDOM_NAME_ATTEMPTS; ++attempt) {
        if (!RandomPath(parent, stem, path, sizeof path)) return false;
        // CreateDirectory never opens what is there: a folder, file or link of that name
        // fails it, and only a fresh folder is ours.
        if (::CreateDirectoryA(path, &attributes) != FALSE) return CopyText(out, capacity, path);
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool MoveFileOnVolume(const char* from, const char* to) {
    if (from == nullptr || to == nullptr) return false;
    return ::MoveFileExA(from, to, 0) != FALSE;
}

bool RenameWithinFolder(const char* path, const char* stem, char* out, std::size_t capacity) {
    if (path == nullptr || stem == nullptr || out == nullptr || capacity == 0) return false;
    out[0] = '\0';
    char folder[PATH_BUFFER_SIZE];
    if (!CopyText(folder, sizeof folder, path)) return false;
    StripLastComponent(folder);
    char renamed[PATH_BUFFER_SIZE];
    for (int attempt = 0; attempt < RANDOM_NAME_ATTEMPTS; ++attempt) {
        if (!RandomPath(folder, stem, renamed, sizeof renamed)) return false;
        if (MoveFileOnVolume(path, renamed)) return CopyText(out, capacity, renamed);
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool DeleteAtRestart(const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    (void)ClearReadOnly(path);
    return ::MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool WithdrawDeletionsAtRestart(const char* const* paths, std::size_t count) {
    if (paths == nullptr || count > MAX_WITHDRAWN_PATHS) return false;
    char16_t converted[MAX_WITHDRAWN_PATHS][PATH_BUFFER_SIZE];
    const char16_t* list[MAX_WITHDRAWN_PATHS];
    for (std::size_t i = 0; i < count; ++i) {
        if (paths[i] == nullptr || !ToUtf16(paths[i], converted[i], PATH_BUFFER_SIZE)) return false;
        list[i] = converted[i];
    }
    Withdrawal withdrawal{list, count};
    return EditMachineMultiString(SESSION_MANAGER_KEY, PENDING_OPERATIONS_VALUE, WithdrawFrom, &withdrawal);
}

void LeaveFolder(const char* folder) {
    char current[PATH_BUFFER_SIZE];
    const DWORD length = ::GetCurrentDirectoryA(static_cast<DWORD>(sizeof current), current);
    if (length == 0 || length >= sizeof current || !LiesWithinFolder(current, folder)) return;
    char system[PATH_BUFFER_SIZE];
    const UINT systemLength = ::GetSystemDirectoryA(system, static_cast<UINT>(sizeof system));
    if (systemLength == 0 || systemLength >= sizeof system) return;
    (void)::SetCurrentDirectoryA(system);
}

bool CreateFolderPath(const char* path) {
    if (path == nullptr) return false;
    const std::size_t length = std::strlen(path);
    if (length < MIN_FOLDER_PATH_LENGTH) return false;
    char copy[FOLDER_PATH_SIZE];
    if (!CopyText(copy, sizeof copy, path)) return false;

    const std::size_t first = SkipFolderRoot(copy);
    if (first >= length) return true;
    // Levels from the top down, each ended at its backslash for a moment.
    for (std::size_t i = first; i < length; ++i) {
        if (copy[i] != SEPARATOR) continue;
        copy[i] = '\0';
        const bool made = MakeFolderLevel(copy);
        copy[i] = SEPARATOR;
        if (!made) return false;
    }
    if (copy[length - 1] != SEPARATOR && !MakeFolderLevel(copy)) return false;
    return true;
}

std::size_t DeleteFolderTree(const char* folder, const TreeRemoval& removal) {
    if (folder == nullptr || IsRootPath(folder)) return 0;
    char path[TREE_PATH_SIZE];
    if (!CopyText(path, sizeof path, folder)) return 0;
    TreeWalk walk{removal, 0, 0};
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // The folder given is itself a link: remove the link, never what it points at.
        (void)::RemoveDirectoryA(path);
        if (!IsMissing(path)) (void)Stays(walk, path, true);
        return walk.left;
    }
    DeleteTreeAt(walk, path);
    return walk.left;
}

bool WriteWholeFile(const char* path, const void* data, std::uint32_t count) {
    if (path == nullptr || (data == nullptr && count != 0)) return false;
    UniqueFile file(::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file.get(), data, count, &written, nullptr);
    return ok != FALSE && written == count;
}

bool FileExists(const char* path) {
    if (path == nullptr) return false;
    UniqueFile file(
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    BY_HANDLE_FILE_INFORMATION information;
    if (::GetFileInformationByHandle(file.get(), &information) == FALSE) return false;
    return (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace qs
