// Shortcut, registry and file-system helpers against the real shell, registry and
// folders of the test prefix.
#include "platform/files.h"
#include "platform/links.h"
#include "platform/registry.h"

#include <shlobj.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/owners.h"
#include "tests/support/win_support.h"

namespace qs {
namespace {

using test::IsFile;
using test::IsFolder;
using test::ReadFileBytes;
using test::ScratchFolder;
using test::ScratchKey;
using test::WriteFileBytes;

constexpr char GARBAGE = '#';
constexpr char MACHINE_SCRATCH_ROOT[] = "Software\\QuillstationTests";

std::string Replace(std::string text, const std::string& what, const std::string& with) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

// ---- Folders ---------------------------------------------------------------------

struct CreateCase {
    const char* path;  // "{S}" stands for a fresh scratch folder
    int result;
    std::vector<const char*> folders;  // exist afterwards
    std::vector<const char*> absent;   // do not exist afterwards
    std::vector<const char*> files;    // made before the call
};

TEST(CreateFolderPath, CreatesLevelsTopDownOrRefuses) {
    const std::string longName(FOLDER_PATH_SIZE, 'n');
    const std::vector<CreateCase> cases = {
        {"{S}\\ab", 1, {"{S}\\ab"}, {}, {}},
        {"{S}\\x\\y\\", 1, {"{S}\\x", "{S}\\x\\y"}, {}, {}},
        {"{S}\\a\\b\\c", 1, {"{S}\\a", "{S}\\a\\b", "{S}\\a\\b\\c"}, {}, {}},
        {"{S}", 1, {"{S}"}, {}, {}},                                   // every level exists
        {"{S}\\file\\sub", 0, {}, {"{S}\\file\\sub"}, {"{S}\\file"}},  // a file in the way
        {"{S}\\file", 0, {}, {}, {"{S}\\file"}},                       // the last level is a file
        {"{S}\\top\\{LONG}", 0, {}, {"{S}\\top"}, {}},                 // refused, nothing made
        {"C:\\a", 0, {}, {}, {}},                                      // shorter than 5
        {"", 0, {}, {}, {}},
    };
    for (const CreateCase& c : cases) {
        ScratchFolder scratch;
        const auto expand = [&](const char* text) {
            return Replace(Replace(text, "{S}", scratch.path()), "{LONG}", longName);
        };
        for (const char* file : c.files) ASSERT_TRUE(WriteFileBytes(expand(file), "x"));
        const std::string path = expand(c.path);
        EXPECT_EQ(CreateFolderPath(path.c_str()), c.result) << c.path;
        for (const char* folder : c.folders) EXPECT_TRUE(IsFolder(expand(folder))) << c.path << ": " << folder;
        for (const char* gone : c.absent) EXPECT_FALSE(IsFolder(expand(gone))) << c.path << ": " << gone;
    }
    EXPECT_EQ(CreateFolderPath(nullptr), 0);
}

TEST(CreateFolderPath, PathWithoutLevelsBelowItsRootCreatesNothing) {
    ScratchFolder scratch;
    char previous[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryA(sizeof previous, previous), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.path().c_str()));
    const int result = CreateFolderPath("abcdef");
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(IsFolder(scratch / "abcdef"));
}

struct TreeCase {
    const char* name;
    std::vector<const char*> folders;  // made first, relative to the tree
    std::vector<const char*> files;
    std::vector<const char*> remain;  // still there afterwards ("" = the tree itself)
    std::vector<const char*> gone;
    bool trailingSeparator = false;          // the folder is given as "tree\"
    std::vector<const char*> readOnly = {};  // made read-only after the files are written
};

TEST(DeleteFolderTree, DeletesWhatItMayAndStopsWhereItMust) {
    const std::vector<TreeCase> cases = {
        {"nested", {"a", "a\\b", "c"}, {"f1", ".f2", "a\\f3", "a\\b\\f4", "c\\f5"}, {}, {"", "a"}},
        {"dot-folder entered", {".cache", "sub"}, {"f1", ".cache\\keep", "sub\\f2"}, {}, {"", ".cache"}},
        {"read-only files and folder", {"ro"}, {"f1", "ro\\f2"}, {}, {""}, false, {"f1", "ro\\f2", "ro"}},
        {"empty", {}, {}, {}, {""}},
        {"given with a trailing backslash", {"a"}, {"f1", "a\\f2"}, {}, {""}, true},
    };
    for (const TreeCase& c : cases) {
        ScratchFolder scratch;
        const std::string tree = scratch / "tree";
        const auto at = [&](const char* relative) { return relative[0] == '\0' ? tree : tree + "\\" + relative; };
        ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
        for (const char* folder : c.folders) ASSERT_TRUE(CreateDirectoryA(at(folder).c_str(), nullptr));
        for (const char* file : c.files) ASSERT_TRUE(WriteFileBytes(at(file), "data"));
        for (const char* entry : c.readOnly)
            ASSERT_TRUE(SetFileAttributesA(at(entry).c_str(), FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(WriteFileBytes(scratch / "beside", "keep"));

        // A tree that stays counts as one entry left.
        EXPECT_EQ(DeleteFolderTree((c.trailingSeparator ? tree + "\\" : tree).c_str()), c.remain.empty() ? 0u : 1u)
            << c.name;
        for (const char* entry : c.remain) {
            EXPECT_NE(GetFileAttributesA(at(entry).c_str()), INVALID_FILE_ATTRIBUTES) << c.name << ": " << entry;
        }
        for (const char* entry : c.gone) {
            EXPECT_EQ(GetFileAttributesA(at(entry).c_str()), INVALID_FILE_ATTRIBUTES) << c.name << ": " << entry;
        }
        EXPECT_TRUE(IsFile(scratch / "beside")) << c.name;
    }
}

TEST(DeleteFolderTree, MissingFolderAndRootsAreLeftAlone) {
    ScratchFolder scratch;
    ASSERT_TRUE(WriteFileBytes(scratch / "keep", "x"));
    EXPECT_EQ(DeleteFolderTree((scratch / "missing").c_str()), 0u);
    EXPECT_EQ(DeleteFolderTree((scratch / "missing\\deeper").c_str()), 0u);
    EXPECT_EQ(DeleteFolderTree(nullptr), 0u);
    EXPECT_TRUE(IsFile(scratch / "keep"));
}

// Files held open, in the tree and in a sub-folder: everything else goes; what stays is
// counted and, when asked, deleted at the next start, files before their folders. The
// running program's own file stays uncounted and never scheduled under its name.
TEST(DeleteFolderTree, GoesOnPastFilesHeldOpenAndSchedulesThemWhenAsked) {
    struct Case {
        const char* name;
        const char* stem;
        bool own;  // "a" is the own file
        std::size_t left;
        std::vector<std::string> pending;  // relative to the tree, "" the tree, in order
    };
    const std::vector<Case> cases = {
        {"left alone", nullptr, false, 3, {}},
        {"scheduled", "stem", false, 3, {"a", "b", "sub\\c", "sub", ""}},
        {"own file neither counted nor scheduled", "stem", true, 2, {"b", "sub\\c", "sub", ""}},
    };
    for (const Case& c : cases) {
        test::PendingDeletions pending;
        pending.Clear();
        ScratchFolder scratch;
        const std::string tree = scratch / "tree";
        ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((tree + "\\sub").c_str(), nullptr));
        std::vector<UniqueFile> held;
        // "stem-free": renamed by an earlier removal, no longer held.
        for (const char* name : {"a", "b", "free", "stem-free", "sub\\c", "sub\\free"}) {
            const std::string path = tree + "\\" + name;
            ASSERT_TRUE(WriteFileBytes(path, "x"));
            if (std::strstr(name, "free") == nullptr) {
                held.emplace_back(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
                ASSERT_TRUE(held.back()) << name;
            }
        }
        TreeRemoval removal;
        removal.restartStem = c.stem;
        const std::string own = tree + "\\A";  // another spelling of "a"
        if (c.own) removal.own = own.c_str();
        EXPECT_EQ(DeleteFolderTree(tree.c_str(), removal), c.left) << c.name;
        EXPECT_TRUE(IsFile(tree + "\\a") && IsFile(tree + "\\b") && IsFile(tree + "\\sub\\c")) << c.name;
        EXPECT_FALSE(IsFile(tree + "\\free") || IsFile(tree + "\\stem-free") || IsFile(tree + "\\sub\\free")) << c.name;
        // Files of one folder come in the order the folder lists them; each folder after
        // what it holds.
        std::vector<std::string> paths = pending.Paths();
        for (std::string& path : paths) path = path == tree ? "" : path.substr(tree.size() + 1);
        if (paths.size() >= 2 && paths[0] == "b" && paths[1] == "a") std::swap(paths[0], paths[1]);
        EXPECT_EQ(paths, c.pending) << c.name;
        held.clear();
    }
}

// ---- Private folders ------------------------------------------------------------------

// A parent where others may create names (the Windows directory's Temp): every name a
// process-id-and-counter scheme would try is taken in advance, and still a fresh folder
// comes, named by 128 random bits, another one each time.
TEST(CreatePrivateFolder, TakesAFreshNameNobodyCouldGuess) {
    ScratchFolder parent;
    const std::string taken = parent / ("stem-" + std::to_string(GetCurrentProcessId()) + "-");
    for (int n = 0; n < 100; ++n) ASSERT_TRUE(CreateDirectoryA((taken + std::to_string(n)).c_str(), nullptr));
    char first[MAX_PATH];
    char second[MAX_PATH];
    ASSERT_EQ(CreatePrivateFolder(parent.path().c_str(), "stem", first, sizeof first), 1);
    ASSERT_EQ(CreatePrivateFolder(parent.path().c_str(), "stem", second, sizeof second), 1);
    EXPECT_STRNE(first, second);
    for (const char* made : {first, second}) {
        const std::string name = std::string(made).substr(parent.path().size() + 1);
        EXPECT_EQ(name.size(), 5u + 32u) << name;
        EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 5), std::string::npos) << name;
        EXPECT_TRUE(IsFolder(made));
    }
}

// ---- Folder links ------------------------------------------------------------------
// Under Wine a Unix symbolic link to a folder shows as a reparse point; it is made by
// running the Unix ln through Wine's own path translation. On Windows the link is a
// directory symbolic link where the system allows one.

using UnixNameFn = char*(CDECL*)(const wchar_t*);
using DosNameFn = wchar_t*(CDECL*)(const char*);

template <typename Function>
Function WineFunction(const char* name) {
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)));
}

