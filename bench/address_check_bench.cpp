// ClassifyAddress against a 100,000-subnet list, side by side with the same check done on the
// list's texts (each address and mask converted on every check). The address matches no subnet,
// so both scan the whole list.
#include <benchmark/benchmark.h>

#include <random>

#include "lists/address_check.h"
#include "lists/host_names.h"
#include "routing/ipv4.h"

namespace {

using namespace korvane;

constexpr int kSubnets = 100'000;
const char* const kCheckedUrl = "http://user@250.1.2.3:8080/index.html";

const lists::SubnetList& HundredThousandSubnets() {
    static const lists::SubnetList list = [] {
        std::mt19937 random(20261211);
        std::vector<std::string> lines;
        lines.reserve(kSubnets);
        for (int i = 0; i < kSubnets; ++i) {
            lines.push_back(std::to_string(1 + random() % 200) + "." +
                            std::to_string(random() % 256) + "." + std::to_string(random() % 256) +
                            ".0/" + std::to_string(16 + random() % 15));
        }
        lists::SubnetList subnets;
        subnets.ParseSubnetList(lines);
        return subnets;
    }();
    return list;
}

// The peer: the first-match rule applied to the address and mask texts on every check.
bool InExchangeByTexts(const lists::SubnetList& subnets, const std::string& address) {
    const routing::AddressValue value = routing::TextToAddress(address);
    for (std::size_t i = 0; i < subnets.Count(); ++i) {
        const routing::AddressValue mask = routing::TextToAddress(subnets.SubnetMasks()[i]);
        if ((value & mask) == (routing::TextToAddress(subnets.SubnetAddresses()[i]) & mask)) {
            return true;
        }
    }
    return false;
}

void BM_ClassifyAddress(benchmark::State& state) {
    const lists::SubnetList& subnets = HundredThousandSubnets();
    platform::FakeResolver resolver;
    for (auto _ : state) {
        resolver.asked.clear();
        const lists::AddressCheck check = lists::ClassifyAddress(kCheckedUrl, subnets, resolver);
        if (check.category != lists::AddressCategory::Foreign) state.SkipWithError("not foreign");
        benchmark::DoNotOptimize(check);
    }
    state.counters["subnets"] = static_cast<double>(subnets.Count());
}
BENCHMARK(BM_ClassifyAddress)->Unit(benchmark::kMicrosecond);

void BM_CheckByTextsPerCheck(benchmark::State& state) {
    const lists::SubnetList& subnets = HundredThousandSubnets();
    platform::FakeResolver resolver;
    for (auto _ : state) {
        resolver.asked.clear();
        const std::string host = lists::HostFromURL("250.1.2.3:8080/index.html");
        const lists::ResolvedHost resolved = lists::ResolveHost(resolver, host);
        const bool inExchange = InExchangeByTexts(subnets, resolved.address);
        if (inExchange) state.SkipWithError("matched");
        benchmark::DoNotOptimize(inExchange);
    }
    state.counters["subnets"] = static_cast<double>(subnets.Count());
}
BENCHMARK(BM_CheckByTextsPerCheck)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
