// Texts, registry names and shortcut names of the install and uninstall procedures.
#pragma once

namespace qs {

// Status line under the blinking button, in the order the install sets them.
inline constexpr char STATUS_EXTRACT_PACKAGE[] = "Extract Package";
inline constexpr char STATUS_COPY_FILES[] = "Copy Files";
inline constexpr char STATUS_FINALIZE[] = "Finalize Installation";
inline constexpr char STATUS_COMPLETED[] = "Installation Completed";

// Failure captions (filled with the product name) and texts (\n breaks lines).
inline constexpr char INSTALL_ERROR_CAPTION_FORMAT[] = "%s Installation Error";
inline constexpr char UNINSTALL_ERROR_CAPTION_FORMAT[] = "%s Uninstallation Error";
// Filled with the vendor's web address.
inline constexpr char INSTALL_PACKAGE_DAMAGED_FORMAT[] =
    "Installation package might be corrupted\nthanks to download official package at\n%s.";
inline constexpr char INSTALL_TARGET_FOLDER_FORMAT[] =
    "Failed to create target folder on system disk\nthanks to download official package at\n%s.";
inline constexpr char INSTALL_COPY_FAILED_FORMAT[] =
    "Failed to copy file(s) to destination folder...\nInstallation package might be corrupted\n"
    "thanks to download official package at\n%s.";
inline constexpr char UNINSTALL_PACKAGE_DAMAGED_FORMAT[] =
    "De-Installation package might be corrupted\nthanks to download official package at\n%s.";
// Filled with the product name.
inline constexpr char UNINSTALL_TARGET_FOLDER_FORMAT[] =
    "Failed to get target folder on system disk\nthanks to remove %s manually...";
// A removal that a restart finishes: caption and text, both filled with the product name.
inline constexpr char UNINSTALL_RESTART_CAPTION_FORMAT[] = "%s Uninstallation";
inline constexpr char UNINSTALL_RESTART_FORMAT[] =
    "%s has been removed, but some of its files are still in use.\n"
    "They will be deleted when Windows restarts: a restart finishes the removal.";

// Result codes.
inline constexpr int INSTALL_OK = 0;
inline constexpr int INSTALL_PACKAGE_DAMAGED = -1;
inline constexpr int INSTALL_NO_PROGRAM_FILES = -2;
inline constexpr int INSTALL_FOLDER_NOT_CREATED = -3;
inline constexpr int INSTALL_COPY_FAILED = -10;
inline constexpr int WORKER_NOT_STARTED = -1;
inline constexpr int UNINSTALL_OK = 0;
inline constexpr int UNINSTALL_PACKAGE_DAMAGED = -1;
inline constexpr int UNINSTALL_NO_TARGET_FOLDER = -2;
// Removed, but something was in use: a restart finishes the removal. The system's
// ERROR_SUCCESS_REBOOT_REQUIRED, which deployment tools read as "success, restart".
inline constexpr int UNINSTALL_RESTART_NEEDED = 3010;

// Files and shortcuts.
inline constexpr char README_FILE_NAME[] = "readme.txt";
inline constexpr char README_SHORTCUT_NAME[] = "Readme";
inline constexpr char DESKTOP_SHORTCUT_NAME[] = "Quill Station";
inline constexpr char STARTUP_SHORTCUT_NAME[] = "Quillstation (Velto)";
// Where a removal run from the install folder moves its own file until the next start:
// a new private folder, named after this stem, in the Windows directory's "Temp".
inline constexpr char WINDOWS_TEMP_FOLDER[] = "Temp";
inline constexpr char REMOVAL_FOLDER_STEM[] = "Quillstation-removal";

// Registry.
inline constexpr char SHELL_FOLDERS_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char PROGRAMS_VALUE[] = "Programs";
inline constexpr char UNINSTALL_ROOT_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char UNINSTALL_ENTRY_NAME[] = "Velto:Quillstation {CE132523-F3BB-4e58}";
inline constexpr char DISPLAY_NAME_VALUE[] = "DisplayName";
inline constexpr char DISPLAY_NAME_TEXT[] = "Quillstation, Pellastine Network";
inline constexpr char PUBLISHER_VALUE[] = "Publisher";
inline constexpr char PUBLISHER_TEXT[] = "Velto-Labs";
inline constexpr char UNINSTALL_STRING_VALUE[] = "UninstallString";
inline constexpr char QUIET_UNINSTALL_STRING_VALUE[] = "QuietUninstallString";
inline constexpr char QUIET_UNINSTALL_SWITCHES[] = " -h -u";
// What deployment tools pass for a silent install (the manifests the build writes).
inline constexpr char SILENT_INSTALL_SWITCHES[] = "-h -e";
inline constexpr char DISPLAY_VERSION_VALUE[] = "DisplayVersion";
inline constexpr char DISPLAY_ICON_VALUE[] = "DisplayIcon";
inline constexpr char INSTALL_LOCATION_VALUE[] = "InstallLocation";
inline constexpr char ESTIMATED_SIZE_VALUE[] = "EstimatedSize";
inline constexpr char NO_MODIFY_VALUE[] = "NoModify";
inline constexpr char NO_REPAIR_VALUE[] = "NoRepair";
inline constexpr char INSTALL_DATE_VALUE[] = "InstallDate";  // YYYYMMDD, local date
inline constexpr char URL_INFO_ABOUT_VALUE[] = "URLInfoAbout";
inline constexpr char HELP_LINK_VALUE[] = "HelpLink";
inline constexpr char VERSION_MAJOR_VALUE[] = "VersionMajor";
inline constexpr char VERSION_MINOR_VALUE[] = "VersionMinor";
// Per-user product key (directly under HKEY_CURRENT_USER) and its tray values.
inline constexpr char PRODUCT_USER_KEY[] = "Velto\\Quillstation";
inline constexpr char SYSTRAY_VALUE[] = "SysTray";
inline constexpr char SYSTRAY_SHOW_ON_RUN_VALUE[] = "SysTrayShowOnRun";

}  // namespace qs
