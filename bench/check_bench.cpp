// The record checker over generated records held in memory (Google Benchmark), and, given a
// file, one read and check of the whole file as `bibliora-cli check` will do it:
//   bibliora-bench-check [benchmark options]
//   bibliora-bench-check FILE      prints seconds for reading only and for reading and checking
//   bibliora-bench-check --reserve FILE   the same, the duplicate index sized for the file first
#include "check.h"
#include "codec.h"
#include "recordgen.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace bibliora;
using bibliora::support::GeneratedRecord;
using bibliora::support::RecordFormat;
using bibliora::support::RecordGenerator;

namespace {

constexpr std::size_t kRecords = 10000;

const std::vector<std::string>& records(RecordFormat format)
{
    static std::vector<std::string> cnmarc;
    static std::vector<std::string> marc21;
    std::vector<std::string>& r = format == RecordFormat::Cnmarc ? cnmarc : marc21;
    if (r.empty()) {
        const RecordGenerator generator(1, format);
        GeneratedRecord g;
        for (std::size_t i = 0; i < kRecords; ++i) {
            generator.make(i, g);
            r.push_back(g.bytes);
        }
    }
    return r;
}

// Items are records, bytes their bytes; the encoding is detected as the caller will. Each pass
// over the records is a file of its own, so that no record is the duplicate of itself.
void checkRecords(benchmark::State& state, RecordFormat format)
{
    const std::vector<std::string>& r = records(format);
    check::FileChecker checker;
    std::vector<check::Problem> problems;
    std::size_t i = 0;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        if (i == 0)
            checker = check::FileChecker();
        problems.clear();
        checker.check(r[i], detectEncoding(r[i]), static_cast<std::int64_t>(i + 1), problems);
        benchmark::DoNotOptimize(problems.data());
        bytes += static_cast<std::int64_t>(r[i].size());
        i = (i + 1) % kRecords;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.SetBytesProcessed(bytes);
}

void BM_check_cnmarc(benchmark::State& state)
{
    checkRecords(state, RecordFormat::Cnmarc);
}
void BM_check_marc21(benchmark::State& state)
{
    checkRecords(state, RecordFormat::Marc21);
}
BENCHMARK(BM_check_cnmarc);
BENCHMARK(BM_check_marc21);

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int timeFile(const char* path, bool reserve)
{
    std::size_t records = 0;
    auto start = std::chrono::steady_clock::now();
    if (!readMarcFile(path, [&](MarcRecord&&) { ++records; })) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return 1;
    }
    const double read = seconds(start);

    std::size_t problems = 0;
    check::FileChecker checker;
    if (reserve)
        checker.reserve(records);
    std::vector<check::Problem> out;
    std::int64_t n = 0;
    start = std::chrono::steady_clock::now();
    readMarcFile(path, [&](MarcRecord&& record) {
        out.clear();
        checker.check(record, detectEncoding(record), ++n, out);
        problems += out.size();
    });
    const double checked = seconds(start);
    std::printf("%zu records, %zu problems: read %.3f s, read and check %.3f s%s\n", records,
                problems, read, checked, reserve ? " (index reserved)" : "");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && argv[1][0] != '-')
        return timeFile(argv[1], false);
    if (argc == 3 && std::string(argv[1]) == "--reserve")
        return timeFile(argv[2], true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
