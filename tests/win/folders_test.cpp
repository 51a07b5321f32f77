// Shell folders, install location and desktop shortcut: the real shell under Wine, and
// every fall-back path with sources made missing or failing through the system seam.
#include <shlobj.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/owners.h"
#include "platform/system_seam.h"
#include "platform/system_seam_testing.h"
#include "setup/procedures.h"
#include "setup/product.h"
#include "setup/state.h"
#include "tests/support/scripted_seam.h"
#include "tests/support/win_support.h"

namespace qs {
namespace {

using test::ScratchFolder;
using ::testing::ElementsAreArray;

// ---- The scripted seam (tests/support/scripted_seam.h) --------------------------------

using Script = test::SeamScript;
Script& g_script = test::g_seamScript;
std::vector<std::string>& g_events = test::g_seamEvents;
std::string Call(const char* name, int id) { return test::CallEvent(name, id); }

// The real shell's answers, for comparison.
std::string ShellAnswer(int id) {
    char path[MAX_PATH] = {};
    return SHGetSpecialFolderPathA(nullptr, path, id, FALSE) ? path : "";
}
std::string FolderAnswer(int id) {
    char path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, id, nullptr, 0, path)) ? path : "";
}
std::string CurrentFolder() {
    char path[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof path, path);
    return path;
}
std::string Root(const std::string& path) { return path.substr(0, 2); }  // "C:"

class SeamTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryA(sizeof savedFolder_, savedFolder_);
        SetCurrentDirectoryA(work_.path().c_str());
        g_script = Script{};
        g_events.clear();
        ResetKnownFolders();
        SetSystemSeam(&test::ScriptedSystem());
    }
    void TearDown() override {
        SetSystemSeam(nullptr);
        ResetKnownFolders();
        SetCurrentDirectoryA(savedFolder_);
    }
    ScratchFolder work_;  // the current directory during a test

private:
    char savedFolder_[MAX_PATH] = {};
};

std::vector<std::string> Calls(const char* name, std::initializer_list<int> ids) {
    std::vector<std::string> calls;
    for (int id : ids) calls.push_back(Call(name, id));
    return calls;
}
std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const std::vector<std::string> LOAD_SHELL = {"load SHELL32.DLL"};
const std::vector<std::string> FREE_SHELL = {"free SHELL32.DLL"};
const std::vector<std::string> LOAD_FOLDER = {"load SHFOLDER.DLL"};
const std::vector<std::string> FREE_FOLDER = {"free SHFOLDER.DLL"};
const std::vector<std::string> FIND_SPECIAL_A = {"find SHGetSpecialFolderPathA"};
const std::vector<std::string> FIND_FOLDER_A = {"find SHGetFolderPathA"};
const std::vector<std::string> ALL_SPECIAL_A = Calls(SPECIAL_FOLDER_PATH_A, {38, 5, 26, 35, 23, 7});

// ---- FillKnownFolders ------------------------------------------------------------------

// Expected entries: a literal, or one of these tokens.
constexpr char SHELL[] = "<shell>";    // SHGetSpecialFolderPathA's answer for the entry
constexpr char FOLDER[] = "<folder>";  // SHGetFolderPathA's answer for the entry
constexpr char CWD[] = "<cwd>";        // the current directory
constexpr char SYS_PF[] = "<drive>\\Program Files\\";
constexpr char SYS_CAD[] = "<drive>\\Kestrane\\CommonAPP";

struct FillCase {
    const char* name;
    Script script;
    std::vector<std::string> events;
    std::vector<std::string> entries;  // table order
};
void PrintTo(const FillCase& c, std::ostream* out) { *out << c.name; }

constexpr int IDS[KNOWN_FOLDER_COUNT] = {38, 5, 26, 35, 23, 7};

std::string Expand(const std::string& token, int id) {
    if (token == SHELL) return ShellAnswer(id);
    if (token == FOLDER) return FolderAnswer(id);
    if (token == CWD) return CurrentFolder();
    std::string text = token;
    const auto at = text.find("<drive>");
    if (at != std::string::npos) {
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, sizeof windows);
        text.replace(at, 7, Root(windows));
    }
    return text;
}

