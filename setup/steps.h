// The steps the procedures and the window take on the state record: the package
// directory and extraction, the install folder and the installed test. Each is a thin
// function over the package or platform operation that knows nothing of the record.
#pragma once

#include <cstddef>

namespace qs {

struct InstallerState;

// Copies the package directory of state.instance's package resource into
// state.packageDirectory. 0, or -1 when the package is missing or too short.
int ReadPackageDirectory(InstallerState& state);
// Deciphers, verifies and writes the package's files into state.installFolder (filter:
// null for all, else the exact name). 0, -100 minus the failed entries, or -1.
int ExtractPackage(InstallerState& state, const char* filter);
// state.installFolder = the program-files folder joined with subPath. 0, or -1 (the
// folder then empty).
int ResolveInstallFolder(InstallerState& state, const char* subPath);
// state.installed = 1 when the product's program exists in the install folder (which it
// resolves afresh), else 0. Returns installed.
int DetectInstalled(InstallerState& state);
// The product's program in the install folder: installFolder\Quillstation.exe. False
// when it does not fit.
bool ProductExePath(const InstallerState& state, char* out, std::size_t capacity);
// The running installer's own file name (what follows the last backslash of modulePath,
// by its long name when it was started by a short one). False when there is none (an
// unknown module path) or it does not fit.
bool InstallerFileName(const InstallerState& state, char* out, std::size_t capacity);

}  // namespace qs
