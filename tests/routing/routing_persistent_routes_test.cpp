#include <gtest/gtest.h>

#include "platform/registry.h"
#include "routing/persistent_routes.h"
#include "support/temp_dir.h"

namespace korvane::routing {
namespace {

using platform::Hive;

class RoutingPersistentRoutes : public ::testing::Test {
  protected:
    RoutingPersistentRoutes() : registry(dir.path()), routes(registry) {
        registry.CreateKey(Hive::LocalMachine, kPersistentRoutesKey);
    }
    std::vector<std::string> Names() {
        return registry.ValueNames(Hive::LocalMachine, kPersistentRoutesKey);
    }

    test::TempDir dir;
    platform::Registry registry;
    PersistentRoutes routes;
};

TEST_F(RoutingPersistentRoutes, ValueNameJoinsTheFourTextsWithCommas) {
    routes.WritePersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "1");
    EXPECT_EQ(Names(), std::vector<std::string>{"10.1.0.0,255.255.0.0,10.0.0.1,1"});
    EXPECT_EQ(registry.ReadString(Hive::LocalMachine, kPersistentRoutesKey,
                                  "10.1.0.0,255.255.0.0,10.0.0.1,1"),
              "");
}

TEST_F(RoutingPersistentRoutes, WritingTwiceLeavesOneValueWithEmptyData) {
    registry.WriteString(Hive::LocalMachine, kPersistentRoutesKey,
                         "10.1.0.0,255.255.0.0,10.0.0.1,1", "stale data");
    routes.WritePersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "1");
    routes.WritePersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "1");
    ASSERT_EQ(Names().size(), 1u);
    EXPECT_EQ(registry.ReadString(Hive::LocalMachine, kPersistentRoutesKey, Names()[0]), "");
}

TEST_F(RoutingPersistentRoutes, ARouteIsFoundOnlyUnderItsExactTexts) {
    routes.WritePersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "1");
    EXPECT_TRUE(routes.IsPersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "1"));
    EXPECT_FALSE(routes.IsPersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "2"));
    EXPECT_FALSE(routes.IsPersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.2", "1"));
    routes.DeletePersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "2");  // no such value
    EXPECT_EQ(Names().size(), 1u);
    routes.DeletePersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "1");
    EXPECT_TRUE(Names().empty());
    EXPECT_FALSE(routes.IsPersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "1"));
}

TEST_F(RoutingPersistentRoutes, WithoutTheKeyNothingIsWrittenOrFound) {
    registry.DeleteKeyTree(Hive::LocalMachine, kPersistentRoutesKey);
    for (bool batched : {false, true}) {
        std::optional<PersistentRoutes::Batch> batch;
        if (batched) batch.emplace(routes);
        routes.WritePersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "1");
        EXPECT_FALSE(routes.IsPersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "1"));
        routes.DeletePersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "1");
    }
    EXPECT_FALSE(registry.KeyExists(Hive::LocalMachine, kPersistentRoutesKey));
}

TEST_F(RoutingPersistentRoutes, ABatchAnswersFromMemoryAndWritesOnceAtTheOutermostEnd) {
    registry.WriteString(Hive::LocalMachine, kPersistentRoutesKey,
                         "10.9.0.0,255.255.0.0,10.0.0.1,1", "");
    {
        PersistentRoutes::Batch outer(routes);
        routes.WritePersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "1");
        {
            PersistentRoutes::Batch inner(routes);
            routes.DeletePersistentRoute("10.9.0.0", "255.255.0.0", "10.0.0.1", "1");
            routes.WritePersistentRoute("10.2.0.0", "255.255.0.0", "10.0.0.1", "1");
        }
        // The batch sees its own changes; the registry sees none yet.
        EXPECT_TRUE(routes.IsPersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "1"));
        EXPECT_FALSE(routes.IsPersistentRoute("10.9.0.0", "255.255.0.0", "10.0.0.1", "1"));
        EXPECT_EQ(Names(), std::vector<std::string>{"10.9.0.0,255.255.0.0,10.0.0.1,1"});
    }
    auto names = Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"10.1.0.0,255.255.0.0,10.0.0.1,1",
                                               "10.2.0.0,255.255.0.0,10.0.0.1,1"}));
    // After the batch, answers come from the registry again.
    registry.DeleteValue(Hive::LocalMachine, kPersistentRoutesKey,
                         "10.1.0.0,255.255.0.0,10.0.0.1,1");
    EXPECT_FALSE(routes.IsPersistentRoute("10.1.0.0", "255.255.0.0", "10.0.0.1", "1"));
}

}  // namespace
}  // namespace korvane::routing
