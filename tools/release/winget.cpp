#include "tools/release/winget.h"

#include <cctype>
#include <string_view>
#include <utility>

#include "app/startup.h"
#include "setup/product.h"
#include "setup/texts.h"

namespace qs::release {
namespace {

constexpr std::size_t SHA256_DIGITS = 64;
constexpr char GENERATED_NOTE[] = "# Written by the build from the installer's own constants; not edited by hand.\n";
constexpr char LICENSE_TEXT[] = "Proprietary";

// What a deployment engine should make of each failure code of a silent install.
constexpr std::pair<int, const char*> RETURN_RESPONSES[] = {
    {EXIT_ALREADY_RUNNING, "installInProgress"},  // also a damaged package directory
    {INSTALL_NO_PROGRAM_FILES, "contactSupport"},
    {INSTALL_FOLDER_NOT_CREATED, "blockedByPolicy"},       // access to Program Files refused
    {INSTALL_COPY_FAILED, "fileInUse"},                    // a product file held open
    {UNINSTALL_RESTART_NEEDED, "rebootRequiredToFinish"},  // a second -i removed, a file in use waits
};
static_assert(EXIT_ALREADY_RUNNING == INSTALL_PACKAGE_DAMAGED && INSTALL_PACKAGE_DAMAGED == WORKER_NOT_STARTED);

// A YAML scalar in single quotes, where only the quote itself needs escaping.
std::string Quoted(std::string_view text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

std::string Line(std::string_view key, std::string_view value, std::string_view indent = "") {
    return std::string(indent) + std::string(key) + ": " + Quoted(value) + "\n";
}

// The lines every file of the set starts and ends with.
std::string Head() {
    return GENERATED_NOTE + Line("PackageIdentifier", PackageIdentifier()) +
           Line("PackageVersion", INSTALLER_VERSION_TEXT);
}
std::string Tail(std::string_view type) {
    return "ManifestType: " + std::string(type) + "\nManifestVersion: " + WINGET_MANIFEST_VERSION + "\n";
}

bool IsSha256(const std::string& text) {
    if (text.size() != SHA256_DIGITS) return false;
    for (const char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) return false;
    }
    return true;
}

bool IsWebAddress(const std::string& url) {
    return (url.rfind("https://", 0) == 0 || url.rfind("http://", 0) == 0) &&
           url.find_first_of(" \t\r\n'") == std::string::npos;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string InstallerFile(const std::string& sha256, const std::string& url, const std::string& architecture) {
    std::string text = Head();
    text += "InstallerType: exe\nScope: machine\nInstallModes:\n- silent\n- silentWithProgress\n";
    text += "InstallerSwitches:\n" + Line("Silent", SILENT_INSTALL_SWITCHES, "  ") +
            Line("SilentWithProgress", SILENT_INSTALL_SWITCHES, "  ");
    text += "ExpectedReturnCodes:\n";
    for (const auto& [code, response] : RETURN_RESPONSES) {
        text += "- InstallerReturnCode: " + std::to_string(code) + "\n  ReturnResponse: " + response + "\n";
    }
    // A second silent install removes the product: an upgrade removes the old one first.
    text += "UpgradeBehavior: uninstallPrevious\nElevationRequirement: elevationRequired\n";
    text += Line("ProductCode", UNINSTALL_ENTRY_NAME);
    text += "AppsAndFeaturesEntries:\n" + Line("- DisplayName", DISPLAY_NAME_TEXT) +
            Line("Publisher", PUBLISHER_TEXT, "  ") + Line("DisplayVersion", INSTALLER_VERSION_TEXT, "  ") +
            Line("ProductCode", UNINSTALL_ENTRY_NAME, "  ");
    text += "Installers:\n- Architecture: " + architecture + "\n" + Line("InstallerUrl", url, "  ") +
            "  InstallerSha256: " + Upper(sha256) + "\n";
    return text + Tail("installer");
}

std::string LocaleFile() {
    return Head() + Line("PackageLocale", WINGET_DEFAULT_LOCALE) + Line("Publisher", PUBLISHER_TEXT) +
           Line("PublisherUrl", VENDOR_WEB_ADDRESS) + Line("PublisherSupportUrl", VENDOR_HELP_ADDRESS) +
           Line("PackageName", PRODUCT_NAME) + Line("PackageUrl", VENDOR_WEB_ADDRESS) + Line("License", LICENSE_TEXT) +
           Line("ShortDescription", DISPLAY_NAME_TEXT) + Tail("defaultLocale");
}

std::string VersionFile() { return Head() + Line("DefaultLocale", WINGET_DEFAULT_LOCALE) + Tail("version"); }

}  // namespace

std::string PackageIdentifier() { return std::string(MAKER_NAME) + "." + PRODUCT_NAME; }

std::string DefaultInstallerUrl() {
    return std::string(VENDOR_WEB_ADDRESS) + "/download/" + INSTALLER_VERSION_TEXT + "/" + INSTALLER_FILE_NAME;
}

bool WingetManifests(const WingetRelease& release, std::vector<ManifestFile>& files, std::string& error) {
    const std::string url = release.installerUrl.empty() ? DefaultInstallerUrl() : release.installerUrl;
    if (!IsSha256(release.installerSha256)) {
        error = "the installer's SHA-256 must be 64 hexadecimal digits, not '" + release.installerSha256 + "'";
        return false;
    }
    if (!IsWebAddress(url)) {
        error = "the installer URL must start with https:// or http:// and hold no blanks or quotes: '" + url + "'";
        return false;
    }
    const std::string architecture = release.architecture.empty() ? "x86" : release.architecture;
    if (architecture != "x86" && architecture != "x64") {
        error = "the architecture must be x86 or x64, not '" + architecture + "'";
        return false;
    }
    const std::string id = PackageIdentifier();
    files = {{id + ".yaml", VersionFile()},
             {id + ".installer.yaml", InstallerFile(release.installerSha256, url, architecture)},
             {id + ".locale." + WINGET_DEFAULT_LOCALE + ".yaml", LocaleFile()}};
    return true;
}

}  // namespace qs::release
