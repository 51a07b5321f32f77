// Host benchmark (Google Benchmark) of the extraction work: MB/s of MD5 alone, the cipher
// alone, and a whole package extracted in the simple three-pass form and in the one-pass
// form, with each form's time as a multiple of one MD5 pass over the same bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tools/bench/bench_common.h"

namespace qs::bench {
namespace {

Package& SharedPackage() {
    static Package package = MakePackage();
    return package;
}

void SetBytes(benchmark::State& state, std::size_t bytesPerRound) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytesPerRound));
}

void Md5Entry(benchmark::State& state) {
    Package& package = SharedPackage();
    std::uint8_t out[DIGEST_SIZE];
    for (auto _ : state) {
        DigestBuffer(package.bytes.data(), ENTRY_SIZES[0], out);
        benchmark::DoNotOptimize(out);
    }
    SetBytes(state, ENTRY_SIZES[0]);
}

void CipherEntry(benchmark::State& state) {
    Package& package = SharedPackage();
    const std::uint8_t key[CIPHER_KEY_SIZE] = {1, 2, 3};
    for (auto _ : state) {
        PackageCipher(PACKAGE_CHAIN_SEED, package.bytes.data(), ENTRY_SIZES[0], key);
        benchmark::ClobberMemory();
    }
    SetBytes(state, ENTRY_SIZES[0]);
}

void Md5Package(benchmark::State& state) {
    Package& package = SharedPackage();
    std::uint8_t out[DIGEST_SIZE];
    for (auto _ : state) {
        DigestPackage(package, out);
        benchmark::DoNotOptimize(out);
    }
    SetBytes(state, package.total);
}

void ExtractForm(benchmark::State& state, Form form) {
    Package& package = SharedPackage();
    std::uint8_t out[DIGEST_SIZE];
    for (auto _ : state) {
        ExtractPackage(package, form, out);
        benchmark::DoNotOptimize(out);
    }
    SetBytes(state, package.total);
}

// Keeps the median processor time per iteration of every benchmark (the median over the
// repetitions, or the single run without them), so that the ratios can be printed at the
// end. Processor time rather than wall time: other work on a shared machine then shifts
// the figures less.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                median_[name] = seconds;
            else if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                single_[name] = seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Seconds(const std::string& name) const {
        if (auto found = median_.find(name); found != median_.end()) return found->second;
        if (auto found = single_.find(name); found != single_.end()) return found->second;
        return 0.0;
    }

private:
    std::map<std::string, double> median_;
    std::map<std::string, double> single_;
};

}  // namespace
}  // namespace qs::bench

int main(int argc, char** argv) {
    using namespace qs::bench;
    benchmark::RegisterBenchmark(MEASURE_NAMES[0], Md5Entry);
    benchmark::RegisterBenchmark(MEASURE_NAMES[1], CipherEntry);
    benchmark::RegisterBenchmark(MEASURE_NAMES[2], Md5Package);
    benchmark::RegisterBenchmark(MEASURE_NAMES[3], ExtractForm, Form::Simple);
    benchmark::RegisterBenchmark(MEASURE_NAMES[4], ExtractForm, Form::Fast);
    benchmark::RegisterBenchmark(MEASURE_NAMES[5], ExtractForm, Form::FastScalar);
    benchmark::RegisterBenchmark(MEASURE_NAMES[6], ExtractForm, Form::FastVector);
    // Five repetitions by default; the ratios use the medians.
    std::vector<char*> args(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=5";
    char aggregatesOnly[] = "--benchmark_report_aggregates_only=true";
    args.insert(args.begin() + 1, {repetitions, aggregatesOnly});
    argc = static_cast<int>(args.size());
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // One line per measure for scripts/bench-extract.sh: RESULT build measure MB/s ratio,
    // the ratio being the time as a multiple of one MD5 pass over the same bytes.
    const double md5Entry = reporter.Seconds("md5/entry0");
    const double md5Package = reporter.Seconds("md5/package");
    std::printf("\nmedians of processor time; ratio = time / one MD5 pass over the same bytes\n");
    for (const char* name : MEASURE_NAMES) {
        const std::string measure = name;
        const double seconds = reporter.Seconds(measure);
        const bool wholeEntry = measure.ends_with("/entry0");
        const double base = wholeEntry ? md5Entry : md5Package;
        const std::size_t bytes = wholeEntry ? ENTRY_SIZES[0] : SharedPackage().total;
        if (seconds <= 0 || base <= 0) continue;  // filtered out
        std::printf("RESULT host %-20s %8.1f %6.2f\n", name, static_cast<double>(bytes) / BYTES_PER_MB / seconds,
                    seconds / base);
    }
    return 0;
}
