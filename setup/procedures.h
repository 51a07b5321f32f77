// The install procedure with its worker thread, and the uninstall procedure.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/record.h"

namespace qs {

struct InstallerState;

// Starts the install worker. wait 1: blocks until it ends and returns the install
// result; otherwise returns 0 at once. -1 when the thread cannot be created.
int StartInstallWorker(InstallerState& state, int wait);
// The worker thread's routine: below-normal priority, COM for the thread, the install,
// then workerResult, and workerRunning cleared last. Returns 0.
int InstallWorkerMain(InstallerState& state);
// Runs the whole installation on the calling thread; posts one CMD_PROCEDURE_RESULT.
int InstallProduct(InstallerState& state);
// Runs the whole removal on the calling thread; posts RESULT_FAILED on failure, and
// RESULT_RESTART_NEEDED (returning UNINSTALL_RESTART_NEEDED) when something in use stays
// until the next start of the system; nothing on plain success.
int UninstallProduct(InstallerState& state);
// Puts this release in place of another installed version, keeping what belongs to the
// user (the start-up shortcut, the tray values, files the user added). Nothing installed
// is touched before the whole package has verified in memory, the volume has room for
// the files that change and each of them can be moved; the installed files that differ
// are then renamed aside within the install folder while the new ones are written, and
// put back when a write fails, so that a failure leaves the installed version complete
// and its uninstall entry as it was. Afterwards the shortcuts, the installer's copy and
// the entry's values are written over in place. 0; 3010 when a replaced file in use
// (a running program) is deleted at the next start; else the install's failure code
// (-1, -2, -3, -10).
int ReplaceProduct(InstallerState& state);
// The same for this version already installed: what is missing or differs from the
// package (by content), the installer's copy and the uninstall entry when missing, are
// put back. With everything in place nothing is read beyond the installed files,
// nothing is written, nothing is posted, and the result is 0.
int RepairProduct(InstallerState& state);
// Whether the uninstall entry names this installer's version as the installed one.
bool InstalledVersionIsThisOne();
// Whether the uninstall entry exists, whatever it names: with the product's program gone
// it is an orphan that a removal takes away.
bool UninstallEntryPresent();
// Deletes the package's files from the install folder, by the names in the directory.
int DeletePackageFiles(InstallerState& state);
// Deletes the product's start-up shortcut and sets its two tray values to 0.
int DisableProductAutostart();

// ---- Portable pieces, host-tested ----

// A folder read from the registry or the shell (Start menu, start-up) is used only when
// it is absolute ("X:\..." or "\\server\share..."): anything else would land at the
// root of the current drive or below the current folder.
bool IsAbsoluteFolder(const char* folder);
// The file name under which the installer copies itself into the install folder: its
// own, unless that is the name of a package file (compared without letter case), which
// the copy would overwrite; then INSTALLER_FILE_NAME.
const char* InstallerCopyName(const char* ownName, const PackageDirectory& directory);
// "\"path\"" plus an optional suffix (e.g. " -h -u"). False when it does not fit.
bool FormatQuotedCommand(char* out, std::size_t capacity, const char* path, const char* suffix);
// The program path of a command: the text between its leading quotes, or the whole
// command when it is not quoted. False (out empty) for an unterminated quote or a path
// that does not fit.
bool CommandProgramPath(const char* command, char* out, std::size_t capacity);
// The install date as the uninstall entry holds it: "YYYYMMDD" into out (9 bytes or more).
bool FormatInstallDate(char* out, std::size_t capacity, unsigned year, unsigned month, unsigned day);
// Kibibytes taken by the package's files plus extra bytes, rounded up.
std::uint32_t EstimatedSizeKiB(const PackageDirectory& directory, std::uint64_t extraBytes);

}  // namespace qs
