// Package cipher, link scrambler, key chain step, block helpers and the one-pass
// extraction form. The cipher vectors were worked out by hand from the state walk and
// checked with a separate script.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "package/cipher.h"
#include "tools/common/generated_bytes.h"

namespace qs {
namespace {

using generated::Bytes;
using generated::PseudoRandomBytes;

Bytes FromHex(const std::string& hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

Bytes Key(std::initializer_list<std::uint8_t> leading) {
    Bytes key(CIPHER_KEY_SIZE, 0);
    std::size_t i = 0;
    for (std::uint8_t b : leading) key[i++] = b;
    return key;
}

Bytes CountingKey() { return generated::CountingBytes(CIPHER_KEY_SIZE, 0x10); }  // 0x10 .. 0x1F

struct CipherVector {
    const char* what;
    std::int32_t state;
    Bytes key;
    Bytes input;
    const char* output;
};

TEST(PackageCipher, KnownVectors) {
    const CipherVector cases[] = {
        // q = (s + 1)^2 = 0xF4633A40; 0x40 + 0x3A + K[1] = 0x7A + 0x11.
        {"L = 1 uses K[1] and s + 1", PACKAGE_CHAIN_SEED, CountingKey(), Bytes(1, 0), "8b"},
        // First byte with K[0], then K[15] down to K[1].
        {"L = 16 walks the key down from K[0]", PACKAGE_CHAIN_SEED, CountingKey(), Bytes(16, 0),
         "598559c9fe3e22a50b7ec69c446d06bb"},
        // Byte 0: q = 0xF4633A40, bit 31 set, next state 0xFFF4633A; byte 1: t = 0xFFF4633B,
        // q = 0xD8EEAF99; 0x99 + 0xAF + K[1] = 0x48 + 0xFF = 0x47.
        {"negative state, key byte 0xFF", 0x5B3E1A96, Key({0x00, 0xFF, 0x80}), Bytes(2, 0), "fa47"},
        {"same walk, counting key", 0x5B3E1A96, CountingKey(), Bytes(2, 0), "8c59"},
        {"all-0xFF key is one less per byte than the zero key", PACKAGE_CHAIN_SEED, Bytes(16, 0xFF), Bytes(16, 0),
         "48653aabe122078bf266af862f59f3a9"},
        {"zero key", PACKAGE_CHAIN_SEED, Bytes(16, 0), Bytes(16, 0), "49663bace223088cf367b087305af4aa"},
        {"text", 0x12345678, CountingKey(), Bytes{'Q', 'u', 'i', 'l', 'l', 's', 't', 'a', 't', 'i', 'o', 'n', ' ', 'p',
                                                  'a', 'c', 'k', 'a', 'g', 'e', ' ', 'c', 'i', 'p', 'h', 'e', 'r'},
         "cdf6b3a44183dffaa25b711b06f37b1d645d40bb4f82ba73e9fb62"},
    };
    for (const CipherVector& c : cases) {
        const Bytes expected = FromHex(c.output);
        Bytes copied(c.input.size(), 0xEE);
        EXPECT_EQ(PackageCipher(copied.data(), c.input.data(), static_cast<std::uint32_t>(c.input.size()), c.state,
                                c.key.data()),
                  0);
        EXPECT_EQ(copied, expected) << c.what << " (copying form)";
        Bytes inPlace = c.input;
        EXPECT_EQ(PackageCipher(c.state, inPlace.data(), static_cast<std::uint32_t>(inPlace.size()), c.key.data()), 0);
        EXPECT_EQ(inPlace, expected) << c.what << " (in-place form)";
    }
}

TEST(LinkScrambler, KnownVectorAndNullBuffer) {
    const std::string text = "https://velto.example/quill";
    Bytes buffer(text.begin(), text.end());
    buffer.push_back(0);
    EXPECT_EQ(LinkScrambler(LINK_SCRAMBLER_SEED, buffer.data(), static_cast<std::uint32_t>(buffer.size())), 0);
    EXPECT_EQ(buffer, FromHex("e53aae0e20c9ed37e1b523d00957fe360a3f597d89dd91c1bd9684de"));
    EXPECT_EQ(LinkScrambler(LINK_SCRAMBLER_SEED, nullptr, 5), -1);
}

TEST(CipherAndScrambler, RoundTripsAndZeroLength) {
    const Bytes key = PseudoRandomBytes(CIPHER_KEY_SIZE, 99);
    for (std::size_t length : {1u, 2u, 15u, 16u, 17u, 255u, 4096u, 100003u}) {
        for (std::int32_t state : {PACKAGE_CHAIN_SEED, std::int32_t{-1}, std::int32_t{0x7FFFFFFF}}) {
            const Bytes plain = PseudoRandomBytes(length, static_cast<std::uint32_t>(length));
            Bytes work = plain;
            const auto n = static_cast<std::uint32_t>(length);
            PackageCipher(state, work.data(), n, key.data());
            EXPECT_NE(work, plain) << length;
            PackageCipher(work.data(), work.data(), n, state, key.data());
            EXPECT_EQ(work, plain) << "cipher, length " << length << " state " << state;
            LinkScrambler(state, work.data(), n);
            LinkScrambler(state, work.data(), n);
            EXPECT_EQ(work, plain) << "scrambler, length " << length << " state " << state;
        }
    }
    // A zero length touches nothing, not even the byte at the pointer.
    Bytes guard(4, 0xA5);
    PackageCipher(PACKAGE_CHAIN_SEED, guard.data(), 0, key.data());
    PackageCipher(guard.data() + 1, guard.data() + 2, 0, PACKAGE_CHAIN_SEED, key.data());
    EXPECT_EQ(LinkScrambler(LINK_SCRAMBLER_SEED, guard.data(), 0), 0);
    EXPECT_EQ(guard, Bytes(4, 0xA5));
}

TEST(NextChainSeed, SquaresShiftsAndTakesDigestByte) {
    std::uint8_t digest[DIGEST_SIZE] = {0xAB};
    // 0x5B3E1A97^2 mod 2^32 = 0x7EE70511; shifted left by 8, low byte 0xAB.
    EXPECT_EQ(NextChainSeed(PACKAGE_CHAIN_SEED, digest), static_cast<std::int32_t>(0xE70511ABu));
    digest[0] = 0;
    EXPECT_EQ(NextChainSeed(-1, digest), 0x100);
}

// The start and the step of the chain are part of the package format: packages already
// built must keep deciphering.
TEST(KeyChain, StartsAtTheChainSeedWithAZeroKeyAndTakesTheStoredDigest) {
    KeyChain chain;
    EXPECT_EQ(chain.seed, PACKAGE_CHAIN_SEED);
    EXPECT_EQ(Bytes(chain.key, chain.key + CIPHER_KEY_SIZE), Bytes(CIPHER_KEY_SIZE, 0));
    Bytes digest = CountingKey();
    digest[0] = 0xAB;
    AdvanceKeyChain(chain, digest.data());
    EXPECT_EQ(chain.seed, static_cast<std::int32_t>(0xE70511ABu));
    EXPECT_EQ(Bytes(chain.key, chain.key + CIPHER_KEY_SIZE), digest);
}

TEST(BlockHelpers, CopyZeroCompare) {
    for (std::size_t count : {0u, 1u, 7u, 8u, 9u, 16u, 23u}) {
        const Bytes source = PseudoRandomBytes(count + 2, 5);
        Bytes target(count + 2, 0xCC);
        CopyBlock(target.data(), source.data(), count);
        EXPECT_EQ(Bytes(target.begin(), target.begin() + static_cast<std::ptrdiff_t>(count)),
                  Bytes(source.begin(), source.begin() + static_cast<std::ptrdiff_t>(count)));
        EXPECT_EQ(target[count], 0xCC) << "copy ran past " << count;
        ZeroBlock(target.data(), count);
        EXPECT_EQ(Bytes(target.begin(), target.begin() + static_cast<std::ptrdiff_t>(count)), Bytes(count, 0));
        EXPECT_EQ(target[count], 0xCC) << "zero ran past " << count;
    }

    struct CompareCase {
        const char* what;
        Bytes a, b;
        std::size_t count;
        int expected;
    };
    Bytes nine = PseudoRandomBytes(9, 3);
    Bytes lastDiffers = nine;
    lastDiffers[8] ^= 1;
    Bytes firstDiffers = nine;
    firstDiffers[0] ^= 0x80;
    const CompareCase cases[] = {
        {"count 0", nine, firstDiffers, 0, 1},
        {"equal 9 bytes", nine, nine, 9, 1},
        {"last of 9 differs", nine, lastDiffers, 9, 0},
        {"first differs", nine, firstDiffers, 9, 0},
        {"difference beyond count", nine, lastDiffers, 8, 1},
    };
    for (const CompareCase& c : cases) EXPECT_EQ(CompareBlock(c.a.data(), c.b.data(), c.count), c.expected) << c.what;
    EXPECT_EQ(CompareBlock(nine.data(), nine.data(), 9), 1);
    EXPECT_EQ(CompareBlock(nullptr, nullptr, 0), 1);
}

// The one-pass extraction form against DigestBuffer, PackageCipher, DigestBuffer.
TEST(DecipherAndDigest, MatchesThreePassFormForEveryKernel) {
    const std::uint32_t lengths[] = {0,   1,   55,  56,  63,   64,   65,   127,    128,    129,
                                     191, 192, 193, 255, 1000, 3648, 4095, 120460, 5561120};
    const Bytes key = PseudoRandomBytes(CIPHER_KEY_SIZE, 7);
    for (detail::ExtractionKernel kernel :
         {detail::ExtractionKernel::Best, detail::ExtractionKernel::Scalar, detail::ExtractionKernel::Vector}) {
        for (std::uint32_t length : lengths) {
            const std::int32_t state = static_cast<std::int32_t>(0x9E3779B9u ^ length);
            const Bytes stored = PseudoRandomBytes(length, length * 31u + 1u);
            Bytes expectedPlain = stored;
            std::uint8_t expectedStored[DIGEST_SIZE], expectedPlainDigest[DIGEST_SIZE];
            DigestBuffer(stored.data(), length, expectedStored);
            PackageCipher(state, expectedPlain.data(), length, key.data());
            DigestBuffer(expectedPlain.data(), length, expectedPlainDigest);

            Bytes work = stored;
            work.push_back(0x5A);  // must stay untouched
            std::uint8_t storedDigest[DIGEST_SIZE], plainDigest[DIGEST_SIZE];
            detail::DecipherAndDigestWith(kernel, work.data(), length, state, key.data(), storedDigest, plainDigest);
            const int which = static_cast<int>(kernel);
            EXPECT_EQ(Bytes(storedDigest, storedDigest + DIGEST_SIZE),
                      Bytes(expectedStored, expectedStored + DIGEST_SIZE))
                << "kernel " << which << " length " << length;
            EXPECT_EQ(Bytes(plainDigest, plainDigest + DIGEST_SIZE),
                      Bytes(expectedPlainDigest, expectedPlainDigest + DIGEST_SIZE))
                << "kernel " << which << " length " << length;
            EXPECT_EQ(work.back(), 0x5A) << "kernel " << which << " length " << length;
            work.pop_back();
            EXPECT_TRUE(work == expectedPlain) << "kernel " << which << " length " << length;
        }
    }
}

}  // namespace
}  // namespace qs
