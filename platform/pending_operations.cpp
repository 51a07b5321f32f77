// Withdrawal of deletions from the list of operations for the next start (see
// pending_operations.h).
#include "platform/pending_operations.h"

namespace qs {
namespace {

constexpr char16_t STRING_END = u'\0';
constexpr std::size_t PREFIX_LENGTH = sizeof PENDING_PATH_PREFIX / sizeof PENDING_PATH_PREFIX[0] - 1;
// Upper-case letters and their distance to the lower-case ones, in ASCII and Latin-1
// (U+00D7, the multiplication sign, lies among them and is no letter).
constexpr char16_t CAPITAL_A = u'A';
constexpr char16_t CAPITAL_Z = u'Z';
constexpr char16_t LATIN1_CAPITAL_FIRST = u'\u00C0';
constexpr char16_t LATIN1_CAPITAL_LAST = u'\u00DE';
constexpr char16_t MULTIPLICATION_SIGN = u'\u00D7';
constexpr char16_t LOWER_CASE_OFFSET = 0x20;

char16_t Folded(char16_t unit) {
    const bool ascii = unit >= CAPITAL_A && unit <= CAPITAL_Z;
    const bool latin1 = unit >= LATIN1_CAPITAL_FIRST && unit <= LATIN1_CAPITAL_LAST && unit != MULTIPLICATION_SIGN;
    return ascii || latin1 ? static_cast<char16_t>(unit + LOWER_CASE_OFFSET) : unit;
}

// Units of the string that starts at start, up to its end or to count.
std::size_t StringLength(const char16_t* units, std::size_t start, std::size_t count) {
    std::size_t end = start;
    while (end < count && units[end] != STRING_END) ++end;
    return end - start;
}

// text[0, length) against the zero-terminated path, without letter case.
bool SamePath(const char16_t* text, std::size_t length, const char16_t* path) {
    for (std::size_t i = 0; i < length; ++i) {
        if (path[i] == STRING_END || Folded(text[i]) != Folded(path[i])) return false;
    }
    return path[length] == STRING_END;
}

bool NamesOneOf(const char16_t* source, std::size_t length, const char16_t* const* paths, std::size_t pathCount) {
    if (length < PREFIX_LENGTH) return false;
    for (std::size_t i = 0; i < PREFIX_LENGTH; ++i) {
        if (source[i] != PENDING_PATH_PREFIX[i]) return false;
    }
    for (std::size_t i = 0; i < pathCount; ++i) {
        if (paths[i] != nullptr && SamePath(source + PREFIX_LENGTH, length - PREFIX_LENGTH, paths[i])) return true;
    }
    return false;
}

// Moves units[from, to) down to units[at, ...); at <= from. Returns the new write end.
std::size_t MoveDown(char16_t* units, std::size_t at, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) units[at++] = units[i];
    return at;
}

}  // namespace

std::size_t WithdrawDeletions(char16_t* units, std::size_t count, const char16_t* const* paths, std::size_t pathCount) {
    if (units == nullptr || paths == nullptr) return count;
    std::size_t read = 0;
    std::size_t write = 0;
    bool withdrawn = false;
    bool pairKept = false;
    // An empty source ends the list: sources are never empty.
    while (read < count && units[read] != STRING_END) {
        const std::size_t sourceLength = StringLength(units, read, count);
        const std::size_t target = read + sourceLength + 1;
        if (target >= count) break;
        const std::size_t targetLength = StringLength(units, target, count);
        const std::size_t pairEnd = target + targetLength + 1;
        if (pairEnd > count) break;
        if (targetLength == 0 && NamesOneOf(units + read, sourceLength, paths, pathCount)) {
            withdrawn = true;
        } else {
            write = MoveDown(units, write, read, pairEnd);
            pairKept = true;
        }
        read = pairEnd;
    }
    if (!withdrawn) return count;
    bool onlyListEnd = true;
    for (std::size_t i = read; i < count; ++i) onlyListEnd &= units[i] == STRING_END;
    if (!pairKept && onlyListEnd) return 0;
    return MoveDown(units, write, read, count);
}

}  // namespace qs
