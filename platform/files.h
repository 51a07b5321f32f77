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

// Creates a new folder below parent, named stem-<process id>-<n> for the first free n,
// that only the Administrators group and SYSTEM may use (a protected access list: nothing
// is inherited from parent). An existing folder is never taken. The path goes to out.
int CreatePrivateFolder(const char* parent, const char* stem, char* out, std::size_t capacity);

// Moves a file to a new path on the same volume: never copies, never replaces. A running
// program's file can be moved this way, though it cannot be deleted.
int MoveFileOnVolume(const char* from, const char* to);

// Asks the system to delete path (a file, or a folder that is empty by then) when it
// next starts. The requests are carried out in the order they were made.
int DeleteAtRestart(const char* path);

// When the current directory is folder or lies below it, makes the system folder the
// current directory instead: a folder cannot be removed while a process works in it.
void LeaveFolder(const char* folder);

}  // namespace qs
