#include "tools/packtool/core/pe_reader.h"

namespace qs::packtool {
namespace {

constexpr std::uint64_t DOS_LFANEW_OFFSET = 0x3C;
constexpr std::uint64_t COFF_HEADER_SIZE = 20;
constexpr std::uint64_t COFF_SECTION_COUNT = 2;
constexpr std::uint64_t COFF_OPTIONAL_SIZE = 16;
constexpr std::uint16_t OPTIONAL_MAGIC_PE32 = 0x10B;
constexpr std::uint16_t OPTIONAL_MAGIC_PE32_PLUS = 0x20B;
constexpr std::uint64_t PE32_DIRECTORY_COUNT = 92;
constexpr std::uint64_t PE32_PLUS_DIRECTORY_COUNT = 108;
constexpr std::uint64_t DATA_DIRECTORY_SIZE = 8;
constexpr std::uint32_t RESOURCE_DIRECTORY_INDEX = 2;
constexpr std::uint64_t SECTION_HEADER_SIZE = 40;
constexpr std::uint64_t SECTION_VIRTUAL_SIZE = 8;
constexpr std::uint64_t SECTION_VIRTUAL_ADDRESS = 12;
constexpr std::uint64_t SECTION_RAW_SIZE = 16;
constexpr std::uint64_t SECTION_RAW_POINTER = 20;
constexpr std::uint64_t RESOURCE_TABLE_HEADER = 16;
constexpr std::uint64_t RESOURCE_NAMED_COUNT = 12;
constexpr std::uint64_t RESOURCE_ID_COUNT = 14;
constexpr std::uint64_t RESOURCE_TABLE_ENTRY = 8;
constexpr std::uint64_t RESOURCE_DATA_ENTRY = 16;
constexpr std::uint32_t HIGH_BIT = 0x80000000u;

// Little-endian reads that fail instead of reading past the end.
class Bytes {
public:
    explicit Bytes(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    bool Has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }
    bool U16(std::uint64_t offset, std::uint32_t& value) const { return Read(offset, 2, value); }
    bool U32(std::uint64_t offset, std::uint32_t& value) const { return Read(offset, 4, value); }

private:
    bool Read(std::uint64_t offset, int count, std::uint32_t& value) const {
        if (!Has(offset, static_cast<std::uint64_t>(count))) {
            return false;
        }
        value = 0;
        for (int i = count - 1; i >= 0; --i) {
            value = (value << 8) | bytes_[static_cast<std::size_t>(offset) + static_cast<std::size_t>(i)];
        }
        return true;
    }

    const std::vector<std::uint8_t>& bytes_;
};

struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t virtualSize;
    std::uint32_t rawSize;
    std::uint32_t rawPointer;
};

struct Image {
    std::vector<Section> sections;
    std::uint32_t resourceRva = 0;
    std::uint32_t resourceSize = 0;
};

bool ReadHeaders(const Bytes& bytes, Image& image, std::string& error) {
    std::uint32_t peOffset = 0;
    std::uint32_t signature = 0;
    if (!bytes.U32(DOS_LFANEW_OFFSET, peOffset) || !bytes.U32(peOffset, signature) || signature != 0x00004550u) {
        error = "not a PE image (no PE signature)";
        return false;
    }
    const std::uint64_t coff = std::uint64_t{peOffset} + 4;
    std::uint32_t sectionCount = 0;
    std::uint32_t optionalSize = 0;
    if (!bytes.Has(coff, COFF_HEADER_SIZE) || !bytes.U16(coff + COFF_SECTION_COUNT, sectionCount) ||
        !bytes.U16(coff + COFF_OPTIONAL_SIZE, optionalSize)) {
        error = "PE image truncated in its file header";
        return false;
    }
    const std::uint64_t optional = coff + COFF_HEADER_SIZE;
    std::uint32_t magic = 0;
    if (!bytes.Has(optional, optionalSize) || !bytes.U16(optional, magic)) {
        error = "PE image truncated in its optional header";
        return false;
    }
    std::uint64_t countField = 0;
    if (magic == OPTIONAL_MAGIC_PE32) {
        countField = PE32_DIRECTORY_COUNT;
    } else if (magic == OPTIONAL_MAGIC_PE32_PLUS) {
        countField = PE32_PLUS_DIRECTORY_COUNT;
    } else {
        error = "PE image with an unknown optional-header kind";
        return false;
    }
    std::uint32_t directoryCount = 0;
    const std::uint64_t resourceEntry = countField + 4 + DATA_DIRECTORY_SIZE * RESOURCE_DIRECTORY_INDEX;
    if (countField + 4 > optionalSize || !bytes.U32(optional + countField, directoryCount) ||
        directoryCount <= RESOURCE_DIRECTORY_INDEX || resourceEntry + DATA_DIRECTORY_SIZE > optionalSize ||
        !bytes.U32(optional + resourceEntry, image.resourceRva) ||
        !bytes.U32(optional + resourceEntry + 4, image.resourceSize) || image.resourceRva == 0) {
        error = "PE image has no resource directory";
        return false;
    }
    const std::uint64_t table = optional + optionalSize;
    if (!bytes.Has(table, SECTION_HEADER_SIZE * sectionCount)) {
        error = "PE section table extends beyond the end of the file";
        return false;
    }
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t at = table + SECTION_HEADER_SIZE * i;
        Section s{};
        bytes.U32(at + SECTION_VIRTUAL_SIZE, s.virtualSize);
        bytes.U32(at + SECTION_VIRTUAL_ADDRESS, s.virtualAddress);
        bytes.U32(at + SECTION_RAW_SIZE, s.rawSize);
        bytes.U32(at + SECTION_RAW_POINTER, s.rawPointer);
        image.sections.push_back(s);
    }
    return true;
}

