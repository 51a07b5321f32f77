// A fixture for tests that run the install and uninstall procedures in the test prefix:
// a state record that posts its results to a message-only window, an installer file to
// copy, and a prefix that holds nothing of the product before each test and after it.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/folders.h"
#include "platform/owners.h"
#include "platform/system_seam.h"
#include "platform/system_seam_testing.h"
#include "setup/exit_codes.h"
#include "setup/names.h"
#include "setup/procedures.h"
#include "setup/product.h"
#include "setup/state.h"
#include "setup/texts.h"
#include "setup/uninstall_entry.h"
#include "tests/support/scripted_seam.h"
#include "tests/support/win_support.h"

namespace qs::test {

// The program-files folder the shell answers while a test has set one: written whole
// when it fits the procedures' buffers, refused otherwise, as for every other folder.
inline std::string& ProgramFilesAnswer() {
    static std::string folder;
    return folder;
}
inline BOOL WINAPI AnswerProgramFilesOnly(HWND, char* path, int csidl, BOOL) {
    const std::string& folder = ProgramFilesAnswer();
    if (csidl != CSIDL_PROGRAM_FILES || folder.size() >= PATH_BUFFER_SIZE) return FALSE;
    lstrcpynA(path, folder.c_str(), static_cast<int>(folder.size() + 1));
    return TRUE;
}

// What the shell answers for a special folder ("" when it has none).
inline std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
    return path;
}

class ProcedureFixture : public testing::Test {
protected:
    // readOnlyInstaller: the installer file to copy carries the read-only attribute, as a
    // downloaded file may.
    explicit ProcedureFixture(bool readOnlyInstaller = false) : readOnlyInstaller_(readOnlyInstaller) {}

    void SetUp() override {
        window_ = CreateWindowExA(0, "STATIC", "procedures", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        FillKnownFolders();
        installer_ = files_ / "QuillstationSetup.exe";
        ASSERT_TRUE(WriteFileBytes(installer_, "installer bytes for the copy"));
        if (readOnlyInstaller_) SetFileAttributesA(installer_.c_str(), FILE_ATTRIBUTE_READONLY);
        RemoveProductTraces();
        Reset();
    }
    void TearDown() override {
        SetSystemSeam(nullptr);
        RemoveProductTraces();
        SetFileAttributesA(installer_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DestroyWindow(window_);
    }
    // Removes everything of the product that a test may have made or left, the removal's
    // kept items too, without the removal under test: a removal that leaves something
    // behind fails its own test, not the tests that run after it.
    static void RemoveProductTraces() {
        for (const int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
            RemoveTree(ShellFolder(csidl) + "\\" + MAKER_NAME);
        }
        DeleteFileA((ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\" + DESKTOP_SHORTCUT_NAME + ".LNK").c_str());
        DeleteFileA((ShellFolder(CSIDL_STARTUP) + "\\" + STARTUP_SHORTCUT_NAME + ".LNK").c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(UNINSTALL_ROOT_KEY) + "\\" + UNINSTALL_ENTRY_NAME).c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, MAKER_NAME);
    }
    // Until the test ends, the shell answers folder for the program-files folder through
    // the scripted seam, and script says the rest.
    static void AnswerProgramFiles(const std::string& folder, SeamScript script = {}) {
        ProgramFilesAnswer() = folder;
        script.replaced[SPECIAL_FOLDER_PATH_A] = reinterpret_cast<AnyFunction>(AnswerProgramFilesOnly);
        g_seamScript = script;
        SetSystemSeam(&ScriptedSystem());
    }
    // A fresh state record for the window, running from modulePath.
    void Reset(const std::string& modulePath) {
        InitialiseState(state_, GetModuleHandleA(nullptr));
        state_.window = window_;
        ASSERT_LT(modulePath.size(), sizeof state_.modulePath);
        lstrcpynA(state_.modulePath, modulePath.c_str(), sizeof state_.modulePath);
        PostedResults(window_);
    }
    void Reset() { Reset(installer_); }

    static std::string InstallFolder() { return ShellFolder(CSIDL_PROGRAM_FILES) + "\\Velto\\Quillstation"; }

    ComApartment com_;
    ScratchFolder files_;  // holds the installer being copied
    std::string installer_;
    HWND window_ = nullptr;
    InstallerState state_{};

private:
    bool readOnlyInstaller_;
};

}  // namespace qs::test
