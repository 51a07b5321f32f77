// Files and folders beyond the shell-link and tree helpers: folder identity, private
// folders, moving a file on its volume and deletion at the next start of the system.
// Narrow strings in the ANSI code page; 1 for success, 0 for failure.
#pragma once

#include <cstddef>

namespace qs {

// 1 when path is folder itself or lies anywhere below it. Folders are compared by
// identity (volume and file index), so letter case, short names and other spellings of
// one folder agree. 0 when either cannot be opened.
int LiesWithinFolder(const char* path, const char* folder);
// 1 when both paths name one existing file or folder, however each is spelled (letter
// case, short names, links): compared by identity. 0 when either cannot be opened.
int SameFile(const char* a, const char* b);

// Creates a new folder below parent, named stem-<32 random hexadecimal digits>, that only
// the Administrators group and SYSTEM may use (a protected access list: nothing is
// inherited from parent). A name that exists as anything (folder, file, link) is never
// taken; the name cannot be guessed beforehand. The path goes to out.
int CreatePrivateFolder(const char* parent, const char* stem, char* out, std::size_t capacity);

// Moves a file to a new path on the same volume: never copies, never replaces. A running
// program's file can be moved this way, though it cannot be deleted.
int MoveFileOnVolume(const char* from, const char* to);
// Renames path within its folder to stem-<32 random hexadecimal digits>, so that its own
// name is free again (a running program's file can be renamed). The new path goes to out.
int RenameWithinFolder(const char* path, const char* stem, char* out, std::size_t capacity);

// Asks the system to delete path (a file, or a folder that is empty by then) when it
// next starts. The requests are carried out in the order they were made.
int DeleteAtRestart(const char* path);

// When the current directory is folder or lies below it, makes the system folder the
// current directory instead: a folder cannot be removed while a process works in it.
void LeaveFolder(const char* folder);

}  // namespace qs
