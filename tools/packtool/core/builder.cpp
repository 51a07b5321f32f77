#include "tools/packtool/core/builder.h"

#include <array>
#include <cstring>
#include <limits>

#include "package/cipher.h"
#include "package/package.h"
#include "package/record.h"
#include "platform/paths.h"

namespace qs::packtool {
namespace {

constexpr std::uint32_t CRC_POLYNOMIAL = 0xEDB88320u;
constexpr std::uint32_t CRC_INITIAL = 0xFFFFFFFFu;
constexpr std::uint64_t MAX_PACKAGE_SIZE = std::numeric_limits<std::uint32_t>::max();

std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < table.size(); ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1u) != 0 ? CRC_POLYNOMIAL ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

void PutU32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    static const std::array<std::uint32_t, 256> table = MakeCrcTable();
    std::uint32_t crc = CRC_INITIAL;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    }
    return crc ^ CRC_INITIAL;
}

bool CheckEntryName(const std::string& name, std::string& error) {
    if (name.size() >= PACKAGE_NAME_SIZE) {
        error = "name \"" + name + "\" is " + std::to_string(name.size()) + " bytes long; names must be shorter than " +
                std::to_string(PACKAGE_NAME_SIZE) + " bytes";
        return false;
    }
    if (name.find('\0') != std::string::npos || !IsSafeRelativeName(name.c_str(), PACKAGE_NAME_SIZE)) {
        error = "name \"" + name + "\" is not a safe relative name (empty, absolute, drive letter, colon or \"..\")";
        return false;
    }
    return true;
}

bool PlanPackageLayout(const std::vector<std::uint64_t>& sizes, const std::vector<std::string>& names,
                       std::vector<std::uint32_t>& offsets, std::string& error) {
    std::vector<std::uint32_t> planned;
    std::uint64_t end = PACKAGE_DIRECTORY_BYTES;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::string& name = i < names.size() ? names[i] : std::to_string(i);
        if (sizes[i] == 0) {
            error = "\"" + name + "\" is empty; every entry needs at least one byte";
            return false;
        }
        if (sizes[i] > MAX_PACKAGE_SIZE - end) {
            error = "the package would exceed " + std::to_string(MAX_PACKAGE_SIZE) + " bytes at \"" + name +
                    "\"; offsets are 32-bit";
            return false;
        }
        planned.push_back(static_cast<std::uint32_t>(end));
        end += sizes[i];
    }
    offsets = std::move(planned);
    return true;
}

bool BuildPackage(const std::vector<PackageInput>& inputs, std::vector<std::uint8_t>& out, std::string& error) {
    if (inputs.size() != PACKAGE_ENTRY_COUNT) {
        error = "a package holds exactly " + std::to_string(PACKAGE_ENTRY_COUNT) + " files, " +
                std::to_string(inputs.size()) + " given";
        return false;
    }
    std::vector<std::uint64_t> sizes;
    std::vector<std::string> names;
    for (const PackageInput& input : inputs) {
        if (!CheckEntryName(input.name, error)) {
            return false;
        }
        sizes.push_back(input.data.size());
        names.push_back(input.name);
    }
    std::vector<std::uint32_t> offsets;
    if (!PlanPackageLayout(sizes, names, offsets, error)) {
        return false;
    }

    std::vector<std::uint8_t> package(offsets.back() + inputs.back().data.size(), 0);
    KeyChain chain;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const PackageInput& input = inputs[i];
        const auto size = static_cast<std::uint32_t>(input.data.size());
        auto field = [&](EntryField f) { return package.data() + EntryFieldAt(i, f); };
        std::uint8_t* content = package.data() + offsets[i];

        std::memcpy(field(ENTRY_NAME_FIELD), input.name.data(), input.name.size());
        PutU32(field(ENTRY_OFFSET_FIELD), offsets[i]);
        PutU32(field(ENTRY_SIZE_FIELD), size);
        DigestBuffer(input.data.data(), size, field(ENTRY_DIGEST_FIELD));

        std::memcpy(content, input.data.data(), size);
        PackageCipher(chain.seed, content, size, chain.key);
        std::uint8_t storedDigest[DIGEST_SIZE];
        DigestBuffer(content, size, storedDigest);
        PutU32(field(ENTRY_RESERVED_FIELD), Crc32(content, size));
        AdvanceKeyChain(chain, storedDigest);
    }
    out = std::move(package);
    return true;
}

}  // namespace qs::packtool
