// The package resource: directory reading and extraction with verification.
// The core works on bytes and is portable; the Windows part (ReadPackageDirectory,
// ExtractPackage) finds the resource, copies it and writes files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/record.h"

namespace qs {

inline constexpr int PACKAGE_RESOURCE_ID = 100;
inline constexpr int PACKAGE_MISSING = -1;
inline constexpr int PACKAGE_FAILED_BASE = -100;  // -100 minus the failed entries

// Receives each verified, selected entry: the target path built from the folder and the
// entry's name, and the plain bytes. Returns true when the file was written.
class PackageWriter {
public:
    virtual bool WriteEntry(const char* folder, const char* targetPath, const std::uint8_t* data,
                            std::uint32_t size) = 0;

protected:
    ~PackageWriter() = default;
};

// Copies the first 468 bytes of package into directory when the package is longer than
// that. 0 when copied, -1 otherwise (directory unchanged).
int ReadDirectoryBytes(const std::uint8_t* package, std::size_t size, PackageDirectory& directory);

// Deciphers and verifies all three entries of a writable package copy in place, hands
// each verified, selected entry to writer, and returns 0 or -100 minus the number of
// failed entries. directory is refreshed from the bytes first when they are long
// enough. filter: null for all entries, else the exact (case-sensitive) name to write.
int ExtractPackageBytes(std::uint8_t* package, std::size_t size, PackageDirectory& directory,
                        const char* installFolder, const char* filter, PackageWriter& writer);

}  // namespace qs
