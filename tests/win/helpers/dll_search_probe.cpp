// Loads the shell-folder libraries the way the installer does, from whatever folder it
// was copied to. The first-source functions are reported missing through the seam, so
// that SHFOLDER.DLL is really loaded and asked.
//   dll_search_probe fill        start-up restriction, then the folder operations
//   dll_search_probe unrestricted  the folder operations without the start-up restriction
//   dll_search_probe restricted-bare  start-up restriction, then LoadLibraryA("SHFOLDER.DLL")
//   dll_search_probe bare        LoadLibraryA("SHFOLDER.DLL") alone (the unsafe way)
// Exit code 0 when every step answered; see the codes below otherwise.
#include <windows.h>

#include <cstring>

#include "platform/folders.h"
#include "platform/system_seam.h"
#include "platform/system_seam_testing.h"
#include "setup/product.h"
#include "setup/state.h"
#include "setup/steps.h"

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_NO_COMMON_PROGRAMS = 10;
constexpr int EXIT_NO_DESKTOP = 11;
constexpr int EXIT_NO_INSTALL_FOLDER = 12;
constexpr int EXIT_BARE_LOAD_FAILED = 20;

qs::AnyFunction WithoutFirstSource(HMODULE module, const char* name) {
    if (std::strcmp(name, qs::SPECIAL_FOLDER_PATH_A) == 0 || std::strcmp(name, qs::SPECIAL_FOLDER_PATH_W) == 0) {
        return nullptr;
    }
    return qs::RealSystem().findFunction(module, name);
}

int RunFolderOperations() {
    qs::SystemSeam seam = qs::RealSystem();
    seam.findFunction = WithoutFirstSource;
    qs::SetSystemSeam(&seam);
    qs::FillKnownFolders();
    char desktop[qs::PATH_BUFFER_SIZE];
    qs::GetDesktopFolder(desktop);
    const int resolved = qs::ResolveInstallFolder(qs::g_state, qs::INSTALL_SUBPATH);
    qs::SetSystemSeam(nullptr);
    if (qs::GetCommonProgramsFolder()[0] == '\0') return EXIT_NO_COMMON_PROGRAMS;
    if (desktop[0] == '\0') return EXIT_NO_DESKTOP;
    if (resolved != 0) return EXIT_NO_INSTALL_FOLDER;
    return EXIT_OK;
}

int LoadBare() {
    const HMODULE module = LoadLibraryA(qs::FOLDER_LIBRARY);
    if (module == nullptr) return EXIT_BARE_LOAD_FAILED;
    FreeLibrary(module);
    return EXIT_OK;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return EXIT_USAGE;
    const char* mode = argv[1];
    if (std::strcmp(mode, "fill") == 0) {
        qs::RestrictDllSearch();
        return RunFolderOperations();
    }
    if (std::strcmp(mode, "unrestricted") == 0) return RunFolderOperations();
    if (std::strcmp(mode, "restricted-bare") == 0) {
        qs::RestrictDllSearch();
        return LoadBare();
    }
    if (std::strcmp(mode, "bare") == 0) return LoadBare();
    return EXIT_USAGE;
}
