// Names the install and uninstall procedures put on the machine or look for there:
// files and shortcuts, the removal's private folder, registry keys and values, and the
// switches written into commands. Portable: no Windows header.
#pragma once

namespace qs {

// Shortcuts (the packaged files' names: setup/product.h).
inline constexpr char README_SHORTCUT_NAME[] = "Readme";
inline constexpr char DESKTOP_SHORTCUT_NAME[] = "Quill Station";
inline constexpr char STARTUP_SHORTCUT_NAME[] = "Quillstation (Velto)";
// Where a removal run from the install folder moves its own file until the next start:
// a new private folder, named after this stem, in the Windows directory's "Temp".
inline constexpr char WINDOWS_TEMP_FOLDER[] = "Temp";
inline constexpr char REMOVAL_FOLDER_STEM[] = "Quillstation-removal";
// What a replacement renames an installed file to, within the install folder, while the
// new one is written in its place: deleted once the new files are all in, or put back.
inline constexpr char PREVIOUS_FILE_STEM[] = "Quillstation-previous";

// Registry.
inline constexpr char SHELL_FOLDERS_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char PROGRAMS_VALUE[] = "Programs";
inline constexpr char UNINSTALL_ROOT_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char UNINSTALL_ENTRY_NAME[] = "Velto:Quillstation {CE132523-F3BB-4e58}";
// The uninstall entry's values: setup/uninstall_entry.h.

// Switches: what the uninstall entry's quiet command adds to the copy's path, and what
// deployment tools pass for a silent install (the manifests the build writes).
inline constexpr char QUIET_UNINSTALL_SWITCHES[] = " -h -u";
inline constexpr char SILENT_INSTALL_SWITCHES[] = "-h -e";

// Per-user product key (directly under HKEY_CURRENT_USER) and its tray values.
inline constexpr char PRODUCT_USER_KEY[] = "Velto\\Quillstation";
inline constexpr char SYSTRAY_VALUE[] = "SysTray";
inline constexpr char SYSTRAY_SHOW_ON_RUN_VALUE[] = "SysTrayShowOnRun";

}  // namespace qs
