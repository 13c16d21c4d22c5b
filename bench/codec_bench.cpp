// Micro benchmarks of the record codec over generated records held in memory.
#include "codec.h"
#include "recordgen.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

using namespace bibliora;
using bibliora::support::GeneratedRecord;
using bibliora::support::RecordFormat;
using bibliora::support::RecordGenerator;

namespace {

constexpr std::size_t kRecords = 10000;

struct Corpus
{
    std::vector<std::string> records;  // GBK bytes, each ending with 0x1D
    std::vector<std::u16string> texts; // display text + CR LF, as save hands it to the builder
    std::string lines;                 // one record per line
    std::string iso;                   // back to back
    std::string utf16;                 // byte-order mark, records each followed by CR LF
    std::size_t recordBytes = 0;
};

const Corpus& corpus()
{
    static const Corpus c = [] {
        Corpus c;
        const RecordGenerator generator(1, RecordFormat::Cnmarc);
        GeneratedRecord r;
        c.utf16 = "\xFF\xFE";
        for (std::size_t i = 0; i < kRecords; ++i) {
            generator.make(i, r, true);
            c.records.push_back(r.bytes);
            c.recordBytes += r.bytes.size();
            c.iso += r.bytes;
            c.lines += r.bytes;
            c.lines += "\r\n";
            r.text += u"\r\n";
            for (char16_t ch : r.text) {
                c.utf16.push_back(static_cast<char>(ch & 0xFF));
                c.utf16.push_back(static_cast<char>(ch >> 8));
            }
        }
        for (const std::string& rec : c.records)
            c.texts.push_back(formatRecordText(rec) + u"\r\n");
        return c;
    }();
    return c;
}

// Items are records; bytes (where the whole record is worked through) are record bytes.
void perRecord(benchmark::State& state, std::size_t recordBytes = 0)
{
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    if (recordBytes > 0)
        state.SetBytesProcessed(
            static_cast<std::int64_t>(recordBytes * state.iterations() / kRecords));
}

void lookup(benchmark::State& state, const char16_t* spec)
{
    const Corpus& c = corpus();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lookupSubfield(c.records[i], spec));
        i = (i + 1) % kRecords;
    }
    perRecord(state);
}

void BM_lookupSubfield_200a(benchmark::State& state)
{
    lookup(state, u"200a");
}
void BM_lookupSubfield_010a(benchmark::State& state)
{
    lookup(state, u"010a");
}
void BM_lookupSubfield_absent(benchmark::State& state)
{
    lookup(state, u"091a");
}

// What one row of the record list costs: the title and the standard number.
void BM_rowTexts(benchmark::State& state)
{
    const Corpus& c = corpus();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(titleOf(c.records[i]));
        benchmark::DoNotOptimize(standardNumberOf(c.records[i]));
        i = (i + 1) % kRecords;
    }
    perRecord(state);
}

void BM_formatRecordText(benchmark::State& state)
{
    const Corpus& c = corpus();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(formatRecordText(c.records[i]));
        i = (i + 1) % kRecords;
    }
    perRecord(state, c.recordBytes);
}

void BM_buildIsoRecord(benchmark::State& state)
{
    const Corpus& c = corpus();
    const BuildTime now{2024, 1, 31, 14, 30, 5};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(buildIsoRecord(c.texts[i], now));
        i = (i + 1) % kRecords;
    }
    perRecord(state, c.recordBytes);
}

void read(benchmark::State& state, const std::string& bytes)
{
    std::size_t count = 0;
    for (auto _ : state) {
        readMarcBytes(bytes, [&](MarcRecord&& r) {
            ++count;
            benchmark::DoNotOptimize(r.data());
        });
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(count));
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes.size() * state.iterations()));
}

void BM_readMarcBytes_lines(benchmark::State& state)
{
    read(state, corpus().lines);
}
void BM_readMarcBytes_iso(benchmark::State& state)
{
    read(state, corpus().iso);
}
void BM_readMarcBytes_utf16(benchmark::State& state)
{
    read(state, corpus().utf16);
}

} // namespace

BENCHMARK(BM_lookupSubfield_200a);
BENCHMARK(BM_lookupSubfield_010a);
BENCHMARK(BM_lookupSubfield_absent);
BENCHMARK(BM_rowTexts);
BENCHMARK(BM_formatRecordText);
BENCHMARK(BM_buildIsoRecord);
BENCHMARK(BM_readMarcBytes_lines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_readMarcBytes_iso)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_readMarcBytes_utf16)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
