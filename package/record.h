// The package directory: three fixed-size entries at the start of the package resource.
// Portable: no Windows header. All integers are little-endian on disk; the installer
// only runs on little-endian machines and reads the directory through PackageEntry, and
// host code that builds or inspects packages places the bytes by the field table below
// (see tools/packtool/core/builder.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qs {

inline constexpr std::size_t PACKAGE_NAME_SIZE = 128;
inline constexpr std::size_t PACKAGE_DIGEST_SIZE = 16;
inline constexpr std::size_t PACKAGE_ENTRY_COUNT = 3;

// One field of a directory entry on disk: where it starts in the entry and its length.
struct EntryField {
    std::size_t offset;
    std::size_t size;
};

// The fields of an entry, back to back in this order.
inline constexpr EntryField ENTRY_NAME_FIELD = {0, PACKAGE_NAME_SIZE};
inline constexpr EntryField ENTRY_OFFSET_FIELD = {ENTRY_NAME_FIELD.offset + ENTRY_NAME_FIELD.size, 4};
inline constexpr EntryField ENTRY_SIZE_FIELD = {ENTRY_OFFSET_FIELD.offset + ENTRY_OFFSET_FIELD.size, 4};
inline constexpr EntryField ENTRY_DIGEST_FIELD = {ENTRY_SIZE_FIELD.offset + ENTRY_SIZE_FIELD.size, PACKAGE_DIGEST_SIZE};
inline constexpr EntryField ENTRY_RESERVED_FIELD = {ENTRY_DIGEST_FIELD.offset + ENTRY_DIGEST_FIELD.size, 4};

inline constexpr std::size_t PACKAGE_ENTRY_BYTES = ENTRY_RESERVED_FIELD.offset + ENTRY_RESERVED_FIELD.size;
inline constexpr std::size_t PACKAGE_DIRECTORY_BYTES = PACKAGE_ENTRY_COUNT * PACKAGE_ENTRY_BYTES;

// Where a field of entry `index` lies, counted from the start of the package.
constexpr std::size_t EntryFieldAt(std::size_t index, EntryField field) {
    return index * PACKAGE_ENTRY_BYTES + field.offset;
}

struct PackageEntry {
    char name[PACKAGE_NAME_SIZE];              // NUL-terminated, zero-padded
    std::uint32_t offset;                      // from the start of the package
    std::uint32_t size;                        // content length in bytes
    std::uint8_t digest[PACKAGE_DIGEST_SIZE];  // MD5 of the plain content
    std::uint32_t reserved;                    // never read by the installer
};

struct PackageDirectory {
    PackageEntry entries[PACKAGE_ENTRY_COUNT];
};

// The format on disk, and the records that read it in place.
static_assert(PACKAGE_ENTRY_BYTES == 156 && PACKAGE_DIRECTORY_BYTES == 468);
#define QS_ENTRY_FIELD_MATCHES(member, field) \
    (offsetof(PackageEntry, member) == (field).offset && sizeof(PackageEntry::member) == (field).size)
static_assert(QS_ENTRY_FIELD_MATCHES(name, ENTRY_NAME_FIELD));
static_assert(QS_ENTRY_FIELD_MATCHES(offset, ENTRY_OFFSET_FIELD));
static_assert(QS_ENTRY_FIELD_MATCHES(size, ENTRY_SIZE_FIELD));
static_assert(QS_ENTRY_FIELD_MATCHES(digest, ENTRY_DIGEST_FIELD));
static_assert(QS_ENTRY_FIELD_MATCHES(reserved, ENTRY_RESERVED_FIELD));
#undef QS_ENTRY_FIELD_MATCHES
static_assert(sizeof(PackageEntry) == PACKAGE_ENTRY_BYTES);
static_assert(sizeof(PackageDirectory) == PACKAGE_DIRECTORY_BYTES);
static_assert(offsetof(PackageDirectory, entries[1]) == EntryFieldAt(1, ENTRY_NAME_FIELD));
static_assert(offsetof(PackageDirectory, entries[2]) == EntryFieldAt(2, ENTRY_NAME_FIELD));

}  // namespace qs
