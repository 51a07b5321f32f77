// The content of an installed file against its package entry, read through a mapped
// view so that nothing is copied.
#include "package/file_digest.h"

#include <windows.h>

#include "package/cipher.h"
#include "platform/owners.h"

namespace qs {
namespace {

namespace traits {
struct MappedView {  // MapViewOfFile: the view of a file mapping
    using Handle = const void*;
    static Handle Empty() { return nullptr; }
    static void Release(Handle view) { ::UnmapViewOfFile(view); }
};
}  // namespace traits
using UniqueView = UniqueHandle<traits::MappedView>;

}  // namespace

bool FileMatchesEntry(const char* path, const PackageEntry& entry) {
    if (path == nullptr) return false;
    UniqueFile file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (::GetFileSizeEx(file.get(), &size) == FALSE || size.QuadPart != static_cast<LONGLONG>(entry.size)) {
        return false;
    }
    std::uint8_t digest[DIGEST_SIZE];
    if (entry.size == 0) {
        const std::uint8_t noBytes[1] = {};
        DigestBuffer(noBytes, 0, digest);
        return CompareBlock(digest, entry.digest, DIGEST_SIZE);
    }
    UniqueKernelHandle mapping(::CreateFileMappingA(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return false;
    UniqueView view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return false;
    DigestBuffer(view.get(), entry.size, digest);
    return CompareBlock(digest, entry.digest, DIGEST_SIZE);
}

}  // namespace qs
