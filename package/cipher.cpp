// MD5 (RFC 1321), the package cipher, the link scrambler and the block helpers.
// Straightforward single-pass forms; the interleaved extraction form is in cipher_fast.cpp.
#include "package/cipher.h"

#include <cstring>

namespace qs {

namespace detail {

namespace {

constexpr std::uint32_t MD5_INIT_A = 0x67452301u;
constexpr std::uint32_t MD5_INIT_B = 0xEFCDAB89u;
constexpr std::uint32_t MD5_INIT_C = 0x98BADCFEu;
constexpr std::uint32_t MD5_INIT_D = 0x10325476u;
constexpr std::uint8_t MD5_PAD_MARK = 0x80;
constexpr std::size_t MD5_LENGTH_FIELD_OFFSET = MD5_BLOCK_SIZE - 8;

inline std::uint32_t RotateLeft(std::uint32_t x, int n) {
  return (x << n) | (x >> (32 - n));
}

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

// The four round functions, in the forms with the shortest dependency on b.
inline std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return z ^ (x & (y ^ z)); }
inline std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & z) + (y & ~z); }
inline std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }
inline std::uint32_t I(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return y ^ (x | ~z); }

#define QS_MD5_STEP(f, a, b, c, d, x, s, ac) \
  a = RotateLeft(a + f(b, c, d) + (x) + (ac), s) + b

