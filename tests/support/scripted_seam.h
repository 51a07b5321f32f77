// A system seam for tests that scripts the run-time look-ups and logs them: libraries
// that cannot be loaded, modules and functions that are missing, shell-folder queries
// that fail for chosen folders, functions answered by the test's own, and the Windows
// folder replaced or unreadable. Everything else goes to the real system.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/system_seam.h"

namespace qs::test {

struct SeamScript {
    std::set<std::string> unloadable = {};      // library names
    std::set<std::string> missingModules = {};  // mapped modules reported missing
    std::set<std::string> missing = {};         // function names
    std::set<int> specialFails = {};            // SHGetSpecialFolderPathA/W answer FALSE for these ids
    const char* windowsFolder = nullptr;        // replaces the Windows directory when set
    bool windowsFolderFails = false;
    const char* systemWindowsFolder = nullptr;         // replaces the system's Windows directory
    std::map<std::string, AnyFunction> replaced = {};  // function name -> the test's function
};

// The script in force, and the log of what the code asked: "load NAME", "free NAME"
// (the module's file name in upper case), "find NAME", and "call NAME ID" for the
// shell-folder queries.
extern SeamScript g_seamScript;
extern std::vector<std::string> g_seamEvents;

// The scripted seam, to hand to SetSystemSeam.
const SystemSeam& ScriptedSystem();
// The real function a replacement stands in for, found by name when it was handed out.
AnyFunction RealFunction(const std::string& name);
// "call NAME ID", as the log writes a shell-folder query.
std::string CallEvent(const char* name, int id);

}  // namespace qs::test