class FillTest : public SeamTest, public ::testing::WithParamInterface<FillCase> {};

TEST_P(FillTest, FillsFromTheSourcesInOrder) {
    const FillCase& c = GetParam();
    g_script = c.script;
    FillKnownFolders();
    SetSystemSeam(nullptr);
    EXPECT_THAT(g_events, ElementsAreArray(c.events));
    for (int i = 0; i < KNOWN_FOLDER_COUNT; ++i) {
        EXPECT_EQ(KnownFolderEntry(static_cast<KnownFolder>(i)), Expand(c.entries[i], IDS[i])) << "entry " << i;
    }
    EXPECT_STREQ(GetCommonProgramsFolder(), KnownFolderEntry(KnownFolder::CommonPrograms));
    EXPECT_STREQ(GetStartupFolder(), KnownFolderEntry(KnownFolder::Startup));
}

std::string Str(const char* s) { return s; }

INSTANTIATE_TEST_SUITE_P(
    Sources, FillTest,
    ::testing::Values(
        FillCase{"FirstSourceAnswersAll",
                 {},
                 Join({LOAD_SHELL, FIND_SPECIAL_A, ALL_SPECIAL_A, FREE_SHELL}),
                 {SHELL, SHELL, SHELL, SHELL, SHELL, SHELL}},
        FillCase{"OnlyStartupAskedAgain",
                 {.specialFails = {7}},
                 Join({LOAD_SHELL, FIND_SPECIAL_A, ALL_SPECIAL_A, FREE_SHELL, LOAD_FOLDER, FIND_FOLDER_A,
                       Calls(FOLDER_PATH_A, {7}), FREE_FOLDER}),
                 {SHELL, SHELL, SHELL, SHELL, SHELL, FOLDER}},
        FillCase{"SecondSourceFillsFiveStartupKept",
                 {.missing = {SPECIAL_FOLDER_PATH_A}},
                 Join({LOAD_SHELL, FIND_SPECIAL_A, FREE_SHELL, LOAD_FOLDER, FIND_FOLDER_A,
                       Calls(FOLDER_PATH_A, {38, 5, 26, 35, 23}), FREE_FOLDER}),
                 {FOLDER, FOLDER, FOLDER, FOLDER, FOLDER, "Startup"}},
        FillCase{"NeitherFunction",
                 {.missing = {SPECIAL_FOLDER_PATH_A, FOLDER_PATH_A}},
                 Join({LOAD_SHELL, FIND_SPECIAL_A, FREE_SHELL, LOAD_FOLDER, FIND_FOLDER_A, FREE_FOLDER}),
                 {SYS_PF, CWD, CWD, SYS_CAD, "", "Startup"}},
        FillCase{"ShellLibraryMissingSkipsSecondSource",
                 {.unloadable = {"SHELL32.DLL"}},
                 LOAD_SHELL,
                 {SYS_PF, CWD, CWD, SYS_CAD, "", "Startup"}},
        FillCase{"SecondLibraryMissing",
                 {.unloadable = {"SHFOLDER.DLL"}, .specialFails = {38, 35}},
                 Join({LOAD_SHELL, FIND_SPECIAL_A, ALL_SPECIAL_A, FREE_SHELL, LOAD_FOLDER}),
                 {SYS_PF, SHELL, SHELL, SYS_CAD, SHELL, SHELL}},
        FillCase{"SecondFunctionMissing",
                 {.missing = {FOLDER_PATH_A}, .specialFails = {5, 23}},
                 Join({LOAD_SHELL, FIND_SPECIAL_A, ALL_SPECIAL_A, FREE_SHELL, LOAD_FOLDER, FIND_FOLDER_A, FREE_FOLDER}),
                 {SHELL, CWD, SHELL, SHELL, "", SHELL}},
        FillCase{"OtherWindowsDrive",
                 {.unloadable = {"SHELL32.DLL"}, .windowsFolder = "D:\\WIN"},
                 LOAD_SHELL,
                 {"D:\\Program Files\\", CWD, CWD, "D:\\Kestrane\\CommonAPP", "", "Startup"}},
        FillCase{"WindowsFolderUnreadable",
                 {.unloadable = {"SHELL32.DLL"}, .windowsFolderFails = true},
                 LOAD_SHELL,
                 {"C:\\Program Files\\", CWD, CWD, "C:\\Kestrane\\CommonAPP", "", "Startup"}},
        FillCase{"WindowsFolderOnAShare",
                 {.unloadable = {"SHELL32.DLL"}, .windowsFolder = "\\\\server\\share\\WIN"},
                 LOAD_SHELL,
                 {"\\\\server\\Program Files\\", CWD, CWD, "\\\\server\\Kestrane\\CommonAPP", "", "Startup"}}),
    [](const auto& param) { return Str(param.param.name); });

