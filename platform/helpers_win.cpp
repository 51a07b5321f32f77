// Shell links, registry values and file-system operations (see helpers.h).
#include "platform/helpers.h"

#include <shlobj.h>

#include <cstring>

#include "platform/files.h"
#include "platform/owners.h"
#include "platform/paths.h"

namespace qs {
namespace {

constexpr char ALL_ENTRIES[] = "*.*";
constexpr char EMPTY_TEXT[] = "";
constexpr char SEPARATOR = '\\';
constexpr char SEPARATOR_TEXT[] = "\\";
constexpr char FULL_STOP = '.';
constexpr char RANDOM_NAME_SEPARATOR = '-';  // stem-<random>, as RenameWithinFolder names
constexpr char DRIVE_COLON = ':';
constexpr std::size_t MIN_FOLDER_PATH_LENGTH = 5;  // "C:\ab" is the shortest accepted
constexpr DWORD DWORD_VALUE_SIZE = sizeof(DWORD);
constexpr REGSAM KEY_TREE_ACCESS = DELETE | KEY_ENUMERATE_SUB_KEYS;

// folder\name.LNK into out; false when it does not fit.
bool ShortcutPath(char* out, std::size_t capacity, const char* folder, const char* name) {
    return JoinPath(out, capacity, folder, name) && AppendText(out, capacity, SHORTCUT_SUFFIX);
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

int WriteValue(HKEY root, const char* subkey, const char* valueName, DWORD type, const void* data, DWORD size) {
    if (subkey == nullptr || valueName == nullptr) return 0;
    UniqueKey key;
    if (::RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS) {
        return 0;
    }
    return ::RegSetValueExA(key.get(), valueName, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS ? 1
                                                                                                                  : 0;
}

int WriteString(HKEY root, const char* subkey, const char* valueName, const char* text) {
    if (text == nullptr) return 0;
    // The terminating zero belongs to the data of a REG_SZ value.
    const std::size_t size = std::strlen(text) + 1;
    if (size > MAXDWORD) return 0;
    return WriteValue(root, subkey, valueName, REG_SZ, text, static_cast<DWORD>(size));
}

int WriteDword(HKEY root, const char* subkey, const char* valueName, std::uint32_t value) {
    const DWORD data = value;
    return WriteValue(root, subkey, valueName, REG_DWORD, &data, DWORD_VALUE_SIZE);
}

// What the next look at a folder found.
enum class Entry { NONE, FILE, FOLDER, LINK };

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

// Appends the entry of the folder in path that follows skip others (a file, or a folder
// or folder link whose name does not start with a full stop; files carrying stem are
// passed over) to path and says what it is. NONE leaves path unchanged: the folder
// cannot be searched, holds nothing more, or the joined path would not fit.
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
        if (isFolder && data.cFileName[0] == FULL_STOP) continue;
        if (!isFolder && CarriesStem(data.cFileName, stem)) continue;
        if (skip > 0) {
            --skip;
            continue;
        }
        find.reset();
        if (!AppendComponent(path, capacity, data.cFileName)) return Entry::NONE;
        if (!isFolder) return Entry::FILE;
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
    const bool own = !isLink && walk.removal.own != nullptr && SameFile(path, walk.removal.own) == 1;
    ++(own ? walk.kept : walk.left);
    const char* stem = walk.removal.restartStem;
    if (stem == nullptr) return true;
    char renamed[TREE_PATH_SIZE];
    if (!isLink && RenameWithinFolder(path, stem, renamed, sizeof renamed) == 1) {
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
                stays = ::DeleteFileA(path) == FALSE && Stays(walk, path, false);
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
    if (::RemoveDirectoryA(path) != FALSE || IsMissing(path)) return;
    if (walk.removal.restartStem != nullptr) (void)DeleteAtRestart(path);
    // A folder that stays with nothing left in it stays for a reason of its own.
    if (walk.left + walk.kept == before) ++walk.left;
}

}  // namespace

HRESULT CreateShortcut(const char* target, const char* folder, const char* name, const char* arguments) {
    if (target == nullptr || folder == nullptr || name == nullptr) return E_INVALIDARG;
    char linkPath[SHORTCUT_PATH_SIZE];
    char workingFolder[SHORTCUT_PATH_SIZE];
    if (!ShortcutPath(linkPath, sizeof linkPath, folder, name) ||
        !CopyText(workingFolder, sizeof workingFolder, target)) {
        return E_INVALIDARG;
    }
    StripLastComponent(workingFolder);

    ComPtr<IShellLinkA> link;
    HRESULT result =
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void());
    if (FAILED(result)) return result;
    // The setters' results do not decide the outcome; Save does.
    (void)link->SetPath(target);
    (void)link->SetDescription(name);
    (void)link->SetArguments(arguments != nullptr ? arguments : EMPTY_TEXT);
    (void)link->SetWorkingDirectory(workingFolder);

    ComPtr<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.put_void());
    if (FAILED(result)) return result;
    wchar_t widePath[SHORTCUT_PATH_SIZE];
    if (::MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, static_cast<int>(SHORTCUT_PATH_SIZE)) == 0) {
        return HRESULT_FROM_WIN32(::GetLastError());
    }
    return file->Save(widePath, TRUE);
}

