// Path text edits and bounded joins (see paths.h). Portable: no Windows header.
#include "platform/paths.h"

#include <cstring>

namespace qs {
namespace {

constexpr char SEPARATOR = '\\';

// Length of text when it is terminated within capacity bytes, else capacity.
std::size_t BoundedLength(const char* text, std::size_t capacity) {
    const void* end = std::memchr(text, '\0', capacity);
    return end == nullptr ? capacity : static_cast<std::size_t>(static_cast<const char*>(end) - text);
}

void ClearIfRoom(char* out, std::size_t capacity) {
    if (out != nullptr && capacity > 0) out[0] = '\0';
}

// Index of the last backslash at or after index `from`, or -1.
long LastSeparator(const char* path, std::size_t from) {
    for (std::size_t i = std::strlen(path); i > from; --i) {
        if (path[i - 1] == SEPARATOR) return static_cast<long>(i - 1);
    }
    return -1;
}

}  // namespace

bool CopyText(char* out, std::size_t capacity, const char* text) {
    if (out == nullptr || text == nullptr || capacity == 0) {
        ClearIfRoom(out, capacity);
        return false;
    }
    const std::size_t length = std::strlen(text);
    if (length >= capacity) {
        out[0] = '\0';
        return false;
    }
    std::memmove(out, text, length + 1);
    return true;
}

bool AppendText(char* out, std::size_t capacity, const char* text) {
    if (out == nullptr || text == nullptr || capacity == 0) return false;
    const std::size_t used = BoundedLength(out, capacity);
    if (used == capacity) return false;  // out holds no terminated string
    const std::size_t length = std::strlen(text);
    if (length >= capacity - used) return false;
    std::memmove(out + used, text, length + 1);
    return true;
}

bool AppendDecimal(char* out, std::size_t capacity, unsigned long value) {
    char digits[24];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    char text[sizeof digits + 1];
    for (std::size_t i = 0; i < count; ++i) text[i] = digits[count - 1 - i];
    text[count] = '\0';
    return AppendText(out, capacity, text);
}

bool JoinPath(char* out, std::size_t capacity, const char* folder, const char* name) {
    if (out == nullptr || folder == nullptr || name == nullptr || capacity == 0) {
        ClearIfRoom(out, capacity);
        return false;
    }
    const std::size_t folderLength = std::strlen(folder);
    const std::size_t nameLength = std::strlen(name);
    const bool needsSeparator = folderLength == 0 || folder[folderLength - 1] != SEPARATOR;
    const std::size_t nameStart = folderLength + (needsSeparator ? 1 : 0);
    if (nameLength >= capacity || nameStart >= capacity - nameLength) {
        out[0] = '\0';
        return false;
    }
    // The name moves first, so that out may be the folder itself.
    std::memmove(out + nameStart, name, nameLength + 1);
    if (needsSeparator) out[folderLength] = SEPARATOR;
    if (out != folder) std::memmove(out, folder, folderLength);
    return true;
}

void StripLastComponent(char* path) {
    if (path == nullptr || path[0] == '\0') return;
    const long cut = LastSeparator(path, 1);
    if (cut >= 0) {
        path[cut] = '\0';
    } else if (path[0] == SEPARATOR) {
        path[0] = '\0';
    }
}

bool StripToParent(char* path) {
    if (path == nullptr) return false;
    const std::size_t length = std::strlen(path);
    StripLastComponent(path);
    return std::strlen(path) != length;
}

void ReduceToFileName(char* path) {
    if (path == nullptr || path[0] == '\0') return;
    // The same search as StripLastComponent: a backslash in the first place is a root,
    // not a separator before a name.
    const long cut = LastSeparator(path, 1);
    if (cut < 0) return;
    const char* name = path + cut + 1;
    std::memmove(path, name, std::strlen(name) + 1);
}

std::size_t SkipFolderRoot(const char* path) {
    const std::size_t length = std::strlen(path);
    std::size_t i = 2;
    if (length <= i) return length;
    while (i < length && path[i] != SEPARATOR) ++i;
    if (path[0] == SEPARATOR && path[1] == SEPARATOR && i < length) {
        ++i;  // \\server\share: the share belongs to the root too
        while (i < length && path[i] != SEPARATOR) ++i;
    }
    if (i >= length) return length;
    return i + 1;
}

}  // namespace qs
