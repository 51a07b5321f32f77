// The package resource of a module: finding, loading and copying it, and writing the
// files that the portable core (package/package.cpp) has verified.
#include "package/extract.h"

#include <cstdint>
#include <cstring>

#include "package/package.h"
#include "platform/files.h"
#include "platform/owners.h"

namespace qs {
namespace {

// The locked bytes of the package resource of one module, released on scope exit.
// The bytes are the module's read-only image: never written.
class PackageResource {
public:
    explicit PackageResource(HMODULE module) {
        HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(PACKAGE_RESOURCE_ID), RT_RCDATA);
        if (found == nullptr) return;
        loaded_ = ::LoadResource(module, found);
        if (loaded_ == nullptr) return;
        bytes_ = static_cast<const std::uint8_t*>(::LockResource(loaded_));
        size_ = ::SizeofResource(module, found);
    }
    ~PackageResource() {
        if (loaded_ != nullptr) ::FreeResource(loaded_);
    }
    PackageResource(const PackageResource&) = delete;
    PackageResource& operator=(const PackageResource&) = delete;

    bool loaded() const { return bytes_ != nullptr; }
    const std::uint8_t* bytes() const { return bytes_; }
    DWORD size() const { return size_; }

private:
    HGLOBAL loaded_ = nullptr;
    const std::uint8_t* bytes_ = nullptr;
    DWORD size_ = 0;
};

namespace traits {
struct PrivatePages {  // VirtualAlloc: committed read-write pages of this process
    using Handle = void*;
    static Handle Empty() { return nullptr; }
    static void Release(Handle pages) { ::VirtualFree(pages, 0, MEM_RELEASE); }
};
}  // namespace traits
using UniquePages = UniqueHandle<traits::PrivatePages>;

// A private, writable copy of the package resource's bytes (deciphering happens in place,
// and the resource is the module's read-only image), fresh for every call. False when
// the resource is missing or the copy cannot be made.
bool CopyPackage(HMODULE module, UniquePages& copy, DWORD& size) {
    PackageResource resource(module);
    if (!resource.loaded()) return false;
    size = resource.size();
    if (size == 0) return true;
    copy.reset(::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!copy) return false;
    std::memcpy(copy.get(), resource.bytes(), size);
    return true;
}

// Keeps every verified entry where it is: deciphered in the copy, nothing written.
class InMemoryWriter final : public PackageWriter {
public:
    bool WriteEntry(const char*, const char*, const std::uint8_t*, std::uint32_t) override { return true; }
};

// Any folder will do for the names' check: nothing is written under it.
constexpr char CHECK_FOLDER[] = "C:\\";

// Writes each verified entry into the install folder, creating its sub-folder first
// when the entry's folder is not the install folder itself.
class FolderWriter final : public PackageWriter {
public:
    explicit FolderWriter(const char* installFolder) : installFolder_(installFolder) {}

    bool WriteEntry(const char* folder, const char* targetPath, const std::uint8_t* data, std::uint32_t size) override {
        if (std::strcmp(folder, installFolder_) != 0) {
            (void)CreateFolderPath(folder);  // a failure shows in the write below
        }
        return WriteWholeFile(targetPath, data, size);
    }

private:
    const char* installFolder_;
};

}  // namespace

int ReadPackageDirectory(HMODULE module, PackageDirectory& directory) {
    PackageResource resource(module);
    if (!resource.loaded()) return PACKAGE_MISSING;
    return ReadDirectoryBytes(resource.bytes(), resource.size(), directory);
}

int ExtractPackage(HMODULE module, PackageDirectory& directory, const char* folder, const char* filter) {
    UniquePages copy;
    DWORD size = 0;
    if (!CopyPackage(module, copy, size)) return PACKAGE_MISSING;
    FolderWriter writer(folder);
    return ExtractPackageBytes(static_cast<std::uint8_t*>(copy.get()), size, directory, folder, filter, writer);
}

PlainPackage::~PlainPackage() {
    if (pages_ != nullptr) ::VirtualFree(pages_, 0, MEM_RELEASE);
}

int PlainPackage::Load(HMODULE module, PackageDirectory& directory) {
    verified_ = false;
    UniquePages copy;
    DWORD size = 0;
    if (!CopyPackage(module, copy, size)) return PACKAGE_MISSING;
    InMemoryWriter writer;
    const int result =
        ExtractPackageBytes(static_cast<std::uint8_t*>(copy.get()), size, directory, CHECK_FOLDER, nullptr, writer);
    if (pages_ != nullptr) ::VirtualFree(pages_, 0, MEM_RELEASE);
    pages_ = copy.release();
    size_ = size;
    verified_ = result == 0;
    return result;
}

const std::uint8_t* PlainPackage::EntryBytes(const PackageEntry& entry) const {
    if (!verified_ || !EntryLiesInside(entry, size_)) return nullptr;
    static const std::uint8_t NO_BYTES[1] = {};
    return pages_ != nullptr ? static_cast<const std::uint8_t*>(pages_) + entry.offset : NO_BYTES;
}

}  // namespace qs
