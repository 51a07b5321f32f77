// Cutting a path down to its root: the portable part of the shell-folder fall-backs.
#include "platform/paths.h"

namespace qs {
namespace {

constexpr char BACKSLASH = '\\';
constexpr char COLON = ':';
// In a path that starts with a backslash (a UNC name such as \\server\share), the
// backslashes at these first positions belong to the root and do not end the scan.
constexpr int LEADING_BACKSLASH_POSITIONS = 3;

struct RootScan {
    int cutAt;      // position of the backslash that ended the scan, or -1 at the end
    bool rootMark;  // a colon, or a leading double backslash, was seen before the cut
};

RootScan ScanRoot(const char* path) {
    const bool leadingBackslash = path[0] == BACKSLASH;
    RootScan scan = {-1, leadingBackslash && path[1] == BACKSLASH};
    for (int i = 0; path[i] != '\0'; ++i) {
        if (path[i] == COLON) scan.rootMark = true;
        if (path[i] != BACKSLASH) continue;
        if (leadingBackslash && i < LEADING_BACKSLASH_POSITIONS) continue;
        scan.cutAt = i;
        break;
    }
    return scan;
}

}  // namespace

bool CutToRoot(char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    const RootScan scan = ScanRoot(path);
    if (scan.cutAt < 0) return false;
    path[scan.cutAt] = '\0';
    return true;
}

bool CutToDriveRoot(char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    const RootScan scan = ScanRoot(path);
    if (!scan.rootMark) {
        path[0] = '\0';
        return false;
    }
    if (scan.cutAt >= 0) path[scan.cutAt] = '\0';
    return true;
}

}  // namespace qs
