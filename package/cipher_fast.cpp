// The extraction work on one entry in one pass: digest of the stored bytes, decipher,
// digest of the plain bytes.
//
// Each of the three is a serial dependency chain (MD5 step after MD5 step, cipher state
// after cipher state) that leaves most of the core idle. Here they run side by side over
// 64-byte blocks: stream A digests block k as stored, the cipher makes the keystream of
// block k, stream B digests block k - PLAIN_LAG, which was deciphered two iterations
// earlier (far enough back that its stores have long left the pipeline). The steps of the
// three chains are written interleaved so that the processor overlaps them.
//
// Two kernels: SSE2, with the two MD5 streams in the two low lanes of one vector register
// (x86 only), and a portable scalar one. Both give exactly the results of DigestBuffer,
// PackageCipher, DigestBuffer.
//
// Which one runs is chosen per target by measurement (scripts/bench-extract.sh). Each MD5
// step is a chain of dependent operations, so the work is bound by latency, not by how
// many operations issue at once: two lanes of one vector chain gain nothing over two
// scalar chains, which the processor runs side by side anyway, and SSE2 has no rotate, so
// every step's rotation costs two shifts and an OR on the chain where a scalar register
// takes one rotate. On x86-64 the scalar kernel costs 1.22 x one MD5 pass where the
// vector kernel costs 2.72 x (host build, 2-core AMD EPYC): x86-64 takes the scalar one.
// An i686 build has 8 general registers for two digests, the cipher state and the
// pointers, so its scalar kernel spills where the vector one does not: it keeps SSE2
// until bench-extract.sh, which prints both kernels, ranks them on a host that runs
// 32-bit programs; a processor without SSE2 takes the simple three-pass form there.
// Only the chosen kernel is linked into the program (DecipherAndDigest); both stay for
// the tests and the benchmarks (detail::DecipherAndDigestWith).
#include "package/cipher.h"
#include "package/md5_steps.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#define QS_CIPHER_SSE2_KERNEL 1
#endif