void TransformBlock(std::uint32_t state[4], const std::uint8_t* block) {
  std::uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = LoadLe32(block + 4 * i);
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

  QS_MD5_STEP(F, a, b, c, d, x[0], 7, 0xd76aa478u);
  QS_MD5_STEP(F, d, a, b, c, x[1], 12, 0xe8c7b756u);
  QS_MD5_STEP(F, c, d, a, b, x[2], 17, 0x242070dbu);
  QS_MD5_STEP(F, b, c, d, a, x[3], 22, 0xc1bdceeeu);
  QS_MD5_STEP(F, a, b, c, d, x[4], 7, 0xf57c0fafu);
  QS_MD5_STEP(F, d, a, b, c, x[5], 12, 0x4787c62au);
  QS_MD5_STEP(F, c, d, a, b, x[6], 17, 0xa8304613u);
  QS_MD5_STEP(F, b, c, d, a, x[7], 22, 0xfd469501u);
  QS_MD5_STEP(F, a, b, c, d, x[8], 7, 0x698098d8u);
  QS_MD5_STEP(F, d, a, b, c, x[9], 12, 0x8b44f7afu);
  QS_MD5_STEP(F, c, d, a, b, x[10], 17, 0xffff5bb1u);
  QS_MD5_STEP(F, b, c, d, a, x[11], 22, 0x895cd7beu);
  QS_MD5_STEP(F, a, b, c, d, x[12], 7, 0x6b901122u);
  QS_MD5_STEP(F, d, a, b, c, x[13], 12, 0xfd987193u);
  QS_MD5_STEP(F, c, d, a, b, x[14], 17, 0xa679438eu);
  QS_MD5_STEP(F, b, c, d, a, x[15], 22, 0x49b40821u);

  QS_MD5_STEP(G, a, b, c, d, x[1], 5, 0xf61e2562u);
  QS_MD5_STEP(G, d, a, b, c, x[6], 9, 0xc040b340u);
  QS_MD5_STEP(G, c, d, a, b, x[11], 14, 0x265e5a51u);
  QS_MD5_STEP(G, b, c, d, a, x[0], 20, 0xe9b6c7aau);
  QS_MD5_STEP(G, a, b, c, d, x[5], 5, 0xd62f105du);
  QS_MD5_STEP(G, d, a, b, c, x[10], 9, 0x02441453u);
  QS_MD5_STEP(G, c, d, a, b, x[15], 14, 0xd8a1e681u);
  QS_MD5_STEP(G, b, c, d, a, x[4], 20, 0xe7d3fbc8u);
  QS_MD5_STEP(G, a, b, c, d, x[9], 5, 0x21e1cde6u);
  QS_MD5_STEP(G, d, a, b, c, x[14], 9, 0xc33707d6u);
  QS_MD5_STEP(G, c, d, a, b, x[3], 14, 0xf4d50d87u);
  QS_MD5_STEP(G, b, c, d, a, x[8], 20, 0x455a14edu);
  QS_MD5_STEP(G, a, b, c, d, x[13], 5, 0xa9e3e905u);
  QS_MD5_STEP(G, d, a, b, c, x[2], 9, 0xfcefa3f8u);
  QS_MD5_STEP(G, c, d, a, b, x[7], 14, 0x676f02d9u);
  QS_MD5_STEP(G, b, c, d, a, x[12], 20, 0x8d2a4c8au);

  QS_MD5_STEP(H, a, b, c, d, x[5], 4, 0xfffa3942u);
  QS_MD5_STEP(H, d, a, b, c, x[8], 11, 0x8771f681u);
  QS_MD5_STEP(H, c, d, a, b, x[11], 16, 0x6d9d6122u);
  QS_MD5_STEP(H, b, c, d, a, x[14], 23, 0xfde5380cu);
  QS_MD5_STEP(H, a, b, c, d, x[1], 4, 0xa4beea44u);
  QS_MD5_STEP(H, d, a, b, c, x[4], 11, 0x4bdecfa9u);
  QS_MD5_STEP(H, c, d, a, b, x[7], 16, 0xf6bb4b60u);
  QS_MD5_STEP(H, b, c, d, a, x[10], 23, 0xbebfbc70u);
  QS_MD5_STEP(H, a, b, c, d, x[13], 4, 0x289b7ec6u);
  QS_MD5_STEP(H, d, a, b, c, x[0], 11, 0xeaa127fau);
  QS_MD5_STEP(H, c, d, a, b, x[3], 16, 0xd4ef3085u);
  QS_MD5_STEP(H, b, c, d, a, x[6], 23, 0x04881d05u);
  QS_MD5_STEP(H, a, b, c, d, x[9], 4, 0xd9d4d039u);
  QS_MD5_STEP(H, d, a, b, c, x[12], 11, 0xe6db99e5u);
  QS_MD5_STEP(H, c, d, a, b, x[15], 16, 0x1fa27cf8u);
  QS_MD5_STEP(H, b, c, d, a, x[2], 23, 0xc4ac5665u);

  QS_MD5_STEP(I, a, b, c, d, x[0], 6, 0xf4292244u);
  QS_MD5_STEP(I, d, a, b, c, x[7], 10, 0x432aff97u);
  QS_MD5_STEP(I, c, d, a, b, x[14], 15, 0xab9423a7u);
  QS_MD5_STEP(I, b, c, d, a, x[5], 21, 0xfc93a039u);
  QS_MD5_STEP(I, a, b, c, d, x[12], 6, 0x655b59c3u);
  QS_MD5_STEP(I, d, a, b, c, x[3], 10, 0x8f0ccc92u);
  QS_MD5_STEP(I, c, d, a, b, x[10], 15, 0xffeff47du);
  QS_MD5_STEP(I, b, c, d, a, x[1], 21, 0x85845dd1u);
  QS_MD5_STEP(I, a, b, c, d, x[8], 6, 0x6fa87e4fu);
  QS_MD5_STEP(I, d, a, b, c, x[15], 10, 0xfe2ce6e0u);
  QS_MD5_STEP(I, c, d, a, b, x[6], 15, 0xa3014314u);
  QS_MD5_STEP(I, b, c, d, a, x[13], 21, 0x4e0811a1u);
  QS_MD5_STEP(I, a, b, c, d, x[4], 6, 0xf7537e82u);
  QS_MD5_STEP(I, d, a, b, c, x[11], 10, 0xbd3af235u);
  QS_MD5_STEP(I, c, d, a, b, x[2], 15, 0x2ad7d2bbu);
  QS_MD5_STEP(I, b, c, d, a, x[9], 21, 0xeb86d391u);

  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

#undef QS_MD5_STEP

// Writes zeros that the compiler may not drop as dead stores.
void WipeBytes(void* destination, std::size_t count) {
  volatile std::uint8_t* p = static_cast<volatile std::uint8_t*>(destination);
  for (std::size_t i = 0; i < count; ++i) p[i] = 0;
}

}  // namespace

void Md5Init(Md5Context& context) {
  context.state[0] = MD5_INIT_A;
  context.state[1] = MD5_INIT_B;
  context.state[2] = MD5_INIT_C;
  context.state[3] = MD5_INIT_D;
  context.byteCount = 0;
}

void Md5Blocks(std::uint32_t state[4], const std::uint8_t* data, std::size_t blockCount) {
  for (std::size_t i = 0; i < blockCount; ++i) TransformBlock(state, data + i * MD5_BLOCK_SIZE);
}

void Md5Update(Md5Context& context, const std::uint8_t* data, std::size_t length) {
  std::size_t used = static_cast<std::size_t>(context.byteCount % MD5_BLOCK_SIZE);
  context.byteCount += length;
  if (used != 0) {
    std::size_t room = MD5_BLOCK_SIZE - used;
    if (length < room) {
      std::memcpy(context.buffer + used, data, length);
      return;
    }
    std::memcpy(context.buffer + used, data, room);
    TransformBlock(context.state, context.buffer);
    data += room;
    length -= room;
  }
  std::size_t whole = length / MD5_BLOCK_SIZE;
  Md5Blocks(context.state, data, whole);
  data += whole * MD5_BLOCK_SIZE;
  length -= whole * MD5_BLOCK_SIZE;
  if (length != 0) std::memcpy(context.buffer, data, length);
}

