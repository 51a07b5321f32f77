// Timing program of the extraction work for the 32-bit Windows build (runs under Wine),
// also built natively. Each measurement is repeated; the medians are reported as MB/s
// and as multiples of one MD5 pass over the same bytes. Before timing, the one-pass
// form is checked against the simple form on the same package.
//   extract_timing [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/bench/bench_common.h"

namespace qs::bench {
namespace {

constexpr int DEFAULT_ROUNDS = 15;
constexpr int MAX_ROUNDS = 1000;

// The build's name in the RESULT lines: the Windows processor, or the host.
constexpr const char* BuildName() {
#if defined(_WIN32)
    return sizeof(void*) == 4 ? "i686" : "x86_64";
#else
    return "native";
#endif
}

// Keeps the digests alive, so that no measured work can be dropped.
volatile std::uint8_t g_sink;

// In the order of MEASURE_NAMES.
enum Measure { MD5_ENTRY, CIPHER_ENTRY, MD5_PACKAGE, SIMPLE, FAST, FAST_SCALAR, FAST_VECTOR, MEASURE_COUNT };

double RunOnce(Measure measure, Package& package) {
    std::uint8_t out[DIGEST_SIZE] = {};
    const std::uint8_t key[CIPHER_KEY_SIZE] = {1, 2, 3};
    const auto start = std::chrono::steady_clock::now();
    switch (measure) {
        case MD5_ENTRY:
            DigestBuffer(package.bytes.data(), ENTRY_SIZES[0], out);
            break;
        case CIPHER_ENTRY:
            PackageCipher(PACKAGE_CHAIN_SEED, package.bytes.data(), ENTRY_SIZES[0], key);
            break;
        case MD5_PACKAGE:
            DigestPackage(package, out);
            break;
        case SIMPLE:
            ExtractPackage(package, Form::Simple, out);
            break;
        case FAST:
            ExtractPackage(package, Form::Fast, out);
            break;
        case FAST_SCALAR:
            ExtractPackage(package, Form::FastScalar, out);
            break;
        case FAST_VECTOR:
            ExtractPackage(package, Form::FastVector, out);
            break;
        case MEASURE_COUNT:
            break;
    }
    const auto stop = std::chrono::steady_clock::now();
    g_sink = out[0];
    return std::chrono::duration<double>(stop - start).count();
}

bool FormsAgree() {
    for (Form form : {Form::Fast, Form::FastScalar}) {
        Package simple = MakePackage();
        Package other = MakePackage();
        std::uint8_t a[DIGEST_SIZE], b[DIGEST_SIZE];
        ExtractPackage(simple, Form::Simple, a);
        ExtractPackage(other, form, b);
        if (simple.bytes != other.bytes || !CompareBlock(a, b, DIGEST_SIZE)) return false;
    }
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace
}  // namespace qs::bench

int main(int argc, char** argv) {
    using namespace qs::bench;
    int rounds = DEFAULT_ROUNDS;
    if (argc > 1) rounds = std::atoi(argv[1]);
    if (rounds < 1 || rounds > MAX_ROUNDS) {
        std::fprintf(stderr, "usage: extract_timing [ROUNDS 1..%d]\n", MAX_ROUNDS);
        return 2;
    }
    if (!FormsAgree()) {
        std::fprintf(stderr, "extract_timing: the one-pass form disagrees with the simple form\n");
        return 1;
    }
    Package package = MakePackage();
    std::vector<double> seconds[MEASURE_COUNT];
    for (int m = 0; m < MEASURE_COUNT; ++m) RunOnce(static_cast<Measure>(m), package);  // warm-up
    for (int r = 0; r < rounds; ++r)  // round robin, so that a slow spell hits every measure
        for (int m = 0; m < MEASURE_COUNT; ++m) seconds[m].push_back(RunOnce(static_cast<Measure>(m), package));

    // One line per measure for scripts/bench-extract.sh: RESULT build measure MB/s ratio,
    // the ratio being the time as a multiple of one MD5 pass over the same bytes.
    const char* build = BuildName();
    std::printf("medians of %d rounds; ratio = time / one MD5 pass over the same bytes\n", rounds);
    double median[MEASURE_COUNT];
    for (int m = 0; m < MEASURE_COUNT; ++m) median[m] = Median(seconds[m]);
    for (int m = 0; m < MEASURE_COUNT; ++m) {
        const bool wholeEntry = m <= CIPHER_ENTRY;
        const std::size_t bytes = wholeEntry ? ENTRY_SIZES[0] : package.total;
        const double base = wholeEntry ? median[MD5_ENTRY] : median[MD5_PACKAGE];
        std::printf("RESULT %s %-20s %8.1f %6.2f\n", build, MEASURE_NAMES[m],
                    static_cast<double>(bytes) / BYTES_PER_MB / median[m], median[m] / base);
    }
    return 0;
}
