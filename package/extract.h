// The package resource of a module: directory reading and extraction into the install
// folder. Windows side of package/package.h.
#pragma once

#include "setup/state.h"

namespace qs {

// Copies the first 468 bytes of the package resource (RCDATA 100 of state.instance)
// into state.packageDirectory. 0 when copied; -1 when the resource is missing, cannot
// be loaded or is 468 bytes or shorter (packageDirectory unchanged then).
int ReadPackageDirectory(InstallerState& state);

// Deciphers and verifies every entry of the package resource and writes the selected
// ones into state.installFolder (filter: null for all, else the exact name). Works on a
// private copy of the resource, so the loaded module is never written and every call
// starts from the stored bytes. 0 when all entries were verified and written;
// -100 minus the failed entries; -1 when the resource is missing or cannot be loaded
// or copied.
int ExtractPackage(InstallerState& state, const char* filter);

}  // namespace qs
