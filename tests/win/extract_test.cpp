// Extraction of the real package resource under Wine. This program carries its own copy
// of the installer's package (RCDATA 100); the build gives it the packaged product files
// and the built installer as Wine paths.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "package/extract.h"
#include "package/package.h"
#include "platform/owners.h"
#include "setup/state.h"
#include "setup/steps.h"
#include "tests/support/win_support.h"

namespace qs {
namespace {

using test::ReadFileBytes;
using test::ScratchFolder;

struct ProductFile {
    std::string name;
    std::string source;  // the file the package was built from
};

// The packaged files, in package order, each behind a prefix of its own (a folder).
std::vector<ProductFile> ProductFiles(const std::vector<std::string>& prefixes = {}) {
    const std::vector<std::string> names = test::PackagedFileNames();
    const std::vector<std::string> sources = test::SplitList(QS_PACKAGED_FILES);
    std::vector<ProductFile> files;
    for (std::size_t i = 0; i < names.size() && i < sources.size(); ++i) {
        files.push_back({(i < prefixes.size() ? prefixes[i] : "") + names[i], sources[i]});
    }
    return files;
}
const std::vector<ProductFile> PRODUCT_FILES = ProductFiles();
constexpr int FAILED_ONE_ENTRY = -101;
constexpr unsigned char UNTOUCHED = 0xCD;
constexpr LANGID PACKAGE_LANGUAGE = 1033;

std::unique_ptr<InstallerState> StateFor(HMODULE module, const std::string& folder) {
    auto state = std::make_unique<InstallerState>();
    state->instance = module;
    std::memset(&state->packageDirectory, UNTOUCHED, sizeof state->packageDirectory);
    EXPECT_LT(folder.size(), sizeof state->installFolder);
    std::strncpy(state->installFolder, folder.c_str(), sizeof state->installFolder - 1);
    return state;
}

HMODULE ThisProgram() { return ::GetModuleHandleA(nullptr); }

// A module mapped for its resources only; FindResourceA accepts such handles.
UniqueModule LoadAsData(const char* path) {
    return UniqueModule(::LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

void ExpectProductFile(const std::string& folder, const ProductFile& file) {
    const std::string expected = ReadFileBytes(file.source);
    ASSERT_FALSE(expected.empty()) << "cannot read " << file.source;
    EXPECT_TRUE(ReadFileBytes(folder + "\\" + file.name) == expected) << file.name << " differs from " << file.source;
}

// Each case extracts again in the same process: the resource must still be intact.
TEST(ExtractPackage, WritesTheProductFilesByteForByte) {
    for (const char* separator : {"", "\\"}) {
        SCOPED_TRACE(std::string("folder given with '") + separator + "'");
        ScratchFolder scratch;
        auto state = StateFor(ThisProgram(), scratch.path() + separator);

        EXPECT_EQ(ExtractPackage(*state, nullptr), 0);
        for (const ProductFile& file : PRODUCT_FILES) ExpectProductFile(scratch.path(), file);
    }
}

TEST(ExtractPackage, ReplacesAndTruncatesAnExistingLongerFile) {
    ScratchFolder scratch;
    const ProductFile& readme = PRODUCT_FILES[1];
    const std::string longer = ReadFileBytes(readme.source) + std::string(4096, 'x');
    ASSERT_TRUE(test::WriteFileBytes(scratch / readme.name, longer));
    auto state = StateFor(ThisProgram(), scratch.path());

    EXPECT_EQ(ExtractPackage(*state, nullptr), 0);
    ExpectProductFile(scratch.path(), readme);
}

// Entries named with one and with two folder levels get their folders; the entry of the
// install folder itself is written beside them.
TEST(ExtractPackage, AnEntryInASubFolderGetsItsFolder) {
    const std::vector<ProductFile> files = ProductFiles({"", "docs\\", "data\\firmware\\"});
    ScratchFolder programs;
    const std::string program = programs / "sub-folders.exe";
    std::vector<std::string> names;
    for (const ProductFile& file : files) names.push_back(file.name);
    ASSERT_TRUE(test::WriteRenamedPackage(ThisProgram(), names, QS_STANDIN_PROGRAM, program));
    UniqueModule module = LoadAsData(program.c_str());
    ASSERT_TRUE(module);
    ScratchFolder scratch;
    auto state = StateFor(module.get(), scratch.path());

    EXPECT_EQ(ExtractPackage(*state, nullptr), 0);
    for (const ProductFile& file : files) ExpectProductFile(scratch.path(), file);
}

TEST(ExtractPackage, FileHeldOpenFailsOnlyItsOwnEntry) {
    ScratchFolder scratch;
    const std::string held = scratch / PRODUCT_FILES[0].name;
    UniqueFile holder(
        ::CreateFileA(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    auto state = StateFor(ThisProgram(), scratch.path());

    EXPECT_EQ(ExtractPackage(*state, nullptr), FAILED_ONE_ENTRY);
    ExpectProductFile(scratch.path(), PRODUCT_FILES[1]);
    ExpectProductFile(scratch.path(), PRODUCT_FILES[2]);
}

TEST(ReadPackageDirectory, FillsTheNamesAndPlacesTheFilesBackToBack) {
    auto state = StateFor(ThisProgram(), "");
    ASSERT_EQ(ReadPackageDirectory(*state), 0);

    std::uint32_t expectedOffset = PACKAGE_DIRECTORY_BYTES;
    for (std::size_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        const PackageEntry& entry = state->packageDirectory.entries[i];
        EXPECT_EQ(entry.name, PRODUCT_FILES[i].name);
        EXPECT_EQ(entry.offset, expectedOffset) << entry.name;
        EXPECT_EQ(entry.size, ReadFileBytes(PRODUCT_FILES[i].source).size()) << entry.name;
        expectedOffset = entry.offset + entry.size;
    }
    HRSRC resource =
        ::FindResourceExA(ThisProgram(), RT_RCDATA, MAKEINTRESOURCEA(PACKAGE_RESOURCE_ID), PACKAGE_LANGUAGE);
    ASSERT_NE(resource, nullptr) << "no RCDATA 100 in language 1033";
    EXPECT_EQ(::SizeofResource(ThisProgram(), resource), expectedOffset);
}

// The stand-in product program carries no package.
TEST(PackageResource, MissingResourceGivesMinusOneAndWritesNothing) {
    UniqueModule noPackage = LoadAsData(QS_STANDIN_PROGRAM);
    ASSERT_TRUE(noPackage) << "cannot map " << QS_STANDIN_PROGRAM;
    ScratchFolder scratch;
    auto state = StateFor(noPackage.get(), scratch.path());

    EXPECT_EQ(ReadPackageDirectory(*state), PACKAGE_MISSING);
    EXPECT_EQ(ExtractPackage(*state, nullptr), PACKAGE_MISSING);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&state->packageDirectory);
    for (std::size_t i = 0; i < sizeof state->packageDirectory; ++i) ASSERT_EQ(bytes[i], UNTOUCHED);
    for (const ProductFile& file : PRODUCT_FILES) EXPECT_FALSE(test::IsFile(scratch / file.name));
}

// The installer itself, mapped as data, carries the same package in language 1033.
TEST(PackageResource, TheBuiltInstallerCarriesTheSamePackage) {
    UniqueModule installer = LoadAsData(QS_BUILT_INSTALLER);
    ASSERT_TRUE(installer) << "cannot map " << QS_BUILT_INSTALLER;
    EXPECT_NE(::FindResourceExA(installer.get(), RT_RCDATA, MAKEINTRESOURCEA(PACKAGE_RESOURCE_ID), PACKAGE_LANGUAGE),
              nullptr);
    ScratchFolder scratch;
    auto fromInstaller = StateFor(installer.get(), scratch.path());
    auto fromThisProgram = StateFor(ThisProgram(), scratch.path());
    ASSERT_EQ(ReadPackageDirectory(*fromThisProgram), 0);

    EXPECT_EQ(ExtractPackage(*fromInstaller, nullptr), 0);
    EXPECT_EQ(
        std::memcmp(&fromInstaller->packageDirectory, &fromThisProgram->packageDirectory, sizeof(PackageDirectory)), 0);
    for (const ProductFile& file : PRODUCT_FILES) ExpectProductFile(scratch.path(), file);
}

}  // namespace
}  // namespace qs
