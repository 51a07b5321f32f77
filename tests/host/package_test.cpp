#include "package/package.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "package/cipher.h"
#include "tools/common/generated_bytes.h"
#include "tools/packtool/core/builder.h"

namespace qs {
namespace {

using generated::Bytes;
using packtool::PackageInput;

constexpr char FOLDER[] = "C:\\Program Files\\Velto\\Quillstation";
constexpr EntryOutcome W = EntryOutcome::Written;

std::vector<PackageInput> ProductInputs() {
    return {{"Quillstation.exe", generated::PseudoRandomBytes(70001, 1)},
            {"readme.txt", generated::PseudoRandomBytes(3648, 2)},
            {"Quill_Frmw_1.6.0.hex", generated::PseudoRandomBytes(1205, 3)}};
}

Bytes Build(const std::vector<PackageInput>& inputs) {
    Bytes package;
    std::string error;
    EXPECT_TRUE(packtool::BuildPackage(inputs, package, error)) << error;
    return package;
}

std::uint8_t* Field(Bytes& package, std::size_t entry, EntryField field) {
    return package.data() + EntryFieldAt(entry, field);
}
void SetU32(Bytes& package, std::size_t entry, EntryField field, std::uint32_t value) {
    std::memcpy(Field(package, entry, field), &value, sizeof value);
}
std::uint32_t GetU32(Bytes& package, std::size_t entry, EntryField field) {
    std::uint32_t value;
    std::memcpy(&value, Field(package, entry, field), sizeof value);
    return value;
}
void SetName(Bytes& package, std::size_t entry, const std::string& name) {
    std::uint8_t* field = Field(package, entry, ENTRY_NAME_FIELD);
    std::memset(field, 0, ENTRY_NAME_FIELD.size);
    std::memcpy(field, name.data(), std::min(name.size(), ENTRY_NAME_FIELD.size));
}

struct Written {
    std::string folder;
    std::string path;
    Bytes data;
};

class RecordingWriter final : public PackageWriter {
public:
    bool WriteEntry(const char* folder, const char* targetPath, const std::uint8_t* data, std::uint32_t size) override {
        if (failPath == targetPath) {
            return false;
        }
        files.push_back({folder, targetPath, Bytes(data, data + size)});
        return true;
    }
    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (const auto& f : files) {
            paths.push_back(f.path);
        }
        return paths;
    }

    std::string failPath;
    std::vector<Written> files;
};

struct Extraction {
    int result;
    std::vector<EntryOutcome> outcomes;
};

Extraction Extract(Bytes package, RecordingWriter& writer, const char* filter = nullptr, const char* folder = FOLDER) {
    PackageDirectory directory{};
    EntryOutcome outcomes[PACKAGE_ENTRY_COUNT];
    const int result = ExtractPackageBytes(package.data(), package.size(), directory, folder, filter, writer, outcomes);
    return {result, std::vector<EntryOutcome>(outcomes, outcomes + PACKAGE_ENTRY_COUNT)};
}

std::string Target(const std::string& name) { return std::string(FOLDER) + "\\" + name; }

TEST(ReadDirectoryBytes, NeedsMoreThanTheDirectory) {
    const Bytes package = Build(ProductInputs());
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{468}, std::size_t{469}}) {
        PackageDirectory directory;
        std::memset(&directory, 0xAB, sizeof directory);
        const int result = ReadDirectoryBytes(package.data(), size, directory);
        if (size == 469) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(std::memcmp(&directory, package.data(), PACKAGE_DIRECTORY_BYTES), 0);
        } else {
            EXPECT_EQ(result, PACKAGE_MISSING) << size;
            EXPECT_EQ(directory.entries[0].offset, 0xABABABABu) << "directory changed at " << size;
        }
    }
}

TEST(ExtractPackageBytes, WritesEveryVerifiedEntry) {
    const auto inputs = ProductInputs();
    const Bytes package = Build(inputs);
    for (const char* folder : {FOLDER, "C:\\Program Files\\Velto\\Quillstation\\"}) {
        RecordingWriter writer;
        const Extraction run = Extract(package, writer, nullptr, folder);
        EXPECT_EQ(run.result, 0) << folder;
        ASSERT_EQ(writer.files.size(), 3u) << folder;
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(writer.files[i].path, Target(inputs[i].name)) << folder;
            EXPECT_EQ(writer.files[i].folder, FOLDER) << folder;
            EXPECT_EQ(writer.files[i].data, inputs[i].data) << folder;
        }
    }
}

TEST(ExtractPackageBytes, RefreshesTheDirectoryOnlyFromALongEnoughPackage) {
    const Bytes package = Build(ProductInputs());
    PackageDirectory directory{};
    std::memcpy(&directory, package.data(), PACKAGE_DIRECTORY_BYTES);
    Bytes stub(package.begin(), package.begin() + PACKAGE_DIRECTORY_BYTES);
    RecordingWriter writer;
    // The directory stays as given; every entry lies beyond the 468 bytes.
    EXPECT_EQ(ExtractPackageBytes(stub.data(), stub.size(), directory, FOLDER, nullptr, writer), -103);
    EXPECT_EQ(std::memcmp(&directory, package.data(), PACKAGE_DIRECTORY_BYTES), 0);
    EXPECT_TRUE(writer.files.empty());
}

