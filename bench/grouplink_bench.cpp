// The plug-in's update on a 50,000-line list (unsorted, many merges) and a 5 MB filter set,
// and its XML model's read and write throughput beside pugixml on the same text.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <random>
#include <sstream>
#include <string>

#include "grouplink/address_group_update.h"
#include "grouplink/list_reader.h"
#include "grouplink/xml_model.h"
#include "platform/messages.h"

namespace {

namespace fs = std::filesystem;
using namespace korvane::grouplink;

std::string Address(std::uint32_t a) {
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 255) + "." +
           std::to_string((a >> 8) & 255) + "." + std::to_string(a & 255);
}

// /24 to /20 networks drawn from a few /12 regions, in random order: neighbours and overlaps
// are frequent, so most insertions merge.
std::string GenerateList(int lineCount) {
    std::mt19937 random(2026);
    std::string text;
    for (int i = 0; i < lineCount; ++i) {
        const std::uint32_t region = (10u + random() % 8) << 24;
        const int prefix = 20 + static_cast<int>(random() % 5);
        const std::uint32_t network = region | ((random() & 0xFFFFF) << 8);
        text +=
            Address(network & ~((1u << (32 - prefix)) - 1)) + "/" + std::to_string(prefix) + "\r\n";
    }
    return text;
}

// A TMeter-like filter set of about the given size: many groups with address items, and rules
// with attributes, comments and references.
std::string GenerateFilterSet(std::size_t size) {
    std::mt19937 random(7);
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<TrafficMonitor version=\"2\">";
    for (int group = 0; text.size() < size; ++group) {
        text += "\r\n\t<MAT>\r\n\t\t<Key>" + std::to_string(100 + group) +
                "</Key>\r\n\t\t<Descr>Group " + std::to_string(group) + " &amp; friends</Descr>";
        for (int item = 0; item < 200; ++item) {
            const std::uint32_t first = static_cast<std::uint32_t>(random());
            text += "\r\n\t\t<Addr>" + Address(first) + "," + Address(first + 255) + "</Addr>";
        }
        text += "\r\n\t</MAT>\r\n\t<!-- rules of group " + std::to_string(group) + " -->";
        for (int rule = 0; rule < 20; ++rule) {
            text += "\r\n\t<Rule id=\"" + std::to_string(group * 20 + rule) +
                    "\" action='count' dest=\"MAT:" + std::to_string(100 + group) +
                    "\" name=\"r &lt;" + std::to_string(rule) + "&gt;\"/>";
        }
    }
    return text + "\r\n</TrafficMonitor>";
}

const std::string& FilterSetText() {
    static const std::string text = GenerateFilterSet(5 << 20);
    return text;
}

const std::string& ListText() {
    static const std::string text = GenerateList(50000);
    return text;
}

void BM_ReadAddressRanges(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ReadAddressRanges(ListText()).Size());
    state.counters["ranges"] = static_cast<double>(ReadAddressRanges(ListText()).Size());
}
BENCHMARK(BM_ReadAddressRanges)->Unit(benchmark::kMillisecond);

void BM_UpdateAddressGroup(benchmark::State& state) {
    std::string folder = (fs::temp_directory_path() / "grouplink-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        state.SkipWithError("mkdtemp failed");
        return;
    }
    fs::create_directories(folder + "/Lists");
    std::ofstream(folder + "/Lists/tarvel-list.lst", std::ios::binary) << ListText();
    std::ofstream(folder + "/default.tmf", std::ios::binary) << FilterSetText();
    const AddressGroupTarget target{folder + "/", "default.tmf", "Tarvel", "UTF-8", "Grouplink"};
    korvane::platform::ScriptedMessages messages;
    for (auto _ : state) {
        if (UpdateAddressGroup(target, messages) != 1) {
            state.SkipWithError(messages.shown.back().text.c_str());
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(FilterSetText().size()));
    fs::remove_all(folder);
}
BENCHMARK(BM_UpdateAddressGroup)->Unit(benchmark::kMillisecond);

void BM_ModelRead(benchmark::State& state) {
    const std::string& text = FilterSetText();
    for (auto _ : state) {
        XmlDocument document;
        benchmark::DoNotOptimize(document.Parse(text));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ModelRead)->Unit(benchmark::kMillisecond);

void BM_PugixmlRead(benchmark::State& state) {
    const std::string& text = FilterSetText();
    for (auto _ : state) {
        pugi::xml_document document;
        benchmark::DoNotOptimize(document.load_buffer(text.data(), text.size()));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_PugixmlRead)->Unit(benchmark::kMillisecond);

void BM_ModelWrite(benchmark::State& state) {
    XmlDocument document;
    document.Parse(FilterSetText());
    std::size_t written = 0;
    for (auto _ : state) {
        const std::string text = document.Serialize();
        written = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(written));
}
BENCHMARK(BM_ModelWrite)->Unit(benchmark::kMillisecond);

void BM_PugixmlWrite(benchmark::State& state) {
    pugi::xml_document document;
    document.load_buffer(FilterSetText().data(), FilterSetText().size());
    std::size_t written = 0;
    for (auto _ : state) {
        std::ostringstream out;
        document.save(out, "\t", pugi::format_indent | pugi::format_no_declaration);
        written = out.str().size();
        benchmark::DoNotOptimize(written);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(written));
}
BENCHMARK(BM_PugixmlWrite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
