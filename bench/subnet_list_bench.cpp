// Parsing a subnet list text, line splitting included, on 200,000 and 2,000,000 lines, beside
// the straightforward parse (split, then ParseAddressSpec and PrefixToMaskText per line).
// Every iteration builds a fresh list, so first-touch page faults of the result vectors are
// part of the figures; to see the parse alone, let malloc keep its memory:
//   GLIBC_TUNABLES=glibc.malloc.mmap_threshold=1073741824:glibc.malloc.trim_threshold=4294967295
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "lists/subnet_list.h"
#include "routing/ipv4.h"

namespace {

using korvane::lists::SplitLines;
using korvane::lists::SubnetList;

// All three entry forms, comments, blank lines and junk, with CR LF line ends.
std::string GenerateListText(int lineCount) {
    std::mt19937 random(2026);
    std::string text;
    text.reserve(static_cast<std::size_t>(lineCount) * 24);
    const auto octet = [&] { return std::to_string(random() % 256); };
    for (int i = 0; i < lineCount; ++i) {
        const std::string a = octet(), b = octet(), c = octet();
        switch (i % 10) {
            case 0:
            case 1:
            case 2:
                text += a + "." + b + "." + c + ".0";
                break;
            case 3:
            case 4:
            case 5:
                text += a + "." + b + "." + c + ".0/" + std::to_string(8 + random() % 25);
                break;
            case 6:
            case 7:
                text += a + "." + b + "." + c + ".0-" + a + "." + b + "." + c + ".255";
                break;
            case 8:
                text += i % 20 == 8 ? "# exchange networks, part " + a : "";
                break;
            default:
                text += i % 20 == 9 ? "<td>" + a + "." + b + " junk</td>" : "1.2.3.4/33";
                break;
        }
        text += "\r\n";
    }
    return text;
}

const std::string& ListText(int lineCount) {
    static const std::string small = GenerateListText(200'000);
    static const std::string large = GenerateListText(2'000'000);
    return lineCount == 200'000 ? small : large;
}

// The list text straight into the list: the path of a fetched text and of the list file.
void BM_ParseSubnetListText(benchmark::State& state) {
    const std::string& text = ListText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        SubnetList list;
        benchmark::DoNotOptimize(list.ParseSubnetListText(text));
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The same text again into one list, as every accepted refresh replaces the program's list:
// the storage of the list before is reused.
void BM_RefreshSubnetListText(benchmark::State& state) {
    const std::string& text = ListText(static_cast<int>(state.range(0)));
    SubnetList list;
    list.ParseSubnetListText(text);  // the program's list at start
    list.ParseSubnetListText(text);  // the first refresh
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.ParseSubnetListText(text));
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// SplitLines, then ParseSubnetList on the lines, as callers that keep the lines do.
void BM_SplitLinesThenParseSubnetList(benchmark::State& state) {
    const std::string& text = ListText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        SubnetList list;
        benchmark::DoNotOptimize(list.ParseSubnetList(SplitLines(text)));
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The peer: the straightforward way, the lines first, then one ParseAddressSpec and one
// PrefixToMaskText per line.
void BM_LiteralParse(benchmark::State& state) {
    const std::string& text = ListText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::string> addresses, masks;
        for (const std::string& line : SplitLines(text)) {
            const auto entry = korvane::routing::ParseAddressSpec(line);
            if (!entry.ok) continue;
            addresses.push_back(entry.address);
            masks.push_back(korvane::routing::PrefixToMaskText(entry.prefix));
        }
        benchmark::DoNotOptimize(addresses.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_ParseSubnetListText)->Arg(200'000)->Arg(2'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshSubnetListText)->Arg(200'000)->Arg(2'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitLinesThenParseSubnetList)
    ->Arg(200'000)
    ->Arg(2'000'000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiteralParse)->Arg(200'000)->Arg(2'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
