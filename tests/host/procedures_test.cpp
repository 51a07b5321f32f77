#include "setup/procedures.h"
#include "setup/product.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace qs {
namespace {

TEST(Procedures, OnlyAbsoluteStartMenuFoldersAreUsed) {
    struct Case {
        const char* folder;
        bool usable;
    } cases[] = {
        {"C:\\Users\\me\\Start Menu\\Programs", true},
        {"d:\\x", true},
        {"\\\\server\\share\\Programs", true},
        {"", false},            // present but empty: would be the drive root
        {"\\Velto", false},     // rooted on the current drive
        {"Programs", false},    // relative to the current folder
        {"C:Programs", false},  // drive-relative
        {"\\\\", false},
        {"\\\\\\x", false},
        {nullptr, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsAbsoluteFolder(c.folder), c.usable) << (c.folder ? c.folder : "(null)");
    }
}

TEST(Procedures, UninstallCommandIsQuotedAndBounded) {
    char out[64];
    ASSERT_TRUE(FormatQuotedCommand(out, sizeof out, "C:\\Program Files\\Velto\\Q\\setup.exe", nullptr));
    EXPECT_STREQ(out, "\"C:\\Program Files\\Velto\\Q\\setup.exe\"");
    ASSERT_TRUE(FormatQuotedCommand(out, sizeof out, "C:\\a b\\s.exe", " -h -u"));
    EXPECT_STREQ(out, "\"C:\\a b\\s.exe\" -h -u");
    const std::string longPath(70, 'x');
    EXPECT_FALSE(FormatQuotedCommand(out, sizeof out, longPath.c_str(), nullptr));
    EXPECT_STREQ(out, "");
}

TEST(Procedures, CommandProgramPathIsTheQuotedPartOrAll) {
    const struct {
        const char* command;
        const char* path;  // null: refused
    } cases[] = {
        {"\"C:\\a b\\s.exe\" -h -u", "C:\\a b\\s.exe"},
        {"C:\\a\\s.exe", "C:\\a\\s.exe"},
        {"\"C:\\unterminated", nullptr},
        {"\"C:\\a-path-longer-than-the-buffer-holds\\setup.exe\"", nullptr},
    };
    for (const auto& c : cases) {
        char out[32] = "garbage";
        EXPECT_EQ(CommandProgramPath(c.command, out, sizeof out), c.path != nullptr) << c.command;
        EXPECT_STREQ(out, c.path != nullptr ? c.path : "") << c.command;
    }
}

TEST(Procedures, InstallerCopyNeverTakesAPackageFilesName) {
    PackageDirectory directory{};
    std::strcpy(directory.entries[0].name, "Quillstation.exe");
    std::strcpy(directory.entries[1].name, "readme.txt");
    std::strcpy(directory.entries[2].name, "Quill_Frmw_1.6.0.hex");
    const struct {
        const char* own;
        const char* copy;
    } cases[] = {
        {"QuillstationSetup.exe", "QuillstationSetup.exe"},
        {"setup (2).exe", "setup (2).exe"},
        {"Quillstation.exe", "QuillstationSetup.exe"},
        {"QUILLSTATION.EXE", "QuillstationSetup.exe"},
        {"ReadMe.TXT", "QuillstationSetup.exe"},
        {"Quillstation.exe.exe", "Quillstation.exe.exe"},
        {"Quillstation", "Quillstation"},
    };
    for (const auto& c : cases) EXPECT_STREQ(InstallerCopyName(c.own, directory), c.copy) << c.own;
}

TEST(Procedures, InstallDateIsEightDigitsOrNothing) {
    const struct {
        unsigned year, month, day;
        const char* text;
    } cases[] = {
        {2026, 12, 9, "20261209"}, {987, 1, 31, "09870131"}, {2026, 13, 1, ""}, {2026, 2, 0, ""}, {10000, 1, 1, ""}};
    for (const auto& c : cases) {
        char out[9] = "garbage";
        EXPECT_EQ(FormatInstallDate(out, sizeof out, c.year, c.month, c.day), c.text[0] != '\0');
        EXPECT_STREQ(out, c.text);
    }
    char small[8];
    EXPECT_FALSE(FormatInstallDate(small, sizeof small, 2026, 12, 9)) << "no room for the terminator";
}

TEST(Procedures, VersionFieldsComeFromTheVersionText) {
    static_assert(VersionField("1.0.7.6", 0) == 1 && VersionField("1.0.7.6", 3) == 6);
    static_assert(VersionField("12.34", 1) == 34 && VersionField("12.34", 2) == 0);
    // Whatever version the build was given: its first two numbers, read here another way.
    unsigned major = 0, minor = 0, build = 0, revision = 0;
    ASSERT_EQ(std::sscanf(INSTALLER_VERSION_TEXT, "%u.%u.%u.%u", &major, &minor, &build, &revision), 4)
        << INSTALLER_VERSION_TEXT;
    EXPECT_EQ(INSTALLER_VERSION_MAJOR, major);
    EXPECT_EQ(INSTALLER_VERSION_MINOR, minor);
}

TEST(Procedures, EstimatedSizeRoundsUpToKibibytes) {
    PackageDirectory directory{};
    directory.entries[0].size = 5561120;
    directory.entries[1].size = 3648;
    directory.entries[2].size = 120460;
    EXPECT_EQ(EstimatedSizeKiB(directory, 0), (5561120u + 3648u + 120460u + 1023u) / 1024u);
    EXPECT_EQ(EstimatedSizeKiB(PackageDirectory{}, 1), 1u);
    EXPECT_EQ(EstimatedSizeKiB(PackageDirectory{}, 0), 0u);
}

}  // namespace
}  // namespace qs
