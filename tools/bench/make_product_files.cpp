// Writes the product files (setup/product.h names them) of the shipped sizes for the
// install benchmark, from the stand-ins:
//   make_product_files STANDIN_PROGRAM STANDIN_DIR OUT_DIR
// The program   the stand-in program with a deterministic overlay appended (a program
//               with an overlay still runs), 5,561,120 bytes in all. The overlay is half
//               pseudo-random blocks and half repeats of earlier blocks, so that it
//               compresses about as well as a real program does (roughly to one half).
// Every other   STANDIN_DIR/<name>, repeated or cut to its shipped size (the read-me
//               3,648 bytes, the firmware image 120,460 bytes); a file without a known
//               shipped size is copied as it is.
// The same inputs always give the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "setup/product.h"
#include "tools/common/generated_bytes.h"

namespace {

using qs::generated::Bytes;

constexpr std::size_t PRODUCT_EXE_SIZE = 5'561'120;
// Shipped sizes of the files besides the program, by position in the package.
constexpr std::size_t SHIPPED_SIZES[] = {0, 3'648, 120'460};
constexpr std::size_t OVERLAY_BLOCK = 64;
constexpr std::size_t REPEAT_WINDOW = 16'384;  // within reach of a deflate window
constexpr std::uint32_t SEED = 0x51A7'1076u;

bool Read(const char* path, Bytes& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool Write(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Repeats the content from its start until `size`, or cuts it there.
Bytes RepeatTo(const Bytes& content, std::size_t size) {
    Bytes out;
    out.reserve(size);
    while (out.size() < size) {
        std::size_t take = std::min(content.size(), size - out.size());
        out.insert(out.end(), content.begin(), content.begin() + static_cast<std::ptrdiff_t>(take));
    }
    return out;
}

Bytes WithOverlay(const Bytes& program, std::size_t size) {
    Bytes out = program;
    if (out.size() > size) out.resize(size);
    std::size_t overlayStart = out.size();
    qs::generated::ByteStream stream(SEED);
    while (out.size() < size) {
        std::size_t blockStart = out.size();
        std::size_t available = std::min(blockStart - overlayStart, REPEAT_WINDOW);
        bool repeat = (stream.NextWord() >> 31) != 0 && available >= OVERLAY_BLOCK;
        std::size_t from = repeat ? blockStart - available + stream.NextWord() % (available - OVERLAY_BLOCK + 1) : 0;
        for (std::size_t i = 0; i < OVERLAY_BLOCK && out.size() < size; ++i) {
            out.push_back(repeat ? out[from + i] : stream.NextByte());
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_product_files STANDIN_PROGRAM STANDIN_DIR OUT_DIR\n");
        return 2;
    }
    const std::string program = std::string(qs::PRODUCT_NAME) + qs::EXE_SUFFIX;
    std::size_t position = 0;
    for (const char* name : qs::PACKAGED_FILE_NAMES) {
        const bool isProgram = program == name;
        const std::string from = isProgram ? std::string(argv[1]) : std::string(argv[2]) + "/" + name;
        Bytes content;
        if (!Read(from.c_str(), content) || content.empty()) {
            std::fprintf(stderr, "make_product_files: cannot read the stand-in %s\n", from.c_str());
            return 1;
        }
        const std::size_t shipped = position < std::size(SHIPPED_SIZES) ? SHIPPED_SIZES[position] : 0;
        const Bytes made = isProgram      ? WithOverlay(content, PRODUCT_EXE_SIZE)
                           : shipped != 0 ? RepeatTo(content, shipped)
                                          : content;
        if (!Write(std::string(argv[3]) + "/" + name, made)) {
            std::fprintf(stderr, "make_product_files: cannot write into %s\n", argv[3]);
            return 1;
        }
        ++position;
    }
    return 0;
}
