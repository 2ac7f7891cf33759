// QVX_Z64ExpansionChassis through the composite provider: its properties and
// the presence query. What it shares with the MBM modules is the frame's
// numbered-record test.
#include "ProviderTest.hpp"

using namespace qvx_test;

namespace {

const char* const kClass = "QVX_Z64ExpansionChassis";
const Numbered& kExpansion = kNumbered[0];
const char* const kStatusFailed = "Failed to retrieve expansion chassis status";

class ExpansionChassisTest : public ProviderTest {};

TEST_F(ExpansionChassisTest, TwoPathsAndInstancesWhenNothingIsPluggedIn) {
    std::vector<CIMObjectPath> paths = names(kClass);
    EXPECT_TRUE(platform().calls().empty()) << "names ask neither hardware nor registry";
    std::vector<CIMInstance> all = instances(kClass);
    ASSERT_EQ(2u, paths.size());
    ASSERT_EQ(2u, all.size());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(kExpansion.path(i).toString(), paths[i].toString());
        const std::vector<std::string> expected = {
            "Tag=string ExpansionChassis" + std::to_string(i),
            "CreationClassName=string QVX_ExpansionChassis",
            "ElementName=string Varlen Networks QVX64 Expansion Chassis ",
            "Manufacturer=string Varlen Networks",
            "PhysicalType=uint8 3",
            "UserTracking=string ",
            "CanBeFRUed=boolean true",
            "ChassisNo=uint8 " + std::to_string(i + 1),
            "PresentStatus=boolean false"};
        EXPECT_EQ(expected, typedList(all[i].getProperties()));
        EXPECT_EQ(all[i].toString(), get(paths[i]).toString());
    }
    EXPECT_EQ(4u, platform().count("osIsChasisPresent")) << "one query per delivered instance";
}

TEST_F(ExpansionChassisTest, PresenceAsksIndexChassisNumberMinusOneAndOnlyOneMeansPresent) {
    const struct {
        int chassis;
        const char* status;
        bool present;
    } rows[] = {{0, "1", true}, {1, "1", true}, {0, "2", false}, {1, "255", false}};
    for (const auto& row : rows) {
        platform().reset();
        // The other index answers the opposite, so asking it would show.
        platform().answer("osIsChasisPresent", row.present ? "0" : "1");
        platform().answer("osIsChasisPresent(" + std::to_string(row.chassis) + ")", row.status);
        EXPECT_EQ(row.present ? "boolean true" : "boolean false",
                  typedProperty(get(kExpansion.path(row.chassis)), "PresentStatus"));
        EXPECT_EQ(1u, platform().count("osIsChasisPresent"));
    }
}

TEST_F(ExpansionChassisTest, AFailedPresenceQueryFailsTheReadAndIsLoggedUnsigned) {
    platform().fail("osIsChasisPresent", -1);
    EXPECT_EQ(error(CIMException::FAILED, "QVX_Z64ExpansionChassisAPI.cpp", kStatusFailed),
              describe(cimError([&] { get(kExpansion.path(1)); })));
    EXPECT_EQ(std::vector<std::string>{std::string("ERROR: ") + kStatusFailed +
                                       ": osIsChasisPresent() failed 4294967295"},
              logged());
    EXPECT_EQ(2u, names(kClass).size()) << "names still listed";
}

}  // namespace
