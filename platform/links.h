// Shell links (.LNK files) through the shell's link object.
// Narrow strings in the ANSI code page. Inputs longer than an operation's buffer are
// refused, never truncated.
#pragma once

#include <windows.h>

#include <cstddef>

namespace qs {

inline constexpr std::size_t SHORTCUT_PATH_SIZE = 2048;
inline constexpr char SHORTCUT_SUFFIX[] = ".LNK";

// Creates folder\name.LNK pointing at target (description = name, working folder =
// the target's folder). COM must be initialised on the calling thread. Returns the
// HRESULT of the shell calls (S_OK on success); E_INVALIDARG for an overlong path.
HRESULT CreateShortcut(const char* target, const char* folder, const char* name, const char* arguments);
// Deletes folder\name.LNK. True when deleted.
bool DeleteShortcut(const char* folder, const char* name);

}  // namespace qs
