// The package resource of a module: directory reading and extraction into a folder.
// Windows side of package/package.h.
#pragma once

#include <windows.h>

#include <cstdint>

#include "package/record.h"

namespace qs {

// Copies the first 468 bytes of the package resource (RCDATA 100 of module) into
// directory. 0 when copied; -1 when the resource is missing, cannot be loaded or is 468
// bytes or shorter (directory unchanged then).
int ReadPackageDirectory(HMODULE module, PackageDirectory& directory);

// Deciphers and verifies every entry of the package resource of module and writes the
// selected ones into folder (filter: null for all, else the exact name); directory is
// refreshed from the resource first. Works on a private copy of the resource, so the
// loaded module is never written and every call starts from the stored bytes. 0 when
// all entries were verified and written; -100 minus the failed entries; -1 when the
// resource is missing or cannot be loaded or copied.
int ExtractPackage(HMODULE module, PackageDirectory& directory, const char* folder, const char* filter);

// The whole package of a module deciphered and verified in private memory, before any
// file is written: a replacement checks everything it will write while the installed
// version is still untouched. The pages are released with the object.
class PlainPackage {
public:
    PlainPackage() = default;
    ~PlainPackage();
    PlainPackage(const PlainPackage&) = delete;
    PlainPackage& operator=(const PlainPackage&) = delete;

    // Copies the package resource of module, deciphers and verifies every entry (directory
    // refreshed from the resource first). 0 when every entry verified and has a safe name;
    // -100 minus the failed entries; -1 when the resource is missing or cannot be copied.
    // Only after 0 do the entries' bytes count.
    int Load(HMODULE module, PackageDirectory& directory);
    // The plain bytes of an entry of the loaded directory, entry.size of them; null before
    // a successful Load or for an entry outside the package.
    const std::uint8_t* EntryBytes(const PackageEntry& entry) const;

private:
    void* pages_ = nullptr;
    DWORD size_ = 0;
    bool verified_ = false;
};

}  // namespace qs