TEST_F(SeamTest, SecondFillChangesNothing) {
    FillKnownFolders();
    std::vector<std::string> first;
    for (int i = 0; i < KNOWN_FOLDER_COUNT; ++i) first.push_back(KnownFolderEntry(static_cast<KnownFolder>(i)));
    ASSERT_FALSE(first[4].empty());

    // The shell now answers differently: the table must not follow.
    g_script.unloadable = {"SHELL32.DLL", "SHFOLDER.DLL"};
    g_script.windowsFolder = "D:\\WIN";
    g_events.clear();
    FillKnownFolders();
    EXPECT_TRUE(g_events.empty());
    for (int i = 0; i < KNOWN_FOLDER_COUNT; ++i) {
        EXPECT_EQ(KnownFolderEntry(static_cast<KnownFolder>(i)), first[i]) << "entry " << i;
    }
}

TEST_F(SeamTest, TableBeforeTheFill) {
    EXPECT_STREQ(KnownFolderEntry(KnownFolder::ProgramFiles), "C:\\");
    EXPECT_STREQ(KnownFolderEntry(KnownFolder::Documents), "C:\\");
    EXPECT_STREQ(KnownFolderEntry(KnownFolder::AppData), "C:\\");
    EXPECT_STREQ(KnownFolderEntry(KnownFolder::CommonAppData), "");
    EXPECT_STREQ(GetCommonProgramsFolder(), "");
    EXPECT_STREQ(GetStartupFolder(), "Startup");
}

// ---- ResolveProgramFilesPath ------------------------------------------------------------

struct ResolveCase {
    const char* name;
    Script script;
    std::vector<std::string> events;
    const char* programFiles;  // SHELL, FOLDER or a literal
};
void PrintTo(const ResolveCase& c, std::ostream* out) { *out << c.name; }

class ResolveTest : public SeamTest, public ::testing::WithParamInterface<ResolveCase> {};

