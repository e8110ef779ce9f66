// HostFromURL, ResolveHost and the system resolver on names that need no outside DNS.
#include <gtest/gtest.h>

#include "lists/host_names.h"

namespace korvane::lists {
namespace {

TEST(ListsHostNames, HostFromURLTable) {
    const std::pair<std::string, std::string> rows[] = {
        {"http://www.example.org/page.html", "www.example.org"},
        {"https://www.example.org", "www.example.org"},
        {"ftp://files.example.org:21/pub", "files.example.org"},
        {"http://10.1.2.3:8080/list.txt", "10.1.2.3"},
        {"10.1.2.3/24", "10.1.2.3"},
        {"www.example.org:443", "www.example.org"},
        {"HTTP://www.example.org/", "HTTP"},  // the scheme is matched case-sensitively
        {"http://", ""},
        {"", ""},
        {"user:secret@host/", "user"},  // "@" is the address check's business
    };
    for (const auto& [text, host] : rows) EXPECT_EQ(HostFromURL(text), host) << text;
}

TEST(ListsHostNames, TheNameLengthLimitIs255) {
    platform::FakeResolver resolver;
    resolver.addresses[std::string(255, 'x')] = "10.0.0.1";
    EXPECT_EQ(ResolveHost(resolver, std::string(255, 'x')).address, "10.0.0.1");
    const ResolvedHost tooLong = ResolveHost(resolver, std::string(256, 'x'));
    EXPECT_EQ(tooLong.status, ResolveStatus::NameTooLong);
    EXPECT_TRUE(tooLong.address.empty());
    EXPECT_EQ(resolver.asked.size(), 1u);
}

TEST(ListsHostNames, SystemResolverOnLocalNames) {
    platform::SystemResolver resolver;
    EXPECT_EQ(ResolveHost(resolver, "10.1.2.3").address, "10.1.2.3");
    const ResolvedHost local = ResolveHost(resolver, "localhost");
    ASSERT_TRUE(local.found());
    EXPECT_EQ(local.address.rfind("127.", 0), 0u);
    EXPECT_FALSE(ResolveHost(resolver, "").found());
}

}  // namespace
}  // namespace korvane::lists
