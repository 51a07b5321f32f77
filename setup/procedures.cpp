#include "setup/procedures.h"

#include <cstring>

#include "platform/paths.h"

namespace qs {

bool IsUsableProgramsFolder(const char* folder) {
    if (folder == nullptr) return false;
    const bool driveRoot = ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')) &&
                           folder[1] == ':' && folder[2] == '\\';
    const bool uncRoot = folder[0] == '\\' && folder[1] == '\\' && folder[2] != '\0' && folder[2] != '\\';
    return driveRoot || uncRoot;
}

bool FormatQuotedCommand(char* out, std::size_t capacity, const char* path, const char* suffix) {
    if (capacity == 0) return false;
    out[0] = '\0';
    const bool ok = AppendText(out, capacity, "\"") && AppendText(out, capacity, path) &&
                    AppendText(out, capacity, "\"") && (suffix == nullptr || AppendText(out, capacity, suffix));
    if (!ok) out[0] = '\0';
    return ok;
}

std::uint32_t EstimatedSizeKiB(const PackageDirectory& directory, std::uint64_t extraBytes) {
    std::uint64_t total = extraBytes;
    for (const PackageEntry& entry : directory.entries) total += entry.size;
    const std::uint64_t kib = (total + 1023) / 1024;
    return kib > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kib);
}

}  // namespace qs
