// Byte-level primitives of the package: MD5, the package cipher, the link scrambler and
// the block helpers. Portable: no Windows header; no allocation, no state between calls.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qs {

inline constexpr std::size_t DIGEST_SIZE = 16;
inline constexpr std::size_t CIPHER_KEY_SIZE = 16;
inline constexpr std::int32_t PACKAGE_CHAIN_SEED = 0x5B3E1A97;
inline constexpr std::int32_t LINK_SCRAMBLER_SEED = 0x1C4D7F26;

// MD5 (RFC 1321) of the first length bytes of data into out[16].
void DigestBuffer(const void* data, std::uint32_t length, std::uint8_t out[DIGEST_SIZE]);

// Chained keystream cipher; enciphering and deciphering are the same operation.
// Copying form: out may equal in. A length of 0 processes nothing. Returns 0.
int PackageCipher(void* out, const void* in, std::uint32_t length, std::int32_t state,
                  const std::uint8_t key[CIPHER_KEY_SIZE]);
// In-place form.
int PackageCipher(std::int32_t state, void* buffer, std::uint32_t length, const std::uint8_t key[CIPHER_KEY_SIZE]);

// Keyless form of the same state walk, for the stored link targets. -1 for a null
// buffer (nothing touched), else 0. A length of 0 processes nothing.
int LinkScrambler(std::int32_t state, void* buffer, std::uint32_t length);

// Forward copy; nothing when count is 0 or destination == source.
void CopyBlock(void* destination, const void* source, std::size_t count);
// True when equal (also for count 0 or a == b).
bool CompareBlock(const void* a, const void* b, std::size_t count);
void ZeroBlock(void* destination, std::size_t count);

// The key chain along a package's entries: the first entry is enciphered with
// PACKAGE_CHAIN_SEED and a zero key, every later one with the seed and key that the
// entry before it leaves: the key is the digest of that entry's stored (enciphered)
// bytes, the seed moves on by NextChainSeed. An entry that is never deciphered leaves
// the chain where it was.
struct KeyChain {
    std::int32_t seed = PACKAGE_CHAIN_SEED;
    std::uint8_t key[CIPHER_KEY_SIZE] = {};
};

// The seed after an entry: ((seed * seed) << 8) | storedDigest[0].
std::int32_t NextChainSeed(std::int32_t seed, const std::uint8_t storedDigest[DIGEST_SIZE]);

// Moves the chain past one entry whose stored bytes have the digest storedDigest.
inline void AdvanceKeyChain(KeyChain& chain, const std::uint8_t storedDigest[DIGEST_SIZE]) {
    static_assert(CIPHER_KEY_SIZE <= DIGEST_SIZE, "the key is taken from the digest");
    CopyBlock(chain.key, storedDigest, CIPHER_KEY_SIZE);
    chain.seed = NextChainSeed(chain.seed, storedDigest);
}

// The extraction work on one entry in one call: storedDigest = MD5 of the bytes as
// given, then the bytes are deciphered in place, then plainDigest = MD5 of the result.
// Gives exactly the results of DigestBuffer, PackageCipher, DigestBuffer in turn,
// interleaved so that the three dependency chains overlap.
void DecipherAndDigest(void* buffer, std::uint32_t length, std::int32_t state, const std::uint8_t key[CIPHER_KEY_SIZE],
                       std::uint8_t storedDigest[DIGEST_SIZE], std::uint8_t plainDigest[DIGEST_SIZE]);

// Building blocks shared by the simple and the interleaved forms; not for other callers.
namespace detail {

inline constexpr std::size_t MD5_BLOCK_SIZE = 64;
inline constexpr unsigned CIPHER_STATE_SHIFT = 8;
inline constexpr std::uint32_t CIPHER_KEY_INDEX_MASK = CIPHER_KEY_SIZE - 1;

struct Md5Context {
    std::uint32_t state[4];
    std::uint64_t byteCount;
    std::uint8_t buffer[MD5_BLOCK_SIZE];
};

void Md5Init(Md5Context& context);
void Md5Update(Md5Context& context, const std::uint8_t* data, std::size_t length);
// Writes the digest and overwrites the whole context with zeros.
void Md5Final(Md5Context& context, std::uint8_t out[DIGEST_SIZE]);
// Compresses blockCount whole 64-byte blocks into state (no counting, no buffering).
void Md5Blocks(std::uint32_t state[4], const std::uint8_t* data, std::size_t blockCount);

// The state moves on as q shifted right by 8 bits as a signed value.
inline std::uint32_t ShiftStateRight(std::uint32_t q) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(q) >> CIPHER_STATE_SHIFT);
}

// One byte of the cipher: keystream byte for counter c into k; returns the next state.
inline std::uint32_t CipherStep(std::uint32_t s, std::uint32_t c, const std::uint8_t key[CIPHER_KEY_SIZE],
                                std::uint8_t& k) {
    std::uint32_t t = s + c;
    std::uint32_t q = t * t;
    k = static_cast<std::uint8_t>(q + (q >> 8) + key[c & CIPHER_KEY_INDEX_MASK]);
    return ShiftStateRight(q);
}

// DecipherAndDigest with a chosen kernel, so that each can be checked against the simple
// form and timed: Best is the one the product uses on this target (cipher_fast.cpp says
// why), Scalar the portable interleaved one, Vector the SSE2 one where the processor has
// SSE2 (else Scalar).
enum class ExtractionKernel { Best, Scalar, Vector };
void DecipherAndDigestWith(ExtractionKernel kernel, void* buffer, std::uint32_t length, std::int32_t state,
                           const std::uint8_t key[CIPHER_KEY_SIZE], std::uint8_t storedDigest[DIGEST_SIZE],
                           std::uint8_t plainDigest[DIGEST_SIZE]);

}  // namespace detail

}  // namespace qs
