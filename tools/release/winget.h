// The winget manifest set of a release (version, installer and default-locale files),
// written from the installer's own names, version, registry key and exit codes.
#pragma once

#include <string>
#include <vector>

namespace qs::release {

inline constexpr char WINGET_MANIFEST_VERSION[] = "1.10.0";
inline constexpr char WINGET_DEFAULT_LOCALE[] = "en-US";

struct WingetRelease {
    std::string installerSha256;  // 64 hexadecimal digits of the file users download
    std::string installerUrl;     // where it is downloaded from (https://); empty for the placeholder
    std::string architecture;     // winget's name of its processor: x86 (the default) or x64
};

struct ManifestFile {
    std::string name;  // file name in the manifest folder
    std::string text;  // YAML
};

// "Velto.Quillstation": the maker and the product.
std::string PackageIdentifier();
// A made-up download address on the vendor's host, used when no URL is given: nothing is
// served there, so a manifest that names it is for trying out on one machine only.
std::string DefaultInstallerUrl();
// What the tool says, and the installer manifest notes in a comment, when the manifest
// names DefaultInstallerUrl().
std::string PlaceholderWarning();
// The three files, each starting with the schema line of its type. False with a reason in
// error when the release's inputs are malformed (a digest that is not 64 hexadecimal
// digits, a URL that is not https or too long, an architecture other than x86 or x64).
bool WingetManifests(const WingetRelease& release, std::vector<ManifestFile>& files, std::string& error);

}  // namespace qs::release
