// The install and uninstall procedures against the real package, in the test prefix:
// real folders, real registry, real shell links.
#include "setup/procedures.h"

#include <objidl.h>
#include <shlobj.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "package/extract.h"
#include "platform/folders.h"
#include "platform/owners.h"
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
using test::ReadFileBytes;
using test::ShellFolder;

// The local date as YYYYMMDD.
std::string Today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[16];
    snprintf(text, sizeof text, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return text;
}

std::string UninstallKey() { return std::string(UNINSTALL_ROOT_KEY) + "\\" + UNINSTALL_ENTRY_NAME; }

struct LinkFacts {
    bool loaded = false;
    std::string target, description, workingFolder;
};

LinkFacts ReadShortcut(const std::string& path) {
    LinkFacts facts;
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())))
        return facts;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return facts;
    wchar_t wide[MAX_PATH * 2];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2);
    if (FAILED(file->Load(wide, STGM_READ))) return facts;
    char text[MAX_PATH * 2] = {};
    link->GetPath(text, sizeof text, nullptr, 0);
    facts.target = text;
    link->GetDescription(text, sizeof text);
    facts.description = text;
    link->GetWorkingDirectory(text, sizeof text);
    facts.workingFolder = text;
    facts.loaded = true;
    return facts;
}

class ProceduresTest : public test::ProcedureFixture {
protected:
    ProceduresTest() : ProcedureFixture(/*readOnlyInstaller=*/true) {}
};

