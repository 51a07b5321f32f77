#include "tools/release/winget.h"

#include <cctype>
#include <string_view>
#include <utility>

#include "setup/exit_codes.h"
#include "setup/names.h"
#include "setup/product.h"
#include "setup/texts.h"
#include "setup/uninstall_entry.h"

namespace qs::release {
namespace {

constexpr std::size_t SHA256_DIGITS = 64;
constexpr std::size_t MAX_URL_LENGTH = 2048;  // the longest address winget takes
constexpr char SECURE_SCHEME[] = "https://";
constexpr char SCHEME_END[] = "://";
constexpr char SCHEMA_ADDRESS_PREFIX[] = "https://aka.ms/winget-manifest.";
constexpr char GENERATED_NOTE[] = "# Written by the build from the installer's own constants; not edited by hand.\n";

constexpr char VERSION_TYPE[] = "version";
constexpr char INSTALLER_TYPE[] = "installer";
constexpr char DEFAULT_LOCALE_TYPE[] = "defaultLocale";

// What the package page, its subpages and the search terms say of the product.
constexpr char PRODUCT_KIND[] = "desktop writing program";
constexpr char LICENSE_TEXT[] = "Proprietary";
constexpr char LICENSE_PAGE[] = "/license";
constexpr char RELEASE_NOTES_PAGE[] = "/releases/";
constexpr const char* TAGS[] = {"writing", "writer", "editor", "documents", "desktop"};

// A YAML scalar in single quotes, where only the quote itself needs escaping.
std::string Quoted(std::string_view text) {
    std::string out = "'";
    for (const char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

std::string Line(std::string_view key, std::string_view value, std::string_view indent = "") {
    return std::string(indent) + std::string(key) + ": " + Quoted(value) + "\n";
}

// The lines every file of the set starts with: the schema an editor checks it against,
// the build's note, any further comment, and the package's identity.
std::string Head(std::string_view type, std::string_view comment = "") {
    return "# yaml-language-server: $schema=" + std::string(SCHEMA_ADDRESS_PREFIX) + std::string(type) + "." +
           WINGET_MANIFEST_VERSION + ".schema.json\n" + GENERATED_NOTE + std::string(comment) +
           Line("PackageIdentifier", PackageIdentifier()) + Line("PackageVersion", INSTALLER_VERSION_TEXT);
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
    const std::size_t scheme = std::string_view(SECURE_SCHEME).size();
    return url.rfind(SECURE_SCHEME, 0) == 0 && url.size() > scheme && url.size() <= MAX_URL_LENGTH &&
           url.find_first_of(" \t\r\n'") == std::string::npos;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}
std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The maker's site: the scheme and host of the product's page.
std::string Site(std::string_view page) {
    const std::size_t host = page.find(SCHEME_END);
    const std::size_t path =
        host == std::string_view::npos ? host : page.find('/', host + std::string_view(SCHEME_END).size());
    return std::string(page.substr(0, path));
}

std::string InstallerFile(const WingetRelease& release, const std::string& url, const std::string& architecture) {
    const std::string comment = release.installerUrl.empty() ? "# WARNING: " + PlaceholderWarning() + "\n" : "";
    std::string text = Head(INSTALLER_TYPE, comment);
    text += "InstallerType: exe\nScope: machine\nInstallModes:\n- silent\n- silentWithProgress\n";
    text += "InstallerSwitches:\n" + Line("Silent", SILENT_INSTALL_SWITCHES, "  ") +
            Line("SilentWithProgress", SILENT_INSTALL_SWITCHES, "  ");
    text += "ExpectedReturnCodes:\n";
    // Every code but success, as setup/exit_codes.h says a deployment tool takes it.
    for (const ExitCodeFact& fact : EXIT_CODE_FACTS) {
        if (fact.wingetResponse == nullptr) continue;
        text +=
            "- InstallerReturnCode: " + std::to_string(fact.code) + "\n  ReturnResponse: " + fact.wingetResponse + "\n";
        if (fact.helpLink) text += Line("ReturnResponseUrl", VENDOR_HELP_ADDRESS, "  ");
    }
    // The silent switches install or bring an installed version to this one in one run:
    // an upgrade just runs the new installer.
    text += "UpgradeBehavior: install\nElevationRequirement: elevationRequired\n";
    text += Line("ProductCode", UNINSTALL_ENTRY_NAME);
    // Only what the uninstall entry holds beyond the package's own fields: its publisher,
    // version and key name are the locale's Publisher, PackageVersion and ProductCode.
    text += "AppsAndFeaturesEntries:\n" + Line("- DisplayName", EntryText("DisplayName"));
    text += "Installers:\n- Architecture: " + architecture + "\n" + Line("InstallerUrl", url, "  ") +
            "  InstallerSha256: " + Upper(release.installerSha256) + "\n";
    return text + Tail(INSTALLER_TYPE);
}

std::string LocaleFile() {
    const std::string product = PRODUCT_NAME;
    const std::string page = VENDOR_WEB_ADDRESS;
    const std::string description =
        product + " is a " + PRODUCT_KIND + " by " + MAKER_NAME + ". The installer puts it in Program Files\\" +
        INSTALL_SUBPATH + " for every user of the machine, with shortcuts in the Start menu and on the desktop " +
        "and an entry in the list of installed programs, and needs administrator rights. An upgrade removes the " +
        "installed version first.";
    const std::pair<const char*, std::string> fields[] = {
        {"PackageLocale", WINGET_DEFAULT_LOCALE},
        {"Publisher", EntryText("Publisher")},
        {"PublisherUrl", Site(page)},
        {"PublisherSupportUrl", VENDOR_HELP_ADDRESS},
        {"PackageName", product},
        {"PackageUrl", page},
        {"License", LICENSE_TEXT},
        {"LicenseUrl", page + LICENSE_PAGE},
        {"Copyright", COPYRIGHT_TEXT},
        {"ShortDescription", "A " + std::string(PRODUCT_KIND) + " by " + MAKER_NAME + "."},
        {"Description", description},
        {"Moniker", Lower(product)},
        {"ReleaseNotesUrl", page + RELEASE_NOTES_PAGE + INSTALLER_VERSION_TEXT},
    };
    std::string text = Head(DEFAULT_LOCALE_TYPE);
    for (const auto& [key, value] : fields) text += Line(key, value);
    text += "Tags:\n";
    for (const char* tag : TAGS) text += "- " + Quoted(tag) + "\n";
    return text + Tail(DEFAULT_LOCALE_TYPE);
}

std::string VersionFile() {
    return Head(VERSION_TYPE) + Line("DefaultLocale", WINGET_DEFAULT_LOCALE) + Tail(VERSION_TYPE);
}

}  // namespace

std::string PackageIdentifier() { return std::string(MAKER_NAME) + "." + PRODUCT_NAME; }

std::string DefaultInstallerUrl() {
    return std::string(VENDOR_WEB_ADDRESS) + "/download/" + INSTALLER_VERSION_TEXT + "/" + INSTALLER_FILE_NAME;
}

std::string PlaceholderWarning() {
    return "the InstallerUrl " + DefaultInstallerUrl() +
           " is a placeholder, not the release's download address; the manifest is only for `winget install "
           "--manifest` on this machine (which downloads from that address too), never for a repository (give the "
           "address with --url)";
}

bool WingetManifests(const WingetRelease& release, std::vector<ManifestFile>& files, std::string& error) {
    const std::string url = release.installerUrl.empty() ? DefaultInstallerUrl() : release.installerUrl;
    if (!IsSha256(release.installerSha256)) {
        error = "the installer's SHA-256 must be 64 hexadecimal digits, not '" + release.installerSha256 + "'";
        return false;
    }
    if (!IsWebAddress(url)) {
        error = "the installer URL must be an https:// address of at most " + std::to_string(MAX_URL_LENGTH) +
                " characters without blanks or quotes, not '" + url + "'";
        return false;
    }
    const std::string architecture = release.architecture.empty() ? "x86" : release.architecture;
    if (architecture != "x86" && architecture != "x64") {
        error = "the architecture must be x86 or x64, not '" + architecture + "'";
        return false;
    }
    const std::string id = PackageIdentifier();
    files = {{id + ".yaml", VersionFile()},
             {id + ".installer.yaml", InstallerFile(release, url, architecture)},
             {id + ".locale." + WINGET_DEFAULT_LOCALE + ".yaml", LocaleFile()}};
    return true;
}

}  // namespace qs::release