// A package whose entry 0 is rejected by the bounds test while entries 1 and 2 were
// enciphered starting from the first link of the chain: they verify only when the
// rejected entry leaves the chain where it was.
Bytes PackageWithRejectedFirstEntry(std::uint32_t offset, std::uint32_t size, std::vector<PackageInput>& kept) {
    const auto inputs = ProductInputs();
    kept = {inputs[1], inputs[2]};
    Bytes package = Build({inputs[1], inputs[2], inputs[0]});
    // entries become: [rejected, old 0, old 1]
    std::memmove(Field(package, 1, ENTRY_NAME_FIELD), Field(package, 0, ENTRY_NAME_FIELD), 2 * PACKAGE_ENTRY_BYTES);
    SetName(package, 0, inputs[0].name);
    SetU32(package, 0, ENTRY_OFFSET_FIELD, offset);
    SetU32(package, 0, ENTRY_SIZE_FIELD, size);
    return package;
}

TEST(ExtractPackageBytes, BoundsTest) {
    const Bytes whole = Build(ProductInputs());
    const auto total = static_cast<std::uint32_t>(whole.size());

    {  // the last entry ends exactly at the end; one byte less and it is outside
        RecordingWriter writer;
        EXPECT_EQ(Extract(whole, writer).result, 0);
        Bytes shorter(whole.begin(), whole.end() - 1);
        RecordingWriter writer2;
        const Extraction run = Extract(shorter, writer2);
        EXPECT_EQ(run.result, -101);
        EXPECT_EQ(run.outcomes[2], EntryOutcome::OutOfBounds);
        EXPECT_EQ(writer2.files.size(), 2u);
    }

    struct Case {
        const char* what;
        std::uint32_t offset;
        std::uint32_t size;
    };
    const Case cases[] = {
        {"one byte beyond the end", 468, total - 468 + 1},
        {"offset at the end, one byte", total, 1},
        {"offset beyond the end", total + 1, 0},
        {"sum wraps around in 32 bits", 0xFFFFFF00u, 0x200u},
        {"largest size", 468, 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        std::vector<PackageInput> kept;
        const Bytes package = PackageWithRejectedFirstEntry(c.offset, c.size, kept);
        RecordingWriter writer;
        const Extraction run = Extract(package, writer);
        EXPECT_EQ(run.result, -101) << c.what;
        EXPECT_EQ(run.outcomes, (std::vector<EntryOutcome>{EntryOutcome::OutOfBounds, W, W})) << c.what;
        ASSERT_EQ(writer.files.size(), 2u) << c.what;
        EXPECT_EQ(writer.files[0].data, kept[0].data) << c.what;
        EXPECT_EQ(writer.files[1].data, kept[1].data) << c.what;
    }
}

TEST(ExtractPackageBytes, DigestMismatchStillAdvancesTheChain) {
    const auto inputs = ProductInputs();
    Bytes package = Build(inputs);
    Field(package, 0, ENTRY_DIGEST_FIELD)[15] ^= 1;
    RecordingWriter writer;
    const Extraction run = Extract(package, writer);
    EXPECT_EQ(run.result, -101);
    EXPECT_EQ(run.outcomes, (std::vector<EntryOutcome>{EntryOutcome::DigestMismatch, W, W}));
    EXPECT_EQ(writer.Paths(), (std::vector<std::string>{Target("readme.txt"), Target("Quill_Frmw_1.6.0.hex")}));
    EXPECT_EQ(writer.files[0].data, inputs[1].data);
}

TEST(ExtractPackageBytes, DamagedStoredBytesBreakTheRestOfTheChain) {
    Bytes package = Build(ProductInputs());
    package[GetU32(package, 1, ENTRY_OFFSET_FIELD) + 7] ^= 0x40;
    RecordingWriter writer;
    const Extraction run = Extract(package, writer);
    EXPECT_EQ(run.result, -102);
    EXPECT_EQ(run.outcomes, (std::vector<EntryOutcome>{W, EntryOutcome::DigestMismatch, EntryOutcome::DigestMismatch}));
}

TEST(ExtractPackageBytes, EveryEntryFailing) {
    Bytes mismatched = Build(ProductInputs());
    for (std::size_t i = 0; i < 3; ++i) {
        Field(mismatched, i, ENTRY_DIGEST_FIELD)[0] ^= 0x80;
    }
    const Bytes whole = Build(ProductInputs());
    const Bytes tiny(whole.begin(), whole.begin() + 469);
    for (const Bytes& package : {mismatched, tiny}) {
        RecordingWriter writer;
        EXPECT_EQ(Extract(package, writer).result, -103);
        EXPECT_TRUE(writer.files.empty());
    }
}

TEST(ExtractPackageBytes, WriteFailureCountsAndTheOthersAreWritten) {
    const Bytes package = Build(ProductInputs());
    RecordingWriter writer;
    writer.failPath = Target("Quillstation.exe");
    const Extraction run = Extract(package, writer);
    EXPECT_EQ(run.result, -101);
    EXPECT_EQ(run.outcomes, (std::vector<EntryOutcome>{EntryOutcome::WriteFailed, W, W}));
}

TEST(ExtractPackageBytes, FilterSelectsByExactName) {
    struct Case {
        const char* filter;
        bool damageEntry0;
        int result;
        std::vector<std::string> written;
    };
    const Case cases[] = {
        {"readme.txt", false, 0, {Target("readme.txt")}},
        {"README.TXT", false, 0, {}},
        {"readme", false, 0, {}},
        {"readme.txt", true, -101, {Target("readme.txt")}},
        {"Quillstation.exe", true, -101, {}},
    };
    for (const Case& c : cases) {
        Bytes package = Build(ProductInputs());
        if (c.damageEntry0) {
            Field(package, 0, ENTRY_DIGEST_FIELD)[3] ^= 0x10;
        }
        RecordingWriter writer;
        const Extraction run = Extract(package, writer, c.filter);
        EXPECT_EQ(run.result, c.result) << c.filter;
        EXPECT_EQ(writer.Paths(), c.written) << c.filter;
        // Unselected entries are still verified.
        EXPECT_EQ(run.outcomes[2], EntryOutcome::Verified) << c.filter;
    }
}

TEST(ExtractPackageBytes, UnsafeNamesFailAndAreNeverWritten) {
    const std::string unterminated(PACKAGE_NAME_SIZE, 'a');
    const std::string names[] = {
        "",         "C:\\Windows\\evil.dll", "C:evil",      "\\evil",     "/evil", "\\\\server\\share\\evil",
        "..\\evil", "sub\\..\\..\\evil",     "sub/../evil", "..",         ".",     "evil.txt:stream",
        "sub\\",    "sub\\\\evil",           ".. \\evil",   unterminated,
    };
    for (const std::string& name : names) {
        Bytes package = Build(ProductInputs());
        SetName(package, 1, name);
        RecordingWriter writer;
        const Extraction run = Extract(package, writer);
        EXPECT_EQ(run.result, -101) << name;
        EXPECT_EQ(run.outcomes, (std::vector<EntryOutcome>{W, EntryOutcome::UnsafeName, W})) << name;
        EXPECT_EQ(writer.Paths(),
                  (std::vector<std::string>{Target("Quillstation.exe"), Target("Quill_Frmw_1.6.0.hex")}))
            << name;
    }
}

TEST(ExtractPackageBytes, NameInASubFolderGetsThatFolder) {
    Bytes package = Build(ProductInputs());
    SetName(package, 1, "docs\\en\\readme.txt");
    RecordingWriter writer;
    EXPECT_EQ(Extract(package, writer).result, 0);
    ASSERT_EQ(writer.files.size(), 3u);
    EXPECT_EQ(writer.files[1].path, Target("docs\\en\\readme.txt"));
    EXPECT_EQ(writer.files[1].folder, Target("docs\\en"));
}

TEST(ExtractPackageBytes, TargetPathMustFit) {
    // 1006 + 1 + 16 = 1023 characters fit; 1006 + 1 + 20 do not.
    const std::string folder = "C:\\" + std::string(1003, 'f');
    ASSERT_EQ(folder.size(), 1006u);
    const Bytes package = Build(ProductInputs());
    RecordingWriter writer;
    const Extraction run = Extract(package, writer, nullptr, folder.c_str());
    EXPECT_EQ(run.result, -101);
    EXPECT_EQ(run.outcomes, (std::vector<EntryOutcome>{W, W, EntryOutcome::BadTargetPath}));
    EXPECT_EQ(writer.files[0].path.size(), 1023u);

    RecordingWriter none;
    EXPECT_EQ(Extract(package, none, nullptr, "").result, -103);
    EXPECT_EQ(Extract(package, none, nullptr, nullptr).result, -103);
    EXPECT_TRUE(none.files.empty());
}

TEST(ExtractPackageBytes, EmptyEntryVerifiesAgainstTheEmptyDigest) {
    std::uint8_t emptyDigest[DIGEST_SIZE];
    DigestBuffer("", 0, emptyDigest);
    for (const bool rightDigest : {true, false}) {
        Bytes package = Build(ProductInputs());
        SetU32(package, 2, ENTRY_SIZE_FIELD, 0);
        if (rightDigest) {
            std::memcpy(Field(package, 2, ENTRY_DIGEST_FIELD), emptyDigest, DIGEST_SIZE);
        }
        RecordingWriter writer;
        const Extraction run = Extract(package, writer);
        EXPECT_EQ(run.result, rightDigest ? 0 : -101);
        EXPECT_EQ(writer.files.size(), rightDigest ? 3u : 2u);
        if (rightDigest) {
            EXPECT_TRUE(writer.files[2].data.empty());
        }
    }
}

}  // namespace
}  // namespace qs
