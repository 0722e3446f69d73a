// Micro-benchmarks of the engine's inner loops on a generated inventory held in memory.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "reports/reportrun.h"
#include "search/criteria.h"
#include "search/formreader.h"
#include "search/searchrun.h"
#include "search/textutil.h"
#include "tests/support/memoryfilesystem.h"

namespace {

// A form file of the usual shape: ten header lines and a dozen observation lines per form.
const std::string& inventory() {
    static const std::string data = [] {
        std::string out;
        const char* countries[] = {"Ireland", "United Kingdom", "France", "Norway", "Spain"};
        for (int f = 0; f < 20000; ++f) {
            out += "95^74E" + std::to_string(f % 97) + "^" + std::to_string(f) + "^x^2^WOCE JGOFS\r\n";
            out += std::string(countries[f % 5]) + "\r\nCH^145^146^IHB04 \r\nMarine Institute\r\n";
            out += "12^Jun^20^Jul^Galway - Reykjavik\r\nCV 95/3 Shelf survey^objectives\r\n";
            out += "Celtic Voyager^EIHN\r\nJ. Smith\r\nA. Brown^B. Green\r\nNotes\r\n";
            for (int o = 0; o < 12; ++o)
                out += (o % 3 ? "H09^12^a^52N 10W^ng^12 at ULMA\r\n" : "CHLBSSP1^4^b^p4^p5^p6\r\n");
            out += "*\r\n";
        }
        return out;
    }();
    return data;
}

void readForms(benchmark::State& state) {
    testutil::MemoryFileSystem fs;
    fs.files["f"] = inventory();
    for (auto _ : state) {
        std::string err;
        auto file = fs.openRead("f", &err);
        search::FormReader reader(*file);
        search::Form form;
        long lines = 0;
        while (reader.next(form, &err) == search::FormReader::Status::Form) lines += form.last();
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<long long>(state.iterations() * inventory().size()));
}
BENCHMARK(readForms);

// A whole run in memory: argument 0 selects no form, 1 a fifth of them (country), 2 every form.
void searchRun(benchmark::State& state) {
    testutil::MemoryFileSystem fs;
    fs.files["/d/KER1995.INF"] = inventory();
    search::FileSelection selection;
    std::string message;
    search::chooseFiles({"/d/KER1995.INF"}, selection, &message);
    search::CriteriaSet criteria;
    criteria.texts[1] = state.range(0) == 0 ? "atlantis" : state.range(0) == 1 ? "ireland" : "";
    struct Host : search::RunHost {
        void runStarted() override {}
        void formEnd(const search::RunProgress&) override {}
        void progress(const search::RunProgress&) override {}
        bool ask(const std::string&) override { return true; }
        void message(const std::string&) override {}
        void formProblem(long long, const std::string&) override {}
        void runEnded(const search::RunEnd&) override {}
        std::string lineProbe() override { return {}; }
    } host;
    tables::RpTable table;
    reports::ReportRun run(host, fs, table);
    for (auto _ : state) benchmark::DoNotOptimize(run.run(selection, criteria));
    state.SetBytesProcessed(static_cast<long long>(state.iterations() * inventory().size()));
}
BENCHMARK(searchRun)->Arg(0)->Arg(1)->Arg(2);

} // namespace

BENCHMARK_MAIN();
