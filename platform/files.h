// Files and folders: creating folder paths, deleting trees, writing and finding files,
// folder identity, private folders, moving a file on its volume and deletion at the next
// start of the system. Narrow strings in the ANSI code page; every operation says whether
// it succeeded with a bool (DeleteFolderTree counts what stays). Inputs longer than an
// operation's buffer are refused, never truncated.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qs {

inline constexpr std::size_t FOLDER_PATH_SIZE = 1024;   // CreateFolderPath's copy
inline constexpr std::size_t TREE_PATH_SIZE = 2048;     // DeleteFolderTree's paths
inline constexpr std::size_t MAX_WITHDRAWN_PATHS = 24;  // WithdrawDeletionsAtRestart's list

// Creates every level of a folder path below its root, top down. True when every level
// is a folder afterwards (a file in the way fails); false for a path shorter than 5 or
// longer than FOLDER_PATH_SIZE - 1 characters.
bool CreateFolderPath(const char* path);
// What a tree deletion does with an entry that cannot be deleted now (a file held open, a
// running program).
struct TreeRemoval {
    // Null: the entry is left where it is. Otherwise it is deleted at the next start of
    // the system: a file is first renamed within its folder to restartStem-<random>, so
    // that its own name is free for a later install (a file whose rename fails is
    // scheduled under its name); a folder that stays is scheduled after what it holds.
    // Files already carrying the stem were renamed and scheduled by an earlier removal:
    // deleted at once when nothing holds them any more, else passed over.
    const char* restartStem = nullptr;
    // The running program's own file, when it lies in the tree: it stays without counting
    // as left, and is never scheduled under its own name.
    const char* own = nullptr;
};
// Deletes a folder with its files and sub-folders, going on past entries that stay; of
// the names a folder lists only "." and ".." are passed over. A read-only file or folder
// loses that attribute before it is deleted or scheduled. A reparse point (junction, symbolic
// link), inside the tree or the folder given, is removed as a link and never followed. An
// entry whose joined path exceeds TREE_PATH_SIZE - 1 characters ends the look at its
// folder. An empty path or a drive or share root is left alone. Returns the number of
// files, links and otherwise empty folders that stay (the own file aside): 0 when
// nothing but the own file is left.
std::size_t DeleteFolderTree(const char* folder, const TreeRemoval& removal = {});
// Creates or truncates path and writes count bytes. True when the file holds them all.
bool WriteWholeFile(const char* path, const void* data, std::uint32_t count);
// True when path names a file (not a folder) that can be opened for reading.
bool FileExists(const char* path);

// True when path is folder itself or lies anywhere below it. Folders are compared by
// identity (volume and file index), so letter case, short names and other spellings of
// one folder agree. False when either cannot be opened.
bool LiesWithinFolder(const char* path, const char* folder);
// True when both paths name one existing file or folder, however each is spelled (letter
// case, short names, links): compared by identity. False when either cannot be opened.
bool SameFile(const char* a, const char* b);

// Creates a new folder below parent, named stem-<32 random hexadecimal digits>, that only
// the Administrators group and SYSTEM may use (a protected access list: nothing is
// inherited from parent). A name that exists as anything (folder, file, link) is never
// taken; the name cannot be guessed beforehand. The path goes to out.
bool CreatePrivateFolder(const char* parent, const char* stem, char* out, std::size_t capacity);

// Moves a file to a new path on the same volume: never copies, never replaces. A running
// program's file can be moved this way, though it cannot be deleted.
bool MoveFileOnVolume(const char* from, const char* to);
// Renames path within its folder to stem-<32 random hexadecimal digits>, so that its own
// name is free again (a running program's file can be renamed). The new path goes to out.
bool RenameWithinFolder(const char* path, const char* stem, char* out, std::size_t capacity);

// Asks the system to delete path (a file, or a folder that is empty by then) when it
// next starts. The requests are carried out in the order they were made. A read-only
// path loses that attribute first: the deletion at the start clears none.
bool DeleteAtRestart(const char* path);
// Withdraws every request to delete one of paths[0, count) at the next start (DeleteAtRestart's
// spelling of the path, letter case aside), leaving every other request as it was: a
// path written again after its removal was scheduled must outlive the start. True when
// none is left; false for more than MAX_WITHDRAWN_PATHS paths, a path that does not
// convert, or a list that cannot be read or stored.
bool WithdrawDeletionsAtRestart(const char* const* paths, std::size_t count);

// When the current directory is folder or lies below it, makes the system folder the
// current directory instead: a folder cannot be removed while a process works in it.
void LeaveFolder(const char* folder);

}  // namespace qs
