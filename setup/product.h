// Names and texts of the product that the installer puts on the machine.
#pragma once

namespace qs {

inline constexpr char PRODUCT_NAME[] = "Quillstation";
inline constexpr char MAKER_NAME[] = "Velto";
inline constexpr char INSTALLER_VERSION_TEXT[] = "1.0.7.6";
inline constexpr char EXE_SUFFIX[] = ".exe";
// The installer's copy in the install folder when its own name would clash with a
// package file.
inline constexpr char INSTALLER_FILE_NAME[] = "QuillstationSetup.exe";
// Below the program-files folder and below each Start-menu programs folder.
inline constexpr char INSTALL_SUBPATH[] = "Velto\\Quillstation";
// The vendor's web address named in failure texts.
inline constexpr char VENDOR_WEB_ADDRESS[] = "https://www.velto.example/quillstation";

}  // namespace qs