namespace qs {

namespace {

using detail::LoadLe32;
using detail::MD5_BLOCK_SIZE;
using detail::RotateLeft;

// Stream B works on the block deciphered this many iterations earlier.
constexpr std::size_t PLAIN_LAG = 2;
constexpr std::uint32_t BLOCK_BYTES = static_cast<std::uint32_t>(MD5_BLOCK_SIZE);
constexpr std::size_t MD5_WORDS = 16;

// Ciphers count bytes at p starting with state s and counter c; returns the state after.
std::uint32_t CipherRange(std::uint8_t* p, std::uint32_t count, std::uint32_t s, std::uint32_t c,
                          const std::uint8_t key[CIPHER_KEY_SIZE]) {
    for (std::uint32_t i = 0; i < count; ++i, --c) {
        std::uint8_t k = 0;
        s = detail::CipherStep(s, c, key, k);
        p[i] = static_cast<std::uint8_t>(p[i] ^ k);
    }
    return s;
}

// What the kernels share: the blocks, the cipher state and the key bytes by position.
// Every block starts with a counter that is a multiple of 64 below the length, so the
// key byte of position i in any block is key[(length - i) AND 15], taken once into
// keyAt.
struct BlockRun {
    std::uint8_t* data;         // block 0
    std::size_t first;          // first block handled by the kernel (>= PLAIN_LAG)
    std::size_t end;            // one past the last whole block
    std::uint32_t length;       // the whole length (counter of byte 0)
    std::uint32_t cipherState;  // state at the first byte of block `first`
    std::uint32_t digestA[4];   // stream A after blocks 0 .. first-1
    std::uint32_t digestB[4];   // stream B, PLAIN_LAG blocks behind
    std::uint8_t keyAt[MD5_BLOCK_SIZE];
};

// One keystream byte of the current block: position i, counter blockCounter - i.
#define QS_KEYSTREAM_BYTE(i)                                               \
    {                                                                      \
        std::uint32_t t = s + (blockCounter - (i));                        \
        std::uint32_t q = t * t;                                           \
        keystream[i] = static_cast<std::uint8_t>(q + (q >> 8) + keyAt[i]); \
        s = detail::ShiftStateRight(q);                                    \
    }

// ---- Portable scalar kernel ------------------------------------------------------------

// Round functions arranged so that the part independent of b is added first.
#define QS_S_F(a, b, c, d, x, s, ac) \
    a += (x) + (ac);                 \
    a += d ^ (b & (c ^ d));          \
    a = RotateLeft(a, s) + b;
#define QS_S_G(a, b, c, d, x, s, ac) \
    a += (x) + (ac) + (c & ~d);      \
    a += b & d;                      \
    a = RotateLeft(a, s) + b;
#define QS_S_H(a, b, c, d, x, s, ac) \
    a += (x) + (ac);                 \
    a += b ^ c ^ d;                  \
    a = RotateLeft(a, s) + b;
#define QS_S_I(a, b, c, d, x, s, ac) \
    a += (x) + (ac);                 \
    a += c ^ (b | ~d);               \
    a = RotateLeft(a, s) + b;

#define QS_SCALAR_STEP(i, fn, a, b, c, d, w, sh, ac)                      \
    QS_S_##fn(a##A, b##A, c##A, d##A, LoadLe32(stored + 4 * (w)), sh, ac) \
        QS_S_##fn(a##B, b##B, c##B, d##B, LoadLe32(plain + 4 * (w)), sh, ac) QS_KEYSTREAM_BYTE(i)

void RunScalar(BlockRun& run) {
    std::uint32_t s = run.cipherState;
    const std::uint8_t* keyAt = run.keyAt;
    for (std::size_t k = run.first; k < run.end; ++k) {
        std::uint8_t* stored = run.data + k * MD5_BLOCK_SIZE;
        const std::uint8_t* plain = run.data + (k - PLAIN_LAG) * MD5_BLOCK_SIZE;
        std::uint32_t blockCounter = run.length - static_cast<std::uint32_t>(k * MD5_BLOCK_SIZE);
        std::uint8_t keystream[MD5_BLOCK_SIZE];
        std::uint32_t aA = run.digestA[0], bA = run.digestA[1], cA = run.digestA[2], dA = run.digestA[3];
        std::uint32_t aB = run.digestB[0], bB = run.digestB[1], cB = run.digestB[2], dB = run.digestB[3];

        QS_MD5_STEPS(QS_SCALAR_STEP)

        run.digestA[0] += aA;
        run.digestA[1] += bA;
        run.digestA[2] += cA;
        run.digestA[3] += dA;
        run.digestB[0] += aB;
        run.digestB[1] += bB;
        run.digestB[2] += cB;
        run.digestB[3] += dB;
        for (std::size_t i = 0; i < MD5_BLOCK_SIZE; ++i)
            stored[i] = static_cast<std::uint8_t>(stored[i] ^ keystream[i]);
    }
    run.cipherState = s;
}

#undef QS_SCALAR_STEP
#undef QS_S_F
#undef QS_S_G
#undef QS_S_H
#undef QS_S_I

// ---- SSE2 kernel ---------------------------------------------------------------------------

#ifdef QS_CIPHER_SSE2_KERNEL

// Lane 0 carries stream A, lane 1 stream B; lanes 2 and 3 are unused.
#define QS_V_ADD(x, y) _mm_add_epi32(x, y)
#define QS_V_ROTATE(x, n) _mm_or_si128(_mm_slli_epi32(x, n), _mm_srli_epi32(x, 32 - (n)))
#define QS_V_INPUT(w, ac) \
    QS_V_ADD(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(words + 2 * (w))), _mm_set1_epi32(static_cast<int>(ac)))

#define QS_V_F(a, b, c, d, w, sh, ac)                                         \
    a = QS_V_ADD(a, QS_V_INPUT(w, ac));                                       \
    a = QS_V_ADD(a, _mm_xor_si128(d, _mm_and_si128(b, _mm_xor_si128(c, d)))); \
    a = QS_V_ADD(QS_V_ROTATE(a, sh), b);
#define QS_V_G(a, b, c, d, w, sh, ac)                                     \
    a = QS_V_ADD(a, QS_V_ADD(QS_V_INPUT(w, ac), _mm_andnot_si128(d, c))); \
    a = QS_V_ADD(a, _mm_and_si128(b, d));                                 \
    a = QS_V_ADD(QS_V_ROTATE(a, sh), b);
#define QS_V_H(a, b, c, d, w, sh, ac)                       \
    a = QS_V_ADD(a, QS_V_INPUT(w, ac));                     \
    a = QS_V_ADD(a, _mm_xor_si128(b, _mm_xor_si128(c, d))); \
    a = QS_V_ADD(QS_V_ROTATE(a, sh), b);
#define QS_V_I(a, b, c, d, w, sh, ac)                                           \
    a = QS_V_ADD(a, QS_V_INPUT(w, ac));                                         \
    a = QS_V_ADD(a, _mm_xor_si128(c, _mm_or_si128(b, _mm_xor_si128(d, ones)))); \
    a = QS_V_ADD(QS_V_ROTATE(a, sh), b);

#define QS_VECTOR_STEP(i, fn, a, b, c, d, w, sh, ac) QS_V_##fn(a, b, c, d, w, sh, ac) QS_KEYSTREAM_BYTE(i)

#if defined(__i386__)
// A thread started by the system may enter with a stack aligned to 4 bytes only.
#define QS_SSE2_FUNCTION __attribute__((target("sse2"), force_align_arg_pointer))
#else
#define QS_SSE2_FUNCTION __attribute__((target("sse2")))
#endif

QS_SSE2_FUNCTION void RunSse2(BlockRun& run) {
    std::uint32_t s = run.cipherState;
    const std::uint8_t* keyAt = run.keyAt;
    const __m128i ones = _mm_set1_epi32(-1);
    __m128i a = _mm_set_epi32(0, 0, static_cast<int>(run.digestB[0]), static_cast<int>(run.digestA[0]));
    __m128i b = _mm_set_epi32(0, 0, static_cast<int>(run.digestB[1]), static_cast<int>(run.digestA[1]));
    __m128i c = _mm_set_epi32(0, 0, static_cast<int>(run.digestB[2]), static_cast<int>(run.digestA[2]));
    __m128i d = _mm_set_epi32(0, 0, static_cast<int>(run.digestB[3]), static_cast<int>(run.digestA[3]));
    for (std::size_t k = run.first; k < run.end; ++k) {
        std::uint8_t* stored = run.data + k * MD5_BLOCK_SIZE;
        const std::uint8_t* plain = run.data + (k - PLAIN_LAG) * MD5_BLOCK_SIZE;
        std::uint32_t blockCounter = run.length - static_cast<std::uint32_t>(k * MD5_BLOCK_SIZE);

        // The message words of both streams side by side: words[2w] from A, words[2w+1] from B.
        std::uint32_t words[2 * MD5_WORDS];
        for (std::size_t row = 0; row < MD5_WORDS / 4; ++row) {
            __m128i fromA = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored + 16 * row));
            __m128i fromB = _mm_loadu_si128(reinterpret_cast<const __m128i*>(plain + 16 * row));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(words + 8 * row), _mm_unpacklo_epi32(fromA, fromB));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(words + 8 * row + 4), _mm_unpackhi_epi32(fromA, fromB));
        }
        std::uint8_t keystream[MD5_BLOCK_SIZE];
        const __m128i a0 = a, b0 = b, c0 = c, d0 = d;

        QS_MD5_STEPS(QS_VECTOR_STEP)

        a = QS_V_ADD(a, a0);
        b = QS_V_ADD(b, b0);
        c = QS_V_ADD(c, c0);
        d = QS_V_ADD(d, d0);
        for (std::size_t row = 0; row < MD5_BLOCK_SIZE / 16; ++row) {
            __m128i* target = reinterpret_cast<__m128i*>(stored + 16 * row);
            __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keystream + 16 * row));
            _mm_storeu_si128(target, _mm_xor_si128(_mm_loadu_si128(target), mask));
        }
    }
    alignas(16) std::uint32_t lanes[4][4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[0]), a);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[1]), b);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[2]), c);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[3]), d);
    for (std::size_t i = 0; i < 4; ++i) {
        run.digestA[i] = lanes[i][0];
        run.digestB[i] = lanes[i][1];
    }
    run.cipherState = s;
}

