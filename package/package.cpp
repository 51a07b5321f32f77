// Directory reading and extraction over a writable copy of the package bytes.
// Portable: no Windows header. The Windows side supplies the bytes and the writer.
#include "package/package.h"

#include <cstring>

#include "package/cipher.h"
#include "platform/paths.h"

namespace qs {
namespace {

constexpr int EXTRACT_SUCCEEDED = 0;
constexpr int DIRECTORY_COPIED = 0;

// Where an entry's name leads, decided before its bytes are touched.
struct Target {
    bool usable = false;
    EntryOutcome problem = EntryOutcome::UnsafeName;
    char path[PACKAGE_PATH_SIZE] = {};
    char folder[PACKAGE_PATH_SIZE] = {};
};

void BuildTarget(const PackageEntry& entry, const char* installFolder, Target& target) {
    if (!IsSafeRelativeName(entry.name, PACKAGE_NAME_SIZE)) {
        target.problem = EntryOutcome::UnsafeName;
        return;
    }
    // JoinPath turns an empty folder into a rooted "\name": refused here instead.
    if (installFolder == nullptr || installFolder[0] == '\0' ||
        !JoinPath(target.path, sizeof target.path, installFolder, entry.name)) {
        target.problem = EntryOutcome::BadTargetPath;
        return;
    }
    std::memcpy(target.folder, target.path, sizeof target.folder);
    StripLastComponent(target.folder);
    target.usable = true;
}

bool IsSelected(const PackageEntry& entry, const char* filter) {
    return filter == nullptr || std::strcmp(entry.name, filter) == 0;
}

}  // namespace

int ReadDirectoryBytes(const std::uint8_t* package, std::size_t size, PackageDirectory& directory) {
    if (package == nullptr || size <= PACKAGE_DIRECTORY_BYTES) {
        return PACKAGE_MISSING;
    }
    CopyBlock(&directory, package, PACKAGE_DIRECTORY_BYTES);
    return DIRECTORY_COPIED;
}

int ExtractPackageBytes(std::uint8_t* package, std::size_t size, PackageDirectory& directory, const char* installFolder,
                        const char* filter, PackageWriter& writer) {
    return ExtractPackageBytes(package, size, directory, installFolder, filter, writer, nullptr);
}

int ExtractPackageBytes(std::uint8_t* package, std::size_t size, PackageDirectory& directory, const char* installFolder,
                        const char* filter, PackageWriter& writer, EntryOutcome* outcomes) {
    if (package == nullptr) {
        size = 0;
    }
    (void)ReadDirectoryBytes(package, size, directory);

    KeyChain chain;
    std::uint32_t failures = 0;
    std::uint8_t noBytes[1] = {};

    for (std::size_t index = 0; index < PACKAGE_ENTRY_COUNT; ++index) {
        const PackageEntry& entry = directory.entries[index];
        Target target;
        BuildTarget(entry, installFolder, target);

        EntryOutcome outcome;
        if (!EntryLiesInside(entry, size)) {
            outcome = EntryOutcome::OutOfBounds;  // the chain stays where it is
        } else {
            std::uint8_t* data = package != nullptr ? package + entry.offset : noBytes;
            std::uint8_t storedDigest[DIGEST_SIZE];
            std::uint8_t plainDigest[DIGEST_SIZE];
            if (entry.size == 0) {
                DigestBuffer(data, 0, storedDigest);
                CopyBlock(plainDigest, storedDigest, DIGEST_SIZE);
            } else {
                DecipherAndDigest(data, entry.size, chain.seed, chain.key, storedDigest, plainDigest);
            }

            if (!CompareBlock(plainDigest, entry.digest, DIGEST_SIZE)) {
                outcome = EntryOutcome::DigestMismatch;
            } else if (!target.usable) {
                outcome = target.problem;
            } else if (!IsSelected(entry, filter)) {
                outcome = EntryOutcome::Verified;
            } else if (writer.WriteEntry(target.folder, target.path, data, entry.size)) {
                outcome = EntryOutcome::Written;
            } else {
                outcome = EntryOutcome::WriteFailed;
            }

            AdvanceKeyChain(chain, storedDigest);
        }

        if (outcome != EntryOutcome::Written && outcome != EntryOutcome::Verified) {
            ++failures;
        }
        if (outcomes != nullptr) {
            outcomes[index] = outcome;
        }
    }

    if (failures > 0) {
        return PACKAGE_FAILED_BASE - static_cast<int>(failures);
    }
    return EXTRACT_SUCCEEDED;
}

}  // namespace qs
