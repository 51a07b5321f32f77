// Whether a file on disk holds exactly what a package entry holds: its size and the MD5
// digest of its content against the entry's. Windows side.
#pragma once

#include "package/record.h"

namespace qs {

// True when path is a file of entry.size bytes whose MD5 digest is entry.digest. False
// when it differs, is missing, or cannot be read.
bool FileMatchesEntry(const char* path, const PackageEntry& entry);

}  // namespace qs
