// Path text edits and bounded joins. Portable: no Windows header.
// Every function that writes a buffer takes its capacity and refuses (returns false,
// leaving an empty string when the buffer has room for one) rather than truncating.
#pragma once

#include <cstddef>

namespace qs {

// Paths are held in buffers of this many bytes unless an operation names another size.
inline constexpr std::size_t PATH_BUFFER_SIZE = 1024;

// Copies text into out. False when it does not fit in capacity - 1 characters.
bool CopyText(char* out, std::size_t capacity, const char* text);
// Appends text to the string already in out. False (out unchanged) when it does not fit.
bool AppendText(char* out, std::size_t capacity, const char* text);
// Appends the decimal digits of value. False (out unchanged) when they do not fit.
bool AppendDecimal(char* out, std::size_t capacity, unsigned long value);
// out = folder, one backslash unless folder already ends in one, then name.
// An empty folder gives "\name". False (out empty) when the result does not fit.
bool JoinPath(char* out, std::size_t capacity, const char* folder, const char* name);

// Cuts the path at its last backslash (searching back to the second character).
// "C:\dir\file" -> "C:\dir", "C:\file" -> "C:", "\file" -> "", "file" unchanged.
void StripLastComponent(char* path);
// StripLastComponent that says whether it cut anything: false once path is a bare name
// or root, so a walk up the levels of a path ends.
bool StripToParent(char* path);
// Keeps only what follows the last backslash. "C:\dir\setup.exe" -> "setup.exe";
// a path ending in a backslash becomes empty; no backslash after the first character:
// unchanged ("\file" stays "\file").
void ReduceToFileName(char* path);
// Index where the folder levels below a path's root begin: the root is the first two
// characters up to the next backslash ("C:", "\\server\share" as a whole), and the
// backslash after it is stepped over. The length of the path when no level follows.
std::size_t SkipFolderRoot(const char* path);

// Cuts a path to its first component (a UNC path to "\\server"). True when cut.
bool CutToRoot(char* path);
// Like CutToRoot, but only a drive or UNC root survives; anything else becomes empty
// (result false).
bool CutToDriveRoot(char* path);

}  // namespace qs
