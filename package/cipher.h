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
int PackageCipher(std::int32_t state, void* buffer, std::uint32_t length,
                  const std::uint8_t key[CIPHER_KEY_SIZE]);

// Keyless form of the same state walk, for the stored link targets. -1 for a null
// buffer (nothing touched), else 0. A length of 0 processes nothing.
int LinkScrambler(std::int32_t state, void* buffer, std::uint32_t length);

// Forward copy; nothing when count is 0 or destination == source.
void CopyBlock(void* destination, const void* source, std::size_t count);
// 1 when equal (also for count 0 or a == b), 0 at the first difference.
int CompareBlock(const void* a, const void* b, std::size_t count);
void ZeroBlock(void* destination, std::size_t count);

// The key chain from one package entry to the next: the next key is the digest of the
// entry's stored (enciphered) bytes; the next seed is ((seed * seed) << 8) | digest[0].
std::int32_t NextChainSeed(std::int32_t seed, const std::uint8_t storedDigest[DIGEST_SIZE]);

// The extraction work on one entry in one call: storedDigest = MD5 of the bytes as
// given, then the bytes are deciphered in place, then plainDigest = MD5 of the result.
// Gives exactly the results of DigestBuffer, PackageCipher, DigestBuffer in turn,
// interleaved so that the three dependency chains overlap.
void DecipherAndDigest(void* buffer, std::uint32_t length, std::int32_t state,
                       const std::uint8_t key[CIPHER_KEY_SIZE],
                       std::uint8_t storedDigest[DIGEST_SIZE],
                       std::uint8_t plainDigest[DIGEST_SIZE]);

}  // namespace qs
