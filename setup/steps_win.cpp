// The steps on the state record, over the package and platform operations.
#include "setup/steps.h"

#include "package/extract.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "setup/product.h"
#include "setup/state.h"

namespace qs {
namespace {

constexpr std::size_t FILE_NAME_SIZE = 64;

}  // namespace

int ReadPackageDirectory(InstallerState& state) { return ReadPackageDirectory(state.instance, state.packageDirectory); }

int ExtractPackage(InstallerState& state, const char* filter) {
    return ExtractPackage(state.instance, state.packageDirectory, state.installFolder, filter);
}

int ResolveInstallFolder(InstallerState& state, const char* subPath) {
    return ResolveProgramFilesPath(subPath, state.installFolder, sizeof state.installFolder);
}

int DetectInstalled(InstallerState& state) {
    state.installed = 0;
    if (ResolveInstallFolder(state, INSTALL_SUBPATH) != 0) return 0;
    char path[PATH_BUFFER_SIZE];
    if (ProductExePath(state, path, sizeof path) && FileExists(path)) state.installed = 1;
    return state.installed;
}

bool InstallerFileName(const InstallerState& state, char* out, std::size_t capacity) {
    // The long name, also when the installer was started by its short one.
    char path[PATH_BUFFER_SIZE];
    const DWORD length = ::GetLongPathNameA(state.modulePath, path, static_cast<DWORD>(sizeof path));
    if (!CopyText(out, capacity, length != 0 && length < sizeof path ? path : state.modulePath)) return false;
    ReduceToFileName(out);
    return out[0] != '\0';
}

bool ProductExePath(const InstallerState& state, char* out, std::size_t capacity) {
    char name[FILE_NAME_SIZE] = {};
    return CopyText(name, sizeof name, PRODUCT_NAME) && AppendText(name, sizeof name, EXE_SUFFIX) &&
           JoinPath(out, capacity, state.installFolder, name);
}

}  // namespace qs
