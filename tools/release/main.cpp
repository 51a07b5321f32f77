// qsrelease: what a release needs besides the installer itself, from the installer's own
// constants, so that build scripts never write a name, address or version by hand.
//   qsrelease winget --sha256 HEX [--url URL] [--architecture x86|x64] --out DIR
//                                                         writes the winget manifest set;
//                                                         without --url it warns that the
//                                                         address is a placeholder
//   qsrelease fact NAME                                   prints one fact: product-name,
//                                                         web-address, version, and one
//                                                         item a line: packaged-files,
//                                                         exit-codes (code, winget's
//                                                         kind, what a deployment tool
//                                                         makes of it, meaning),
//                                                         entry-values
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "setup/exit_codes.h"
#include "setup/product.h"
#include "setup/uninstall_entry.h"
#include "tools/release/winget.h"

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
constexpr char USAGE[] =
    "usage: qsrelease winget --sha256 HEX [--url URL] [--architecture x86|x64] --out DIR\n"
    "       qsrelease fact product-name|web-address|version|packaged-files|exit-codes|entry-values\n";

int Winget(const std::vector<std::string>& args) {
    std::map<std::string, std::string> options;
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) options[args[i]] = args[i + 1];
    if (args.size() % 2 != 0 || options.count("--sha256") == 0 || options.count("--out") == 0) {
        std::cerr << USAGE;
        return EXIT_USAGE;
    }
    std::vector<qs::release::ManifestFile> files;
    std::string error;
    const qs::release::WingetRelease release = {options["--sha256"], options["--url"], options["--architecture"]};
    if (!qs::release::WingetManifests(release, files, error)) {
        std::cerr << "qsrelease: " << error << "\n";
        return EXIT_FAILED;
    }
    if (release.installerUrl.empty()) {
        std::cerr << "qsrelease: WARNING: " << qs::release::PlaceholderWarning() << "\n";
    }
    const std::filesystem::path folder = options["--out"];
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    for (const auto& file : files) {
        std::ofstream out(folder / file.name, std::ios::binary | std::ios::trunc);
        out << file.text;
        if (!out.flush()) {
            std::cerr << "qsrelease: cannot write " << (folder / file.name).string() << "\n";
            return EXIT_FAILED;
        }
    }
    return EXIT_OK;
}

// One line per item.
template <typename Items, typename Line>
std::string Lines(const Items& items, Line line) {
    std::string text;
    for (const auto& item : items) {
        if (!text.empty()) text += '\n';
        text += line(item);
    }
    return text;
}

int Fact(const std::string& name) {
    const std::map<std::string, std::string> facts = {
        {"product-name", qs::PRODUCT_NAME},
        {"web-address", qs::VENDOR_WEB_ADDRESS},
        {"version", qs::INSTALLER_VERSION_TEXT},
        {"packaged-files", Lines(qs::PACKAGED_FILE_NAMES, [](const char* file) { return std::string(file); })},
        {"exit-codes", Lines(qs::EXIT_CODE_FACTS,
                             [](const qs::ExitCodeFact& fact) {
                                 std::string row = std::to_string(fact.code);
                                 row += '\t';
                                 row += fact.wingetResponse != nullptr ? fact.wingetResponse : "-";
                                 row += '\t';
                                 row += qs::DeployOutcomeName(fact.outcome);
                                 row += '\t';
                                 row += fact.meaning;
                                 return row;
                             })},
        {"entry-values",
         Lines(qs::UNINSTALL_ENTRY_VALUES, [](const qs::EntryValue& value) { return std::string(value.name); })},
    };
    const auto found = facts.find(name);
    if (found == facts.end()) {
        std::cerr << USAGE;
        return EXIT_USAGE;
    }
    std::cout << found->second << "\n";
    return EXIT_OK;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 1 && args[0] == "winget") return Winget({args.begin() + 1, args.end()});
    if (args.size() == 2 && args[0] == "fact") return Fact(args[1]);
    std::cerr << USAGE;
    return EXIT_USAGE;
}
