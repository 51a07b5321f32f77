#include "tests/support/win_support.h"

#include <cstdio>
#include <iterator>

#include "package/package.h"
#include "setup/product.h"
#include "setup/results.h"

namespace qs::test {
namespace {

constexpr char SCRATCH_KEY_ROOT[] = "Software\\QuillstationTests";
constexpr char SESSION_MANAGER_KEY[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char PENDING_VALUE[] = "PendingFileRenameOperations";
constexpr DWORD PENDING_CAPACITY = 16384;

std::string ReadPending(bool* existed) {
    std::string data(PENDING_CAPACITY, '\0');
    DWORD size = PENDING_CAPACITY;
    *existed = RegGetValueA(HKEY_LOCAL_MACHINE, SESSION_MANAGER_KEY, PENDING_VALUE, RRF_RT_REG_MULTI_SZ, nullptr,
                            data.data(), &size) == ERROR_SUCCESS;
    data.resize(*existed ? size : 0);
    return data;
}

std::string UniqueSuffix() {
    static LONG counter = 0;
    char text[64];
    std::snprintf(text, sizeof text, "%lu-%lu-%ld", GetCurrentProcessId(), GetTickCount(),
                  InterlockedIncrement(&counter));
    return text;
}

void DeleteKeyRecursive(HKEY root, const std::string& subkey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ | DELETE, &key) != ERROR_SUCCESS) return;
    char name[1024];
    for (;;) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DeleteKeyRecursive(key, name);
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, subkey.c_str());
}

}  // namespace

ScratchFolder::ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "qs-test-" + UniqueSuffix();
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

ScratchKey::ScratchKey() {
    subkey_ = std::string(SCRATCH_KEY_ROOT) + "\\" + UniqueSuffix();
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, subkey_.c_str(), &key) == ERROR_SUCCESS) RegCloseKey(key);
}

ScratchKey::~ScratchKey() {
    DeleteKeyRecursive(HKEY_CURRENT_USER, subkey_);
    RegDeleteKeyA(HKEY_CURRENT_USER, SCRATCH_KEY_ROOT);  // only succeeds when empty
}

void RemoveTree(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            RemoveDirectoryA(path.c_str());
        } else {
            DeleteFileA(path.c_str());
        }
        return;
    }
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            RemoveTree(path + "\\" + name);
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool IsFolder(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

PendingDeletions::PendingDeletions() { saved_ = ReadPending(&existed_); }

PendingDeletions::~PendingDeletions() {
    if (existed_) {
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, SESSION_MANAGER_KEY, PENDING_VALUE, REG_MULTI_SZ, saved_.data(),
                        static_cast<DWORD>(saved_.size()));
    } else {
        Clear();
    }
}

void PendingDeletions::Clear() { RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, SESSION_MANAGER_KEY, PENDING_VALUE); }

std::vector<std::string> PendingDeletions::Paths() const {
    bool existed = false;
    const std::string data = ReadPending(&existed);
    std::vector<std::string> texts;
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t end = data.find('\0', at);
        texts.push_back(data.substr(at, end - at));
        at = end == std::string::npos ? data.size() : end + 1;
    }
    std::vector<std::string> paths;
    for (std::size_t i = 0; i + 1 < texts.size(); i += 2) {
        if (texts[i + 1].empty()) paths.push_back(texts[i].substr(texts[i].rfind('?') + 2));
    }
    return paths;
}

std::vector<std::string> SplitList(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find(separator, at)) != std::string::npos; at = end + 1) {
        parts.push_back(text.substr(at, end - at));
    }
    parts.push_back(text.substr(at));
    return parts;
}

std::vector<std::string> PackagedFileNames() {
    return std::vector<std::string>(std::begin(PACKAGED_FILE_NAMES), std::end(PACKAGED_FILE_NAMES));
}

std::string Quoted(const std::string& path) {
    std::string quoted = "\"";
    quoted += path;
    quoted += '"';
    return quoted;
}

int RunProgram(const std::string& commandLine, DWORD timeoutMs) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return -1000;
    }
    CloseHandle(process.hThread);
    int result = -1001;
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        result = static_cast<int>(code);
    } else {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hProcess);
    return result;
}

std::vector<LPARAM> PostedResults(HWND window) {
    std::vector<LPARAM> results;
    MSG message;
    while (PeekMessageA(&message, window, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
        if (LOWORD(message.wParam) == CMD_PROCEDURE_RESULT) results.push_back(message.lParam);
    }
    return results;
}

bool WriteRenamedPackage(HMODULE module, const std::vector<std::string>& names, const std::string& program,
                         const std::string& path) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(PACKAGE_RESOURCE_ID), RT_RCDATA);
    const void* bytes = found != nullptr ? LockResource(LoadResource(module, found)) : nullptr;
    if (bytes == nullptr || names.size() > PACKAGE_ENTRY_COUNT) return false;
    std::string package(static_cast<const char*>(bytes), SizeofResource(module, found));
    if (package.size() <= PACKAGE_DIRECTORY_BYTES) return false;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i].size() >= ENTRY_NAME_FIELD.size) return false;
        std::string field = names[i];
        field.resize(ENTRY_NAME_FIELD.size, '\0');
        package.replace(EntryFieldAt(i, ENTRY_NAME_FIELD), ENTRY_NAME_FIELD.size, field);
    }
    if (!CopyFileA(program.c_str(), path.c_str(), FALSE)) return false;
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (update == nullptr) return false;
    const bool updated = UpdateResourceA(update, RT_RCDATA, MAKEINTRESOURCEA(PACKAGE_RESOURCE_ID),
                                         MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), package.data(),
                                         static_cast<DWORD>(package.size())) != FALSE;
    return EndUpdateResourceA(update, updated ? FALSE : TRUE) != FALSE && updated;
}

std::string ProgramFolder() {
    char path[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    const auto cut = folder.find_last_of('\\');
    return cut == std::string::npos ? folder : folder.substr(0, cut);
}

bool ReadRegString(HKEY root, const std::string& subkey, const std::string& name, std::string& out, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    char data[8192];
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    const LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    data[size] = '\0';
    out.assign(data, strnlen(data, size));
    return true;
}

bool ReadRegDword(HKEY root, const std::string& subkey, const std::string& name, DWORD& out, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    DWORD size = sizeof out;
    DWORD type = 0;
    const LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&out), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD;
}

bool KeyExists(HKEY root, const std::string& subkey, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

}  // namespace qs::test