TEST_F(ProceduresTest, InstallPutsEverythingInPlaceAndRemovalTakesItAway) {
    ASSERT_EQ(InstallProduct(state_), 0);
    EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_SUCCEEDED));
    EXPECT_STREQ(state_.statusText, STATUS_COMPLETED);
    const std::string folder = InstallFolder();
    EXPECT_STREQ(state_.installFolder, folder.c_str());

    // The packaged files, byte for byte.
    const std::vector<std::string> names = test::PackagedFileNames();
    const std::vector<std::string> sources = test::SplitList(QS_PACKAGED_FILES);
    ASSERT_EQ(names.size(), sources.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(ReadFileBytes(folder + "\\" + names[i]), ReadFileBytes(sources[i])) << names[i];
        EXPECT_GT(ReadFileBytes(sources[i]).size(), 0u) << sources[i];
    }

    // The installer copy keeps its name and loses the read-only attribute.
    const std::string copy = folder + "\\QuillstationSetup.exe";
    EXPECT_EQ(ReadFileBytes(copy), ReadFileBytes(installer_));
    EXPECT_EQ(GetFileAttributesA(copy.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    // Start-menu shortcuts, per user and for all users, and the desktop shortcut.
    const std::string exe = folder + "\\Quillstation.exe";
    const std::string readme = folder + "\\readme.txt";
    for (const int csidl : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
        const std::string menu = ShellFolder(csidl) + "\\Velto\\Quillstation";
        const LinkFacts product = ReadShortcut(menu + "\\Quillstation.LNK");
        ASSERT_TRUE(product.loaded) << menu;
        EXPECT_EQ(product.target, exe);
        EXPECT_EQ(product.description, "Quillstation");
        EXPECT_EQ(product.workingFolder, folder);
        const LinkFacts read = ReadShortcut(menu + "\\Readme.LNK");
        ASSERT_TRUE(read.loaded) << menu;
        EXPECT_EQ(read.target, readme);
        EXPECT_EQ(read.description, "Readme");
        EXPECT_EQ(read.workingFolder, folder);
    }
    const LinkFacts desktop = ReadShortcut(ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Quill Station.LNK");
    ASSERT_TRUE(desktop.loaded);
    EXPECT_EQ(desktop.target, exe);
    EXPECT_EQ(desktop.description, "Quill Station");

    // The uninstall entry: every value its table lists, of its type, with the data of its
    // source.
    const std::map<EntryValueSource, std::string> computed = {
        {EntryValueSource::UninstallCommand, "\"" + copy + "\""},
        {EntryValueSource::QuietUninstallCommand, "\"" + copy + "\" -h -u"},
        {EntryValueSource::ProductProgram, exe},
        {EntryValueSource::InstallFolder, folder},
        {EntryValueSource::InstallDate, Today()},
    };
    for (const EntryValue& value : UNINSTALL_ENTRY_VALUES) {
        std::string text;
        DWORD number = 0;
        if (value.type == EntryValueType::Number) {
            EXPECT_TRUE(test::ReadRegDword(HKEY_LOCAL_MACHINE, UninstallKey(), value.name, number)) << value.name;
        } else {
            EXPECT_TRUE(test::ReadRegString(HKEY_LOCAL_MACHINE, UninstallKey(), value.name, text)) << value.name;
        }
        if (value.source == EntryValueSource::EstimatedSize) {
            EXPECT_GE(number * 1024ull, ReadFileBytes(exe).size());
        } else if (value.source != EntryValueSource::Fixed) {
            EXPECT_EQ(text, computed.at(value.source)) << value.name;
        } else if (value.type == EntryValueType::Number) {
            EXPECT_EQ(number, value.number) << value.name;
        } else {
            EXPECT_EQ(text, value.text) << value.name;
        }
    }

    // A file a user added to the Start-menu folder goes with it; an old start-up
    // shortcut of the product is deleted too.
    const std::string userMenu = ShellFolder(CSIDL_PROGRAMS) + "\\Velto\\Quillstation";
    ASSERT_TRUE(test::WriteFileBytes(userMenu + "\\notes.txt", "mine"));
    const std::string startup = ShellFolder(CSIDL_STARTUP) + "\\Quillstation (Velto).LNK";
    ASSERT_TRUE(test::WriteFileBytes(startup, "old shortcut"));

    Reset();
    ASSERT_EQ(UninstallProduct(state_), 0);
    EXPECT_TRUE(test::PostedResults(window_).empty());
    EXPECT_STREQ(state_.installFolder, "");
    EXPECT_FALSE(IsFolder(folder));
    EXPECT_TRUE(IsFolder(ShellFolder(CSIDL_PROGRAM_FILES) + "\\Velto")) << "the maker's folder is kept";
    EXPECT_FALSE(IsFolder(userMenu));
    EXPECT_FALSE(IsFolder(ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Velto\\Quillstation"));
    EXPECT_FALSE(IsFile(ShellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Quill Station.LNK"));
    EXPECT_FALSE(IsFile(startup));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey()));
    for (const char* value : {"SysTray", "SysTrayShowOnRun"}) {
        DWORD tray = 99;
        EXPECT_TRUE(test::ReadRegDword(HKEY_CURRENT_USER, "Velto\\Quillstation", value, tray)) << value;
        EXPECT_EQ(tray, 0u) << value;
    }
}

TEST_F(ProceduresTest, RemovalAfterAPartialInstallRemovesWhatIsThere) {
    const std::string folder = InstallFolder();
    ASSERT_TRUE(SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr) == ERROR_SUCCESS || IsFolder(folder));
    ASSERT_TRUE(test::WriteFileBytes(folder + "\\readme.txt", "partial"));
    ASSERT_EQ(UninstallProduct(state_), 0);
    EXPECT_FALSE(IsFolder(folder));
}

TEST_F(ProceduresTest, RemovalDeletesNothingThroughAnUnsafeName) {
    // Joined to the install folder, "..\x" leads into the maker's folder, the rooted "\x"
    // collapses into the install folder, and "a:x" names a stream of "a" (under Wine a
    // file of that whole name). A file waits at each of those places. The removal's file
    // step runs on its own: the folder tree that goes after it would take two of them.
    const std::string folder = InstallFolder();
    const struct {
        const char* name;
        std::string path;
    } unsafe[] = {
        {"..\\above.txt", folder + "\\..\\above.txt"},
        {"\\rooted.txt", folder + "\\rooted.txt"},
        {"a:colon.txt", folder + "\\a:colon.txt"},
    };
    const std::string program = files_ / "unsafe-names.exe";
    ASSERT_TRUE(test::WriteRenamedPackage(GetModuleHandleA(nullptr), {unsafe[0].name, unsafe[1].name, unsafe[2].name},
                                          QS_STANDIN_PROGRAM, program));
    UniqueModule module(LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    state_.instance = module.get();
    ASSERT_EQ(ReadPackageDirectory(state_), 0);
    ASSERT_EQ(ResolveInstallFolder(state_, INSTALL_SUBPATH), 0);
    ASSERT_TRUE(SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr) == ERROR_SUCCESS || IsFolder(folder));
    for (const auto& u : unsafe) ASSERT_TRUE(test::WriteFileBytes(u.path, "not the package's")) << u.name;

    DeletePackageFiles(state_);
    for (const auto& u : unsafe) EXPECT_TRUE(IsFile(u.path)) << u.name;
}

// A product file in use is deleted at the next start, after everything else went now,
// and the removal says that a restart finishes it: never a plain success.
TEST_F(ProceduresTest, RemovalOfAFileInUseIsFinishedByARestart) {
    test::PendingDeletions pending;
    ASSERT_EQ(InstallProduct(state_), 0);
    const std::string program = InstallFolder() + "\\Quillstation.exe";
    // Held open without delete sharing: it can be neither deleted nor renamed.
    UniqueFile held(CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.valid());
    pending.Clear();
    Reset();
    EXPECT_EQ(UninstallProduct(state_), UNINSTALL_RESTART_NEEDED);
    EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_RESTART_NEEDED));
    EXPECT_STREQ(state_.errorCaption, "Quillstation Uninstallation");
    EXPECT_THAT(state_.errorText, testing::HasSubstr("a restart finishes the removal"));
    EXPECT_TRUE(IsFile(program));
    EXPECT_FALSE(IsFile(InstallFolder() + "\\QuillstationSetup.exe"));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey()));
    EXPECT_EQ(pending.Paths(), (std::vector<std::string>{program, InstallFolder()}));
}

