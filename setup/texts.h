// Texts the install and uninstall procedures show: the status lines under the blinking
// button and the captions and texts of their outcome boxes.
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
// An update that a restart finishes: caption and text, both filled with the product name.
inline constexpr char UPDATE_RESTART_CAPTION_FORMAT[] = "%s Installation";
inline constexpr char UPDATE_RESTART_FORMAT[] =
    "%s has been updated, but some of the replaced files are still in use.\n"
    "They will be deleted when Windows restarts: a restart finishes the update.";

}  // namespace qs
