// QVX_MBMLogicalModule through the composite provider: the four keys and the
// fixed properties. What it shares with the expansion chassis is the frame's
// numbered-record test.
#include "ProviderTest.hpp"

using namespace qvx_test;

namespace {

const char* const kClass = "QVX_MBMLogicalModule";

class MBMProviderTest : public ProviderTest {};

TEST_F(MBMProviderTest, TwoModulesWithFourKeysAndEightTypedPropertiesInOrder) {
    platform().setEntry("QVX_MBMProvider", "MBMLogicalModule1UserTracking", "slot 3");
    std::vector<CIMObjectPath> paths = names(kClass);
    EXPECT_TRUE(platform().calls().empty());
    std::vector<CIMInstance> all = instances(kClass);
    ASSERT_EQ(2u, paths.size());
    ASSERT_EQ(2u, all.size());
    const char* const userTracking[] = {"", "slot 3"};
    for (int i = 0; i < 2; ++i) {
        std::vector<std::string> expected = {
            "SystemCreationClassName=string QVX_System", "SystemName=string QVX",
            "CreationClassName=string QVX_MBMLogicalModule",
            "DeviceID=string MBMLogicalModule" + std::to_string(i)};
        EXPECT_STREQ(kClass, paths[i].getClassName().c_str());
        EXPECT_EQ(expected, typedList(paths[i].getKeys()));
        expected.insert(
            expected.end(),
            {"Manufacturer=string Varlen Networks", "PhysicalType=uint8 9",
             std::string("UserTracking=string ") + userTracking[i], "CanBeFRUed=boolean true"});
        EXPECT_EQ(expected, typedList(all[i].getProperties()));
        // The system keys are never checked.
        paths[i].setKeyValue("SystemName", CIMValue("elsewhere"));
        paths[i].setKeyValue("SystemCreationClassName", CIMValue("Other_System"));
        EXPECT_EQ(all[i].toString(), get(paths[i]).toString());
    }
    EXPECT_EQ(0u, platform().count("osIsChasisPresent")) << "the modules ask no hardware";
    EXPECT_TRUE(logged().empty());
}

}  // namespace
