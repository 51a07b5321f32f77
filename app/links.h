// The two link targets the window opens, stored scrambled so that their plain text never
// appears in the executable. The scrambling runs at compile time; LinkScrambler with
// LINK_SCRAMBLER_SEED restores the text (terminator included) at run time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "package/cipher.h"

namespace qs {

inline constexpr std::size_t LINK_BUFFER_SIZE = 512;

template <std::size_t N>
struct StoredLink {
    std::array<std::uint8_t, N> bytes;
    constexpr std::uint32_t length() const { return static_cast<std::uint32_t>(N); }
};

// The link scrambler's state walk, for compile-time use: each byte is XORed with bits
// 8-15 of q = (s + c)^2, with the counter c running from the length down to 1 and the
// state moving to q >> 8 (arithmetic).
template <std::size_t N>
consteval StoredLink<N> ScrambleLink(const char (&text)[N]) {
    StoredLink<N> link{};
    std::uint32_t state = static_cast<std::uint32_t>(LINK_SCRAMBLER_SEED);
    for (std::size_t i = 0; i < N; ++i) {
        const std::uint32_t t = state + static_cast<std::uint32_t>(N - i);
        const std::uint32_t q = t * t;
        link.bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(text[i]) ^ ((q >> 8) & 0xFFu));
        const std::uint32_t shifted = q >> 8;
        state = (q & 0x80000000u) != 0 ? (shifted | 0xFF000000u) : shifted;
    }
    return link;
}

// Opened by a click on the picture.
inline constexpr auto PICTURE_LINK = ScrambleLink("https://quill.velto.example/");
// Opened after a successful installation.
inline constexpr auto COMPLETION_LINK = ScrambleLink("https://quill.velto.example/welcome");

}  // namespace qs
