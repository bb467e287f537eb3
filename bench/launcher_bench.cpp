// What the launcher pays per page request and per reply: its JSON reader and writer on page
// messages and on the long texts (launcher.json, a script's output and result file) they
// also carry.
#include <benchmark/benchmark.h>

#include "bench_texts.h"
#include "json.h"
#include "page_request.h"
#include "utf8.h"

namespace {

using bench_texts::kLargest;
using bench_texts::kSmallest;
using bench_texts::utf8Sample;

void setBytes(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetComplexityN(static_cast<std::int64_t>(bytes));
}

const std::string kActRequest =
    "{\"cmd\":\"act\",\"action\":\"rookmere\",\"game\":\"C:\\\\Games\\\\Cindergale\","
    "\"keepSha\":\"0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef\","
    "\"rookmereZip\":\"C:\\\\Downloads\\\\rookmere kit.zip\"}";

// Every request starts with its command.
void BM_PageCommand(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(pageCommand(kActRequest));
}
BENCHMARK(BM_PageCommand);

// A whole act request decided, over a file system that answers at once.
void BM_DecideAct(benchmark::State& state) {
    FileSystemView files;
    files.fullPath = [](const std::wstring& path) { return path; };
    files.kindOf = [](const std::wstring& path) {
        return path.size() > 4 && path.compare(path.size() - 4, 4, L".zip") == 0 ? PathKind::file
                                                                                 : PathKind::folder;
    };
    for (auto _ : state)
        benchmark::DoNotOptimize(decideAct(kActRequest, L"", files));
}
BENCHMARK(BM_DecideAct);

// A string value after `size` bytes of other members: the search runs through them.
void BM_JsonGetValue_late(benchmark::State& state) {
    const std::string text =
        "{\"notes\":" + jsonQuote(utf8Sample(static_cast<std::size_t>(state.range(0)))) +
        ",\"server\":\"vyr.example\"}";
    for (auto _ : state)
        benchmark::DoNotOptimize(jsonGetValue(text, "server"));
    setBytes(state, text.size());
}
BENCHMARK(BM_JsonGetValue_late)->RangeMultiplier(16)->Range(kSmallest, kLargest)->Complexity();

// A string value of `size` bytes read back with its escapes undone.
void BM_JsonGetValue_long(benchmark::State& state) {
    const std::string text = "{\"type\":\"status\",\"raw\":" +
                             jsonQuote(utf8Sample(static_cast<std::size_t>(state.range(0)))) + "}";
    for (auto _ : state)
        benchmark::DoNotOptimize(jsonGetValue(text, "raw"));
    setBytes(state, text.size());
}
BENCHMARK(BM_JsonGetValue_long)->RangeMultiplier(16)->Range(kSmallest, kLargest)->Complexity();

// Up to 16 MiB: an action's result file goes through the writer once.
void BM_JsonQuote(benchmark::State& state) {
    const std::string text = utf8Sample(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(jsonQuote(text));
    setBytes(state, text.size());
}
BENCHMARK(BM_JsonQuote)->RangeMultiplier(16)->Range(kSmallest, 16 << 20)->Complexity();

void BM_JsonQuoteWide(benchmark::State& state) {
    const std::wstring text = fromUtf8(utf8Sample(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(jsonQuoteWide(text));
    setBytes(state, text.size() * sizeof(wchar_t));
}
BENCHMARK(BM_JsonQuoteWide)->RangeMultiplier(16)->Range(kSmallest, kLargest)->Complexity();

void BM_FromUtf8(benchmark::State& state) {
    const std::string text = utf8Sample(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(fromUtf8(text));
    setBytes(state, text.size());
}
BENCHMARK(BM_FromUtf8)->RangeMultiplier(16)->Range(kSmallest, kLargest)->Complexity();

} // namespace

BENCHMARK_MAIN();
