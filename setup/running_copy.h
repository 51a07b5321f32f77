// The removal's last step, which may run from the installer's own copy in the install
// folder: the uninstall entry starts that copy. A running program's file cannot be
// deleted, but it can be moved on its volume.
#pragma once

namespace qs {

struct InstallerState;

// Empties and removes the install folder (best effort). A current directory inside it
// is left first. When the running installer lies in the folder, it is moved into a new
// private folder under the Windows directory, and the moved file and that folder are
// deleted at the next start of the system. When it cannot be moved, it and the install
// folder are scheduled for deletion at the next start where they are.
void DeleteInstallFolder(InstallerState& state);

}  // namespace qs
