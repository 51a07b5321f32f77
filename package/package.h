// The package resource: directory reading and extraction with verification.
// The core works on bytes and is portable; the Windows part (ReadPackageDirectory,
// ExtractPackage) finds the resource, copies it and writes files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/record.h"
#include "resources/resource_ids.h"

namespace qs {

inline constexpr int PACKAGE_RESOURCE_ID = QS_PACKAGE_RESOURCE_ID;
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

// What extraction decided for one directory entry.
enum class EntryOutcome : std::uint8_t {
    Written,         // verified, selected and handed to the writer, which wrote it
    Verified,        // verified, not selected by the filter
    OutOfBounds,     // offset + size beyond the package: not deciphered, chain not advanced
    UnsafeName,      // name unterminated, empty, absolute, with a colon or a ".." part
    BadTargetPath,   // empty folder, or folder + separator + name over PACKAGE_PATH_SIZE - 1
    DigestMismatch,  // deciphered bytes differ from the directory's digest
    WriteFailed,     // the writer reported failure
};

inline constexpr std::size_t PACKAGE_PATH_SIZE = 1024;  // target path and its folder part

// The package's name rule: true when name is a safe relative file name inside a field of
// fieldSize bytes: terminated within the field, not empty, no drive letter or colon, not
// starting with a backslash or slash, and no "." or ".." component. Sub-folders are
// allowed. Extraction writes and removal deletes only names that pass it.
bool IsSafeRelativeName(const char* name, std::size_t fieldSize);

// True when the entry's bytes lie inside a package of packageSize bytes (offset + size
// at most packageSize, without wrap-around). An entry outside is never deciphered.
inline bool EntryLiesInside(const PackageEntry& entry, std::size_t packageSize) {
    return entry.offset <= packageSize && entry.size <= packageSize - entry.offset;
}

// Copies the first 468 bytes of package into directory when the package is longer than
// that. 0 when copied, -1 otherwise (directory unchanged).
int ReadDirectoryBytes(const std::uint8_t* package, std::size_t size, PackageDirectory& directory);

// Deciphers and verifies all three entries of a writable package copy in place, hands
// each verified, selected entry to writer, and returns 0 or -100 minus the number of
// failed entries. directory is refreshed from the bytes first when they are long
// enough. filter: null for all entries, else the exact (case-sensitive) name to write.
//
// Every entry is always visited; each counts at most once as failed. An entry outside
// the package is neither deciphered nor advances the key chain; every other entry is
// deciphered and advances it. An entry whose name is not a safe relative name, or whose
// target path cannot be built (empty folder, or longer than PACKAGE_PATH_SIZE - 1
// characters), fails whether selected or not and is never written. A size of 0
// deciphers nothing and verifies against the digest of the empty message. The writer
// receives the target path (folder, one backslash unless the folder ends in one, name)
// and its folder part (the target cut at its last backslash).
int ExtractPackageBytes(std::uint8_t* package, std::size_t size, PackageDirectory& directory, const char* installFolder,
                        const char* filter, PackageWriter& writer);
// Same, and reports each entry's outcome in outcomes[PACKAGE_ENTRY_COUNT] (may be null).
int ExtractPackageBytes(std::uint8_t* package, std::size_t size, PackageDirectory& directory, const char* installFolder,
                        const char* filter, PackageWriter& writer, EntryOutcome* outcomes);

}  // namespace qs
