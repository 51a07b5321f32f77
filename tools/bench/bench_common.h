// What both extraction benchmarks measure: one package of the shipped entry sizes, its
// bytes generated, and the work of extraction on it in the simple and the one-pass form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "package/cipher.h"
#include "tools/common/generated_bytes.h"

namespace qs::bench {

inline constexpr std::uint32_t ENTRY_SIZES[] = {5561120, 3648, 120460};
inline constexpr std::size_t ENTRY_COUNT = sizeof ENTRY_SIZES / sizeof ENTRY_SIZES[0];
inline constexpr double BYTES_PER_MB = 1e6;

// The measures of both programs; the "entry0" ones run over the largest entry alone,
// the others over the whole package.
inline constexpr const char* MEASURE_NAMES[] = {"md5/entry0",         "cipher/entry0", "md5/package",
                                                "extract/simple",     "extract/fast",  "extract/fast-scalar",
                                                "extract/fast-vector"};

struct Package {
    std::vector<std::uint8_t> bytes;
    std::size_t offsets[ENTRY_COUNT];
    std::size_t total = 0;
};

inline Package MakePackage() {
    Package package;
    for (std::size_t i = 0; i < ENTRY_COUNT; ++i) {
        package.offsets[i] = package.total;
        package.total += ENTRY_SIZES[i];
    }
    package.bytes = generated::PseudoRandomBytes(package.total, 12345);
    return package;
}

// One MD5 pass over every entry: the yardstick of the ratios.
inline void DigestPackage(Package& package, std::uint8_t sink[DIGEST_SIZE]) {
    for (std::size_t i = 0; i < ENTRY_COUNT; ++i)
        DigestBuffer(package.bytes.data() + package.offsets[i], ENTRY_SIZES[i], sink);
}

enum class Form { Simple, Fast, FastScalar, FastVector };

// The extraction work along the key chain. Deciphering in place leaves the package
// changed, which does not change the cost of the next round.
inline void ExtractPackage(Package& package, Form form, std::uint8_t plain[DIGEST_SIZE]) {
    KeyChain chain;
    for (std::size_t i = 0; i < ENTRY_COUNT; ++i) {
        std::uint8_t* entry = package.bytes.data() + package.offsets[i];
        std::uint8_t stored[DIGEST_SIZE];
        switch (form) {
            case Form::Simple:
                DigestBuffer(entry, ENTRY_SIZES[i], stored);
                PackageCipher(chain.seed, entry, ENTRY_SIZES[i], chain.key);
                DigestBuffer(entry, ENTRY_SIZES[i], plain);
                break;
            case Form::Fast:
                DecipherAndDigest(entry, ENTRY_SIZES[i], chain.seed, chain.key, stored, plain);
                break;
            case Form::FastScalar:
            case Form::FastVector:
                detail::DecipherAndDigestWith(
                    form == Form::FastScalar ? detail::ExtractionKernel::Scalar : detail::ExtractionKernel::Vector,
                    entry, ENTRY_SIZES[i], chain.seed, chain.key, stored, plain);
                break;
        }
        AdvanceKeyChain(chain, stored);
    }
}

}  // namespace qs::bench
