// Shell links through the shell's link object (see links.h).
#include "platform/links.h"

#include <shlobj.h>

#include "platform/owners.h"
#include "platform/paths.h"

namespace qs {
namespace {

constexpr char EMPTY_TEXT[] = "";

// folder\name.LNK into out; false when it does not fit.
bool ShortcutPath(char* out, std::size_t capacity, const char* folder, const char* name) {
    return JoinPath(out, capacity, folder, name) && AppendText(out, capacity, SHORTCUT_SUFFIX);
}

}  // namespace

HRESULT CreateShortcut(const char* target, const char* folder, const char* name, const char* arguments) {
    if (target == nullptr || folder == nullptr || name == nullptr) return E_INVALIDARG;
    char linkPath[SHORTCUT_PATH_SIZE];
    char workingFolder[SHORTCUT_PATH_SIZE];
    if (!ShortcutPath(linkPath, sizeof linkPath, folder, name) ||
        !CopyText(workingFolder, sizeof workingFolder, target)) {
        return E_INVALIDARG;
    }
    StripLastComponent(workingFolder);

    ComPtr<IShellLinkA> link;
    HRESULT result =
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void());
    if (FAILED(result)) return result;
    // The setters' results do not decide the outcome; Save does.
    (void)link->SetPath(target);
    (void)link->SetDescription(name);
    (void)link->SetArguments(arguments != nullptr ? arguments : EMPTY_TEXT);
    (void)link->SetWorkingDirectory(workingFolder);

    ComPtr<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.put_void());
    if (FAILED(result)) return result;
    wchar_t widePath[SHORTCUT_PATH_SIZE];
    if (::MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, static_cast<int>(SHORTCUT_PATH_SIZE)) == 0) {
        return HRESULT_FROM_WIN32(::GetLastError());
    }
    return file->Save(widePath, TRUE);
}

bool DeleteShortcut(const char* folder, const char* name) {
    if (folder == nullptr || name == nullptr) return false;
    char linkPath[SHORTCUT_PATH_SIZE];
    if (!ShortcutPath(linkPath, sizeof linkPath, folder, name)) return false;
    return ::DeleteFileA(linkPath) != FALSE;
}

}  // namespace qs
