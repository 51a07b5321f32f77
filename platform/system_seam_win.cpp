// The real system behind the seam, and the restriction of the library search.
#include "platform/system_seam.h"

#include "platform/paths.h"
#include "platform/system_seam_testing.h"

namespace qs {
namespace {

constexpr char KERNEL_MODULE[] = "KERNEL32";
// Present exactly on systems whose loader knows the LOAD_LIBRARY_SEARCH_* flags.
constexpr char ADD_DLL_DIRECTORY[] = "AddDllDirectory";
constexpr char SET_DEFAULT_DLL_DIRECTORIES[] = "SetDefaultDllDirectories";
constexpr char SET_DLL_DIRECTORY[] = "SetDllDirectoryA";
constexpr char NO_EXTRA_DLL_DIRECTORY[] = "";
constexpr std::size_t SYSTEM_PATH_SIZE = MAX_PATH * 2;

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);

bool LoaderKnowsSearchFlags() {
    const HMODULE kernel = ::GetModuleHandleA(KERNEL_MODULE);
    return kernel != nullptr && reinterpret_cast<AnyFunction>(::GetProcAddress(kernel, ADD_DLL_DIRECTORY)) != nullptr;
}

// Full path of name in the system folder, loaded with its dependencies searched from
// there as well. For systems without the search flags.
HMODULE LoadByFullSystemPath(const char* name) {
    char folder[SYSTEM_PATH_SIZE] = {};
    const UINT length = ::GetSystemDirectoryA(folder, static_cast<UINT>(sizeof folder));
    if (length == 0 || length >= sizeof folder) return nullptr;
    char path[SYSTEM_PATH_SIZE] = {};
    if (!JoinPath(path, sizeof path, folder, name)) return nullptr;
    return ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE RealLoadSystemLibrary(const char* name) {
    if (LoaderKnowsSearchFlags()) {
        const HMODULE module = ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (module != nullptr || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
    }
    return LoadByFullSystemPath(name);
}

void RealFreeLibrary(HMODULE module) { ::FreeLibrary(module); }

HMODULE RealFindModule(const char* name) { return ::GetModuleHandleA(name); }

AnyFunction RealFindFunction(HMODULE module, const char* name) {
    return reinterpret_cast<AnyFunction>(::GetProcAddress(module, name));
}

UINT RealGetWindowsDirectory(char* buffer, UINT capacity) { return ::GetWindowsDirectoryA(buffer, capacity); }

UINT RealGetSystemWindowsDirectory(char* buffer, UINT capacity) {
    return ::GetSystemWindowsDirectoryA(buffer, capacity);
}

DWORD RealGetCurrentDirectory(DWORD capacity, char* buffer) { return ::GetCurrentDirectoryA(capacity, buffer); }

const SystemSeam REAL_SYSTEM = {
    RealLoadSystemLibrary,         RealFreeLibrary,         RealFindModule, RealFindFunction, RealGetWindowsDirectory,
    RealGetSystemWindowsDirectory, RealGetCurrentDirectory,
};

const SystemSeam* g_seam = &REAL_SYSTEM;

}  // namespace

const SystemSeam& System() { return *g_seam; }
const SystemSeam& RealSystem() { return REAL_SYSTEM; }

void SetSystemSeam(const SystemSeam* seam) { g_seam = seam != nullptr ? seam : &REAL_SYSTEM; }

bool RestrictDllSearch() {
    const auto setDefault = FindSystemFunction<SetDefaultDllDirectoriesFn>(KERNEL_MODULE, SET_DEFAULT_DLL_DIRECTORIES);
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE) return true;
    // Older systems: at least take the current directory out of the search.
    const auto setDirectory = FindSystemFunction<SetDllDirectoryFn>(KERNEL_MODULE, SET_DLL_DIRECTORY);
    if (setDirectory != nullptr) (void)setDirectory(NO_EXTRA_DLL_DIRECTORY);
    return false;
}

}  // namespace qs