int DeleteShortcut(const char* folder, const char* name) {
    if (folder == nullptr || name == nullptr) return 0;
    char linkPath[SHORTCUT_PATH_SIZE];
    if (!ShortcutPath(linkPath, sizeof linkPath, folder, name)) return 0;
    return ::DeleteFileA(linkPath) != FALSE ? 1 : 0;
}

namespace {

int ReadString(HKEY root, const char* subkey, const char* valueName, char* out, std::size_t capacity) {
    if (subkey == nullptr || valueName == nullptr || out == nullptr || capacity == 0) return 0;
    UniqueKey key;
    if (::RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        return 0;
    }
    char value[REG_VALUE_SIZE];
    DWORD size = sizeof value;
    DWORD type = REG_NONE;
    const LONG status = ::RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    key.reset();
    if (status != ERROR_SUCCESS || type != REG_SZ) return 0;
    // The text ends at its terminator or at the end of the data, whichever comes first;
    // it is handed out whole, with a terminator, or not at all.
    const void* end = std::memchr(value, '\0', size);
    const std::size_t length = end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - value) : size;
    const std::size_t limit = capacity < REG_VALUE_HANDOUT ? capacity : REG_VALUE_HANDOUT;
    if (length >= limit) return 0;
    std::memcpy(out, value, length);
    out[length] = '\0';
    return 1;
}

}  // namespace

int ReadUserString(const char* subkey, const char* valueName, char* out, std::size_t capacity) {
    return ReadString(HKEY_CURRENT_USER, subkey, valueName, out, capacity);
}

int ReadMachineString(const char* subkey, const char* valueName, char* out, std::size_t capacity) {
    return ReadString(HKEY_LOCAL_MACHINE, subkey, valueName, out, capacity);
}

int WriteMachineString(const char* subkey, const char* valueName, const char* text) {
    return WriteString(HKEY_LOCAL_MACHINE, subkey, valueName, text);
}

int WriteUserDword(const char* subkey, const char* valueName, std::uint32_t value) {
    return WriteDword(HKEY_CURRENT_USER, subkey, valueName, value);
}

int WriteMachineDword(const char* subkey, const char* valueName, std::uint32_t value) {
    return WriteDword(HKEY_LOCAL_MACHINE, subkey, valueName, value);
}

int DeleteKeyTree(HKEY root, const char* subkey) {
    // An empty subkey would name the root itself.
    if (subkey == nullptr || subkey[0] == '\0') return 0;
    UniqueKey key;
    if (::RegOpenKeyExA(root, subkey, 0, KEY_TREE_ACCESS, key.put()) != ERROR_SUCCESS) return 0;
    char name[SUBKEY_NAME_SIZE];
    for (;;) {
        // Index 0 every time: each deletion renumbers the subkeys that remain.
        DWORD nameSize = static_cast<DWORD>(SUBKEY_NAME_SIZE - 1);
        const LONG status = ::RegEnumKeyExA(key.get(), 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) return 0;  // the key stays: not deleted
        if (DeleteKeyTree(key.get(), name) == 0) return 0;
    }
    key.reset();
    return ::RegDeleteKeyA(root, subkey) == ERROR_SUCCESS ? 1 : 0;
}

int CreateFolderPath(const char* path) {
    if (path == nullptr) return 0;
    const std::size_t length = std::strlen(path);
    if (length < MIN_FOLDER_PATH_LENGTH) return 0;
    char copy[FOLDER_PATH_SIZE];
    if (!CopyText(copy, sizeof copy, path)) return 0;

    const std::size_t first = SkipFolderRoot(copy);
    if (first >= length) return 1;
    // Levels from the top down, each ended at its backslash for a moment.
    for (std::size_t i = first; i < length; ++i) {
        if (copy[i] != SEPARATOR) continue;
        copy[i] = '\0';
        const bool made = MakeFolderLevel(copy);
        copy[i] = SEPARATOR;
        if (!made) return 0;
    }
    if (copy[length - 1] != SEPARATOR && !MakeFolderLevel(copy)) return 0;
    return 1;
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

int WriteWholeFile(const char* path, const void* data, std::uint32_t count) {
    if (path == nullptr || (data == nullptr && count != 0)) return 0;
    UniqueFile file(::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file.get(), data, count, &written, nullptr);
    return ok != FALSE && written == count ? 1 : 0;
}

int FileExists(const char* path) {
    if (path == nullptr) return 0;
    UniqueFile file(
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    BY_HANDLE_FILE_INFORMATION information;
    if (::GetFileInformationByHandle(file.get(), &information) == FALSE) return 0;
    return (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? 1 : 0;
}

}  // namespace qs