void Md5Final(Md5Context& context, std::uint8_t out[DIGEST_SIZE]) {
  std::uint8_t lengthField[8];
  std::uint64_t bitCount = context.byteCount * 8u;
  for (int i = 0; i < 8; ++i) lengthField[i] = static_cast<std::uint8_t>(bitCount >> (8 * i));

  // One 0x80 byte, then zeros up to 56 bytes modulo 64, then the 64-bit bit count.
  static constexpr std::uint8_t padding[MD5_BLOCK_SIZE] = {MD5_PAD_MARK};
  std::size_t used = static_cast<std::size_t>(context.byteCount % MD5_BLOCK_SIZE);
  std::size_t padLength = used < MD5_LENGTH_FIELD_OFFSET
                              ? MD5_LENGTH_FIELD_OFFSET - used
                              : MD5_BLOCK_SIZE + MD5_LENGTH_FIELD_OFFSET - used;
  Md5Update(context, padding, padLength);
  Md5Update(context, lengthField, sizeof lengthField);

  for (std::size_t i = 0; i < 4; ++i) StoreLe32(out + 4 * i, context.state[i]);
  WipeBytes(&context, sizeof context);
}

}  // namespace detail

void DigestBuffer(const void* data, std::uint32_t length, std::uint8_t out[DIGEST_SIZE]) {
  detail::Md5Context context;
  detail::Md5Init(context);
  detail::Md5Update(context, static_cast<const std::uint8_t*>(data), length);
  std::uint8_t result[DIGEST_SIZE];
  detail::Md5Final(context, result);
  CopyBlock(out, result, DIGEST_SIZE);
}

int PackageCipher(void* out, const void* in, std::uint32_t length, std::int32_t state,
                  const std::uint8_t key[CIPHER_KEY_SIZE]) {
  std::uint8_t* target = static_cast<std::uint8_t*>(out);
  const std::uint8_t* source = static_cast<const std::uint8_t*>(in);
  std::uint32_t s = static_cast<std::uint32_t>(state);
  for (std::uint32_t c = length; c != 0; --c) {
    std::uint8_t k = 0;
    s = detail::CipherStep(s, c, key, k);
    *target++ = static_cast<std::uint8_t>(*source++ ^ k);
  }
  return 0;
}

int PackageCipher(std::int32_t state, void* buffer, std::uint32_t length,
                  const std::uint8_t key[CIPHER_KEY_SIZE]) {
  return PackageCipher(buffer, buffer, length, state, key);
}

int LinkScrambler(std::int32_t state, void* buffer, std::uint32_t length) {
  if (buffer == nullptr) return -1;
  std::uint8_t* bytes = static_cast<std::uint8_t*>(buffer);
  std::uint32_t s = static_cast<std::uint32_t>(state);
  for (std::uint32_t c = length; c != 0; --c) {
    std::uint32_t t = s + c;
    std::uint32_t q = t * t;
    *bytes++ ^= static_cast<std::uint8_t>(q >> 8);
    s = detail::ShiftStateRight(q);
  }
  return 0;
}

void CopyBlock(void* destination, const void* source, std::size_t count) {
  if (count == 0 || destination == source) return;
  std::uint8_t* to = static_cast<std::uint8_t*>(destination);
  const std::uint8_t* from = static_cast<const std::uint8_t*>(source);
  constexpr std::size_t step = sizeof(std::uint64_t);
  for (; count >= step; count -= step, to += step, from += step) {
    std::uint64_t word;
    std::memcpy(&word, from, step);
    std::memcpy(to, &word, step);
  }
  for (; count != 0; --count) *to++ = *from++;
}

int CompareBlock(const void* a, const void* b, std::size_t count) {
  if (count == 0 || a == b) return 1;
  return std::memcmp(a, b, count) == 0 ? 1 : 0;
}

void ZeroBlock(void* destination, std::size_t count) {
  if (count != 0) std::memset(destination, 0, count);
}

std::int32_t NextChainSeed(std::int32_t seed, const std::uint8_t storedDigest[DIGEST_SIZE]) {
  std::uint32_t s = static_cast<std::uint32_t>(seed);
  return static_cast<std::int32_t>(((s * s) << 8) | storedDigest[0]);
}

}  // namespace qs
