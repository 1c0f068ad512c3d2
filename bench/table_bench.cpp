// Table import: time and peak memory of the inputs that used to grow memory with their
// size (a 10 MB line of commas, 200,000 rows), and of the largest table that imports.
// Peak memory is the process's resident high-water mark after the runs (getrusage), so
// run one benchmark at a time (--benchmark_filter) to read it for that input alone.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <streambuf>
#include <string>

#include "game/tables/import_error.h"
#include "game/tables/record_tables.h"

namespace {

using namespace valmor::tables;

// A stream of `head`, then `body` `times` over, made a few KiB at a time, so that the
// input itself takes no memory.
class GeneratedText : public std::streambuf {
public:
    GeneratedText(std::string head, std::string body, std::uint64_t times)
        : head_(std::move(head)), body_(std::move(body)),
          size_(head_.size() + body_.size() * times) {}

protected:
    int_type underflow() override {
        if (next_ == size_)
            return traits_type::eof();
        const std::uint64_t count = std::min<std::uint64_t>(sizeof buffer_, size_ - next_);
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint64_t p = next_ + i;
            buffer_[i] = p < head_.size() ? head_[p] : body_[(p - head_.size()) % body_.size()];
        }
        next_ += count;
        setg(buffer_, buffer_, buffer_ + count);
        return traits_type::to_int_type(buffer_[0]);
    }

private:
    std::string head_, body_;
    std::uint64_t size_, next_ = 0;
    char buffer_[4096];
};

const std::string kHeader =
    "name,hp,hp2,gold,exp,item1,item2,level,agility,strength,item1Perc,item2Perc,special1,"
    "special2,special1Perc,special2Perc,s1Target,s2Target,offMin,offMax,sp1Min,sp1Max,sp2Min,"
    "sp2Max,def,mpower,s1PorM,s2PorM,canURun\n";
const std::string kRow = "\"Orc\",1,2,3,4,5,6,7,8,9,10,11,\"a\",\"b\",12,13,14,15,16,17,18,19,"
                         "20,21,22,23,24,25,26\n";

void reportPeakMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void importGenerated(benchmark::State& state, const std::string& head, const std::string& body,
                     std::uint64_t times, bool accepted) {
    for (auto _ : state) {
        GeneratedText text(head, body, times);
        std::istream in(&text);
        Progress none;
        try {
            benchmark::DoNotOptimize(statsFromTable(in, std::nullopt, "bench", none));
            if (!accepted)
                state.SkipWithError("the table was accepted");
        } catch (const ImportError&) {
            if (accepted)
                state.SkipWithError("the table was rejected");
        }
    }
    // A rejected table is read only up to its fault, so only an accepted one has a rate.
    if (accepted)
        state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                                static_cast<std::int64_t>(head.size() + body.size() * times));
    reportPeakMemory(state);
}

// Rejected at its first 64 KiB; it took 1.5 GB and 8.5 s when the whole line was read.
void BM_ImportTenMegabyteLineOfCommas(benchmark::State& state) {
    importGenerated(state, "", ",", 10u << 20, false);
}
BENCHMARK(BM_ImportTenMegabyteLineOfCommas)->Unit(benchmark::kMillisecond);

// Rejected at record 32,768; every row used to be parsed first (400 MB).
void BM_ImportTwoHundredThousandRows(benchmark::State& state) {
    importGenerated(state, kHeader, kRow, 200000, false);
}
BENCHMARK(BM_ImportTwoHundredThousandRows)->Unit(benchmark::kMillisecond);

// The largest table that imports: 32,767 records.
void BM_ImportFullStatsTable(benchmark::State& state) {
    importGenerated(state, kHeader, kRow, 32767, true);
}
BENCHMARK(BM_ImportFullStatsTable)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