// Removal run from the installer's copy in the install folder, as the uninstall entry
// starts it: that copy is moved aside, into the system's Windows directory (never a
// user's private one, which a terminal server gives programs as their Windows
// directory), and deleted at the next start of the system. One that can be neither moved
// nor renamed stays, never scheduled under the name a reinstall takes; only its folder
// is.
TEST_F(ProceduresTest, RemovalFromTheCopyInTheInstallFolderLeavesNothingThere) {
    test::PendingDeletions pending;
    char windows[MAX_PATH] = {};
    GetSystemWindowsDirectoryA(windows, sizeof windows);
    test::ScratchFolder userWindows;  // what a terminal server answers for the Windows directory
    ASSERT_TRUE(CreateDirectoryA((userWindows / "Temp").c_str(), nullptr));
    for (const bool held : {false, true}) {
        Reset();
        ASSERT_EQ(InstallProduct(state_), 0);
        test::SeamScript script;
        script.windowsFolder = userWindows.path().c_str();
        test::g_seamScript = script;
        SetSystemSeam(&test::ScriptedSystem());
        const std::string folder = InstallFolder();
        const std::string copy = folder + "\\QuillstationSetup.exe";
        UniqueFile holder;
        if (held)
            holder.reset(CreateFileA(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        pending.Clear();
        std::string spelling = copy;  // another spelling of the same file
        CharUpperBuffA(spelling.data(), static_cast<DWORD>(spelling.size()));
        Reset(spelling);
        EXPECT_EQ(UninstallProduct(state_), 0);
        SetSystemSeam(nullptr);
        const std::vector<std::string> paths = pending.Paths();
        if (held) {
            EXPECT_TRUE(IsFile(copy));
            EXPECT_EQ(paths, (std::vector<std::string>{folder}));
            holder.reset();
            Reset();
            UninstallProduct(state_);
            continue;
        }
        EXPECT_FALSE(IsFolder(folder));
        ASSERT_EQ(paths.size(), 2u);
        // The file in a new folder in the Windows directory's Temp, then that folder.
        EXPECT_EQ(paths[0], paths[1] + "\\QUILLSTATIONSETUP.EXE");
        EXPECT_EQ(paths[1].rfind(std::string(windows) + "\\Temp\\Quillstation-removal-", 0), 0u) << paths[1];
        EXPECT_EQ(ReadFileBytes(paths[0]), ReadFileBytes(installer_));
        test::RemoveTree(paths[1]);
    }
}

TEST(DetectInstalled, FollowsTheProductExecutable) {
    const std::string folder = ShellFolder(CSIDL_PROGRAM_FILES) + "\\Velto\\Quillstation";
    const std::string exe = folder + "\\Quillstation.exe";
    ASSERT_FALSE(test::IsFile(exe)) << "the test prefix already holds the product";
    const bool madeMaker = CreateDirectoryA((ShellFolder(CSIDL_PROGRAM_FILES) + "\\Velto").c_str(), nullptr);
    const bool madeFolder = CreateDirectoryA(folder.c_str(), nullptr);

    auto owned = std::make_unique<InstallerState>();
    InstallerState& state = *owned;
    state.installed = 7;
    EXPECT_EQ(DetectInstalled(state), 0);  // the folder exists, the executable does not
    EXPECT_EQ(state.installed, 0);
    EXPECT_EQ(std::string(state.installFolder), folder);

    ASSERT_TRUE(test::WriteFileBytes(exe, "MZ"));
    EXPECT_EQ(DetectInstalled(state), 1);
    EXPECT_EQ(state.installed, 1);

    DeleteFileA(exe.c_str());
    if (madeFolder) RemoveDirectoryA(folder.c_str());
    if (madeMaker) RemoveDirectoryA((ShellFolder(CSIDL_PROGRAM_FILES) + "\\Velto").c_str());
}

TEST_F(ProceduresTest, ADamagedOrMissingPackageFailsBeforeAnythingIsDone) {
    // A module without the package resource.
    state_.instance = GetModuleHandleA("kernel32.dll");
    EXPECT_EQ(InstallProduct(state_), INSTALL_PACKAGE_DAMAGED);
    EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_FAILED));
    EXPECT_STREQ(state_.errorCaption, "Quillstation Installation Error");
    EXPECT_EQ(std::string(state_.errorText), std::string("Installation package might be corrupted\nthanks to "
                                                         "download official package at\n") +
                                                 VENDOR_WEB_ADDRESS + ".");
    EXPECT_STREQ(state_.statusText, STATUS_EXTRACT_PACKAGE);
    EXPECT_FALSE(IsFolder(InstallFolder()));

    EXPECT_EQ(UninstallProduct(state_), UNINSTALL_PACKAGE_DAMAGED);
    EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_FAILED));
    EXPECT_STREQ(state_.errorCaption, "Quillstation Uninstallation Error");
    EXPECT_EQ(std::string(state_.errorText), std::string("De-Installation package might be corrupted\nthanks to "
                                                         "download official package at\n") +
                                                 VENDOR_WEB_ADDRESS + ".");
}

