#include "tools/packtool/core/packtool.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <sstream>

#include "package/cipher.h"
#include "package/package.h"
#include "tools/packtool/core/builder.h"
#include "tools/packtool/core/pe_reader.h"

namespace qs::packtool {
namespace {

constexpr char TOOL_NAME[] = "qspack";
constexpr char LIST_FOLDER[] = "package";  // any non-empty folder: list/verify write nothing

constexpr char HELP_TEXT[] =
    "usage: qspack COMMAND ARGUMENTS\n"
    "\n"
    "Builds and inspects the package resource of the installer.\n"
    "\n"
    "commands:\n"
    "  build OUT FILE1 FILE2 FILE3  write a package of exactly three files to OUT; each\n"
    "                               entry is named by its file's base name, and the\n"
    "                               contents follow the directory back to back in the\n"
    "                               order given\n"
    "  list PACKAGE                 show the directory: name, offset, size, MD5 of the\n"
    "                               plain content, whether the entry deciphers to that\n"
    "                               digest, and whether its stored bytes match the CRC-32\n"
    "                               kept in the reserved field\n"
    "  verify PACKAGE               exit 0 only when every entry deciphers to its digest\n"
    "                               and has a safe name\n"
    "  extract PACKAGE DIR          write the verified files into DIR (created if needed)\n"
    "  --help                       show this text\n"
    "\n"
    "PACKAGE is a raw package file or an installer executable, whose RCDATA resource\n"
    "100 is read.\n"
    "\n"
    "build refuses: a count of files other than three, an empty file, a name of 128\n"
    "bytes or more, a name that is not a safe relative name (absolute, drive letter,\n"
    "colon, \".\" or \"..\" component), and a total beyond 32-bit offsets.\n"
    "\n"
    "Reserved field: CRC-32 (IEEE 802.3, as zlib computes it) of the entry's stored,\n"
    "enciphered bytes, little-endian. The installer never reads it. When an entry's\n"
    "stored bytes are damaged, that entry and every later one fail to verify (the key\n"
    "chain runs through the stored bytes); the CRC column shows which one was damaged.\n"
    "\n"
    "exit codes: 0 success, 1 failure or refusal, 2 usage error\n";

// Accepts every entry without writing anything.
class DiscardWriter final : public PackageWriter {
public:
    bool WriteEntry(const char*, const char*, const std::uint8_t*, std::uint32_t) override { return true; }
};

// Writes each entry below a host folder; the entry's backslashes become sub-folders.
class FolderWriter final : public PackageWriter {
public:
    FolderWriter(std::filesystem::path root, std::string folder, std::ostream& err)
        : root_(std::move(root)), folder_(std::move(folder)), err_(err) {}

