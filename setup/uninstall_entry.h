// The uninstall entry's values, in the order the install writes them: each value's name,
// its registry type and where its data comes from. The install writes exactly these
// (setup/procedures_win.cpp), the release tool takes the manifest's entry facts from
// them, and the tests check every row; adding a value is one line here (and, for data
// of a new kind, one case where the install makes it). Portable: no Windows header.
#pragma once

#include <cstdint>
#include <string_view>

#include "setup/product.h"

namespace qs {

enum class EntryValueType { Text, Number };

enum class EntryValueSource {
    Fixed,                  // the row's text or number
    UninstallCommand,       // the installer's copy in the install folder, quoted
    QuietUninstallCommand,  // the same with QUIET_UNINSTALL_SWITCHES
    ProductProgram,         // the product's program in the install folder
    InstallFolder,
    EstimatedSize,  // KiB of the package's files and the copy, rounded up
    InstallDate,    // the local date of the install, YYYYMMDD
};

struct EntryValue {
    const char* name;
    EntryValueType type;
    EntryValueSource source;
    const char* text;      // Fixed texts
    std::uint32_t number;  // Fixed numbers
};

inline constexpr char DISPLAY_VERSION_VALUE[] = "DisplayVersion";
inline constexpr char UNINSTALL_STRING_VALUE[] = "UninstallString";

inline constexpr EntryValue UNINSTALL_ENTRY_VALUES[] = {
    {"DisplayName", EntryValueType::Text, EntryValueSource::Fixed, "Quillstation, Pellastine Network", 0},
    {"Publisher", EntryValueType::Text, EntryValueSource::Fixed, "Velto-Labs", 0},
    {UNINSTALL_STRING_VALUE, EntryValueType::Text, EntryValueSource::UninstallCommand, nullptr, 0},
    {DISPLAY_VERSION_VALUE, EntryValueType::Text, EntryValueSource::Fixed, INSTALLER_VERSION_TEXT, 0},
    {"DisplayIcon", EntryValueType::Text, EntryValueSource::ProductProgram, nullptr, 0},
    {"InstallLocation", EntryValueType::Text, EntryValueSource::InstallFolder, nullptr, 0},
    {"EstimatedSize", EntryValueType::Number, EntryValueSource::EstimatedSize, nullptr, 0},
    {"NoModify", EntryValueType::Number, EntryValueSource::Fixed, nullptr, 1},
    {"NoRepair", EntryValueType::Number, EntryValueSource::Fixed, nullptr, 1},
    {"QuietUninstallString", EntryValueType::Text, EntryValueSource::QuietUninstallCommand, nullptr, 0},
    {"InstallDate", EntryValueType::Text, EntryValueSource::InstallDate, nullptr, 0},
    {"URLInfoAbout", EntryValueType::Text, EntryValueSource::Fixed, VENDOR_WEB_ADDRESS, 0},
    {"HelpLink", EntryValueType::Text, EntryValueSource::Fixed, VENDOR_HELP_ADDRESS, 0},
    {"VersionMajor", EntryValueType::Number, EntryValueSource::Fixed, nullptr, INSTALLER_VERSION_MAJOR},
    {"VersionMinor", EntryValueType::Number, EntryValueSource::Fixed, nullptr, INSTALLER_VERSION_MINOR},
};

// The fixed text of the value named name ("" when it has none).
constexpr const char* EntryText(std::string_view name) {
    for (const EntryValue& value : UNINSTALL_ENTRY_VALUES) {
        if (name == value.name && value.text != nullptr) return value.text;
    }
    return "";
}

}  // namespace qs