#undef QS_VECTOR_STEP
#undef QS_V_F
#undef QS_V_G
#undef QS_V_H
#undef QS_V_I
#undef QS_V_INPUT
#undef QS_V_ROTATE
#undef QS_V_ADD

bool HaveSse2() {
#if defined(__x86_64__)
    return true;
#else
    // CPUID leaf 1 directly: valid before constructors run, and pulls in no run-time library.
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (edx & bit_SSE2) != 0;
#endif
}

#endif  // QS_CIPHER_SSE2_KERNEL

#undef QS_KEYSTREAM_BYTE

// Digest of `length` bytes whose whole blocks are already in `state`; `tail` holds the rest.
void FinishDigest(const std::uint32_t state[4], std::uint32_t length, const std::uint8_t* tail,
                  std::uint8_t out[DIGEST_SIZE]) {
    detail::Md5Context context;
    for (std::size_t i = 0; i < 4; ++i) context.state[i] = state[i];
    std::uint32_t tailLength = length % BLOCK_BYTES;
    context.byteCount = length - tailLength;
    detail::Md5Update(context, tail, tailLength);
    detail::Md5Final(context, out);
}

using Kernel = void (*)(BlockRun&);

// The one-pass form around one kernel: the lead-in, the kernel over the blocks between,
// the lead-out and the partial last block.
void DecipherAndDigestBy(Kernel kernel, void* buffer, std::uint32_t length, std::int32_t state,
                         const std::uint8_t key[CIPHER_KEY_SIZE], std::uint8_t storedDigest[DIGEST_SIZE],
                         std::uint8_t plainDigest[DIGEST_SIZE]) {
    std::uint8_t* data = static_cast<std::uint8_t*>(buffer);
    const std::size_t blocks = length / BLOCK_BYTES;
    const std::uint32_t wholeBytes = static_cast<std::uint32_t>(blocks * MD5_BLOCK_SIZE);

    BlockRun run;
    run.data = data;
    run.length = length;
    run.first = blocks < PLAIN_LAG ? blocks : PLAIN_LAG;
    run.end = blocks;
    detail::Md5Context init;
    detail::Md5Init(init);
    for (std::size_t i = 0; i < 4; ++i) run.digestA[i] = run.digestB[i] = init.state[i];
    for (std::uint32_t i = 0; i < BLOCK_BYTES; ++i) run.keyAt[i] = key[(length - i) & detail::CIPHER_KEY_INDEX_MASK];

    // Lead-in: stream A and the cipher run PLAIN_LAG blocks ahead of stream B.
    std::uint32_t s = static_cast<std::uint32_t>(state);
    detail::Md5Blocks(run.digestA, data, run.first);
    s = CipherRange(data, static_cast<std::uint32_t>(run.first * MD5_BLOCK_SIZE), s, length, key);
    run.cipherState = s;

    if (run.first < run.end) kernel(run);

    // Lead-out: stream B catches up; then the partial last block of all three.
    const std::size_t plainDone = run.end - run.first;
    detail::Md5Blocks(run.digestB, data + plainDone * MD5_BLOCK_SIZE, blocks - plainDone);
    std::uint8_t* tail = data + wholeBytes;
    std::uint8_t stored[DIGEST_SIZE];
    std::uint8_t plain[DIGEST_SIZE];
    FinishDigest(run.digestA, length, tail, stored);
    CipherRange(tail, length - wholeBytes, run.cipherState, length - wholeBytes, key);
    FinishDigest(run.digestB, length, tail, plain);
    CopyBlock(storedDigest, stored, DIGEST_SIZE);
    CopyBlock(plainDigest, plain, DIGEST_SIZE);
}

