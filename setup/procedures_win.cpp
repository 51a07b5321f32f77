// The install procedure on its worker thread, and the uninstall procedure.
#include "setup/procedures.h"

#include <windows.h>

#include <atomic>
#include <cstring>

#include "package/extract.h"
#include "package/file_digest.h"
#include "package/package.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/links.h"
#include "platform/owners.h"
#include "platform/paths.h"
#include "platform/phases.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/write_checks.h"
#include "setup/exit_codes.h"
#include "setup/names.h"
#include "setup/product.h"
#include "setup/results.h"
#include "setup/running_copy.h"
#include "setup/state.h"
#include "setup/steps.h"
#include "setup/texts.h"
#include "setup/uninstall_entry.h"

namespace qs {
namespace {

// Hands the outcome to the window. The caption and text are complete before the post;
// the fence pairs with the one in the window's result handler.
void PostResult(InstallerState& state, long code) {
    std::atomic_thread_fence(std::memory_order_release);
    // Counted before it can be answered; a post that fails never will be.
    CountPostedResult(state, 1);
    if (!::PostMessageA(state.window, WM_COMMAND, CMD_PROCEDURE_RESULT, code)) CountPostedResult(state, -1);
}

int Fail(InstallerState& state, int code, const char* format, const char* argument) {
    (void)FormatText(state.errorText, sizeof state.errorText, format, argument);
    PostResult(state, RESULT_FAILED);
    return code;
}

// The "Velto\Quillstation" folder under a Start-menu programs folder, when usable.
bool StartMenuFolder(const char* programs, char* out, std::size_t capacity) {
    return IsAbsoluteFolder(programs) && JoinPath(out, capacity, programs, INSTALL_SUBPATH);
}

// The per-user Start-menu programs folder from the shell-folders key, when usable.
bool UserProgramsFolder(char* out, std::size_t capacity) {
    return ReadUserString(SHELL_FOLDERS_KEY, PROGRAMS_VALUE, out, capacity) && IsAbsoluteFolder(out);
}

bool UninstallKeyPath(char* out, std::size_t capacity) {
    // Always one backslash between root and entry name.
    return CopyText(out, capacity, UNINSTALL_ROOT_KEY) && AppendText(out, capacity, "\\") &&
           AppendText(out, capacity, UNINSTALL_ENTRY_NAME);
}

// Both Start-menu shortcuts in programs\Velto\Quillstation (best effort).
void CreateStartMenuShortcuts(InstallerState& state, const char* programs) {
    char folder[PATH_BUFFER_SIZE];
    if (!StartMenuFolder(programs, folder, sizeof folder) || !CreateFolderPath(folder)) return;
    char target[PATH_BUFFER_SIZE];
    if (JoinPath(target, sizeof target, state.installFolder, README_FILE_NAME)) {
        (void)CreateShortcut(target, folder, README_SHORTCUT_NAME, "");
    }
    if (ProductExePath(state, target, sizeof target)) {
        (void)CreateShortcut(target, folder, PRODUCT_NAME, "");
    }
}

// The Start-menu shortcuts for the user and for all users, and the desktop shortcut;
// existing ones are replaced in place (best effort).
void CreateProductShortcuts(InstallerState& state) {
    char programs[PATH_BUFFER_SIZE];
    if (UserProgramsFolder(programs, sizeof programs)) CreateStartMenuShortcuts(state, programs);
    if (CopyText(programs, sizeof programs, GetCommonProgramsFolder()) && programs[0] != '\0') {
        CreateStartMenuShortcuts(state, programs);
    }
    char exePath[PATH_BUFFER_SIZE];
    if (ProductExePath(state, exePath, sizeof exePath)) SetDesktopShortcut(DESKTOP_SHORTCUT_NAME, exePath, 1);
}

// True when nothing of the folder stays until the next start.
bool DeleteStartMenuFolder(const char* programs) {
    char folder[PATH_BUFFER_SIZE];
    if (!StartMenuFolder(programs, folder, sizeof folder)) return true;
    (void)DeleteShortcut(folder, PRODUCT_NAME);
    (void)DeleteShortcut(folder, README_SHORTCUT_NAME);
    TreeRemoval removal;
    removal.restartStem = REMOVAL_FOLDER_STEM;
    return DeleteFolderTree(folder, removal) == 0;
}

// A command of the uninstall entry: the quoted copy's path and the quiet switches.
constexpr std::size_t COMMAND_SIZE = PATH_BUFFER_SIZE + 16;

// Whether path is one of the package's files in the install folder, however it is
// spelled (a short name, letter case): the same file, not the same text.
bool IsPackageFile(const InstallerState& state, const char* path) {
    for (const PackageEntry& entry : state.packageDirectory.entries) {
        char packageFile[PATH_BUFFER_SIZE];
        if (JoinPath(packageFile, sizeof packageFile, state.installFolder, entry.name) && SameFile(path, packageFile)) {
            return true;
        }
    }
    return false;
}

// Copies the running installer into the install folder and writes the copy's path to
// copyPath (empty when no copy was attempted). The copy never replaces a product file.
void CopyInstaller(InstallerState& state, char* copyPath, std::size_t capacity) {
    char fileName[PATH_BUFFER_SIZE];
    copyPath[0] = '\0';
    // Without a file name (an unknown module path) the join would name the install folder.
    if (!InstallerFileName(state, fileName, sizeof fileName)) return;
    if (!JoinPath(copyPath, capacity, state.installFolder, InstallerCopyName(fileName, state.packageDirectory))) {
        return;
    }
    if (IsPackageFile(state, copyPath) && !JoinPath(copyPath, capacity, state.installFolder, INSTALLER_FILE_NAME)) {
        return;
    }
    // Started from that copy: it is already there.
    if (SameFile(state.modulePath, copyPath)) return;
    if (::CopyFileA(state.modulePath, copyPath, FALSE)) {
        ::SetFileAttributesA(copyPath, FILE_ATTRIBUTE_NORMAL);
    }
}

std::uint64_t FileSizeOf(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The text of one computed value of the uninstall entry into out; false when there is
// none (a path that does not fit).
bool EntryValueText(const InstallerState& state, const char* copyPath, EntryValueSource source, char* out,
                    std::size_t capacity) {
    switch (source) {
        case EntryValueSource::UninstallCommand:
            return FormatQuotedCommand(out, capacity, copyPath, nullptr);
        case EntryValueSource::QuietUninstallCommand:
            return FormatQuotedCommand(out, capacity, copyPath, QUIET_UNINSTALL_SWITCHES);
        case EntryValueSource::ProductProgram:
            return ProductExePath(state, out, capacity);
        case EntryValueSource::InstallFolder:
            return CopyText(out, capacity, state.installFolder);
        case EntryValueSource::InstallDate: {
            SYSTEMTIME today;
            ::GetLocalTime(&today);
            return FormatInstallDate(out, capacity, today.wYear, today.wMonth, today.wDay);
        }
        case EntryValueSource::Fixed:
        case EntryValueSource::EstimatedSize:
            break;
    }
    return false;
}

// The uninstall entry: what the system's list of programs shows and runs, value by value
// as setup/uninstall_entry.h lists them (best effort).
void WriteUninstallEntry(InstallerState& state, const char* copyPath) {
    char key[PATH_BUFFER_SIZE];
    if (!UninstallKeyPath(key, sizeof key)) return;
    for (const EntryValue& value : UNINSTALL_ENTRY_VALUES) {
        if (value.type == EntryValueType::Number) {
            const std::uint32_t number = value.source == EntryValueSource::EstimatedSize
                                             ? EstimatedSizeKiB(state.packageDirectory, FileSizeOf(copyPath))
                                             : value.number;
            (void)WriteMachineDword(key, value.name, number);
            continue;
        }
        char text[COMMAND_SIZE];
        if (value.source == EntryValueSource::Fixed) {
            (void)WriteMachineString(key, value.name, value.text);
        } else if (EntryValueText(state, copyPath, value.source, text, sizeof text)) {
            (void)WriteMachineString(key, value.name, text);
        }
    }
}

// ---- Bringing an installed product to this release ----

// One package file of an update, planned before anything installed is touched.
struct FileUpdate {
    char path[PATH_BUFFER_SIZE];
    char aside[PATH_BUFFER_SIZE];  // where the installed file waits meanwhile; empty when none
    bool stale;                    // missing, or its content differs from the package's
    bool written;                  // the new content was (being) written at path
};

struct UpdatePlan {
    FileUpdate files[PACKAGE_ENTRY_COUNT];
    std::size_t staleCount;
    std::uint64_t staleBytes;
};

// Compares each installed package file with its entry. False for a name that could lead
// out of the install folder or a path that does not fit.
bool PlanUpdate(const InstallerState& state, UpdatePlan& plan) {
    plan = {};
    for (std::size_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        const PackageEntry& entry = state.packageDirectory.entries[i];
        FileUpdate& file = plan.files[i];
        if (!IsSafeRelativeName(entry.name, sizeof entry.name) ||
            !JoinPath(file.path, sizeof file.path, state.installFolder, entry.name)) {
            return false;
        }
        file.stale = !FileMatchesEntry(file.path, entry);
        if (!file.stale) continue;
        ++plan.staleCount;
        plan.staleBytes += entry.size;
    }
    return true;
}

bool StaleFilesReplaceable(const UpdatePlan& plan) {
    for (const FileUpdate& file : plan.files) {
        if (file.stale && !CanReplaceFile(file.path)) return false;
    }
    return true;
}

// Removes what was written and puts back what was renamed aside.
void RestoreFiles(UpdatePlan& plan) {
    for (FileUpdate& file : plan.files) {
        if (file.written) (void)::DeleteFileA(file.path);
        if (file.aside[0] != '\0' && MoveFileOnVolume(file.aside, file.path)) file.aside[0] = '\0';
    }
}

// Writes each stale file from the verified package, the installed one renamed aside
// first. On the first failure everything is put back and the result is false.
bool SwapFiles(const InstallerState& state, const PlainPackage& package, UpdatePlan& plan) {
    for (std::size_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        FileUpdate& file = plan.files[i];
        if (!file.stale) continue;
        const PackageEntry& entry = state.packageDirectory.entries[i];
        const std::uint8_t* bytes = package.EntryBytes(entry);
        bool ok = bytes != nullptr;
        if (ok && ::GetFileAttributesA(file.path) != INVALID_FILE_ATTRIBUTES) {
            ok = RenameWithinFolder(file.path, PREVIOUS_FILE_STEM, file.aside, sizeof file.aside);
        }
        if (ok) {
            char folder[PATH_BUFFER_SIZE];
            if (CopyText(folder, sizeof folder, file.path)) StripLastComponent(folder);
            (void)CreateFolderPath(folder);  // a sub-folder of the entry; a failure shows in the write
            file.written = true;
            ok = WriteWholeFile(file.path, bytes, entry.size);
        }
        if (!ok) {
            RestoreFiles(plan);
            return false;
        }
    }
    return true;
}

// A file that goes now, or at the next start of the system when it is in use. True
// when it is gone now.
bool DeleteNowOrAtRestart(const char* path) {
    if (::DeleteFileA(path) != FALSE) return true;
    (void)DeleteAtRestart(path);
    return false;
}

// Deletes what was renamed aside (a running program goes at the next start). True when
// nothing waits for the next start.
bool DeleteAsideFiles(const UpdatePlan& plan) {
    bool complete = true;
    for (const FileUpdate& file : plan.files) {
        if (file.aside[0] != '\0') complete &= DeleteNowOrAtRestart(file.aside);
    }
    return complete;
}

// The installer copy that the uninstall entry runs, when it exists in the install folder.
bool RegisteredCopy(const InstallerState& state, char* out, std::size_t capacity) {
    char key[PATH_BUFFER_SIZE];
    char command[COMMAND_SIZE];
    return UninstallKeyPath(key, sizeof key) &&
           ReadMachineString(key, UNINSTALL_STRING_VALUE, command, sizeof command) &&
           CommandProgramPath(command, out, capacity) && FileExists(out) && LiesWithinFolder(out, state.installFolder);
}

enum class UpdateKind { Replace, Repair };

// ReplaceProduct and RepairProduct: one procedure, which a repair skips when nothing
// is missing.
int UpdateProduct(InstallerState& state, UpdateKind kind) {
    ComApartment com;  // shortcuts are created on this thread
    (void)FormatText(state.errorCaption, sizeof state.errorCaption, INSTALL_ERROR_CAPTION_FORMAT, PRODUCT_NAME);
    SetStatusText(state, STATUS_EXTRACT_PACKAGE);
    if (ReadPackageDirectory(state) != 0) {
        return Fail(state, INSTALL_PACKAGE_DAMAGED, INSTALL_PACKAGE_DAMAGED_FORMAT, VENDOR_WEB_ADDRESS);
    }
    if (ResolveInstallFolder(state, INSTALL_SUBPATH) != 0) {
        return Fail(state, INSTALL_NO_PROGRAM_FILES, INSTALL_TARGET_FOLDER_FORMAT, VENDOR_WEB_ADDRESS);
    }
    // The installed release stays, whatever follows: an earlier removal's next-start
    // deletions of its paths must not take it.
    (void)WithdrawPendingDeletions(state);
    UpdatePlan plan;
    if (!PlanUpdate(state, plan)) {
        return Fail(state, INSTALL_COPY_FAILED, INSTALL_COPY_FAILED_FORMAT, VENDOR_WEB_ADDRESS);
    }
    char registered[PATH_BUFFER_SIZE];
    const bool registeredCopy = RegisteredCopy(state, registered, sizeof registered);
    if (kind == UpdateKind::Repair && plan.staleCount == 0 && registeredCopy) return INSTALL_OK;
    MarkPhase("compared");

    // Nothing installed is touched before the whole package has verified and the target
    // has room for what changes, and every file to replace can be moved.
    PlainPackage package;
    const int loaded = package.Load(state.instance, state.packageDirectory);
    if (loaded == PACKAGE_MISSING) {
        return Fail(state, INSTALL_PACKAGE_DAMAGED, INSTALL_PACKAGE_DAMAGED_FORMAT, VENDOR_WEB_ADDRESS);
    }
    if (loaded != 0) return Fail(state, INSTALL_COPY_FAILED, INSTALL_COPY_FAILED_FORMAT, VENDOR_WEB_ADDRESS);
    MarkPhase("package verified");
    SetStatusText(state, STATUS_COPY_FILES);
    if (!CreateFolderPath(state.installFolder)) {
        return Fail(state, INSTALL_FOLDER_NOT_CREATED, INSTALL_TARGET_FOLDER_FORMAT, VENDOR_WEB_ADDRESS);
    }
    if (!HasFreeSpace(state.installFolder, plan.staleBytes + FileSizeOf(state.modulePath)) ||
        !StaleFilesReplaceable(plan) || !SwapFiles(state, package, plan)) {
        return Fail(state, INSTALL_COPY_FAILED, INSTALL_COPY_FAILED_FORMAT, VENDOR_WEB_ADDRESS);
    }
    MarkPhase("files written");
    SetStatusText(state, STATUS_FINALIZE);

    // From here on every step is best effort: this release's files are in place.
    CreateProductShortcuts(state);
    bool complete = DeleteAsideFiles(plan);
    if (kind == UpdateKind::Replace || !registeredCopy) {
        char copyPath[PATH_BUFFER_SIZE];
        CopyInstaller(state, copyPath, sizeof copyPath);
        // The entry only ever names a copy that is there; without one it stays as it was.
        if (copyPath[0] != '\0' && FileExists(copyPath)) {
            WriteUninstallEntry(state, copyPath);
            // An earlier release's copy under another name is run by nothing now.
            if (registeredCopy && !SameFile(registered, copyPath) && !SameFile(registered, state.modulePath)) {
                complete &= DeleteNowOrAtRestart(registered);
            }
        }
    }
    MarkPhase("registry");
    SetStatusText(state, STATUS_COMPLETED);
    if (complete) {
        PostResult(state, RESULT_SUCCEEDED);
        return INSTALL_OK;
    }
    (void)FormatText(state.errorCaption, sizeof state.errorCaption, UPDATE_RESTART_CAPTION_FORMAT, PRODUCT_NAME);
    (void)FormatText(state.errorText, sizeof state.errorText, UPDATE_RESTART_FORMAT, PRODUCT_NAME);
    PostResult(state, RESULT_RESTART_NEEDED);
    return INSTALL_RESTART_NEEDED;
}

DWORD WINAPI InstallWorkerThread(LPVOID parameter) {
    return static_cast<DWORD>(InstallWorkerMain(*static_cast<InstallerState*>(parameter)));
}

}  // namespace

int InstallWorkerMain(InstallerState& state) {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    {
        ComApartment com;  // shortcuts are created on this thread
        StoreWorkerResult(state, InstallProduct(state));
    }
    StoreWorkerRunning(state, 0);
    return 0;
}

int StartInstallWorker(InstallerState& state, int wait) {
    StoreWorkerResult(state, WORKER_NOT_STARTED);
    StoreWorkerRunning(state, 1);
    DWORD threadId = 0;
    state.workerThread = ::CreateThread(nullptr, 0, InstallWorkerThread, &state, 0, &threadId);
    state.workerThreadId = threadId;
    if (state.workerThread == nullptr) return WORKER_NOT_STARTED;
    if (wait != 1) return 0;  // the handle stays open until the process ends
    ::WaitForSingleObject(state.workerThread, INFINITE);
    ::CloseHandle(state.workerThread);
    state.workerThread = nullptr;
    return LoadWorkerResult(state);
}

int InstallProduct(InstallerState& state) {
    (void)FormatText(state.errorCaption, sizeof state.errorCaption, INSTALL_ERROR_CAPTION_FORMAT, PRODUCT_NAME);
    MarkPhase("worker");
    SetStatusText(state, STATUS_EXTRACT_PACKAGE);
    if (ReadPackageDirectory(state) != 0) {
        return Fail(state, INSTALL_PACKAGE_DAMAGED, INSTALL_PACKAGE_DAMAGED_FORMAT, VENDOR_WEB_ADDRESS);
    }
    MarkPhase("package read");
    SetStatusText(state, STATUS_COPY_FILES);
    if (ResolveInstallFolder(state, INSTALL_SUBPATH) != 0) {
        return Fail(state, INSTALL_NO_PROGRAM_FILES, INSTALL_TARGET_FOLDER_FORMAT, VENDOR_WEB_ADDRESS);
    }
    (void)WithdrawPendingDeletions(state);
    if (!CreateFolderPath(state.installFolder)) {
        return Fail(state, INSTALL_FOLDER_NOT_CREATED, INSTALL_TARGET_FOLDER_FORMAT, VENDOR_WEB_ADDRESS);
    }
    MarkPhase("folder made");
    if (ExtractPackage(state, nullptr) != 0) {
        return Fail(state, INSTALL_COPY_FAILED, INSTALL_COPY_FAILED_FORMAT, VENDOR_WEB_ADDRESS);
    }
    MarkPhase("files written");
    SetStatusText(state, STATUS_FINALIZE);

    // From here on every step is best effort: the installation has succeeded.
    CreateProductShortcuts(state);
    MarkPhase("shortcuts");
    char copyPath[PATH_BUFFER_SIZE];
    CopyInstaller(state, copyPath, sizeof copyPath);
    MarkPhase("self copy");
    if (copyPath[0] != '\0') WriteUninstallEntry(state, copyPath);
    MarkPhase("registry");

    SetStatusText(state, STATUS_COMPLETED);
    PostResult(state, RESULT_SUCCEEDED);
    return INSTALL_OK;
}

int ReplaceProduct(InstallerState& state) { return UpdateProduct(state, UpdateKind::Replace); }

int RepairProduct(InstallerState& state) { return UpdateProduct(state, UpdateKind::Repair); }

bool InstalledVersionIsThisOne() {
    char key[PATH_BUFFER_SIZE];
    char version[PATH_BUFFER_SIZE];
    return UninstallKeyPath(key, sizeof key) &&
           ReadMachineString(key, DISPLAY_VERSION_VALUE, version, sizeof version) &&
           std::strcmp(version, INSTALLER_VERSION_TEXT) == 0;
}

bool UninstallEntryPresent() {
    char key[PATH_BUFFER_SIZE];
    return UninstallKeyPath(key, sizeof key) && MachineKeyExists(key);
}

int DeletePackageFiles(InstallerState& state) {
    for (const PackageEntry& entry : state.packageDirectory.entries) {
        // Only names that stay inside the install folder are ever deleted.
        if (!IsSafeRelativeName(entry.name, sizeof entry.name)) continue;
        char path[PATH_BUFFER_SIZE];
        if (JoinPath(path, sizeof path, state.installFolder, entry.name)) ::DeleteFileA(path);
    }
    return 0;
}

int DisableProductAutostart() {
    // Without a known start-up folder the name would be deleted from the current folder.
    if (IsAbsoluteFolder(GetStartupFolder())) (void)DeleteShortcut(GetStartupFolder(), STARTUP_SHORTCUT_NAME);
    (void)WriteUserDword(PRODUCT_USER_KEY, SYSTRAY_VALUE, 0);
    return WriteUserDword(PRODUCT_USER_KEY, SYSTRAY_SHOW_ON_RUN_VALUE, 0);
}

int UninstallProduct(InstallerState& state) {
    (void)FormatText(state.errorCaption, sizeof state.errorCaption, UNINSTALL_ERROR_CAPTION_FORMAT, PRODUCT_NAME);
    if (ReadPackageDirectory(state) != 0) {
        return Fail(state, UNINSTALL_PACKAGE_DAMAGED, UNINSTALL_PACKAGE_DAMAGED_FORMAT, VENDOR_WEB_ADDRESS);
    }
    if (ResolveInstallFolder(state, INSTALL_SUBPATH) != 0) {
        return Fail(state, UNINSTALL_NO_TARGET_FOLDER, UNINSTALL_TARGET_FOLDER_FORMAT, PRODUCT_NAME);
    }

    // Best effort from here on: missing items are not errors. What is in use is deleted
    // at the next start, and the outcome says that a restart finishes the removal.
    MarkPhase("package read");
    DeletePackageFiles(state);
    MarkPhase("files deleted");
    bool complete = true;
    char programs[PATH_BUFFER_SIZE];
    if (UserProgramsFolder(programs, sizeof programs)) complete &= DeleteStartMenuFolder(programs);
    if (CopyText(programs, sizeof programs, GetCommonProgramsFolder()) && programs[0] != '\0') {
        complete &= DeleteStartMenuFolder(programs);
    }
    SetDesktopShortcut(DESKTOP_SHORTCUT_NAME, "", 0);
    MarkPhase("shortcuts");
    (void)DisableProductAutostart();
    char key[PATH_BUFFER_SIZE];
    if (UninstallKeyPath(key, sizeof key)) (void)DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
    MarkPhase("registry");
    if (ResolveInstallFolder(state, INSTALL_SUBPATH) == 0) {
        complete &= DeleteInstallFolder(state);
        state.installFolder[0] = '\0';
    }
    MarkPhase("install folder");
    if (complete) return UNINSTALL_OK;
    (void)FormatText(state.errorCaption, sizeof state.errorCaption, UNINSTALL_RESTART_CAPTION_FORMAT, PRODUCT_NAME);
    (void)FormatText(state.errorText, sizeof state.errorText, UNINSTALL_RESTART_FORMAT, PRODUCT_NAME);
    PostResult(state, RESULT_RESTART_NEEDED);
    return UNINSTALL_RESTART_NEEDED;
}

}  // namespace qs
