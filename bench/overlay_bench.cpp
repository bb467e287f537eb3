// What the overlay host pays per page message, per datagram and per timer tick.
#include <benchmark/benchmark.h>

#include "bench_texts.h"
#include "datagram.h"
#include "foreground_verdict.h"
#include "hit_rect.h"
#include "json.h"
#include "layout_decide.h"
#include "page_messages.h"
#include "rate_stats.h"
#include "region_math.h"
#include "utf8.h"

namespace {

using bench_texts::kLargest;
using bench_texts::kSmallest;
using bench_texts::wideSample;

// A save request whose text holds `size` units: the biggest message the page sends.
std::wstring saveMessage(std::size_t size) {
    return L"{\"type\":\"save\",\"file\":\"vyr_pad.json\",\"text\":\"" +
           jsonEscape(wideSample(size)) + L"\"}";
}

// A region message with `count` rectangles.
std::wstring regionMessage(std::size_t count) {
    std::wstring message = L"{\"type\":\"region\",\"rects\":[";
    for (std::size_t i = 0; i < count; ++i) {
        message += i ? L",[" : L"[";
        message +=
            std::to_wstring(12 + i % 900) + L"," + std::to_wstring(40 + i % 500) + L",320.5,48]";
    }
    return message + L"]}";
}

void setBytes(benchmark::State& state, std::size_t units, std::size_t unitSize) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * units * unitSize));
    state.SetComplexityN(static_cast<std::int64_t>(units));
}

// Every message starts with a type lookup.
void BM_JsonField_type(benchmark::State& state) {
    const std::wstring message = L"{\"type\":\"mode\",\"mode\":\"active\"}";
    for (auto _ : state)
        benchmark::DoNotOptimize(jsonField(message, L"type"));
}
BENCHMARK(BM_JsonField_type);

// The text of a save message: found late, unescaped whole.
void BM_JsonField_saveText(benchmark::State& state) {
    const std::wstring message = saveMessage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(jsonField(message, L"text"));
    setBytes(state, message.size(), sizeof(wchar_t));
}
BENCHMARK(BM_JsonField_saveText)->RangeMultiplier(16)->Range(kSmallest, kLargest)->Complexity();

// A key that is not there: the whole message searched.
void BM_JsonField_missing(benchmark::State& state) {
    const std::wstring message = saveMessage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(jsonField(message, L"arg"));
    setBytes(state, message.size(), sizeof(wchar_t));
}
BENCHMARK(BM_JsonField_missing)->RangeMultiplier(16)->Range(kSmallest, kLargest)->Complexity();

// The rects of a region message: the raw value cut out, then read as numbers.
void BM_RegionMessage(benchmark::State& state) {
    const std::wstring message = regionMessage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(parseRects(jsonField(message, L"rects")));
    setBytes(state, message.size(), sizeof(wchar_t));
}
BENCHMARK(BM_RegionMessage)->RangeMultiplier(8)->Range(1, 32768)->Complexity();

void BM_ParseRects(benchmark::State& state) {
    const std::wstring rects =
        jsonField(regionMessage(static_cast<std::size_t>(state.range(0))), L"rects");
    for (auto _ : state)
        benchmark::DoNotOptimize(parseRects(rects));
    setBytes(state, rects.size(), sizeof(wchar_t));
}
BENCHMARK(BM_ParseRects)->RangeMultiplier(8)->Range(1, 32768)->Complexity();

void BM_ScaledRegion(benchmark::State& state) {
    const std::vector<HitRect> rects(static_cast<std::size_t>(state.range(0)), {12, 40, 320, 48});
    for (auto _ : state)
        benchmark::DoNotOptimize(scaledRegion(rects, 1.25));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ScaledRegion)->RangeMultiplier(8)->Range(1, 32768)->Complexity();