TEST_F(ProceduresTest, AnEntryThatCannotBeWrittenFailsTheCopyStep) {
    const std::string folder = InstallFolder();
    ASSERT_TRUE(SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr) == ERROR_SUCCESS || IsFolder(folder));
    ASSERT_TRUE(test::WriteFileBytes(folder + "\\Quillstation.exe", "old"));
    UniqueFile held(
        CreateFileA((folder + "\\Quillstation.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.valid());
    EXPECT_EQ(InstallProduct(state_), INSTALL_COPY_FAILED);
    EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_FAILED));
    EXPECT_EQ(std::string(state_.errorText),
              std::string("Failed to copy file(s) to destination folder...\nInstallation package might be "
                          "corrupted\nthanks to download official package at\n") +
                  VENDOR_WEB_ADDRESS + ".");
    EXPECT_STREQ(state_.statusText, STATUS_COPY_FILES);
    // Nothing is rolled back: the other files are there, no shortcut or entry is made.
    EXPECT_TRUE(IsFile(folder + "\\readme.txt"));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, UninstallKey()));
}

// Shell answers for the program-files folder, installed through the seam.
TEST_F(ProceduresTest, AnInstallFolderThatCannotBeCreatedFailsWithTheFolderText) {
    AnswerProgramFiles("Q:\\No Such Drive");
    EXPECT_EQ(InstallProduct(state_), INSTALL_FOLDER_NOT_CREATED);
    EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_FAILED));
    EXPECT_STREQ(state_.installFolder, "Q:\\No Such Drive\\Velto\\Quillstation");
    EXPECT_EQ(std::string(state_.errorText), std::string("Failed to create target folder on system disk\nthanks to "
                                                         "download official package at\n") +
                                                 VENDOR_WEB_ADDRESS + ".");
    SetSystemSeam(nullptr);
}

