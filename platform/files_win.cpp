// Folder identity, private folders, moves and deletion at restart (see files.h).
#include "platform/files.h"

#include <windows.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <cstring>

#include "platform/owners.h"
#include "platform/paths.h"

namespace qs {
namespace {

// Full control for SYSTEM and the Administrators group, on the folder and everything
// made in it; "P" protects the list from the parent's inherited entries.
constexpr char PRIVATE_FOLDER_ACCESS[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
constexpr char NAME_SEPARATOR[] = "-";
constexpr char HEX_DIGITS[] = "0123456789abcdef";
// 128 random bits in a name: nobody guesses it before it is made.
constexpr std::size_t RANDOM_NAME_BYTES = 16;
constexpr int RANDOM_NAME_ATTEMPTS = 8;
// "C:" and shorter: a drive's current directory, not a folder of the path.
constexpr std::size_t SHORTEST_FOLDER = 3;

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

}  // namespace

int LiesWithinFolder(const char* path, const char* folder) {
    if (path == nullptr || folder == nullptr) return 0;
    FolderIdentity wanted;
    if (!IdentityOf(folder, wanted)) return 0;
    char level[PATH_BUFFER_SIZE];
    if (!CopyText(level, sizeof level, path)) return 0;
    // Up from path itself, one level at a time, until a root is reached.
    for (;;) {
        FolderIdentity identity;
        if (IdentityOf(level, identity) && SameIdentity(identity, wanted)) return 1;
        const std::size_t length = std::strlen(level);
        StripLastComponent(level);
        if (std::strlen(level) == length || std::strlen(level) < SHORTEST_FOLDER) return 0;
    }
}

int SameFile(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return 0;
    FolderIdentity first;
    FolderIdentity second;
    return IdentityOf(a, first) && IdentityOf(b, second) && SameIdentity(first, second) ? 1 : 0;
}

int CreatePrivateFolder(const char* parent, const char* stem, char* out, std::size_t capacity) {
    if (parent == nullptr || stem == nullptr || out == nullptr || capacity == 0) return 0;
    out[0] = '\0';
    UniqueLocalMemory descriptor;
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorA(PRIVATE_FOLDER_ACCESS, SDDL_REVISION_1, descriptor.put(),
                                                               nullptr) == FALSE) {
        return 0;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    char path[PATH_BUFFER_SIZE];
    for (int attempt = 0; attempt < RANDOM_NAME_ATTEMPTS; ++attempt) {
        if (!RandomPath(parent, stem, path, sizeof path)) return 0;
        // CreateDirectory never opens what is there: a folder, file or link of that name
        // fails it, and only a fresh folder is ours.
        if (::CreateDirectoryA(path, &attributes) != FALSE) return CopyText(out, capacity, path) ? 1 : 0;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return 0;
    }
    return 0;
}

int MoveFileOnVolume(const char* from, const char* to) {
    if (from == nullptr || to == nullptr) return 0;
    return ::MoveFileExA(from, to, 0) != FALSE ? 1 : 0;
}

int RenameWithinFolder(const char* path, const char* stem, char* out, std::size_t capacity) {
    if (path == nullptr || stem == nullptr || out == nullptr || capacity == 0) return 0;
    out[0] = '\0';
    char folder[PATH_BUFFER_SIZE];
    if (!CopyText(folder, sizeof folder, path)) return 0;
    StripLastComponent(folder);
    char renamed[PATH_BUFFER_SIZE];
    for (int attempt = 0; attempt < RANDOM_NAME_ATTEMPTS; ++attempt) {
        if (!RandomPath(folder, stem, renamed, sizeof renamed)) return 0;
        if (MoveFileOnVolume(path, renamed) == 1) return CopyText(out, capacity, renamed) ? 1 : 0;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return 0;
    }
    return 0;
}

int DeleteAtRestart(const char* path) {
    if (path == nullptr || path[0] == '\0') return 0;
    return ::MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE ? 1 : 0;
}

void LeaveFolder(const char* folder) {
    char current[PATH_BUFFER_SIZE];
    const DWORD length = ::GetCurrentDirectoryA(static_cast<DWORD>(sizeof current), current);
    if (length == 0 || length >= sizeof current || LiesWithinFolder(current, folder) != 1) return;
    char system[PATH_BUFFER_SIZE];
    const UINT systemLength = ::GetSystemDirectoryA(system, static_cast<UINT>(sizeof system));
    if (systemLength == 0 || systemLength >= sizeof system) return;
    (void)::SetCurrentDirectoryA(system);
}

}  // namespace qs
