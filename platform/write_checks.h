// What can be known of a target before anything is written to it: the room on its
// volume, and whether a file there can be moved out of the way. Narrow strings in the
// ANSI code page.
#pragma once

#include <cstdint>

namespace qs {

// True when the volume of folder (or of its nearest existing parent) has at least bytes
// free for the calling user. False when that cannot be found out.
bool HasFreeSpace(const char* folder, std::uint64_t bytes);
// True when path is missing, or names a file that can be renamed or deleted now: no
// other program holds it open without sharing deletion, and it is not read-only.
bool CanReplaceFile(const char* path);

}  // namespace qs
