// libFuzzer target over the package directory and extraction core.
//
// Input: one option byte, then the package bytes. The option byte picks the name
// filter and the install folder. An in-memory writer checks what extraction hands out:
// a bounded target path inside the install folder, a safe relative name, data inside
// the package buffer, only selected entries. Any violation traps.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "package/package.h"
#include "platform/paths.h"

namespace {

using qs::EntryOutcome;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// An independent test of the relative part of a target path: no root, no colon, no
// component made only of dots and spaces, no empty component.
bool StaysInside(const std::string& relative) {
    if (relative.empty() || relative.find(':') != std::string::npos) {
        return false;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = relative.find_first_of("\\/", start);
        const std::string part = relative.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.find_first_not_of(". ") == std::string::npos) {
            return false;
        }
        if (end == std::string::npos) {
            return true;
        }
        start = end + 1;
    }
}

class CheckingWriter final : public qs::PackageWriter {
public:
    CheckingWriter(const std::uint8_t* package, std::size_t size, const std::string& folder, const char* filter)
        : package_(package), size_(size), folder_(folder), filter_(filter) {}

    bool WriteEntry(const char* folder, const char* targetPath, const std::uint8_t* data, std::uint32_t size) override {
        ++calls;
        Check(calls <= qs::PACKAGE_ENTRY_COUNT);
        const std::size_t length = ::strnlen(targetPath, qs::PACKAGE_PATH_SIZE);
        Check(length < qs::PACKAGE_PATH_SIZE);
        const std::string target(targetPath, length);

        std::string prefix = folder_;
        if (prefix.back() != '\\') {
            prefix += '\\';
        }
        Check(target.compare(0, prefix.size(), prefix) == 0);
        const std::string relative = target.substr(prefix.size());
        Check(StaysInside(relative));
        Check(qs::IsSafeRelativeName(relative.c_str(), qs::PACKAGE_NAME_SIZE));
        if (filter_ != nullptr) {
            Check(relative == filter_);
        }
        const std::size_t cut = target.find_last_of('\\');
        Check(std::string(folder) == target.substr(0, cut));

        Check(data >= package_ && size <= size_ && static_cast<std::size_t>(data - package_) <= size_ - size);
        if (size > 0) {
            sum_ += data[0] + data[size - 1];  // touch both ends under the sanitizers
        }
        return (sum_ & 1u) == 0;  // some writes fail, so that path runs too
    }

    std::size_t calls = 0;

private:
    const std::uint8_t* package_;
    std::size_t size_;
    std::string folder_;
    const char* filter_;
    unsigned sum_ = 0;
};

const std::string LONG_FOLDER = "C:\\" + std::string(1000, 'f');

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t options = data[0];
    // An exact-size heap copy: any read or write past the package is caught.
    std::vector<std::uint8_t> package(data + 1, data + size);

    qs::PackageDirectory directory;
    std::memset(&directory, 0x5A, sizeof directory);
    const int read = qs::ReadDirectoryBytes(package.data(), package.size(), directory);
    Check(read == (package.size() > qs::PACKAGE_DIRECTORY_BYTES ? 0 : qs::PACKAGE_MISSING));

    const char* filters[] = {nullptr, "readme.txt", "README.TXT", "Quillstation.exe"};
    const char* filter = filters[options & 3u];
    std::string folder = (options & 4u) != 0 ? LONG_FOLDER : "C:\\Program Files\\Velto\\Quillstation";
    if ((options & 8u) != 0) {
        folder += '\\';
    }

    CheckingWriter writer(package.data(), package.size(), folder, filter);
    EntryOutcome outcomes[qs::PACKAGE_ENTRY_COUNT];
    const int result =
        qs::ExtractPackageBytes(package.data(), package.size(), directory, folder.c_str(), filter, writer, outcomes);

    std::size_t failed = 0;
    std::size_t written = 0;
    for (const EntryOutcome outcome : outcomes) {
        written += outcome == EntryOutcome::Written ? 1 : 0;
        failed += outcome == EntryOutcome::Written || outcome == EntryOutcome::Verified ? 0 : 1;
    }
    Check(written <= writer.calls);
    Check(result == (failed == 0 ? 0 : qs::PACKAGE_FAILED_BASE - static_cast<int>(failed)));
    return 0;
}