    bool WriteEntry(const char*, const char* targetPath, const std::uint8_t* data, std::uint32_t size) override {
        std::string relative(targetPath);
        const std::size_t skip = folder_.size() + (folder_.back() == '\\' ? 0 : 1);
        if (relative.compare(0, folder_.size(), folder_) != 0 || relative.size() <= skip) {
            return false;
        }
        relative.erase(0, skip);
        for (char& c : relative) {
            if (c == '\\') {
                c = '/';
            }
        }
        const std::filesystem::path target = root_ / relative;
        std::error_code ec;
        std::filesystem::create_directories(target.parent_path(), ec);
        std::ofstream file(target, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        file.close();
        if (!file) {
            err_ << TOOL_NAME << ": cannot write " << target.string() << '\n';
            return false;
        }
        return true;
    }

private:
    std::filesystem::path root_;
    std::string folder_;
    std::ostream& err_;
};

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (file.bad()) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

// The base name of a host path: what follows its last slash.
std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A directory name field shown safely: at most 128 bytes, unprintable bytes escaped.
std::string ShowName(const char (&name)[PACKAGE_NAME_SIZE]) {
    std::string shown;
    for (std::size_t i = 0; i < PACKAGE_NAME_SIZE && name[i] != '\0'; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    std::ostringstream text;
    for (std::size_t i = 0; i < count; ++i) {
        text << std::hex << std::setw(2) << std::setfill('0') << static_cast<unsigned>(bytes[i]);
    }
    return text.str();
}

const char* Describe(EntryOutcome outcome) {
    switch (outcome) {
        case EntryOutcome::Written:
        case EntryOutcome::Verified:
            return "yes";
        case EntryOutcome::OutOfBounds:
            return "no (outside the package)";
        case EntryOutcome::UnsafeName:
            return "no (unsafe name)";
        case EntryOutcome::BadTargetPath:
            return "no (path too long)";
        case EntryOutcome::DigestMismatch:
            return "no (digest differs)";
        case EntryOutcome::WriteFailed:
            return "no (not written)";
    }
    return "no";
}

bool IsGood(EntryOutcome outcome) { return outcome == EntryOutcome::Written || outcome == EntryOutcome::Verified; }

// Loads the package and checks that it holds a directory.
bool LoadWithDirectory(const std::string& path, std::vector<std::uint8_t>& package, PackageDirectory& directory,
                       std::ostream& err) {
    std::string error;
    if (!LoadPackageFile(path, package, error)) {
        err << TOOL_NAME << ": " << error << '\n';
        return false;
    }
    if (ReadDirectoryBytes(package.data(), package.size(), directory) != 0) {
        err << TOOL_NAME << ": " << path << ": not a package (" << package.size() << " bytes; a package is longer than "
            << PACKAGE_DIRECTORY_BYTES << ")\n";
        return false;
    }
    return true;
}

int Build(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string& outPath = args[1];
    const std::vector<std::string> files(args.begin() + 2, args.end());
    std::string error;
    auto refuse = [&](const std::string& message) {
        err << TOOL_NAME << ": build refused: " << message << '\n';
        return EXIT_FAILED;
    };
    if (files.size() != PACKAGE_ENTRY_COUNT) {
        return refuse("a package holds exactly " + std::to_string(PACKAGE_ENTRY_COUNT) + " files, " +
                      std::to_string(files.size()) + " given");
    }
    // Names and sizes first, so that an oversized file is refused before it is read.
    std::vector<std::string> names;
    std::vector<std::uint64_t> sizes;
    for (const std::string& file : files) {
        struct stat info {};
        if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            return refuse(file + " is not a readable file");
        }
        names.push_back(BaseName(file));
        if (!CheckEntryName(names.back(), error)) {
            return refuse(error);
        }
        sizes.push_back(static_cast<std::uint64_t>(info.st_size));
    }
    std::vector<std::uint32_t> offsets;
    if (!PlanPackageLayout(sizes, names, offsets, error)) {
        return refuse(error);
    }
    std::vector<PackageInput> inputs;
    for (std::size_t i = 0; i < files.size(); ++i) {
        PackageInput input;
        input.name = names[i];
        if (!ReadWholeFile(files[i], input.data, error)) {
            return refuse(error);
        }
        inputs.push_back(std::move(input));
    }
    std::vector<std::uint8_t> package;
    if (!BuildPackage(inputs, package, error)) {
        return refuse(error);
    }
    if (!WriteWholeFile(outPath, package, error)) {
        err << TOOL_NAME << ": " << error << '\n';
        return EXIT_FAILED;
    }
    out << "wrote " << outPath << ": " << package.size() << " bytes, " << inputs.size() << " entries\n";
    return EXIT_OK;
}

int List(const std::string& path, std::ostream& out, std::ostream& err) {
    std::vector<std::uint8_t> package;
    PackageDirectory directory{};
    if (!LoadWithDirectory(path, package, directory, err)) {
        return EXIT_FAILED;
    }
    // CRC of the stored bytes, taken before extraction deciphers them in place.
    std::string crcState[PACKAGE_ENTRY_COUNT];
    for (std::size_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        const PackageEntry& e = directory.entries[i];
        crcState[i] = !EntryLiesInside(e, package.size())                      ? "-"
                      : Crc32(package.data() + e.offset, e.size) == e.reserved ? "ok"
                                                                               : "differs";
    }
    DiscardWriter writer;
    EntryOutcome outcomes[PACKAGE_ENTRY_COUNT];
    const int result =
        ExtractPackageBytes(package.data(), package.size(), directory, LIST_FOLDER, nullptr, writer, outcomes);

    out << std::left << std::setw(3) << "#" << std::setw(32) << "name" << std::right << std::setw(11) << "offset"
        << std::setw(11) << "size"
        << "  " << std::left << std::setw(34) << "md5" << std::setw(9) << "crc"
        << "verified\n";
    for (std::size_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        const PackageEntry& e = directory.entries[i];
        out << std::left << std::setw(3) << i << std::setw(32) << ShowName(e.name) << std::right << std::setw(11)
            << e.offset << std::setw(11) << e.size << "  " << std::left << std::setw(34)
            << Hex(e.digest, PACKAGE_DIGEST_SIZE) << std::setw(9) << crcState[i] << Describe(outcomes[i]) << '\n';
    }
    out << "package: " << package.size() << " bytes, result " << result << '\n';
    return EXIT_OK;
}

int Verify(const std::string& path, std::ostream& out, std::ostream& err) {
    std::vector<std::uint8_t> package;
    PackageDirectory directory{};
    if (!LoadWithDirectory(path, package, directory, err)) {
        return EXIT_FAILED;
    }
    DiscardWriter writer;
    EntryOutcome outcomes[PACKAGE_ENTRY_COUNT];
    const int result =
        ExtractPackageBytes(package.data(), package.size(), directory, LIST_FOLDER, nullptr, writer, outcomes);
    for (std::size_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        if (!IsGood(outcomes[i])) {
            err << TOOL_NAME << ": entry " << i << " \"" << ShowName(directory.entries[i].name)
                << "\": " << Describe(outcomes[i]) << '\n';
        }
    }
    if (result != 0) {
        err << TOOL_NAME << ": " << path << ": verification failed (" << result << ")\n";
        return EXIT_FAILED;
    }
    out << path << ": all " << PACKAGE_ENTRY_COUNT << " entries verified\n";
    return EXIT_OK;
}

int Extract(const std::string& path, const std::string& folder, std::ostream& out, std::ostream& err) {
    std::vector<std::uint8_t> package;
    PackageDirectory directory{};
    if (!LoadWithDirectory(path, package, directory, err)) {
        return EXIT_FAILED;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) {
        err << TOOL_NAME << ": cannot create folder " << folder << '\n';
        return EXIT_FAILED;
    }
    FolderWriter writer(folder, folder, err);
    EntryOutcome outcomes[PACKAGE_ENTRY_COUNT];
    const int result =
        ExtractPackageBytes(package.data(), package.size(), directory, folder.c_str(), nullptr, writer, outcomes);
    for (std::size_t i = 0; i < PACKAGE_ENTRY_COUNT; ++i) {
        const std::string name = ShowName(directory.entries[i].name);
        if (IsGood(outcomes[i])) {
            out << "extracted " << name << '\n';
        } else {
            err << TOOL_NAME << ": entry " << i << " \"" << name << "\": " << Describe(outcomes[i]) << '\n';
        }
    }
    if (result != 0) {
        err << TOOL_NAME << ": " << path << ": extraction failed (" << result << ")\n";
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

int Usage(std::ostream& err, const std::string& message) {
    err << TOOL_NAME << ": " << message << "\n"
        << "run 'qspack --help' for usage\n";
    return EXIT_USAGE;
}

}  // namespace

bool LoadPackageFile(const std::string& path, std::vector<std::uint8_t>& package, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, error)) {
        return false;
    }
    if (!LooksLikePeImage(bytes)) {
        package = std::move(bytes);
        return true;
    }
    if (!ReadPeResource(bytes, RESOURCE_TYPE_RCDATA, static_cast<std::uint32_t>(PACKAGE_RESOURCE_ID), package, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

int RunPackTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        return Usage(err, "no command given");
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << HELP_TEXT;
        return EXIT_OK;
    }
    if (command == "build") {
        if (args.size() < 2) {
            return Usage(err, "build needs OUT and three files");
        }
        return Build(args, out, err);
    }
    if (command == "list" || command == "verify") {
        if (args.size() != 2) {
            return Usage(err, command + " needs exactly one package or installer");
        }
        return command == "list" ? List(args[1], out, err) : Verify(args[1], out, err);
    }
    if (command == "extract") {
        if (args.size() != 3) {
            return Usage(err, "extract needs a package or installer and a folder");
        }
        if (args[2].empty()) {
            return Usage(err, "extract needs a non-empty folder");
        }
        return Extract(args[1], args[2], out, err);
    }
    return Usage(err, "unknown command '" + command + "'");
}

}  // namespace qs::packtool
