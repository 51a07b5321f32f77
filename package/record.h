// The package directory: three fixed-size entries at the start of the package resource.
// Portable: no Windows header. All integers are little-endian on disk; the installer
// only runs on little-endian machines, and host code that builds packages writes the
// bytes explicitly (see package/builder.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qs {

inline constexpr std::size_t PACKAGE_NAME_SIZE = 128;
inline constexpr std::size_t PACKAGE_DIGEST_SIZE = 16;
inline constexpr std::size_t PACKAGE_ENTRY_COUNT = 3;

struct PackageEntry {
    char name[PACKAGE_NAME_SIZE];           // NUL-terminated, zero-padded
    std::uint32_t offset;                   // from the start of the package
    std::uint32_t size;                     // content length in bytes
    std::uint8_t digest[PACKAGE_DIGEST_SIZE];  // MD5 of the plain content
    std::uint32_t reserved;                 // never read by the installer
};

struct PackageDirectory {
    PackageEntry entries[PACKAGE_ENTRY_COUNT];
};

inline constexpr std::size_t PACKAGE_ENTRY_BYTES = 156;
inline constexpr std::size_t PACKAGE_DIRECTORY_BYTES = 468;

static_assert(sizeof(PackageEntry) == PACKAGE_ENTRY_BYTES);
static_assert(offsetof(PackageEntry, name) == 0);
static_assert(offsetof(PackageEntry, offset) == 128);
static_assert(offsetof(PackageEntry, size) == 132);
static_assert(offsetof(PackageEntry, digest) == 136);
static_assert(offsetof(PackageEntry, reserved) == 152);
static_assert(sizeof(PackageDirectory) == PACKAGE_DIRECTORY_BYTES);
static_assert(offsetof(PackageDirectory, entries[1]) == 156);
static_assert(offsetof(PackageDirectory, entries[2]) == 312);

}  // namespace qs
