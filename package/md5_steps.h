// The MD5 (RFC 1321) compression steps as one table, with the word and rotation helpers,
// for the two compression forms of the package: the single-pass one in cipher.cpp and
// the interleaved extraction kernels in cipher_fast.cpp. Internal to those two files.
#pragma once

#include <cstdint>

namespace qs::detail {

inline std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace qs::detail

// The 64 steps of one block in order: STEP(index, function, a, b, c, d, word, shift,
// constant). function is one of the tokens F, G, H, I (the four rounds); a, b, c, d name
// the state words in the order the step takes them; word is the index of the message
// word; the step adds word and constant, rotates left by shift and adds b.
#define QS_MD5_STEPS(STEP)                       \
    STEP(0, F, a, b, c, d, 0, 7, 0xd76aa478u)    \
    STEP(1, F, d, a, b, c, 1, 12, 0xe8c7b756u)   \
    STEP(2, F, c, d, a, b, 2, 17, 0x242070dbu)   \
    STEP(3, F, b, c, d, a, 3, 22, 0xc1bdceeeu)   \
    STEP(4, F, a, b, c, d, 4, 7, 0xf57c0fafu)    \
    STEP(5, F, d, a, b, c, 5, 12, 0x4787c62au)   \
    STEP(6, F, c, d, a, b, 6, 17, 0xa8304613u)   \
    STEP(7, F, b, c, d, a, 7, 22, 0xfd469501u)   \
    STEP(8, F, a, b, c, d, 8, 7, 0x698098d8u)    \
    STEP(9, F, d, a, b, c, 9, 12, 0x8b44f7afu)   \
    STEP(10, F, c, d, a, b, 10, 17, 0xffff5bb1u) \
    STEP(11, F, b, c, d, a, 11, 22, 0x895cd7beu) \
    STEP(12, F, a, b, c, d, 12, 7, 0x6b901122u)  \
    STEP(13, F, d, a, b, c, 13, 12, 0xfd987193u) \
    STEP(14, F, c, d, a, b, 14, 17, 0xa679438eu) \
    STEP(15, F, b, c, d, a, 15, 22, 0x49b40821u) \
    STEP(16, G, a, b, c, d, 1, 5, 0xf61e2562u)   \
    STEP(17, G, d, a, b, c, 6, 9, 0xc040b340u)   \
    STEP(18, G, c, d, a, b, 11, 14, 0x265e5a51u) \
    STEP(19, G, b, c, d, a, 0, 20, 0xe9b6c7aau)  \
    STEP(20, G, a, b, c, d, 5, 5, 0xd62f105du)   \
    STEP(21, G, d, a, b, c, 10, 9, 0x02441453u)  \
    STEP(22, G, c, d, a, b, 15, 14, 0xd8a1e681u) \
    STEP(23, G, b, c, d, a, 4, 20, 0xe7d3fbc8u)  \
    STEP(24, G, a, b, c, d, 9, 5, 0x21e1cde6u)   \
    STEP(25, G, d, a, b, c, 14, 9, 0xc33707d6u)  \
    STEP(26, G, c, d, a, b, 3, 14, 0xf4d50d87u)  \
    STEP(27, G, b, c, d, a, 8, 20, 0x455a14edu)  \
    STEP(28, G, a, b, c, d, 13, 5, 0xa9e3e905u)  \
    STEP(29, G, d, a, b, c, 2, 9, 0xfcefa3f8u)   \
    STEP(30, G, c, d, a, b, 7, 14, 0x676f02d9u)  \
    STEP(31, G, b, c, d, a, 12, 20, 0x8d2a4c8au) \
    STEP(32, H, a, b, c, d, 5, 4, 0xfffa3942u)   \
    STEP(33, H, d, a, b, c, 8, 11, 0x8771f681u)  \
    STEP(34, H, c, d, a, b, 11, 16, 0x6d9d6122u) \
    STEP(35, H, b, c, d, a, 14, 23, 0xfde5380cu) \
    STEP(36, H, a, b, c, d, 1, 4, 0xa4beea44u)   \
    STEP(37, H, d, a, b, c, 4, 11, 0x4bdecfa9u)  \
    STEP(38, H, c, d, a, b, 7, 16, 0xf6bb4b60u)  \
    STEP(39, H, b, c, d, a, 10, 23, 0xbebfbc70u) \
    STEP(40, H, a, b, c, d, 13, 4, 0x289b7ec6u)  \
    STEP(41, H, d, a, b, c, 0, 11, 0xeaa127fau)  \
    STEP(42, H, c, d, a, b, 3, 16, 0xd4ef3085u)  \
    STEP(43, H, b, c, d, a, 6, 23, 0x04881d05u)  \
    STEP(44, H, a, b, c, d, 9, 4, 0xd9d4d039u)   \
    STEP(45, H, d, a, b, c, 12, 11, 0xe6db99e5u) \
    STEP(46, H, c, d, a, b, 15, 16, 0x1fa27cf8u) \
    STEP(47, H, b, c, d, a, 2, 23, 0xc4ac5665u)  \
    STEP(48, I, a, b, c, d, 0, 6, 0xf4292244u)   \
    STEP(49, I, d, a, b, c, 7, 10, 0x432aff97u)  \
    STEP(50, I, c, d, a, b, 14, 15, 0xab9423a7u) \
    STEP(51, I, b, c, d, a, 5, 21, 0xfc93a039u)  \
    STEP(52, I, a, b, c, d, 12, 6, 0x655b59c3u)  \
    STEP(53, I, d, a, b, c, 3, 10, 0x8f0ccc92u)  \
    STEP(54, I, c, d, a, b, 10, 15, 0xffeff47du) \
    STEP(55, I, b, c, d, a, 1, 21, 0x85845dd1u)  \
    STEP(56, I, a, b, c, d, 8, 6, 0x6fa87e4fu)   \
    STEP(57, I, d, a, b, c, 15, 10, 0xfe2ce6e0u) \
    STEP(58, I, c, d, a, b, 6, 15, 0xa3014314u)  \
    STEP(59, I, b, c, d, a, 13, 21, 0x4e0811a1u) \
    STEP(60, I, a, b, c, d, 4, 6, 0xf7537e82u)   \
    STEP(61, I, d, a, b, c, 11, 10, 0xbd3af235u) \
    STEP(62, I, c, d, a, b, 2, 15, 0x2ad7d2bbu)  \
    STEP(63, I, b, c, d, a, 9, 21, 0xeb86d391u)
