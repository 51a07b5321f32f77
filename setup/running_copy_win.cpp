// Removal of the install folder, also from the installer copy that runs inside it.
#include "setup/running_copy.h"

#include <windows.h>

#include <cstring>

#include "package/package.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/system_seam.h"
#include "setup/exit_codes.h"
#include "setup/names.h"
#include "setup/procedures.h"
#include "setup/product.h"
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

// The paths whose deletion at the next start an install withdraws, each held whole (one
// that does not fit is left out, never cut).
class WrittenPaths {
public:
    // folder joined with name, or folder itself when name is null.
    void Add(const char* folder, const char* name) {
        if (count_ == MAX_WITHDRAWN_PATHS) return;
        const bool fits = name != nullptr ? JoinPath(paths_[count_], PATH_BUFFER_SIZE, folder, name)
                                          : CopyText(paths_[count_], PATH_BUFFER_SIZE, folder);
        if (!fits) return;
        list_[count_] = paths_[count_];
        ++count_;
    }
    const char* const* list() const { return list_; }
    std::size_t count() const { return count_; }

private:
    char paths_[MAX_WITHDRAWN_PATHS][PATH_BUFFER_SIZE];
    const char* list_[MAX_WITHDRAWN_PATHS] = {};
    std::size_t count_ = 0;
};

}  // namespace

bool WithdrawPendingDeletions(const InstallerState& state) {
    if (state.installFolder[0] == '\0') return false;
    WrittenPaths written;
    for (const PackageEntry& entry : state.packageDirectory.entries) {
        if (IsSafeRelativeName(entry.name, sizeof entry.name)) written.Add(state.installFolder, entry.name);
    }
    // The copy takes the installer's own name, or the fixed one beside a package file.
    char fileName[PATH_BUFFER_SIZE];
    if (InstallerFileName(state, fileName, sizeof fileName)) {
        written.Add(state.installFolder, InstallerCopyName(fileName, state.packageDirectory));
    }
    written.Add(state.installFolder, INSTALLER_FILE_NAME);
    // The folder and every level above it, up to the drive or share.
    char level[PATH_BUFFER_SIZE];
    if (CopyText(level, sizeof level, state.installFolder)) {
        while (SkipFolderRoot(level) < std::strlen(level)) {
            written.Add(level, nullptr);
            if (!StripToParent(level)) break;
        }
    }
    return WithdrawDeletionsAtRestart(written.list(), written.count());
}

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
