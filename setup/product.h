// Names and texts of the product that the installer puts on the machine.
#pragma once

#include <cstdint>

namespace qs {

inline constexpr char PRODUCT_NAME[] = "Quillstation";
inline constexpr char MAKER_NAME[] = "Velto";
// The installer's version: this one, unless the build gives a release its own
// (QS_RELEASE_VERSION, from scripts/build.sh --version).
#ifdef QS_RELEASE_VERSION
inline constexpr char INSTALLER_VERSION_TEXT[] = QS_RELEASE_VERSION;
#else
inline constexpr char INSTALLER_VERSION_TEXT[] = "1.0.7.6";
#endif

// Field `index` (0 for the first) of a dotted version text; 0 past its end.
constexpr std::uint32_t VersionField(const char* text, int index) {
    std::uint32_t value = 0;
    for (; *text != '\0'; ++text) {
        if (*text == '.') {
            if (index-- == 0) return value;
            value = 0;
        } else {
            value = value * 10 + static_cast<std::uint32_t>(*text - '0');
        }
    }
    return index == 0 ? value : 0;
}
inline constexpr std::uint32_t INSTALLER_VERSION_MAJOR = VersionField(INSTALLER_VERSION_TEXT, 0);
inline constexpr std::uint32_t INSTALLER_VERSION_MINOR = VersionField(INSTALLER_VERSION_TEXT, 1);
inline constexpr char EXE_SUFFIX[] = ".exe";
// The product's files, in package order, on one line: the build packages exactly these
// (the top-level CMakeLists.txt reads them here, the stand-ins are product/<name> but for
// the program, which product/ builds), the release tool lists them for the scripts, and
// the tests expect them installed. The package directory holds as many entries.
inline constexpr const char* PACKAGED_FILE_NAMES[] = {"Quillstation.exe", "readme.txt", "Quill_Frmw_1.6.0.hex"};
// The read-me, the target of the "Readme" shortcuts.
inline constexpr const char* README_FILE_NAME = PACKAGED_FILE_NAMES[1];
// The installer's copy in the install folder when its own name would clash with a
// package file.
inline constexpr char INSTALLER_FILE_NAME[] = "QuillstationSetup.exe";
// Below the program-files folder and below each Start-menu programs folder.
inline constexpr char INSTALL_SUBPATH[] = "Velto\\Quillstation";
// The vendor's web address named in failure texts and the uninstall entry, and its
// support page.
inline constexpr char VENDOR_WEB_ADDRESS[] = "https://www.velto.example/quillstation";
inline constexpr char VENDOR_HELP_ADDRESS[] = "https://www.velto.example/quillstation/support";
// The copyright notice of the installer's version block and of the release's manifests.
inline constexpr char COPYRIGHT_TEXT[] = "Copyright (C) Velto. All rights reserved.";

}  // namespace qs
