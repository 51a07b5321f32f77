#include "setup/procedures.h"

#include <gtest/gtest.h>

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
        {"", false},                   // present but empty: would be the drive root
        {"\\Velto", false},            // rooted on the current drive
        {"Programs", false},           // relative to the current folder
        {"C:Programs", false},         // drive-relative
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
