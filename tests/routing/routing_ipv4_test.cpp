#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>

#include "routing/ipv4.h"

namespace korvane::routing {
namespace {

AddressValue Value(const char* text) { return inet_addr(text); }

struct SpecRow {
    std::string entry;
    std::string address;
    int prefix;
};

TEST(Ipv4Test, ParseAddressSpecAcceptsTheThreeForms) {
    const SpecRow rows[] = {
        {"10.0.0.0", "10.0.0.0", 8},
        {"  192.168.5.0 \t", "192.168.5.0", 24},
        {"172.16.0.0", "172.16.0.0", 16},
        {"13.0.0.0", "13.0.0.0", 8},
        {"22.0.0.0", "22.0.0.0", 8},
        {"200.1.2.0", "200.1.2.0", 24},
        {"230.0.0.0", "230.0.0.0", 8},
        {"10.1.2.0", "10.1.2.0", 8},  // host bits are kept
        {"10.0.0.10", "10.0.0.10", 32},
        {"010.000.000.000", "10.0.0.0", 32},  // does not end in ".0"
        {"10.1.2.3/8", "10.1.2.3", 8},
        {"10.0.0.0-10.0.0.255", "10.0.0.0", 24},
        {"10.0.0.0-10.0.0.254", "10.0.0.0", 24},
        {"10.0.0.0-10.0.1.255", "10.0.0.0", 23},
        {"0.0.0.0-255.255.255.255", "0.0.0.0", 0},
        {"10.0.0.5-10.0.0.5", "10.0.0.4", 31},
        {"10.0.0.0-10.0.0.255 exchange", "10.0.0.0", 24},
    };
    for (const SpecRow& row : rows) {
        SCOPED_TRACE(row.entry);
        const AddressSpec parsed = ParseAddressSpec(row.entry);
        EXPECT_TRUE(parsed.ok);
        EXPECT_EQ(parsed.address, row.address);
        EXPECT_EQ(parsed.prefix, row.prefix);

        std::uint32_t hostOrder = 0;
        std::uint8_t prefix = 0;
        ASSERT_TRUE(ParseAddressSpecValue(row.entry, hostOrder, prefix));
        EXPECT_EQ(HostOrderToText(hostOrder), row.address);
        EXPECT_EQ(prefix, row.prefix);
    }
}

TEST(Ipv4Test, ParseAddressSpecRejectsMalformedEntries) {
    for (const char* entry :
         {"1.2.3", "1..2.3.4", "1.2.3.256", "256.1.1.1", "1.2.3.4x", "1.2.3.4/256", "1.2.3.4/",
          "1.2.3.4/33", "1.2.3.4/24x", "1.2.3.0 - 1.2.3.255", "1.2.3.0-1.2.3", ""}) {
        SCOPED_TRACE(entry);
        std::uint32_t hostOrder;
        std::uint8_t prefix;
        EXPECT_FALSE(ParseAddressSpec(entry).ok);
        EXPECT_FALSE(ParseAddressSpecValue(entry, hostOrder, prefix));
    }
}

TEST(Ipv4Test, IsValidIPv4Text) {
    const std::pair<const char*, bool> rows[] = {
        {"192.168.0.1", true}, {"192.168.0.1x", true}, {"192.168.0.", false},
        {"192.168.0", false},  {"300.1.1.1", false},
    };
    for (const auto& [text, valid] : rows) EXPECT_EQ(IsValidIPv4Text(text), valid) << text;
}

TEST(Ipv4Test, PrefixToMaskText) {
    const std::pair<int, const char*> rows[] = {
        {0, "0.0.0.0"},
        {1, "128.0.0.0"},
        {25, "255.255.255.128"},
        {32, "255.255.255.255"},
    };
    for (const auto& [prefix, mask] : rows)
        EXPECT_EQ(PrefixToMaskText(static_cast<std::uint8_t>(prefix)), mask) << prefix;
}

TEST(Ipv4Test, MaskTextToPrefix) {
    const std::pair<const char*, int> rows[] = {
        {"255.255.255.0", 24},
        {"255.255.254.0", 23},
        {"255.255.255.252", 30},
        {"0.0.0.0", 0},
    };
    for (const auto& [mask, prefix] : rows) EXPECT_EQ(MaskTextToPrefix(mask), prefix) << mask;
}

TEST(Ipv4Test, NetworkOfAndNetworkAddress) {
    EXPECT_EQ(NetworkOf(Value("192.168.1.77"), 28), Value("192.168.1.64"));
    EXPECT_EQ(NetworkAddress("192.168.1.77", "255.255.255.224"), "192.168.1.64");
}

TEST(Ipv4Test, TextAndValueConversionsBehaveAsTheSocketLibrary) {
    EXPECT_EQ(TextToAddress("10.1.2.3"), Value("10.1.2.3"));
    EXPECT_EQ(TextToAddress("no address"), kNoAddress);
    EXPECT_EQ(AddressToText(Value("10.200.0.7")), "10.200.0.7");
    EXPECT_EQ(AddressToText(kNoAddress), "255.255.255.255");
}

}  // namespace
}  // namespace korvane::routing
