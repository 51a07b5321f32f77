// The removal's last step, which may run from the installer's own copy in the install
// folder: the uninstall entry starts that copy. A running program's file cannot be
// deleted, but it can be moved on its volume. And what the next install takes back of
// the deletions such a removal left for the next start.
#pragma once

namespace qs {

struct InstallerState;

// Empties and removes the install folder. A current directory inside it is left first.
// When the running installer lies in the folder, it is moved into a new private folder
// under the system's Windows directory, and the moved file and that folder are deleted at
// the next start of the system. When it cannot be moved, it is renamed within the install
// folder (never scheduled under the name a later install takes) and deleted at the next
// start with the folder. Whatever else cannot be deleted now (a product file held open)
// is renamed and scheduled the same way. True when nothing but the running installer
// stays until the next start; false when a restart is needed to finish the removal.
bool DeleteInstallFolder(InstallerState& state);

// Withdraws the deletions at the next start that a removal asked for and that would take
// what an install writes: the package files and the installer's copy in the install
// folder, the folder and the folders above it. Every other request stays as it was.
// True when none of them is left.
bool WithdrawPendingDeletions(const InstallerState& state);

}  // namespace qs