// File offset of count bytes at rva, when they all lie in one section's file data.
bool MapRva(const Bytes& bytes, const Image& image, std::uint32_t rva, std::uint64_t count, std::uint64_t& offset) {
    for (const Section& s : image.sections) {
        const std::uint64_t start = s.virtualAddress;
        if (rva < start) {
            continue;
        }
        const std::uint64_t delta = rva - start;
        if (delta + count > s.rawSize) {
            continue;
        }
        const std::uint64_t at = std::uint64_t{s.rawPointer} + delta;
        if (bytes.Has(at, count)) {
            offset = at;
            return true;
        }
    }
    return false;
}

// Reads the resource table at tableOffset (relative to the resource section) and finds
// the entry whose integer id is id, or the first entry when id is absent (languages).
// Out: the entry's target, an offset relative to the resource section.
bool FindEntry(const Bytes& bytes, const Image& image, std::uint32_t tableOffset, const std::uint32_t* id,
               bool wantTable, std::uint32_t& target) {
    std::uint64_t table = 0;
    const std::uint64_t rva = std::uint64_t{image.resourceRva} + tableOffset;
    if (rva > 0xFFFFFFFFu || !MapRva(bytes, image, static_cast<std::uint32_t>(rva), RESOURCE_TABLE_HEADER, table)) {
        return false;
    }
    std::uint32_t named = 0;
    std::uint32_t ids = 0;
    bytes.U16(table + RESOURCE_NAMED_COUNT, named);
    bytes.U16(table + RESOURCE_ID_COUNT, ids);
    const std::uint64_t count = std::uint64_t{named} + ids;
    std::uint64_t entries = 0;
    if (!MapRva(bytes, image, static_cast<std::uint32_t>(rva), RESOURCE_TABLE_HEADER + RESOURCE_TABLE_ENTRY * count,
                entries)) {
        return false;
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint32_t name = 0;
        std::uint32_t offset = 0;
        const std::uint64_t at = entries + RESOURCE_TABLE_HEADER + RESOURCE_TABLE_ENTRY * i;
        bytes.U32(at, name);
        bytes.U32(at + 4, offset);
        if (id != nullptr && ((name & HIGH_BIT) != 0 || name != *id)) {
            continue;
        }
        if (((offset & HIGH_BIT) != 0) != wantTable) {
            return false;
        }
        target = offset & ~HIGH_BIT;
        return true;
    }
    return false;
}

}  // namespace

bool LooksLikePeImage(const std::vector<std::uint8_t>& image) {
    const Bytes bytes(image);
    std::uint32_t peOffset = 0;
    std::uint32_t signature = 0;
    return image.size() >= 2 && image[0] == 'M' && image[1] == 'Z' && bytes.U32(DOS_LFANEW_OFFSET, peOffset) &&
           bytes.U32(peOffset, signature) && signature == 0x00004550u;
}

bool ReadPeResource(const std::vector<std::uint8_t>& file, std::uint32_t type, std::uint32_t id,
                    std::vector<std::uint8_t>& out, std::string& error) {
    const Bytes bytes(file);
    Image image;
    if (!ReadHeaders(bytes, image, error)) {
        return false;
    }
    const std::string what = "resource type " + std::to_string(type) + " id " + std::to_string(id);
    std::uint32_t typeTable = 0;
    std::uint32_t idTable = 0;
    std::uint32_t dataEntry = 0;
    if (!FindEntry(bytes, image, 0, &type, true, typeTable) ||
        !FindEntry(bytes, image, typeTable, &id, true, idTable) ||
        !FindEntry(bytes, image, idTable, nullptr, false, dataEntry)) {
        error = "no " + what + " in the image (or its resource directory is malformed)";
        return false;
    }
    std::uint64_t entry = 0;
    const std::uint64_t entryRva = std::uint64_t{image.resourceRva} + dataEntry;
    std::uint32_t dataRva = 0;
    std::uint32_t dataSize = 0;
    if (entryRva > 0xFFFFFFFFu ||
        !MapRva(bytes, image, static_cast<std::uint32_t>(entryRva), RESOURCE_DATA_ENTRY, entry) ||
        !bytes.U32(entry, dataRva) || !bytes.U32(entry + 4, dataSize)) {
        error = "the data entry of " + what + " lies outside the file";
        return false;
    }
    std::uint64_t data = 0;
    if (!MapRva(bytes, image, dataRva, dataSize, data)) {
        error = "the data of " + what + " lies outside the file";
        return false;
    }
    out.assign(file.begin() + static_cast<std::ptrdiff_t>(data),
               file.begin() + static_cast<std::ptrdiff_t>(data + dataSize));
    return true;
}

}  // namespace qs::packtool