std::wstring Wide(const std::string& text) {
    wchar_t buffer[2 * MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, buffer, 2 * MAX_PATH);
    return buffer;
}

std::string UnixPath(const std::string& windowsPath) {
    const auto toUnix = WineFunction<UnixNameFn>("wine_get_unix_file_name");
    if (toUnix == nullptr) return {};
    char* name = toUnix(Wide(windowsPath).c_str());
    if (name == nullptr) return {};
    std::string result = name;
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Runs a Unix program of the host with arguments (no quotes inside them).
bool RunUnix(const char* program, const std::vector<std::string>& arguments) {
    const auto toDos = WineFunction<DosNameFn>("wine_get_dos_file_name");
    if (toDos == nullptr) return false;
    wchar_t* dosName = toDos(program);
    if (dosName == nullptr) return false;
    std::wstring application = dosName;
    HeapFree(GetProcessHeap(), 0, dosName);
    std::wstring commandLine = L"\"" + application + L"\"";
    for (const std::string& argument : arguments) commandLine += L" \"" + Wide(argument) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool IsReparsePoint(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// A folder link at `link` to the existing folder `target`, removed at the end of the
// scope without touching the target.
class FolderLink {
public:
    FolderLink(const std::string& link, const std::string& target) : link_(link) {
        const std::size_t cut = link.find_last_of('\\');
        const std::string unixParent = UnixPath(link.substr(0, cut));
        const std::string unixTarget = UnixPath(target);
        if (!unixParent.empty() && !unixTarget.empty()) {
            unixLink_ = unixParent + "/" + link.substr(cut + 1);
            RunUnix("/bin/ln", {"-s", unixTarget, unixLink_});
        } else {
            constexpr DWORD UNPRIVILEGED = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
            CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | UNPRIVILEGED);
        }
    }
    ~FolderLink() {
        if (!IsReparsePoint(link_)) return;
        if (!unixLink_.empty()) {
            RunUnix("/bin/rm", {"-f", unixLink_});  // no -r: only the link itself
        } else {
            RemoveDirectoryA(link_.c_str());
        }
    }
    FolderLink(const FolderLink&) = delete;
    FolderLink& operator=(const FolderLink&) = delete;
    bool made() const { return IsReparsePoint(link_); }

private:
    std::string link_;
    std::string unixLink_;
};

void FillOutside(const std::string& outside) {
    ASSERT_TRUE(CreateDirectoryA(outside.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((outside + "\\inner").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(outside + "\\a.txt", "a"));
    ASSERT_TRUE(WriteFileBytes(outside + "\\b.txt", "b"));
    ASSERT_TRUE(WriteFileBytes(outside + "\\inner\\c.txt", "c"));
}

void ExpectOutsideIntact(const std::string& outside) {
    EXPECT_EQ(ReadFileBytes(outside + "\\a.txt"), "a");
    EXPECT_EQ(ReadFileBytes(outside + "\\b.txt"), "b");
    EXPECT_EQ(ReadFileBytes(outside + "\\inner\\c.txt"), "c");
}

TEST(DeleteFolderTree, NeverFollowsALinkInsideTheTree) {
    ScratchFolder scratch;
    const std::string outside = scratch / "outside";
    const std::string tree = scratch / "tree";
    FillOutside(outside);
    ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(tree + "\\own.txt", "x"));
    FolderLink link(tree + "\\link", outside);
    if (!link.made()) GTEST_SKIP() << "no folder link can be made here";

    // The link goes where the system can remove it as a folder (not a Unix link under Wine).
    EXPECT_LE(DeleteFolderTree(tree.c_str()), 1u);
    ExpectOutsideIntact(outside);
}

TEST(DeleteFolderTree, NeverFollowsTheLinkItIsGiven) {
    ScratchFolder scratch;
    const std::string outside = scratch / "outside";
    FillOutside(outside);
    FolderLink link(scratch / "tree", outside);
    if (!link.made()) GTEST_SKIP() << "no folder link can be made here";

    // The link goes where the system can remove it as a folder (not a Unix link under Wine).
    EXPECT_LE(DeleteFolderTree((scratch / "tree").c_str()), 1u);
    ExpectOutsideIntact(outside);
}

// ---- Shortcuts ---------------------------------------------------------------------

struct LinkContents {
    std::string path, description, workingFolder;
};

bool LoadShortcut(const std::string& file, LinkContents& out) {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void()))) {
        return false;
    }
    ComPtr<IPersistFile> persist;
    if (FAILED(link->QueryInterface(IID_IPersistFile, persist.put_void()))) return false;
    if (FAILED(persist->Load(Wide(file).c_str(), STGM_READ))) return false;
    char text[MAX_PATH * 2] = {};
    link->GetPath(text, sizeof text, nullptr, 0);
    out.path = text;
    text[0] = '\0';
    link->GetDescription(text, sizeof text);
    out.description = text;
    text[0] = '\0';
    link->GetWorkingDirectory(text, sizeof text);
    out.workingFolder = text;
    return true;
}

