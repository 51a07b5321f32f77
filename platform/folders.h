// Shell folders, the install location and the desktop shortcut.
#pragma once

#include <cstddef>

#include "setup/state.h"

namespace qs {

inline constexpr std::size_t KNOWN_FOLDER_SIZE = 512;
// Entries of the shell-folder table, in the order they are asked for and fall back.
enum class KnownFolder { ProgramFiles, Documents, AppData, CommonAppData, CommonPrograms, Startup };
inline constexpr int KNOWN_FOLDER_COUNT = 6;

// Libraries and functions of the shell folders, looked up at run time.
inline constexpr char SHELL_LIBRARY[] = "SHELL32.DLL";
inline constexpr char FOLDER_LIBRARY[] = "SHFOLDER.DLL";
inline constexpr char SPECIAL_FOLDER_PATH_A[] = "SHGetSpecialFolderPathA";
inline constexpr char SPECIAL_FOLDER_PATH_W[] = "SHGetSpecialFolderPathW";
inline constexpr char FOLDER_PATH_A[] = "SHGetFolderPathA";
inline constexpr char FOLDER_PATH_W[] = "SHGetFolderPathW";

// Shell folder identifiers.
inline constexpr int FOLDER_ID_PROGRAM_FILES = 38;
inline constexpr int FOLDER_ID_PERSONAL = 5;
inline constexpr int FOLDER_ID_APPDATA = 26;
inline constexpr int FOLDER_ID_COMMON_APPDATA = 35;
inline constexpr int FOLDER_ID_COMMON_PROGRAMS = 23;
inline constexpr int FOLDER_ID_STARTUP = 7;
inline constexpr int FOLDER_ID_DESKTOP_DIRECTORY = 16;

// Fall-backs when the shell supplies nothing.
inline constexpr char FALLBACK_DRIVE[] = "C:";
inline constexpr char FALLBACK_PROGRAM_FILES[] = "\\Program Files\\";
inline constexpr char FALLBACK_COMMON_APPDATA[] = "\\Kestrane\\CommonAPP";
inline constexpr char INITIAL_FOLDER[] = "C:\\";
inline constexpr char INITIAL_STARTUP_FOLDER[] = "Startup";
inline constexpr std::size_t WINDOWS_FOLDER_BUFFER_SIZE = 2048;
inline constexpr unsigned WINDOWS_FOLDER_CAPACITY = 2000;
inline constexpr std::size_t DESKTOP_WIDE_SIZE = 1024;  // wide characters

// Fills the process-wide table of shell folders once; a second call does nothing.
void FillKnownFolders();
// The all-users Start-menu programs folder, possibly empty.
const char* GetCommonProgramsFolder();
// The per-user startup folder ("Startup" when no shell function supplied it).
const char* GetStartupFolder();
// The per-user desktop folder into out (PATH_BUFFER_SIZE bytes), or "" when unknown.
void GetDesktopFolder(char* out);
// Creates (createFlag 1) or deletes (any other value) name.LNK on the per-user desktop.
// Does nothing when the desktop folder cannot be found.
void SetDesktopShortcut(const char* name, const char* target, int createFlag);
// installFolder = program-files folder joined with subPath. 0, or -1 when empty.
int ResolveInstallFolder(InstallerState& state, const char* subPath);
// installed = 1 when the product executable exists in the install folder.
int DetectInstalled(InstallerState& state);

}  // namespace qs