#if !defined(__x86_64__) && defined(QS_CIPHER_SSE2_KERNEL)
// The three passes of the simple form: for a processor without the kernel the target
// takes.
void DecipherAndDigestSimply(void* buffer, std::uint32_t length, std::int32_t state,
                             const std::uint8_t key[CIPHER_KEY_SIZE], std::uint8_t storedDigest[DIGEST_SIZE],
                             std::uint8_t plainDigest[DIGEST_SIZE]) {
    DigestBuffer(buffer, length, storedDigest);
    (void)PackageCipher(state, buffer, length, key);
    DigestBuffer(buffer, length, plainDigest);
}
#endif

}  // namespace

// The product references only the kernel its target takes, so the other one is not in
// the program: x86-64 the scalar kernel, i686 the SSE2 one (the simple form on a
// processor without SSE2).
void DecipherAndDigest(void* buffer, std::uint32_t length, std::int32_t state, const std::uint8_t key[CIPHER_KEY_SIZE],
                       std::uint8_t storedDigest[DIGEST_SIZE], std::uint8_t plainDigest[DIGEST_SIZE]) {
#if defined(__x86_64__) || !defined(QS_CIPHER_SSE2_KERNEL)
    DecipherAndDigestBy(RunScalar, buffer, length, state, key, storedDigest, plainDigest);
#else
    if (HaveSse2()) {
        DecipherAndDigestBy(RunSse2, buffer, length, state, key, storedDigest, plainDigest);
    } else {
        DecipherAndDigestSimply(buffer, length, state, key, storedDigest, plainDigest);
    }
#endif
}

namespace detail {

void DecipherAndDigestWith(ExtractionKernel kernel, void* buffer, std::uint32_t length, std::int32_t state,
                           const std::uint8_t key[CIPHER_KEY_SIZE], std::uint8_t storedDigest[DIGEST_SIZE],
                           std::uint8_t plainDigest[DIGEST_SIZE]) {
    switch (kernel) {
        case ExtractionKernel::Best:
            DecipherAndDigest(buffer, length, state, key, storedDigest, plainDigest);
            return;
        case ExtractionKernel::Scalar:
            DecipherAndDigestBy(RunScalar, buffer, length, state, key, storedDigest, plainDigest);
            return;
        case ExtractionKernel::Vector:
#ifdef QS_CIPHER_SSE2_KERNEL
            if (HaveSse2()) {
                DecipherAndDigestBy(RunSse2, buffer, length, state, key, storedDigest, plainDigest);
                return;
            }
#endif
            DecipherAndDigestBy(RunScalar, buffer, length, state, key, storedDigest, plainDigest);
            return;
    }
}

}  // namespace detail

}  // namespace qs
