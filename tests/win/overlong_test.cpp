// Overlong paths driven through the install and uninstall procedures: a Start-menu
// folder value, the installer's own path and the program-files folder that do not fit
// the procedures' buffers are refused, never cut short. A path cut short would name a
// parent of what was meant, so each case also checks that the state holds no cut-off
// path, that nothing appeared below the scratch folder the long paths start in, and that
// the result is the designed one.
#include "setup/procedures.h"

#include <shlobj.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/owners.h"
#include "platform/registry.h"
#include "platform/system_seam.h"
#include "platform/system_seam_testing.h"
#include "setup/exit_codes.h"
#include "setup/names.h"
#include "setup/product.h"
#include "setup/results.h"
#include "setup/state.h"
#include "setup/steps.h"
#include "setup/texts.h"
#include "setup/uninstall_entry.h"
#include "tests/support/procedure_fixture.h"
#include "tests/support/win_support.h"

namespace qs {
namespace {

using test::IsFile;
using test::IsFolder;
using test::ShellFolder;

constexpr std::size_t LONGEST_PATH = PATH_BUFFER_SIZE - 1;
constexpr std::size_t COMPONENT_LENGTH = 200;  // below every file system's name limit

std::string UninstallKey() { return std::string(UNINSTALL_ROOT_KEY) + "\\" + UNINSTALL_ENTRY_NAME; }

// base, then "\ppp..." components, exactly length characters long.
std::string LongPath(const std::string& base, std::size_t length) {
    std::string path = base;
    while (path.size() < length) {
        path += '\\';
        path += std::string(std::min(COMPONENT_LENGTH, length - path.size()), 'p');
    }
    if (path.back() == '\\') path.back() = 'p';
    return path;
}

// Names in a folder, without "." and "..".
std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find) return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find.get(), &data));
    return names;
}

// The per-user "Programs" shell-folder value, put back as it was (type and data) at the
// end of the scope.
class SavedProgramsValue {
public:
    SavedProgramsValue() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
        DWORD size = 0;
        if (RegQueryValueExA(key, PROGRAMS_VALUE, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            data_.resize(size);
            saved_ = RegQueryValueExA(key, PROGRAMS_VALUE, nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
        }
        RegCloseKey(key);
    }
    ~SavedProgramsValue() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        if (saved_) {
            RegSetValueExA(key, PROGRAMS_VALUE, 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
        } else {
            RegDeleteValueA(key, PROGRAMS_VALUE);
        }
        RegCloseKey(key);
    }
    SavedProgramsValue(const SavedProgramsValue&) = delete;
    SavedProgramsValue& operator=(const SavedProgramsValue&) = delete;
    bool saved() const { return saved_; }
    static bool Set(const std::string& text) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
        const LONG status = RegSetValueExA(key, PROGRAMS_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                           static_cast<DWORD>(text.size() + 1));
        RegCloseKey(key);
        return status == ERROR_SUCCESS;
    }

private:
    DWORD type_ = REG_NONE;
    std::vector<BYTE> data_;
    bool saved_ = false;
};

class OverlongTest : public test::ProcedureFixture {
protected:
    static std::string UserMenu() { return ShellFolder(CSIDL_PROGRAMS) + "\\Velto\\Quillstation"; }
    static std::string CommonMenu() { return ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Velto\\Quillstation"; }
    static std::string DesktopLink() { return ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Quill Station.LNK"; }

    test::ScratchFolder longRoot_;  // where every long path starts: stays empty
};

// A Start-menu folder value that does not fit: the per-user shortcuts are skipped, the
// rest of install and removal goes on.
TEST_F(OverlongTest, AStartMenuValueThatDoesNotFitIsSkippedByBothProcedures) {
    SavedProgramsValue saved;
    ASSERT_TRUE(saved.saved());
    const std::size_t lengths[] = {
        LONGEST_PATH - sizeof INSTALL_SUBPATH + 1,  // fits the buffer, not with "\Velto\Quillstation"
        PATH_BUFFER_SIZE + 500,                     // does not fit the buffer
        REG_VALUE_SIZE + 100,                       // does not fit the registry read
    };
    for (const std::size_t length : lengths) {
        SCOPED_TRACE(length);
        ASSERT_TRUE(SavedProgramsValue::Set(LongPath(longRoot_.path(), length)));
        Reset(installer_);
        ASSERT_EQ(InstallProduct(state_), INSTALL_OK);
        EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_SUCCEEDED));
        EXPECT_TRUE(IsFile(InstallFolder() + "\\Quillstation.exe"));
        EXPECT_TRUE(IsFile(CommonMenu() + "\\Quillstation.LNK"));
        EXPECT_TRUE(IsFile(DesktopLink()));
        EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey()));
        EXPECT_FALSE(IsFolder(UserMenu()));
        EXPECT_THAT(Entries(longRoot_.path()), testing::IsEmpty());

        Reset(installer_);
        EXPECT_EQ(UninstallProduct(state_), UNINSTALL_OK);
        EXPECT_FALSE(IsFolder(InstallFolder()));
        EXPECT_FALSE(IsFolder(CommonMenu()));
        EXPECT_FALSE(IsFile(DesktopLink()));
        EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey()));
        EXPECT_THAT(Entries(longRoot_.path()), testing::IsEmpty());
    }
}

