// Shell folders, the install location and the desktop shortcut.
#pragma once

#include <cstddef>

#include "setup/state.h"

namespace qs {

inline constexpr std::size_t KNOWN_FOLDER_SIZE = 512;

// Fills the process-wide table of shell folders once; a second call does nothing.
void FillKnownFolders();
// The all-users Start-menu programs folder, possibly empty.
const char* GetCommonProgramsFolder();
// The per-user startup folder ("Startup" when no shell function supplied it).
const char* GetStartupFolder();
// The per-user desktop folder into out (PATH_BUFFER_SIZE bytes), or "" when unknown.
void GetDesktopFolder(char* out);
// Creates (createFlag 1) or deletes (any other value) name.LNK on the per-user desktop.
// Does nothing when the desktop folder cannot be found.
void SetDesktopShortcut(const char* name, const char* target, int createFlag);
// installFolder = program-files folder joined with subPath. 0, or -1 when empty.
int ResolveInstallFolder(InstallerState& state, const char* subPath);
// installed = 1 when the product executable exists in the install folder.
int DetectInstalled(InstallerState& state);

}  // namespace qs