TEST_P(ResolveTest, JoinsTheProgramFilesFolderAndTheSubPath) {
    const ResolveCase& c = GetParam();
    g_script = c.script;
    char out[PATH_BUFFER_SIZE];
    std::memset(out, 'x', sizeof out);
    out[sizeof out - 1] = '\0';
    EXPECT_EQ(ResolveProgramFilesPath(INSTALL_SUBPATH, out, sizeof out), 0);
    SetSystemSeam(nullptr);
    EXPECT_THAT(g_events, ElementsAreArray(c.events));
    std::string base = Expand(c.programFiles, CSIDL_PROGRAM_FILES);
    if (base.back() != '\\') base += '\\';
    EXPECT_EQ(std::string(out), base + "Velto\\Quillstation");
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ResolveTest,
    ::testing::Values(
        ResolveCase{
            "Shell", {}, Join({LOAD_SHELL, FIND_SPECIAL_A, Calls(SPECIAL_FOLDER_PATH_A, {38}), FREE_SHELL}), SHELL},
        ResolveCase{"ShellFails",
                    {.specialFails = {38}},
                    Join({LOAD_SHELL, FIND_SPECIAL_A, Calls(SPECIAL_FOLDER_PATH_A, {38}), FREE_SHELL, LOAD_FOLDER,
                          FIND_FOLDER_A, Calls(FOLDER_PATH_A, {38}), FREE_FOLDER}),
                    FOLDER},
        ResolveCase{"ShellLibraryMissingStillAsksSecond",
                    {.unloadable = {"SHELL32.DLL"}},
                    Join({LOAD_SHELL, LOAD_FOLDER, FIND_FOLDER_A, Calls(FOLDER_PATH_A, {38}), FREE_FOLDER}),
                    FOLDER},
        ResolveCase{"OtherWindowsDrive",
                    {.unloadable = {"SHELL32.DLL", "SHFOLDER.DLL"}, .windowsFolder = "D:\\WIN"},
                    Join({LOAD_SHELL, LOAD_FOLDER}),
                    "D:\\Program Files\\"},
        ResolveCase{"WindowsFolderUnreadable",
                    {.missing = {SPECIAL_FOLDER_PATH_A, FOLDER_PATH_A}, .windowsFolderFails = true},
                    Join({LOAD_SHELL, FIND_SPECIAL_A, FREE_SHELL, LOAD_FOLDER, FIND_FOLDER_A, FREE_FOLDER}),
                    "C:\\Program Files\\"},
        // The install folder keeps the first component of a relative Windows folder.
        ResolveCase{"RelativeWindowsFolder",
                    {.unloadable = {"SHELL32.DLL", "SHFOLDER.DLL"}, .windowsFolder = "WIN\\SYS"},
                    Join({LOAD_SHELL, LOAD_FOLDER}),
                    "WIN\\Program Files\\"}),
    [](const auto& param) { return Str(param.param.name); });

TEST(ResolveProgramFilesPath, RealShellGivesProgramFilesVeltoQuillstation) {
    char out[PATH_BUFFER_SIZE];
    ASSERT_EQ(ResolveProgramFilesPath(INSTALL_SUBPATH, out, sizeof out), 0);
    EXPECT_EQ(std::string(out), ShellAnswer(CSIDL_PROGRAM_FILES) + "\\Velto\\Quillstation");
    // The native folder: the tests run a 32-bit build in a 32-bit prefix or an x86-64 build
    // in a 64-bit one, never under WoW64 (where it would be "Program Files (x86)").
    EXPECT_THAT(out, ::testing::EndsWith("\\Program Files\\Velto\\Quillstation"));
    // A path that does not fit is refused and leaves the buffer empty.
    char small[8];
    EXPECT_EQ(ResolveProgramFilesPath(INSTALL_SUBPATH, small, sizeof small), -1);
    EXPECT_STREQ(small, "");
}

// ---- GetDesktopFolder -------------------------------------------------------------------

struct DesktopCase {
    const char* name;
    Script script;
    std::vector<std::string> events;
    bool found;
};
void PrintTo(const DesktopCase& c, std::ostream* out) { *out << c.name; }

class DesktopTest : public SeamTest, public ::testing::WithParamInterface<DesktopCase> {};

const std::vector<std::string> FIND_SPECIAL_W = {"find SHGetSpecialFolderPathW"};
const std::vector<std::string> FIND_FOLDER_W = {"find SHGetFolderPathW"};

TEST_P(DesktopTest, AsksTheWideSourcesInOrder) {
    const DesktopCase& c = GetParam();
    g_script = c.script;
    char out[PATH_BUFFER_SIZE];
    std::memset(out, '#', sizeof out);
    GetDesktopFolder(out);
    SetSystemSeam(nullptr);
    EXPECT_THAT(g_events, ElementsAreArray(c.events));
    EXPECT_EQ(std::string(out), c.found ? FolderAnswer(CSIDL_DESKTOPDIRECTORY) : "");
}

