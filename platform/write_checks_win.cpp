// Checks of a target before writing (see write_checks.h).
#include "platform/write_checks.h"

#include <windows.h>

#include <cstring>

#include "platform/owners.h"
#include "platform/paths.h"

namespace qs {

bool HasFreeSpace(const char* folder, std::uint64_t bytes) {
    if (folder == nullptr) return false;
    char level[PATH_BUFFER_SIZE];
    if (!CopyText(level, sizeof level, folder)) return false;
    // The folder may not exist yet: its nearest existing parent is on the same volume.
    for (;;) {
        ULARGE_INTEGER available;
        if (::GetDiskFreeSpaceExA(level, &available, nullptr, nullptr) != FALSE) return available.QuadPart >= bytes;
        if (!StripToParent(level) || level[0] == '\0') return false;
    }
}

bool CanReplaceFile(const char* path) {
    if (path == nullptr) return false;
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) return false;
    // Deletion access is refused while another program holds the file without sharing it.
    UniqueFile file(::CreateFileA(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

}  // namespace qs
