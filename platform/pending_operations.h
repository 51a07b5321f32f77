// The system's list of file operations for its next start, as the session manager's
// multi-string value holds it: UTF-16 strings in pairs, a source and a target, each
// ending in a zero unit; a source "\??\path" with an empty target deletes path, a
// non-empty target renames the source to it. The list ends with one more zero unit.
// Portable: no Windows header.
#pragma once

#include <cstddef>

namespace qs {

// The prefix of every path the list holds (the object manager's name of the DOS drives).
inline constexpr char16_t PENDING_PATH_PREFIX[] = u"\\??\\";

// Removes from the list in units[0, count) every deletion (a pair with an empty target)
// whose source, after PENDING_PATH_PREFIX, is one of paths[0, pathCount) (zero-terminated
// UTF-16), compared without letter case (the letters of ASCII and Latin-1; other units
// must be equal). Every other pair, and whatever follows the last pair, is moved up
// unchanged, unit for unit. Data that does not read as pairs (a source without its
// target's end) is kept from there on as it stands. Returns the units that remain at the
// front: count when nothing was withdrawn, 0 when no pair and nothing but the list's end
// remains.
std::size_t WithdrawDeletions(char16_t* units, std::size_t count, const char16_t* const* paths, std::size_t pathCount);

}  // namespace qs