class ShortcutTest : public testing::Test {
protected:
    ComApartment com_;
    ScratchFolder scratch_;
};

TEST_F(ShortcutTest, CreatesReplacesAndDeletes) {
    ASSERT_TRUE(SUCCEEDED(com_.result()));
    const std::string first = scratch_ / "one\\App.exe";
    const std::string second = scratch_ / "two\\Other.exe";
    ASSERT_TRUE(CreateDirectoryA((scratch_ / "one").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((scratch_ / "two").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(first, "MZ"));
    ASSERT_TRUE(WriteFileBytes(second, "MZ"));
    const std::string file = scratch_ / "My App.LNK";

    ASSERT_EQ(CreateShortcut(first.c_str(), scratch_.path().c_str(), "My App", nullptr), S_OK);
    LinkContents contents;
    ASSERT_TRUE(LoadShortcut(file, contents));
    EXPECT_STRCASEEQ(contents.path.c_str(), first.c_str());
    EXPECT_EQ(contents.description, "My App");
    EXPECT_STRCASEEQ(contents.workingFolder.c_str(), (scratch_ / "one").c_str());

    // Same name again: the file is replaced.
    ASSERT_EQ(CreateShortcut(second.c_str(), (scratch_.path() + "\\").c_str(), "My App", ""), S_OK);
    ASSERT_TRUE(LoadShortcut(file, contents));
    EXPECT_STRCASEEQ(contents.path.c_str(), second.c_str());
    EXPECT_STRCASEEQ(contents.workingFolder.c_str(), (scratch_ / "two").c_str());

    EXPECT_NE(DeleteShortcut(scratch_.path().c_str(), "My App"), 0);
    EXPECT_FALSE(IsFile(file));
    EXPECT_EQ(DeleteShortcut(scratch_.path().c_str(), "My App"), 0);
}

TEST_F(ShortcutTest, OverlongPathIsRefused) {
    const std::string target = scratch_ / "App.exe";
    ASSERT_TRUE(WriteFileBytes(target, "MZ"));
    // folder + "\" + name + ".LNK" is one character over the limit.
    const std::string name(SHORTCUT_PATH_SIZE - scratch_.path().size() - 1 - 4, 'n');
    EXPECT_EQ(CreateShortcut(target.c_str(), scratch_.path().c_str(), name.c_str(), nullptr), E_INVALIDARG);
    EXPECT_EQ(DeleteShortcut(scratch_.path().c_str(), name.c_str()), 0);
    const std::string longTarget(SHORTCUT_PATH_SIZE, 't');
    EXPECT_EQ(CreateShortcut(longTarget.c_str(), scratch_.path().c_str(), "x", nullptr), E_INVALIDARG);
}

// ---- Registry ----------------------------------------------------------------------

void SetUserValue(const std::string& subkey, const char* name, DWORD type, const void* data, DWORD size) {
    UniqueKey key;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

struct ReadCase {
    const char* name;
    DWORD type;
    std::string data;  // stored bytes, exactly
    std::size_t capacity;
    int result;
    std::string text;  // handed out when result is 1
};

TEST(ReadUserString, CopiesWholeTerminatedTextsOnly) {
    const std::string handout(REG_VALUE_HANDOUT - 1, 'h');
    const std::vector<ReadCase> cases = {
        {"plain", REG_SZ, std::string("hello", 6), 64, 1, "hello"},
        {"empty", REG_SZ, std::string("", 1), 4, 1, ""},
        {"exact fit", REG_SZ, std::string("0123456789", 11), 11, 1, "0123456789"},
        {"one over the buffer", REG_SZ, std::string("0123456789", 11), 10, 0, ""},
        {"stored unterminated", REG_SZ, "abc", 4, 1, "abc"},
        {"expandable", REG_EXPAND_SZ, std::string("%TEMP%", 7), 64, 0, ""},
        {"number", REG_DWORD, std::string("\1\0\0\0", 4), 64, 0, ""},
        {"largest handed out", REG_SZ, handout + '\0', 8192, 1, handout},
        {"beyond the handout", REG_SZ, handout + "h" + '\0', 8192, 0, ""},
        {"beyond the value buffer", REG_SZ, std::string(REG_VALUE_SIZE, 'v') + '\0', 8192, 0, ""},
    };
    ScratchKey scratch;
    for (const ReadCase& c : cases) {
        SetUserValue(scratch.subkey(), c.name, c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        std::vector<char> out(c.capacity + 16, GARBAGE);
        EXPECT_EQ(ReadUserString(scratch.subkey().c_str(), c.name, out.data(), c.capacity), c.result) << c.name;
        if (c.result == 1) {
            EXPECT_EQ(std::string(out.data()), c.text) << c.name;
        } else {
            EXPECT_EQ(out[0], GARBAGE) << c.name << ": a refusal leaves the buffer untouched";
        }
        for (std::size_t i = c.capacity; i < out.size(); ++i) ASSERT_EQ(out[i], GARBAGE) << c.name << " at " << i;
    }
    char out[8] = {GARBAGE};
    EXPECT_EQ(ReadUserString(scratch.subkey().c_str(), "missing", out, sizeof out), 0);
    EXPECT_EQ(ReadUserString((scratch.subkey() + "\\missing").c_str(), "plain", out, sizeof out), 0);
    EXPECT_EQ(out[0], GARBAGE);
}

TEST(WriteValues, CreateMissingKeysAndOverwrite) {
    ScratchKey scratch;
    const std::string nested = scratch.subkey() + "\\a\\b\\c";
    EXPECT_EQ(WriteUserDword(nested.c_str(), "SysTray", 7), 1);
    DWORD number = 0;
    ASSERT_TRUE(test::ReadRegDword(HKEY_CURRENT_USER, nested, "SysTray", number));
    EXPECT_EQ(number, 7u);
    EXPECT_EQ(WriteUserDword(nested.c_str(), "SysTray", 0), 1);
    ASSERT_TRUE(test::ReadRegDword(HKEY_CURRENT_USER, nested, "SysTray", number));
    EXPECT_EQ(number, 0u);

    // Machine-wide values in a scratch key of their own, removed at the end.
    const std::string machine =
        std::string(MACHINE_SCRATCH_ROOT) + "\\" + scratch.subkey().substr(scratch.subkey().rfind('\\') + 1);
    const std::string machineNested = machine + "\\x\\y";
    // Written, then overwritten by shorter texts; the stored data counts the terminating
    // zero. (The system adds a zero the caller left out of a non-empty text's size when
    // one follows it in memory, but not to an empty one.)
    for (const std::string written : {"Quill station", "Q", ""}) {
        EXPECT_EQ(WriteMachineString(machineNested.c_str(), "DisplayName", written.c_str()), 1);
        std::string text;
        ASSERT_TRUE(test::ReadRegString(HKEY_LOCAL_MACHINE, machineNested, "DisplayName", text));
        EXPECT_EQ(text, written);
        UniqueKey key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, machineNested.c_str(), 0, KEY_QUERY_VALUE, key.put()),
                  ERROR_SUCCESS);
        DWORD type = REG_NONE;
        DWORD size = 0;
        ASSERT_EQ(RegQueryValueExA(key.get(), "DisplayName", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(size, written.size() + 1) << '"' << written << '"';
    }
    EXPECT_EQ(WriteMachineDword(machineNested.c_str(), "NoModify", 1), 1);
    ASSERT_TRUE(test::ReadRegDword(HKEY_LOCAL_MACHINE, machineNested, "NoModify", number));
    EXPECT_EQ(number, 1u);

    EXPECT_EQ(DeleteKeyTree(HKEY_LOCAL_MACHINE, machine.c_str()), 1);
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, machine));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, MACHINE_SCRATCH_ROOT);  // only when empty
}

TEST(DeleteKeyTree, DeletesANestedTreeAndRefusesMissingOrEmptyNames) {
    ScratchKey scratch;
    const std::string tree = scratch.subkey() + "\\tree";
    for (const char* sub : {"\\a\\x", "\\a\\y\\z", "\\b", "\\c\\d\\e\\f"}) {
        ASSERT_EQ(WriteUserDword((tree + sub).c_str(), "v", 1), 1);
    }
    ASSERT_EQ(WriteUserDword(scratch.subkey().c_str(), "beside", 1), 1);

    EXPECT_EQ(DeleteKeyTree(HKEY_CURRENT_USER, tree.c_str()), 1);
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, tree));
    DWORD number = 0;
    EXPECT_TRUE(test::ReadRegDword(HKEY_CURRENT_USER, scratch.subkey(), "beside", number));

    EXPECT_EQ(DeleteKeyTree(HKEY_CURRENT_USER, tree.c_str()), 0);
    EXPECT_EQ(DeleteKeyTree(HKEY_CURRENT_USER, nullptr), 0);
    UniqueKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, scratch.subkey().c_str(), 0, KEY_ALL_ACCESS, key.put()), ERROR_SUCCESS);
    EXPECT_EQ(DeleteKeyTree(key.get(), ""), 0);
    EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, scratch.subkey()));
}

