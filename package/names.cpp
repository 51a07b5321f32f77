// The package's name rule for the file names of its directory entries.
// Portable: no Windows header.
#include "package/package.h"

#include <cstring>

namespace qs {
namespace {

constexpr char BACKSLASH = '\\';
constexpr char SLASH = '/';
constexpr char COLON = ':';
constexpr char FULL_STOP = '.';
constexpr char SPACE = ' ';

bool IsSeparator(char c) { return c == BACKSLASH || c == SLASH; }

// Windows drops trailing full stops and spaces from path components, so "..", ". ." and
// ".. " all reach the parent folder. A component made only of those characters (or an
// empty one, from a doubled or trailing separator) is never a real file or folder name.
bool IsUnsafeComponent(const char* begin, const char* end) {
    for (const char* p = begin; p != end; ++p) {
        if (*p != FULL_STOP && *p != SPACE) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsSafeRelativeName(const char* name, std::size_t fieldSize) {
    if (name == nullptr || fieldSize == 0) {
        return false;
    }
    const void* terminator = std::memchr(name, 0, fieldSize);
    if (terminator == nullptr) {
        return false;  // not terminated within its field
    }
    const char* end = static_cast<const char*>(terminator);
    if (end == name || IsSeparator(name[0])) {
        return false;  // empty, or rooted (leading separator, UNC)
    }
    const char* componentStart = name;
    for (const char* p = name; p != end; ++p) {
        if (*p == COLON) {
            return false;  // drive letter or alternate data stream
        }
        if (IsSeparator(*p)) {
            if (IsUnsafeComponent(componentStart, p)) {
                return false;
            }
            componentStart = p + 1;
        }
    }
    return !IsUnsafeComponent(componentStart, end);
}

}  // namespace qs
