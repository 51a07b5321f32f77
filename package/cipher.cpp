// MD5 (RFC 1321), the package cipher, the link scrambler and the block helpers.
// Straightforward single-pass forms; the interleaved extraction form is in cipher_fast.cpp.
#include "package/cipher.h"

#include <cstring>

#include "package/md5_steps.h"

namespace qs {

namespace detail {

namespace {

constexpr std::uint32_t MD5_INIT_A = 0x67452301u;
constexpr std::uint32_t MD5_INIT_B = 0xEFCDAB89u;
constexpr std::uint32_t MD5_INIT_C = 0x98BADCFEu;
constexpr std::uint32_t MD5_INIT_D = 0x10325476u;
constexpr std::uint8_t MD5_PAD_MARK = 0x80;
constexpr std::size_t MD5_LENGTH_FIELD_OFFSET = MD5_BLOCK_SIZE - 8;

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

// One step of the single-pass form.
#define QS_MD5_STEP(i, f, a, b, c, d, w, s, ac) a = RotateLeft(a + f(b, c, d) + x[w] + (ac), s) + b;

void TransformBlock(std::uint32_t state[4], const std::uint8_t* block) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLe32(block + 4 * i);
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    QS_MD5_STEPS(QS_MD5_STEP)

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
    std::size_t padLength = used < MD5_LENGTH_FIELD_OFFSET ? MD5_LENGTH_FIELD_OFFSET - used
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

int PackageCipher(std::int32_t state, void* buffer, std::uint32_t length, const std::uint8_t key[CIPHER_KEY_SIZE]) {
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

bool CompareBlock(const void* a, const void* b, std::size_t count) {
    if (count == 0 || a == b) return true;
    return std::memcmp(a, b, count) == 0;
}

void ZeroBlock(void* destination, std::size_t count) {
    if (count != 0) std::memset(destination, 0, count);
}

std::int32_t NextChainSeed(std::int32_t seed, const std::uint8_t storedDigest[DIGEST_SIZE]) {
    std::uint32_t s = static_cast<std::uint32_t>(seed);
    return static_cast<std::int32_t>(((s * s) << 8) | storedDigest[0]);
}

}  // namespace qs