// No shell function at all, and a Windows folder whose fall-back program-files folder
// leaves no room for the install folder in its buffer.
TEST_F(ProceduresTest, AProgramFilesFolderThatCannotBeResolvedFailsBothProcedures) {
    const std::string windows = "C:" + std::string(1500, 'w');
    test::g_seamScript = {.missing = {SPECIAL_FOLDER_PATH_A, FOLDER_PATH_A}, .windowsFolder = windows.c_str()};
    SetSystemSeam(&test::ScriptedSystem());
    EXPECT_EQ(InstallProduct(state_), INSTALL_NO_PROGRAM_FILES);
    EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_FAILED));
    EXPECT_STREQ(state_.statusText, STATUS_COPY_FILES);
    EXPECT_EQ(UninstallProduct(state_), UNINSTALL_NO_TARGET_FOLDER);
    EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_FAILED));
    EXPECT_EQ(std::string(state_.errorText),
              "Failed to get target folder on system disk\nthanks to remove Quillstation manually...");
    SetSystemSeam(nullptr);
}

TEST_F(ProceduresTest, WorkerHandsItsResultOverWhenWaitedFor) {
    ASSERT_EQ(StartInstallWorker(state_, 1), 0);
    EXPECT_EQ(state_.workerThread, nullptr);
    EXPECT_EQ(LoadWorkerRunning(state_), 0);
    EXPECT_EQ(LoadWorkerResult(state_), 0);
    EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_SUCCEEDED));

    // Without waiting: running until the worker is done, the result arrives by message.
    Reset();
    state_.instance = GetModuleHandleA("kernel32.dll");
    ASSERT_EQ(StartInstallWorker(state_, 0), 0);
    ASSERT_NE(state_.workerThread, nullptr);
    WaitForSingleObject(state_.workerThread, INFINITE);
    CloseHandle(state_.workerThread);
    EXPECT_EQ(LoadWorkerRunning(state_), 0);
    EXPECT_EQ(LoadWorkerResult(state_), INSTALL_PACKAGE_DAMAGED);
    EXPECT_THAT(test::PostedResults(window_), testing::ElementsAre(RESULT_FAILED));
}

TEST_F(ProceduresTest, StatusTextsFollowTheStepsInOrder) {
    // The window reads the status line while the worker writes it; every text it can see
    // comes in the order of the steps, and the last one is the completion.
    const std::vector<std::string> order = {STATUS_EXTRACT_PACKAGE, STATUS_COPY_FILES, STATUS_FINALIZE,
                                            STATUS_COMPLETED};
    ASSERT_EQ(StartInstallWorker(state_, 0), 0);
    std::vector<std::string> seen;
    char line[STATUS_TEXT_SIZE];
    do {
        CopyStatusText(state_, line, sizeof line);
        if (line[0] != '\0' && (seen.empty() || seen.back() != line)) seen.emplace_back(line);
    } while (LoadWorkerRunning(state_) != 0);
    CopyStatusText(state_, line, sizeof line);
    if (seen.empty() || seen.back() != line) seen.emplace_back(line);
    WaitForSingleObject(state_.workerThread, INFINITE);
    CloseHandle(state_.workerThread);

    std::size_t next = 0;
    for (const std::string& text : seen) {
        while (next < order.size() && order[next] != text) ++next;
        EXPECT_LT(next, order.size()) << "unexpected or out-of-order status \"" << text << '"';
    }
    EXPECT_EQ(seen.back(), STATUS_COMPLETED);
    EXPECT_EQ(LoadWorkerResult(state_), 0);
}

TEST_F(ProceduresTest, AStatusLineIsNeverSeenHalfRewritten) {
    // A long line and a short one rewritten over each other as fast as possible: the
    // reader must only ever see one of the two whole, never the start of one over the
    // tail of the other.
    static const char* const kLines[] = {STATUS_EXTRACT_PACKAGE, STATUS_COPY_FILES};
    constexpr int kRewrites = 20000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < kRewrites; ++i) SetStatusText(state_, kLines[i & 1]);
        done.store(true);
    });
    char line[STATUS_TEXT_SIZE];
    int torn = 0;
    while (!done.load()) {
        CopyStatusText(state_, line, sizeof line);
        if (line[0] != '\0' && std::strcmp(line, kLines[0]) != 0 && std::strcmp(line, kLines[1]) != 0) ++torn;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace qs
