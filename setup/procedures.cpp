#include "setup/procedures.h"

#include <cstring>
#include <iterator>

#include "platform/paths.h"
#include "setup/product.h"

namespace qs {

static_assert(std::size(PACKAGED_FILE_NAMES) == PACKAGE_ENTRY_COUNT, "the package holds one entry per product file");

namespace {

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Equal names, letter case aside; b is a directory field of fieldSize bytes.
bool SameNameIgnoringCase(const char* a, const char* b, std::size_t fieldSize) {
    for (std::size_t i = 0; i < fieldSize; ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
        if (a[i] == '\0') return true;
    }
    return false;
}

}  // namespace

bool IsAbsoluteFolder(const char* folder) {
    if (folder == nullptr) return false;
    const bool driveRoot = ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')) &&
                           folder[1] == ':' && folder[2] == '\\';
    const bool uncRoot = folder[0] == '\\' && folder[1] == '\\' && folder[2] != '\0' && folder[2] != '\\';
    return driveRoot || uncRoot;
}

const char* InstallerCopyName(const char* ownName, const PackageDirectory& directory) {
    for (const PackageEntry& entry : directory.entries) {
        if (SameNameIgnoringCase(ownName, entry.name, sizeof entry.name)) return INSTALLER_FILE_NAME;
    }
    return ownName;
}

bool FormatQuotedCommand(char* out, std::size_t capacity, const char* path, const char* suffix) {
    if (capacity == 0) return false;
    out[0] = '\0';
    const bool ok = AppendText(out, capacity, "\"") && AppendText(out, capacity, path) &&
                    AppendText(out, capacity, "\"") && (suffix == nullptr || AppendText(out, capacity, suffix));
    if (!ok) out[0] = '\0';
    return ok;
}

bool CommandProgramPath(const char* command, char* out, std::size_t capacity) {
    if (capacity == 0) return false;
    out[0] = '\0';
    if (command == nullptr) return false;
    if (command[0] != '"') {
        if (CopyText(out, capacity, command)) return true;
        out[0] = '\0';
        return false;
    }
    const char* end = std::strchr(command + 1, '"');
    const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - command - 1) : 0;
    if (end == nullptr || length >= capacity) return false;
    std::memcpy(out, command + 1, length);
    out[length] = '\0';
    return true;
}

bool FormatInstallDate(char* out, std::size_t capacity, unsigned year, unsigned month, unsigned day) {
    constexpr std::size_t DATE_LENGTH = 8;
    if (out == nullptr || capacity <= DATE_LENGTH || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) {
        if (out != nullptr && capacity > 0) out[0] = '\0';
        return false;
    }
    const unsigned digits[DATE_LENGTH] = {year / 1000, year / 100 % 10, year / 10 % 10, year % 10,
                                          month / 10,  month % 10,      day / 10,       day % 10};
    for (std::size_t i = 0; i < DATE_LENGTH; ++i) out[i] = static_cast<char>('0' + digits[i]);
    out[DATE_LENGTH] = '\0';
    return true;
}

std::uint32_t EstimatedSizeKiB(const PackageDirectory& directory, std::uint64_t extraBytes) {
    std::uint64_t total = extraBytes;
    for (const PackageEntry& entry : directory.entries) total += entry.size;
    const std::uint64_t kib = (total + 1023) / 1024;
    return kib > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(kib);
}

}  // namespace qs
