// Run-time look-ups of system libraries and functions, behind one narrow seam.
// In the product every entry is the real system; the Windows tests replace entries
// (platform/system_seam_testing.h) to make a library or function missing or failing.
#pragma once

#include <windows.h>

namespace qs {

// A looked-up function before it is cast to its real type. Casting through this type
// keeps -Wcast-function-type quiet.
using AnyFunction = void (*)(void);

struct SystemSeam {
    // Loads a library from the system folder only (never the program's folder or the
    // current directory). Null when it cannot be loaded.
    HMODULE (*loadSystemLibrary)(const char* name);
    // Releases a library that loadSystemLibrary returned.
    void (*freeLibrary)(HMODULE module);
    // A module already mapped into the process (GetModuleHandleA); never released.
    HMODULE (*findModule)(const char* name);
    // GetProcAddress; null when missing.
    AnyFunction (*findFunction)(HMODULE module, const char* name);
    // GetWindowsDirectoryA, GetSystemWindowsDirectoryA and GetCurrentDirectoryA, with
    // their results. The first is a user's private folder on a terminal server.
    UINT (*getWindowsDirectory)(char* buffer, UINT capacity);
    UINT (*getSystemWindowsDirectory)(char* buffer, UINT capacity);
    DWORD (*getCurrentDirectory)(DWORD capacity, char* buffer);
};

// The seam in force: the real system unless a test installed another.
const SystemSeam& System();
// The real system's entries.
const SystemSeam& RealSystem();

// Restricts the process's library search to the system folder (SetDefaultDllDirectories,
// looked up at run time; systems without it keep their default search). Called first
// thing at start-up. True when the restriction is in force.
bool RestrictDllSearch();

// A library loaded through the seam, released through it at the end of the scope.
class SystemLibrary {
public:
    explicit SystemLibrary(const char* name) : module_(System().loadSystemLibrary(name)) {}
    ~SystemLibrary() {
        if (module_ != nullptr) System().freeLibrary(module_);
    }
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;
    explicit operator bool() const { return module_ != nullptr; }
    // The named function cast to Function, or null when the library or function is missing.
    template <typename Function>
    Function Find(const char* name) const {
        if (module_ == nullptr) return nullptr;
        return reinterpret_cast<Function>(System().findFunction(module_, name));
    }

private:
    HMODULE module_;
};

// A function of a module that every process has mapped, or null when either is missing.
template <typename Function>
Function FindSystemFunction(const char* module, const char* name) {
    const HMODULE handle = System().findModule(module);
    if (handle == nullptr) return nullptr;
    return reinterpret_cast<Function>(System().findFunction(handle, name));
}

}  // namespace qs
