// Every code the installer process can end with: the install's and the removal's
// results, the install worker's start, start-up's and the window's failures; and, in
// one table, what each code means and what a deployment tool should make of it. The
// release tool writes the manifest's return codes from the table, and a test holds
// README's and DEPLOY.md's code tables to it. Portable: no Windows header.
#pragma once

namespace qs {

// The install procedure (and the exit code of a hidden unattended install).
inline constexpr int INSTALL_OK = 0;
inline constexpr int INSTALL_PACKAGE_DAMAGED = -1;
inline constexpr int INSTALL_NO_PROGRAM_FILES = -2;
inline constexpr int INSTALL_FOLDER_NOT_CREATED = -3;
inline constexpr int INSTALL_COPY_FAILED = -10;
// Replaced or repaired, but a replaced file in use (a running program) is deleted at the
// next start of the system: the same number as the removal's.
inline constexpr int INSTALL_RESTART_NEEDED = 3010;
// The install worker's thread could not be created.
inline constexpr int WORKER_NOT_STARTED = -1;

// The uninstall procedure.
inline constexpr int UNINSTALL_OK = 0;
inline constexpr int UNINSTALL_PACKAGE_DAMAGED = -1;
inline constexpr int UNINSTALL_NO_TARGET_FOLDER = -2;
// Removed, but something was in use: a restart finishes the removal. The system's
// ERROR_SUCCESS_REBOOT_REQUIRED, which deployment tools read as "success, restart".
inline constexpr int UNINSTALL_RESTART_NEEDED = 3010;

// Start-up: another installer runs, or the mutex cannot be made.
inline constexpr int EXIT_ALREADY_RUNNING = -1;
// Start-up: the window cannot be registered or created.
inline constexpr int EXIT_NO_WINDOW = -1;
// The message loop cannot get its next message.
inline constexpr int EXIT_MESSAGE_LOOP_FAILED = -1;

// How a deployment tool should take a code.
enum class DeployOutcome { Success, SoftReboot, Retry, Failure };

constexpr const char* DeployOutcomeName(DeployOutcome outcome) {
    switch (outcome) {
        case DeployOutcome::Success:
            return "success";
        case DeployOutcome::SoftReboot:
            return "soft-reboot";
        case DeployOutcome::Retry:
            return "retry";
        case DeployOutcome::Failure:
            return "failure";
    }
    return "failure";
}

// One code as an administrator meets it. wingetResponse is winget's kind for the code
// (null for 0, which needs none); helpLink says whether the manifest points at the
// vendor's support page for it.
struct ExitCodeFact {
    int code;
    DeployOutcome outcome;
    const char* wingetResponse;
    bool helpLink;
    const char* meaning;
};

inline constexpr ExitCodeFact EXIT_CODE_FACTS[] = {
    {INSTALL_OK, DeployOutcome::Success, nullptr, false,
     "installed, updated, repaired, removed, or nothing to do; or any interactive run"},
    // No one of winget's kinds fits every meaning of -1.
    {EXIT_ALREADY_RUNNING, DeployOutcome::Retry, "custom", true,
     "another installer runs; or the package is damaged; or the worker or the window could not start"},
    {INSTALL_NO_PROGRAM_FILES, DeployOutcome::Failure, "contactSupport", true,
     "the program-files folder could not be found, or the install folder could not be resolved"},
    {INSTALL_FOLDER_NOT_CREATED, DeployOutcome::Failure, "contactSupport", true,
     "the install folder could not be created (access refused, a file in the way)"},
    {INSTALL_COPY_FAILED, DeployOutcome::Failure, "fileInUse", true,
     "a product file could not be written or did not verify (held open, a full disk, or a damaged package)"},
    {UNINSTALL_RESTART_NEEDED, DeployOutcome::SoftReboot, "rebootRequiredToFinish", false,
     "removed or updated, but a file in use is deleted at the next start of Windows"},
};

// Codes of one meaning share their number: the table's rows stand for them all.
static_assert(EXIT_ALREADY_RUNNING == INSTALL_PACKAGE_DAMAGED && INSTALL_PACKAGE_DAMAGED == WORKER_NOT_STARTED &&
              WORKER_NOT_STARTED == EXIT_NO_WINDOW && EXIT_NO_WINDOW == EXIT_MESSAGE_LOOP_FAILED &&
              EXIT_MESSAGE_LOOP_FAILED == UNINSTALL_PACKAGE_DAMAGED);
static_assert(UNINSTALL_NO_TARGET_FOLDER == INSTALL_NO_PROGRAM_FILES && UNINSTALL_OK == INSTALL_OK);
static_assert(INSTALL_RESTART_NEEDED == UNINSTALL_RESTART_NEEDED);

}  // namespace qs