// An installer path whose file name does not fit beside the install folder, or no
// installer path at all: the product is installed, but no copy of the installer and no
// uninstall entry that would name a cut-off or folder path.
TEST_F(OverlongTest, AnInstallerPathThatCannotBeCopiedLeavesNoCopyAndNoEntry) {
    const std::string longName = std::string(LONGEST_PATH - 8, 's') + ".exe";
    const std::string modulePaths[] = {"C:\\" + longName, ""};
    for (const std::string& modulePath : modulePaths) {
        SCOPED_TRACE(modulePath.size());
        Reset(modulePath);
        ASSERT_EQ(InstallProduct(state_), INSTALL_OK);
        EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_SUCCEEDED));
        EXPECT_THAT(Entries(InstallFolder()), testing::UnorderedElementsAreArray(test::PackagedFileNames()));
        EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey()));
        EXPECT_TRUE(IsFile(CommonMenu() + "\\Quillstation.LNK"));

        Reset(installer_);
        EXPECT_EQ(UninstallProduct(state_), UNINSTALL_OK);
        EXPECT_FALSE(IsFolder(InstallFolder()));
    }
}

// A program-files folder that leaves no room for "\Velto\Quillstation" is refused: the
// state holds no cut-off install folder and install fails with -2. One character less
// fits and is taken whole.
TEST_F(OverlongTest, AProgramFilesFolderWithoutRoomForTheInstallFolderIsRefusedAtTheBoundary) {
    const std::size_t tooLong = LONGEST_PATH - sizeof INSTALL_SUBPATH + 1;  // joined: one too many
    struct Case {
        std::size_t length;
        int result;
        bool resolved;
    } cases[] = {
        {tooLong, INSTALL_NO_PROGRAM_FILES, false},
        {tooLong - 1, INSTALL_FOLDER_NOT_CREATED, true},  // longer than the system's paths
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string programFiles = LongPath(longRoot_.path(), c.length);
        AnswerProgramFiles(programFiles);
        Reset(installer_);
        EXPECT_EQ(InstallProduct(state_), c.result);
        EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_FAILED));
        EXPECT_EQ(std::string(state_.errorText), std::string("Failed to create target folder on system disk\n"
                                                             "thanks to download official package at\n") +
                                                     VENDOR_WEB_ADDRESS + ".");
        const std::string whole = programFiles + "\\" + INSTALL_SUBPATH;
        if (c.resolved) {
            // Taken whole; creating it fails at the system's path limit, after the levels
            // that fit it.
            EXPECT_EQ(std::string(state_.installFolder), whole);
        } else {
            EXPECT_STREQ(state_.installFolder, "");
            EXPECT_THAT(Entries(longRoot_.path()), testing::IsEmpty());
        }
        EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey()));
        SetSystemSeam(nullptr);
    }
}

// Removal with a program-files folder that leaves no room fails with -2 and touches
// nothing of the real installation: no files, shortcuts or entry are removed on the
// strength of a folder it could not name.
TEST_F(OverlongTest, RemovalRefusesAProgramFilesFolderWithoutRoomAndRemovesNothing) {
    ASSERT_EQ(InstallProduct(state_), INSTALL_OK);
    AnswerProgramFiles(LongPath(longRoot_.path(), LONGEST_PATH - sizeof INSTALL_SUBPATH + 1));
    Reset(installer_);
    EXPECT_EQ(UninstallProduct(state_), UNINSTALL_NO_TARGET_FOLDER);
    EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_FAILED));
    EXPECT_STREQ(state_.installFolder, "");
    SetSystemSeam(nullptr);
    std::vector<std::string> installed = test::PackagedFileNames();
    installed.push_back(INSTALLER_FILE_NAME);
    EXPECT_THAT(Entries(InstallFolder()), testing::UnorderedElementsAreArray(installed));
    EXPECT_TRUE(IsFile(UserMenu() + "\\Quillstation.LNK"));
    EXPECT_TRUE(IsFile(CommonMenu() + "\\Quillstation.LNK"));
    EXPECT_TRUE(IsFile(DesktopLink()));
    EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey()));
    EXPECT_THAT(Entries(longRoot_.path()), testing::IsEmpty());
}

}  // namespace
}  // namespace qs
