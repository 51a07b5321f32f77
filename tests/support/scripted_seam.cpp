#include "tests/support/scripted_seam.h"

#include <cctype>
#include <cstring>

#include "platform/folders.h"

namespace qs::test {

SeamScript g_seamScript;
std::vector<std::string> g_seamEvents;

namespace {

std::map<std::string, AnyFunction> g_realFunctions;

template <typename Function>
Function Real(const char* name) {
    return reinterpret_cast<Function>(RealFunction(name));
}

using SpecialA = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);
using SpecialW = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);
using FolderA = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
using FolderW = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

// The shell-folder queries, logged; a failing one must not leave its text behind.
BOOL WINAPI RecordingSpecialA(HWND owner, LPSTR path, int id, BOOL create) {
    g_seamEvents.push_back(CallEvent(SPECIAL_FOLDER_PATH_A, id));
    if (g_seamScript.specialFails.count(id) != 0) {
        std::strcpy(path, "junk");
        return FALSE;
    }
    return Real<SpecialA>(SPECIAL_FOLDER_PATH_A)(owner, path, id, create);
}
BOOL WINAPI RecordingSpecialW(HWND owner, LPWSTR path, int id, BOOL create) {
    g_seamEvents.push_back(CallEvent(SPECIAL_FOLDER_PATH_W, id));
    if (g_seamScript.specialFails.count(id) != 0) {
        std::wcscpy(path, L"junk");
        return FALSE;
    }
    return Real<SpecialW>(SPECIAL_FOLDER_PATH_W)(owner, path, id, create);
}
HRESULT WINAPI RecordingFolderA(HWND owner, int id, HANDLE token, DWORD flags, LPSTR path) {
    g_seamEvents.push_back(CallEvent(FOLDER_PATH_A, id));
    return Real<FolderA>(FOLDER_PATH_A)(owner, id, token, flags, path);
}
HRESULT WINAPI RecordingFolderW(HWND owner, int id, HANDLE token, DWORD flags, LPWSTR path) {
    g_seamEvents.push_back(CallEvent(FOLDER_PATH_W, id));
    return Real<FolderW>(FOLDER_PATH_W)(owner, id, token, flags, path);
}

const std::map<std::string, AnyFunction> RECORDING = {
    {SPECIAL_FOLDER_PATH_A, reinterpret_cast<AnyFunction>(RecordingSpecialA)},
    {SPECIAL_FOLDER_PATH_W, reinterpret_cast<AnyFunction>(RecordingSpecialW)},
    {FOLDER_PATH_A, reinterpret_cast<AnyFunction>(RecordingFolderA)},
    {FOLDER_PATH_W, reinterpret_cast<AnyFunction>(RecordingFolderW)},
};

HMODULE ScriptLoad(const char* name) {
    g_seamEvents.push_back(std::string("load ") + name);
    if (g_seamScript.unloadable.count(name) != 0) return nullptr;
    return RealSystem().loadSystemLibrary(name);
}

void ScriptFree(HMODULE module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, sizeof path);
    std::string name = path;
    name = name.substr(name.find_last_of('\\') + 1);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    g_seamEvents.push_back("free " + name);
    RealSystem().freeLibrary(module);
}

HMODULE ScriptModule(const char* name) {
    if (g_seamScript.missingModules.count(name) != 0) return nullptr;
    return RealSystem().findModule(name);
}

// A missing function answers null; a replaced or recorded one is handed out in place of
// the real one, which is kept for it.
AnyFunction ScriptFind(HMODULE module, const char* name) {
    g_seamEvents.push_back(std::string("find ") + name);
    if (g_seamScript.missing.count(name) != 0) return nullptr;
    const AnyFunction real = RealSystem().findFunction(module, name);
    if (real == nullptr) return nullptr;
    g_realFunctions[name] = real;
    if (const auto replaced = g_seamScript.replaced.find(name); replaced != g_seamScript.replaced.end()) {
        return replaced->second;
    }
    if (const auto recording = RECORDING.find(name); recording != RECORDING.end()) return recording->second;
    return real;
}

// A scripted folder answered as the system does: its length, or the size it needs.
UINT AnswerFolder(const char* folder, char* buffer, UINT capacity) {
    const std::size_t length = std::strlen(folder);
    if (length >= capacity) return static_cast<UINT>(length + 1);
    std::memcpy(buffer, folder, length + 1);
    return static_cast<UINT>(length);
}

UINT ScriptWindowsFolder(char* buffer, UINT capacity) {
    if (g_seamScript.windowsFolderFails) return 0;
    if (g_seamScript.windowsFolder == nullptr) return RealSystem().getWindowsDirectory(buffer, capacity);
    return AnswerFolder(g_seamScript.windowsFolder, buffer, capacity);
}

UINT ScriptSystemWindowsFolder(char* buffer, UINT capacity) {
    if (g_seamScript.systemWindowsFolder == nullptr) return RealSystem().getSystemWindowsDirectory(buffer, capacity);
    return AnswerFolder(g_seamScript.systemWindowsFolder, buffer, capacity);
}

DWORD RealCurrentFolder(DWORD capacity, char* buffer) { return RealSystem().getCurrentDirectory(capacity, buffer); }

const SystemSeam SCRIPTED = {ScriptLoad,       ScriptFree,          ScriptModule,
                             ScriptFind,       ScriptWindowsFolder, ScriptSystemWindowsFolder,
                             RealCurrentFolder};

}  // namespace

const SystemSeam& ScriptedSystem() { return SCRIPTED; }

AnyFunction RealFunction(const std::string& name) {
    const auto found = g_realFunctions.find(name);
    return found == g_realFunctions.end() ? nullptr : found->second;
}

std::string CallEvent(const char* name, int id) { return std::string("call ") + name + " " + std::to_string(id); }

}  // namespace qs::test