// ---- Files -------------------------------------------------------------------------

TEST(WriteWholeFile, ReplacesTruncatesAndFailsWhenHeld) {
    ScratchFolder scratch;
    const std::string path = scratch / "file.bin";
    const std::string longer = "a rather longer content";
    ASSERT_EQ(WriteWholeFile(path.c_str(), longer.data(), static_cast<std::uint32_t>(longer.size())), 1);
    EXPECT_EQ(ReadFileBytes(path), longer);
    ASSERT_EQ(WriteWholeFile(path.c_str(), "ab", 2), 1);
    EXPECT_EQ(ReadFileBytes(path), "ab");
    ASSERT_EQ(WriteWholeFile(path.c_str(), nullptr, 0), 1);
    EXPECT_EQ(ReadFileBytes(path), "");

    ASSERT_TRUE(WriteFileBytes(path, "held"));
    {
        UniqueFile held(
            CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(WriteWholeFile(path.c_str(), "new", 3), 0);
    }
    EXPECT_EQ(ReadFileBytes(path), "held");
    EXPECT_EQ(WriteWholeFile((scratch / "missing\\file.bin").c_str(), "x", 1), 0);
}

TEST(FileExists, OnlyForReadableFiles) {
    ScratchFolder scratch;
    const std::string path = scratch / "present.txt";
    ASSERT_TRUE(WriteFileBytes(path, "x"));
    EXPECT_EQ(FileExists(path.c_str()), 1);
    EXPECT_EQ(FileExists(scratch.path().c_str()), 0);
    EXPECT_EQ(FileExists((scratch / "missing.txt").c_str()), 0);
    UniqueFile held(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(FileExists(path.c_str()), 0);
}

}  // namespace
}  // namespace qs
