// Shell folders, a path below the program-files folder, and the desktop shortcut. Knows
// the shell's folders, not the product: callers name what they want below them.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstddef>

#include "platform/paths.h"

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
// A folder that does not convert whole into the ANSI code page is refused.
void GetDesktopFolder(char* out);
// Creates (createFlag 1) or deletes (any other value) name.LNK on the per-user desktop.
// Does nothing when the desktop folder cannot be found.
void SetDesktopShortcut(const char* name, const char* target, int createFlag);
// out = the program-files folder (asked of the shell afresh, else derived from the
// Windows directory's root) joined with subPath. 0; -1 with out empty when it comes out
// empty or does not fit capacity.
int ResolveProgramFilesPath(const char* subPath, char* out, std::size_t capacity);

}  // namespace qs