void BM_JsonEscape(benchmark::State& state) {
    const std::wstring text = wideSample(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(jsonEscape(text));
    setBytes(state, text.size(), sizeof(wchar_t));
}
BENCHMARK(BM_JsonEscape)->RangeMultiplier(16)->Range(kSmallest, kLargest)->Complexity();

// The host's answer to a load request: the file's text escaped into the message.
void BM_FileMessage(benchmark::State& state) {
    const std::wstring text = wideSample(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(fileMessage(L"vyr_pad.json", true, text));
    setBytes(state, text.size(), sizeof(wchar_t));
}
BENCHMARK(BM_FileMessage)->RangeMultiplier(16)->Range(kSmallest, kLargest)->Complexity();

// A page message as the handler takes it: type, then the fields its type needs.
void BM_PageMessageDecision(benchmark::State& state) {
    const std::wstring message = L"{\"type\":\"game\",\"cmd\":\"open_map\",\"arg\":\"north gate\"}";
    for (auto _ : state) {
        PageMessage type = pageMessageType(jsonField(message, L"type"));
        benchmark::DoNotOptimize(type);
        benchmark::DoNotOptimize(gameRequestText(toUtf8(jsonField(message, L"cmd")),
                                                 toUtf8(jsonField(message, L"arg"))));
    }
}
BENCHMARK(BM_PageMessageDecision);

// A received datagram: cut at its zero byte, split, the reply address rule applied.
void BM_Datagram(benchmark::State& state) {
    std::string bytes = "VYRO note ";
    bytes +=
        "{\"text\":\"" + bench_texts::utf8Sample(static_cast<std::size_t>(state.range(0))) + "\"}";
    bool latched = false;
    for (auto _ : state) {
        Datagram datagram = parseDatagram(datagramText(bytes.data(), bytes.size()));
        benchmark::DoNotOptimize(datagram);
        benchmark::DoNotOptimize(takeReplyAddress(latched, kGameSidePort));
    }
    setBytes(state, bytes.size(), 1);
}
BENCHMARK(BM_Datagram)->Arg(0)->Arg(64)->Arg(1024)->Arg(65000);

void BM_ToUtf8(benchmark::State& state) {
    const std::wstring text = wideSample(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(toUtf8(text));
    setBytes(state, text.size(), sizeof(wchar_t));
}
BENCHMARK(BM_ToUtf8)->RangeMultiplier(16)->Range(kSmallest, kLargest)->Complexity();

void BM_FromUtf8(benchmark::State& state) {
    const std::string text = bench_texts::utf8Sample(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(fromUtf8(text));
    setBytes(state, text.size(), 1);
}
BENCHMARK(BM_FromUtf8)->RangeMultiplier(16)->Range(kSmallest, kLargest)->Complexity();

// One counted event on a busy path.
void BM_RateCount(benchmark::State& state) {
    RateStats stats;
    for (auto _ : state) {
        rateCount(stats[RateEvent::wmSetCursor]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RateCount);

// A timer tick inside a window: no bucket and no window closes.
void BM_RateTick_quiet(benchmark::State& state) {
    RateStats stats;
    rateTick(stats, 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(rateTick(stats, 2));
}
BENCHMARK(BM_RateTick_quiet);

// A tick that closes a one-second bucket.
void BM_RateTick_bucket(benchmark::State& state) {
    RateStats stats;
    std::uint32_t now = 1;
    rateTick(stats, now);
    for (auto _ : state) {
        now += 1000;
        if (now - stats.windowStart >= 29000) { // stay inside the window
            state.PauseTiming();
            stats = RateStats();
            rateTick(stats, now);
            state.ResumeTiming();
        }
        rateCount(stats[RateEvent::fitToGame]);
        benchmark::DoNotOptimize(rateTick(stats, now));
    }
}
BENCHMARK(BM_RateTick_bucket);

// A tick that closes a 30 s window with counts in it: the summary line is written.
void BM_RateTick_summary(benchmark::State& state) {
    RateStats stats;
    std::uint32_t now = 1;
    rateTick(stats, now);
    for (auto _ : state) {
        rateCount(stats[RateEvent::gameToHost]);
        now += 30000;
        benchmark::DoNotOptimize(rateTick(stats, now));
    }
}
BENCHMARK(BM_RateTick_summary);

// The keeper's tick while playing: in front, the played layout, nothing to do.
void BM_LayoutDecide_steady(benchmark::State& state) {
    LayoutKeeper keeper;
    std::uint32_t now = 1;
    layoutDecide(keeper, now, false, 0x04090409);
    layoutDecide(keeper, now += 4000, false, 0x04090409);
    for (auto _ : state)
        benchmark::DoNotOptimize(layoutDecide(keeper, now += 50, false, 0x04090409));
}
BENCHMARK(BM_LayoutDecide_steady);

// A whole return with another layout: away, back, both asks and the restore.
void BM_LayoutDecide_return(benchmark::State& state) {
    LayoutKeeper keeper;
    std::uint32_t now = 1;
    layoutDecide(keeper, now, false, 0x04090409);
    layoutDecide(keeper, now += 4000, false, 0x04090409);
    for (auto _ : state) {
        now += 61000; // clear of the limit of four asks a minute
        layoutDecide(keeper, now, true, 0x04090409);
        benchmark::DoNotOptimize(layoutDecide(keeper, now += 50, false, 0x04070407));
        benchmark::DoNotOptimize(layoutDecide(keeper, now += 800, false, 0x04070407));
        benchmark::DoNotOptimize(layoutDecide(keeper, now += 50, false, 0x04090409));
    }
}
BENCHMARK(BM_LayoutDecide_return);

void BM_LayoutNote(benchmark::State& state) {
    LayoutNoteFacts facts;
    facts.layout = layoutNameText(0x04070407, "de-DE");
    facts.played = layoutNameText(0x04090409, "en-US");
    facts.keepLayout = true;
    for (auto _ : state)
        benchmark::DoNotOptimize(layoutNote(LayoutResult::firstAsk, facts));
}
BENCHMARK(BM_LayoutNote);

void BM_ForegroundVerdict(benchmark::State& state) {
    ForegroundFacts facts;
    facts.haveForeground = true;
    facts.foregroundPid = 4242;
    facts.gamePid = 4242;
    facts.ownPid = 77;
    for (auto _ : state) {
        benchmark::DoNotOptimize(facts);
        benchmark::DoNotOptimize(foregroundVerdict(facts));
    }
}
BENCHMARK(BM_ForegroundVerdict);

} // namespace

BENCHMARK_MAIN();
