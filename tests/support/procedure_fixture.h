// A fixture for tests that run the install and uninstall procedures in the test prefix:
// a state record that posts its results to a message-only window, an installer file to
// copy, the product removed before each test and again after it.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

#include "platform/folders.h"
#include "platform/owners.h"
#include "platform/system_seam.h"
#include "platform/system_seam_testing.h"
#include "setup/procedures.h"
#include "setup/state.h"
#include "tests/support/win_support.h"

namespace qs::test {

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
        Reset();
        ASSERT_EQ(UninstallProduct(state_), 0);  // start from a clean machine
        Reset();
    }
    void TearDown() override {
        SetSystemSeam(nullptr);
        Reset();
        UninstallProduct(state_);
        SetFileAttributesA(installer_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DestroyWindow(window_);
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
