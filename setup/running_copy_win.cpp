// Removal of the install folder, also from the installer copy that runs inside it.
#include "setup/running_copy.h"

#include <windows.h>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/system_seam.h"
#include "setup/exit_codes.h"
#include "setup/names.h"
#include "setup/state.h"
#include "setup/steps.h"
#include "setup/texts.h"
#include "setup/uninstall_entry.h"

namespace qs {
namespace {

enum class RunningCopy { Elsewhere, MovedAside, Stuck };

// The system's Windows directory's temporary folder, whose sub-folders only their owner
// may rename or delete (on a terminal server the plain Windows directory of a program is
// the user's own).
bool AsideParent(char* out, std::size_t capacity) {
    char windows[PATH_BUFFER_SIZE];
    const UINT length = System().getSystemWindowsDirectory(windows, static_cast<UINT>(sizeof windows));
    return length != 0 && length < sizeof windows && JoinPath(out, capacity, windows, WINDOWS_TEMP_FOLDER);
}

// folder joined with the running installer's file name.
bool AsidePath(const InstallerState& state, const char* folder, char* out, std::size_t capacity) {
    char fileName[PATH_BUFFER_SIZE];
    return InstallerFileName(state, fileName, sizeof fileName) && JoinPath(out, capacity, folder, fileName);
}

RunningCopy MoveRunningCopyAside(const InstallerState& state) {
    if (state.modulePath[0] == '\0' || !LiesWithinFolder(state.modulePath, state.installFolder)) {
        return RunningCopy::Elsewhere;
    }
    char parent[PATH_BUFFER_SIZE];
    char folder[PATH_BUFFER_SIZE];
    char aside[PATH_BUFFER_SIZE];
    if (!AsideParent(parent, sizeof parent) ||
        !CreatePrivateFolder(parent, REMOVAL_FOLDER_STEM, folder, sizeof folder)) {
        return RunningCopy::Stuck;
    }
    if (AsidePath(state, folder, aside, sizeof aside) && MoveFileOnVolume(state.modulePath, aside)) {
        if (DeleteAtRestart(aside) && DeleteAtRestart(folder)) return RunningCopy::MovedAside;
        // A moved file is never left without its deletion: back where it came from.
        (void)MoveFileOnVolume(aside, state.modulePath);
    }
    (void)::RemoveDirectoryA(folder);
    return RunningCopy::Stuck;
}

}  // namespace

bool DeleteInstallFolder(InstallerState& state) {
    LeaveFolder(state.installFolder);
    // A copy that cannot be moved aside stays in the folder, renamed out of the name a
    // later install takes and deleted at the next start with the folder; it does not
    // count as left.
    TreeRemoval removal;
    removal.restartStem = REMOVAL_FOLDER_STEM;
    if (MoveRunningCopyAside(state) == RunningCopy::Stuck) removal.own = state.modulePath;
    return DeleteFolderTree(state.installFolder, removal) == 0;
}

}  // namespace qs