INSTANTIATE_TEST_SUITE_P(
    Sources, DesktopTest,
    ::testing::Values(
        DesktopCase{
            "Shell", {}, Join({LOAD_SHELL, FIND_SPECIAL_W, Calls(SPECIAL_FOLDER_PATH_W, {16}), FREE_SHELL}), true},
        DesktopCase{"ShellMissing",
                    {.missing = {SPECIAL_FOLDER_PATH_W}},
                    Join({LOAD_SHELL, FIND_SPECIAL_W, FREE_SHELL, LOAD_FOLDER, FIND_FOLDER_W,
                          Calls(FOLDER_PATH_W, {16}), FREE_FOLDER}),
                    true},
        DesktopCase{"ShellFails",
                    {.specialFails = {16}},
                    Join({LOAD_SHELL, FIND_SPECIAL_W, Calls(SPECIAL_FOLDER_PATH_W, {16}), FREE_SHELL, LOAD_FOLDER,
                          FIND_FOLDER_W, Calls(FOLDER_PATH_W, {16}), FREE_FOLDER}),
                    true},
        DesktopCase{"ShellLibraryMissing", {.unloadable = {"SHELL32.DLL"}}, LOAD_SHELL, false},
        DesktopCase{"NeitherFunction",
                    {.missing = {SPECIAL_FOLDER_PATH_W, FOLDER_PATH_W}},
                    Join({LOAD_SHELL, FIND_SPECIAL_W, FREE_SHELL, LOAD_FOLDER, FIND_FOLDER_W, FREE_FOLDER}),
                    false},
        DesktopCase{"SecondLibraryMissing",
                    {.unloadable = {"SHFOLDER.DLL"}, .specialFails = {16}},
                    Join({LOAD_SHELL, FIND_SPECIAL_W, Calls(SPECIAL_FOLDER_PATH_W, {16}), FREE_SHELL, LOAD_FOLDER}),
                    false}),
    [](const auto& param) { return Str(param.param.name); });

// ---- SetDesktopShortcut -----------------------------------------------------------------

class ShortcutTest : public SeamTest {
protected:
    ComApartment com_;
};

TEST_F(ShortcutTest, CreatesAndDeletesOnTheDesktop) {
    SetSystemSeam(nullptr);
    const std::string target = work_ / "target.exe";
    ASSERT_TRUE(test::WriteFileBytes(target, "x"));
    const std::string link = FolderAnswer(CSIDL_DESKTOPDIRECTORY) + "\\QS Folder Test.LNK";
    SetDesktopShortcut("QS Folder Test", target.c_str(), 1);
    EXPECT_TRUE(test::IsFile(link)) << link;
    SetDesktopShortcut("QS Folder Test", nullptr, 0);
    EXPECT_FALSE(test::IsFile(link)) << link;
}

// Without a desktop folder nothing is created or deleted, least of all at the root of
// the current drive.
TEST_F(ShortcutTest, UnknownDesktopDoesNothing) {
    g_script.unloadable = {"SHELL32.DLL"};
    const std::string target = work_ / "target.exe";
    ASSERT_TRUE(test::WriteFileBytes(target, "x"));
    const std::string atRoot = Root(work_.path()) + "\\QS Folder Test.LNK";
    SetDesktopShortcut("QS Folder Test", target.c_str(), 1);
    EXPECT_FALSE(test::IsFile(atRoot));

    ASSERT_TRUE(test::WriteFileBytes(atRoot, "not ours"));
    SetDesktopShortcut("QS Folder Test", nullptr, 0);
    EXPECT_EQ(test::ReadFileBytes(atRoot), "not ours");
    DeleteFileA(atRoot.c_str());
}

