// Writes the three product files of the shipped sizes for the install benchmark, from the
// stand-ins:
//   make_product_files STANDIN_EXE README HEX OUT_DIR
// Quillstation.exe  the stand-in program with a deterministic overlay appended (a program
//                   with an overlay still runs), 5,561,120 bytes in all. The overlay is half
//                   pseudo-random blocks and half repeats of earlier blocks, so that it
//                   compresses about as well as a real program does (roughly to one half).
// readme.txt        the stand-in text, repeated or cut to 3,648 bytes.
// Quill_Frmw_1.6.0.hex  the stand-in image, repeated or cut to 120,460 bytes.
// The same inputs always give the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/bytes.h"

namespace {

using qs::test::Bytes;

constexpr std::size_t PRODUCT_EXE_SIZE = 5'561'120;
constexpr std::size_t README_SIZE = 3'648;
constexpr std::size_t FIRMWARE_SIZE = 120'460;
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
    qs::test::ByteStream stream(SEED);
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
    if (argc != 5) {
        std::fprintf(stderr, "usage: make_product_files STANDIN_EXE README HEX OUT_DIR\n");
        return 2;
    }
    Bytes program, readme, firmware;
    if (!Read(argv[1], program) || !Read(argv[2], readme) || !Read(argv[3], firmware) || program.empty() ||
        readme.empty() || firmware.empty()) {
        std::fprintf(stderr, "make_product_files: cannot read the stand-in files\n");
        return 1;
    }
    std::string dir = argv[4];
    if (!Write(dir + "/Quillstation.exe", WithOverlay(program, PRODUCT_EXE_SIZE)) ||
        !Write(dir + "/readme.txt", RepeatTo(readme, README_SIZE)) ||
        !Write(dir + "/Quill_Frmw_1.6.0.hex", RepeatTo(firmware, FIRMWARE_SIZE))) {
        std::fprintf(stderr, "make_product_files: cannot write into %s\n", argv[4]);
        return 1;
    }
    return 0;
}
