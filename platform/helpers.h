// Shell links, registry values and file-system operations.
// Narrow strings in the ANSI code page; small operations return 1 for success, 0 for
// failure. Inputs longer than an operation's buffer are refused, never truncated.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace qs {

inline constexpr std::size_t SHORTCUT_PATH_SIZE = 2048;
inline constexpr std::size_t FOLDER_PATH_SIZE = 1024;   // CreateFolderPath's copy
inline constexpr std::size_t TREE_PATH_SIZE = 2048;     // DeleteFolderTree's paths
inline constexpr std::size_t REG_VALUE_SIZE = 4096;     // ReadUserString's value buffer
inline constexpr std::size_t REG_VALUE_HANDOUT = 4050;  // at most this much is copied out
inline constexpr std::size_t SUBKEY_NAME_SIZE = 1024;   // DeleteKeyTree's enumeration
inline constexpr char SHORTCUT_SUFFIX[] = ".LNK";

// Creates folder\name.LNK pointing at target (description = name, working folder =
// the target's folder). COM must be initialised on the calling thread. Returns the
// HRESULT of the shell calls (S_OK on success); E_INVALIDARG for an overlong path.
HRESULT CreateShortcut(const char* target, const char* folder, const char* name, const char* arguments);
// Deletes folder\name.LNK. Non-zero when deleted.
int DeleteShortcut(const char* folder, const char* name);

// Reads a REG_SZ value under HKEY_CURRENT_USER\subkey into out (capacity bytes). The text
// is copied whole and terminated, also when it was stored without a terminator. 1 when
// copied; 0 and out untouched otherwise (missing, another type such as REG_EXPAND_SZ,
// data larger than REG_VALUE_SIZE, text that does not fit REG_VALUE_HANDOUT or out).
int ReadUserString(const char* subkey, const char* valueName, char* out, std::size_t capacity);
// The same under HKEY_LOCAL_MACHINE\subkey (the registry view of the program's bitness).
int ReadMachineString(const char* subkey, const char* valueName, char* out, std::size_t capacity);
// REG_SZ under HKEY_LOCAL_MACHINE\subkey (keys created as needed), its terminating zero
// counted in the data.
int WriteMachineString(const char* subkey, const char* valueName, const char* text);
// REG_DWORD under HKEY_CURRENT_USER\subkey (keys created as needed).
int WriteUserDword(const char* subkey, const char* valueName, std::uint32_t value);
// REG_DWORD under HKEY_LOCAL_MACHINE\subkey (keys created as needed).
int WriteMachineDword(const char* subkey, const char* valueName, std::uint32_t value);
// Deletes root\subkey and everything below it, depth first. 1 when deleted; 0 when the
// key is missing, anything stays behind, or subkey is empty (the root itself).
int DeleteKeyTree(HKEY root, const char* subkey);

// Creates every level of a folder path below its root, top down. 1 when every level is
// a folder afterwards (a file in the way fails); 0 for a path shorter than 5 or longer
// than FOLDER_PATH_SIZE - 1 characters.
int CreateFolderPath(const char* path);
// What a tree deletion does with an entry that cannot be deleted now (a file held open, a
// running program).
struct TreeRemoval {
    // Null: the entry is left where it is. Otherwise it is deleted at the next start of
    // the system: a file is first renamed within its folder to restartStem-<random>, so
    // that its own name is free for a later install (a file whose rename fails is
    // scheduled under its name); a folder that stays is scheduled after what it holds.
    // Files already carrying the stem are passed over: a removal scheduled them before.
    const char* restartStem = nullptr;
    // The running program's own file, when it lies in the tree: it stays without counting
    // as left, and is never scheduled under its own name.
    const char* own = nullptr;
};
// Deletes a folder with its files and sub-folders, going on past entries that stay; never
// enters a folder whose name starts with a full stop. A reparse point (junction, symbolic
// link), inside the tree or the folder given, is removed as a link and never followed. An
// entry whose joined path exceeds TREE_PATH_SIZE - 1 characters ends the look at its
// folder. An empty path or a drive or share root is left alone. Returns the number of
// files, links and otherwise empty folders that stay (the own file aside): 0 when
// nothing but the own file is left.
std::size_t DeleteFolderTree(const char* folder, const TreeRemoval& removal = {});
// Creates or truncates path and writes count bytes. 1 when the file holds them all.
int WriteWholeFile(const char* path, const void* data, std::uint32_t count);
// 1 when path names a file (not a folder) that can be opened for reading.
int FileExists(const char* path);

}  // namespace qs
