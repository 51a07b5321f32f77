// Support for Windows test programs: scratch folders and registry keys that clean up
// after themselves, and running another program to read its exit code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qs::test {

// A fresh folder under %TEMP%, deleted with everything in it at the end of the scope.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }
    // path() joined with a relative name.
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// A fresh key under HKEY_CURRENT_USER\Software\QuillstationTests, deleted with its
// subkeys at the end of the scope. subkey() is relative to HKEY_CURRENT_USER.
class ScratchKey {
public:
    ScratchKey();
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    const std::string& subkey() const { return subkey_; }

private:
    std::string subkey_;
};

// The system's list of files to delete at its next start, kept for the scope's length and
// put back as it was at the end.
class PendingDeletions {
public:
    PendingDeletions();
    ~PendingDeletions();
    PendingDeletions(const PendingDeletions&) = delete;
    PendingDeletions& operator=(const PendingDeletions&) = delete;
    void Clear();
    // The paths to delete, in order (each request is a path and an empty new name).
    std::vector<std::string> Paths() const;

private:
    std::string saved_;
    bool existed_ = false;
};

// Removes a folder tree with the shell-free recursive walk of the test support (does
// not follow reparse points). Missing folders are fine.
void RemoveTree(const std::string& path);

std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool IsFolder(const std::string& path);
bool IsFile(const std::string& path);

// Starts a command line, waits up to timeoutMs and returns its exit code (as Windows
// reports it), or -1000 when it could not start, -1001 on time-out (the process is
// then terminated).
int RunProgram(const std::string& commandLine, DWORD timeoutMs = 60000);
// A path in double quotes, for a command line.
std::string Quoted(const std::string& path);
// The parts of a text between separators ("a|b" -> a, b).
std::vector<std::string> SplitList(const std::string& text, char separator = '|');
// The product's packaged files' names, in package order (setup/product.h).
std::vector<std::string> PackagedFileNames();

// Takes the codes of the CMD_PROCEDURE_RESULT commands queued for window, in order.
std::vector<LPARAM> PostedResults(HWND window);

// Writes to path a copy of program whose package resource (RCDATA 100) is that of module
// with the directory's entry names replaced, in order, by names. The names lie outside
// the key chain and the digests: the copy's package verifies as the original does.
bool WriteRenamedPackage(HMODULE module, const std::vector<std::string>& names, const std::string& program,
                         const std::string& path);

// Folder of the running test program (no trailing backslash).
std::string ProgramFolder();

// Reads a REG_SZ or REG_DWORD value for checks; empty optional-like results on failure.
bool ReadRegString(HKEY root, const std::string& subkey, const std::string& name, std::string& out, REGSAM view = 0);
bool ReadRegDword(HKEY root, const std::string& subkey, const std::string& name, DWORD& out, REGSAM view = 0);
bool KeyExists(HKEY root, const std::string& subkey, REGSAM view = 0);

}  // namespace qs::test
