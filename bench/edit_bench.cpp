// Searching and changing records (Google Benchmark over generated records in memory), and,
// given a file, the whole file searched and changed in memory as the window does it:
//   bibliora-bench-edit [benchmark options]
//   bibliora-bench-edit FILE [TEXT]   seconds for a Contains search of every field of every
//                                     record for TEXT (default: the last record's 001) and
//                                     for replacing it in every record
#include "codec.h"
#include "edit.h"
#include "recordgen.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace bibliora;
using namespace bibliora::edit;
using bibliora::support::GeneratedRecord;
using bibliora::support::RecordFormat;
using bibliora::support::RecordGenerator;

namespace {

constexpr std::size_t kRecords = 10000;
constexpr BuildTime kNow{2024, 1, 31, 14, 30, 5};

const std::vector<std::string>& records()
{
    static const std::vector<std::string> r = [] {
        std::vector<std::string> out;
        const RecordGenerator generator(1, RecordFormat::Cnmarc);
        GeneratedRecord g;
        for (std::size_t i = 0; i < kRecords; ++i) {
            generator.make(i, g);
            out.push_back(g.bytes);
        }
        return out;
    }();
    return r;
}

std::shared_ptr<const Matcher> matcher(const std::u16string& text, MatchMode mode,
                                       bool caseSensitive = true)
{
    Search search;
    search.text = text;
    search.mode = mode;
    search.caseSensitive = caseSensitive;
    std::u16string error;
    return Matcher::create(search, error);
}

// Items are records; the share of records matched is reported as "found".
void searchRecords(benchmark::State& state, const Matcher& m)
{
    const std::vector<std::string>& r = records();
    std::size_t i = 0;
    std::int64_t found = 0;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        found += m.matches(r[i], Encoding::Gbk) ? 1 : 0;
        bytes += static_cast<std::int64_t>(r[i].size());
        i = (i + 1) % kRecords;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.SetBytesProcessed(bytes);
    state.counters["found"] = static_cast<double>(found) / static_cast<double>(state.iterations());
}

void BM_match_contains_absent(benchmark::State& state)
{
    searchRecords(state, *matcher(u"不存在的词", MatchMode::Contains));
}
void BM_match_contains_common(benchmark::State& state)
{
    searchRecords(state, *matcher(u"研究", MatchMode::Contains));
}
void BM_match_contains_caseless(benchmark::State& state)
{
    searchRecords(state, *matcher(u"python", MatchMode::Contains, false));
}
void BM_match_regex(benchmark::State& state)
{
    searchRecords(state, *matcher(u"^\\p{Han}{2}研究$", MatchMode::Regex));
}
BENCHMARK(BM_match_contains_absent);
BENCHMARK(BM_match_contains_common);
BENCHMARK(BM_match_contains_caseless);
BENCHMARK(BM_match_regex);

// Every record changed: the subject heading each generated record has, or its 801.
void changeRecords(benchmark::State& state, const RecordChange& change, bool byText)
{
    const std::vector<std::string>& r = records();
    std::size_t i = 0;
    std::int64_t changed = 0;
    for (auto _ : state) {
        const EditOutcome out = byText ? change.applyByText(r[i], Encoding::Gbk, kNow)
                                       : change.apply(r[i], Encoding::Gbk, kNow);
        changed += out.changed() ? 1 : 0;
        benchmark::DoNotOptimize(out.record.data());
        i = (i + 1) % kRecords;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["changed"] =
        static_cast<double>(changed) / static_cast<double>(state.iterations());
}

const RecordChange& replaceCN()
{
    static const auto change = [] {
        std::u16string error;
        return ReplaceChange::create(matcher(u"CN", MatchMode::WholeSubfield), u"中国", error);
    }();
    return *change;
}

const RecordChange& add905()
{
    static const auto change = [] {
        std::u16string error;
        return AddFieldChange::create(u"905 __ ■aXJTU■b书库", false, error);
    }();
    return *change;
}

void BM_replace_bytes(benchmark::State& state)
{
    changeRecords(state, replaceCN(), false);
}
void BM_replace_text(benchmark::State& state)
{
    changeRecords(state, replaceCN(), true);
}
void BM_add_field_bytes(benchmark::State& state)
{
    changeRecords(state, add905(), false);
}
void BM_add_field_text(benchmark::State& state)
{
    changeRecords(state, add905(), true);
}
BENCHMARK(BM_replace_bytes);
BENCHMARK(BM_replace_text);
BENCHMARK(BM_add_field_bytes);
BENCHMARK(BM_add_field_text);

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int timeFile(const char* path, const char* text)
{
    std::vector<MarcRecord> file;
    std::vector<Encoding> encodings;
    EncodingVote vote;
    std::size_t bytes = 0;
    if (!readMarcFile(path,
                      [&](MarcRecord&& r) {
                          bytes += r.size();
                          encodings.push_back(vote.next(r));
                          file.push_back(std::move(r));
                      }) ||
        file.empty()) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return 1;
    }
    const std::u16string wanted =
        text ? Gbk::fromUtf8(text) : lookupSubfield(file.back(), u"001$", encodings.back());
    const auto m = matcher(wanted, MatchMode::Contains);
    auto start = std::chrono::steady_clock::now();
    std::size_t found = 0;
    for (std::size_t i = 0; i < file.size(); ++i)
        found += m->matches(file[i], encodings[i]) ? 1 : 0;
    const double searched = seconds(start);
    std::u16string error;
    const auto change = ReplaceChange::create(m, wanted + u"X", error);
    start = std::chrono::steady_clock::now();
    std::size_t changed = 0;
    for (std::size_t i = 0; i < file.size(); ++i)
        changed += change->apply(file[i], encodings[i], kNow).changed() ? 1 : 0;
    const double replaced = seconds(start);
    std::printf("%zu records (%.1f MB): search %.3f s (%zu found), replace %.3f s (%zu changed)\n",
                file.size(), static_cast<double>(bytes) / 1e6, searched, found, replaced, changed);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if ((argc == 2 || argc == 3) && argv[1][0] != '-')
        return timeFile(argv[1], argc == 3 ? argv[2] : nullptr);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