// Without a known start-up folder the product's start-up shortcut is deleted nowhere:
// not below the current folder ("Startup"), not at the root of the current drive ("").
TEST_F(SeamTest, UnknownStartupFolderDeletesNoStartupShortcut) {
    const bool keyExisted = test::KeyExists(HKEY_CURRENT_USER, "Velto");
    const struct {
        Script script;
        std::string entry;
    } cases[] = {
        {{.missing = {SPECIAL_FOLDER_PATH_A, FOLDER_PATH_A}}, "Startup"},
        {{.missing = {FOLDER_PATH_A}, .specialFails = {7}}, ""},
    };
    ASSERT_TRUE(CreateDirectoryA((work_ / "Startup").c_str(), nullptr));
    for (const auto& c : cases) {
        ResetKnownFolders();
        g_script = c.script;
        FillKnownFolders();
        ASSERT_EQ(GetStartupFolder(), c.entry);
        const std::string there = c.entry.empty() ? Root(work_.path()) + "\\Quillstation (Velto).LNK"
                                                  : work_ / "Startup\\Quillstation (Velto).LNK";
        ASSERT_TRUE(test::WriteFileBytes(there, "not ours"));
        (void)DisableProductAutostart();
        EXPECT_EQ(test::ReadFileBytes(there), "not ours") << "start-up entry [" << c.entry << "]";
        DeleteFileA(there.c_str());
    }
    if (!keyExisted) RegDeleteTreeA(HKEY_CURRENT_USER, "Velto");
}

// ---- Libraries come from the system folder only --------------------------------------------

// A recording SHFOLDER.DLL sits beside a probe that loads the shell libraries the
// installer's way, with Wine told (for the probe only) to prefer such a native copy. The
// probe reports the first source missing, so SHFOLDER.DLL is really loaded and asked.
constexpr char PROBE_NAME[] = "dll_search_probe.exe";
constexpr char PROBE_DEFAULTS_KEY[] = "Software\\Wine\\AppDefaults\\dll_search_probe.exe";
constexpr char PROBE_OVERRIDES_KEY[] = "Software\\Wine\\AppDefaults\\dll_search_probe.exe\\DllOverrides";

class PlantedLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string helpers = test::ProgramFolder();
        ASSERT_TRUE(
            CopyFileA((helpers + "\\planted\\SHFOLDER.DLL").c_str(), (folder_ / "SHFOLDER.DLL").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((helpers + "\\" + PROBE_NAME).c_str(), (folder_ / PROBE_NAME).c_str(), FALSE));
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, PROBE_OVERRIDES_KEY, &key), ERROR_SUCCESS);
        static constexpr char PREFER_NATIVE[] = "native,builtin";
        RegSetValueExA(key, "shfolder", 0, REG_SZ, reinterpret_cast<const BYTE*>(PREFER_NATIVE), sizeof PREFER_NATIVE);
        RegCloseKey(key);
        SetEnvironmentVariableA("QS_PLANTED_MARKER", marker().c_str());
    }
    void TearDown() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, PROBE_OVERRIDES_KEY);
        RegDeleteKeyA(HKEY_CURRENT_USER, PROBE_DEFAULTS_KEY);
        SetEnvironmentVariableA("QS_PLANTED_MARKER", nullptr);
    }
    std::string marker() const { return folder_ / "marker.txt"; }
    int RunProbe(const char* mode) {
        DeleteFileA(marker().c_str());
        // The scratch folder is also the probe's current directory.
        char saved[MAX_PATH] = {};
        GetCurrentDirectoryA(sizeof saved, saved);
        SetCurrentDirectoryA(folder_.path().c_str());
        const int code = test::RunProgram(test::Quoted(folder_ / PROBE_NAME) + " " + mode);
        SetCurrentDirectoryA(saved);
        return code;
    }

    ScratchFolder folder_;
};

TEST_F(PlantedLibraryTest, PlantedCopyLoadsWhenSearchedByBareName) {
    // Shows that the planted library and the override work: a bare-name load takes it.
    EXPECT_EQ(RunProbe("bare"), 0);
    EXPECT_TRUE(test::IsFile(marker()));
}

TEST_F(PlantedLibraryTest, FolderOperationsLoadTheSystemCopyOnly) {
    for (const char* mode : {"fill", "unrestricted"}) {
        EXPECT_EQ(RunProbe(mode), 0) << mode;
        EXPECT_FALSE(test::IsFile(marker())) << mode;
    }
}

TEST_F(PlantedLibraryTest, StartUpRestrictionKeepsBareNamesInTheSystemFolder) {
    EXPECT_EQ(RunProbe("restricted-bare"), 0);
    EXPECT_FALSE(test::IsFile(marker()));
}

}  // namespace
}  // namespace qs
