// QVX_Z64ExpansionChassis through the composite provider, and its records
// below it: listing, presence, key checks and the user-tracking text.
#include "ProviderTest.hpp"

#include "expansion/QVX_Z64ExpansionChassisNew.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>
#include "OW_CIMClass.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CIMParamValue.hpp"

using namespace OpenWBEM;
using qvx_test::cimErrorOf;
using qvx_test::PlatformDouble;
using qvx_test::typedProperty;

namespace {

const char* const kClass = "QVX_Z64ExpansionChassis";
const char* const kCreationClassName = "QVX_ExpansionChassis";
const char* const kRegistryProvider = "QVX_Z64ExpansionChassisProvider";
const char* const kStatusFailed = "Failed to retrieve expansion chassis status";

std::string tag(int index) {
    return "ExpansionChassis" + std::to_string(index);
}
std::string userTrackingName(int index) {
    return tag(index) + "UserTracking";
}

// A null pointer leaves the key out.
CIMObjectPath chassisPath(const char* tag, const char* creationClassName = kCreationClassName) {
    CIMObjectPath path(kClass, qvx_test::kNamespace);
    CIMPropertyArray keys;
    if (tag) keys.push_back(CIMProperty("Tag", CIMValue(tag)));
    if (creationClassName) {
        keys.push_back(CIMProperty("CreationClassName", CIMValue(creationClassName)));
    }
    path.setKeys(keys);
    return path;
}

// The instance a client sends back: the path's keys and one changed property.
CIMInstance chassisChange(const CIMObjectPath& path, const char* name, const CIMValue& value) {
    CIMInstance inst(kClass);
    for (const CIMProperty& key : path.getKeys()) inst.setProperty(key);
    inst.setProperty(name, value);
    return inst;
}

class ExpansionChassisTest : public qvx_test::ProviderTest {};

TEST_F(ExpansionChassisTest, TwoPathsAndInstancesWhenNothingIsPluggedIn) {
    std::vector<CIMObjectPath> paths = client.enumInstanceNames(kClass);
    EXPECT_TRUE(platform().calls().empty()) << "names ask neither hardware nor registry";
    std::vector<CIMInstance> instances = client.enumInstances(kClass);

    ASSERT_EQ(2u, paths.size());
    ASSERT_EQ(2u, instances.size());
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(kClass, paths[i].getClassName().c_str());
        EXPECT_STREQ(qvx_test::kNamespace, paths[i].getNameSpace().c_str());
        std::vector<std::string> expected = {"Tag=string " + tag(i),
                                             "CreationClassName=string QVX_ExpansionChassis"};
        EXPECT_EQ(expected, qvx_test::typedList(paths[i].getKeys()));
        expected.insert(
            expected.end(),
            {"ElementName=string Varlen Networks QVX64 Expansion Chassis ",
             "Manufacturer=string Varlen Networks", "PhysicalType=uint8 3", "UserTracking=string ",
             "CanBeFRUed=boolean true", "ChassisNo=uint8 " + std::to_string(i + 1),
             "PresentStatus=boolean false"});
        // The listed path finds its own instance.
        for (const CIMInstance& inst : {instances[i], client.getInstance(paths[i])}) {
            EXPECT_STREQ(kClass, inst.getClassName().c_str());
            EXPECT_EQ(expected, qvx_test::typedList(inst.getProperties()));
        }
    }
    EXPECT_EQ(4u, platform().count("osIsChasisPresent")) << "one query per delivered instance";
}

TEST_F(ExpansionChassisTest, PresenceAsksIndexChassisNumberMinusOneAndOnlyOneMeansPresent) {
    struct Row {
        int chassis;
        uint8_t status;
        bool present;
    };
    const Row rows[] = {{0, 1, true}, {1, 1, true}, {0, 2, false}, {1, 255, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.chassis) + " " + std::to_string(row.status));
        platform().reset();
        platform().setPresence(row.chassis, row.status);
        // The other index answers the opposite, so asking it would show.
        platform().setPresence(1 - row.chassis, row.present ? 0 : 1);

        CIMInstance inst = client.getInstance(chassisPath(tag(row.chassis).c_str()));

        EXPECT_EQ(row.present ? "boolean true" : "boolean false",
                  typedProperty(inst, "PresentStatus"));
        std::vector<std::string> calls = platform().calls();
        EXPECT_EQ(1u, platform().count("osIsChasisPresent"));
        EXPECT_EQ(1, std::count(calls.begin(), calls.end(),
                                "osIsChasisPresent(" + std::to_string(row.chassis) + ")"));
    }
}

TEST_F(ExpansionChassisTest, FailedPresenceQueryIsLoggedUnsignedAndFailsGetInstance) {
    const std::pair<int32_t, const char*> rows[] = {{-1, "4294967295"}, {5, "5"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        platform().failWith("osIsChasisPresent", row.first);
        qvx_test::InventoryClient fresh;

        auto error = cimErrorOf([&] { fresh.getInstance(chassisPath("ExpansionChassis1")); });

        ASSERT_TRUE(error);
        EXPECT_EQ(CIMException::FAILED, error->getErrNo());
        EXPECT_STREQ(kStatusFailed, error->Exception::getMessage());
        EXPECT_STREQ("QVX_Z64ExpansionChassisAPI.cpp", error->getFile());
        EXPECT_EQ(std::vector<std::string>{std::string("ERROR: ") + kStatusFailed +
                                           ": osIsChasisPresent() failed " + row.second},
                  fresh.logLines());
        EXPECT_EQ(2u, fresh.enumInstanceNames(kClass).size()) << "names still listed";
    }
}

// Lets the first instance through, then makes the hardware fail.
class FailAfterFirst : public qvx_test::InstanceCollector {
protected:
    void doHandle(const CIMInstance& inst) override {
        qvx_test::InstanceCollector::doHandle(inst);
        PlatformDouble::instance().failWith("osIsChasisPresent", -1);
    }
};

TEST_F(ExpansionChassisTest, FailedPresenceQueryStopsEnumInstancesAfterDeliveredOnes) {
    FailAfterFirst result;

    auto error = cimErrorOf([&] { client.enumInstances(kClass, result); });

    ASSERT_TRUE(error);
    EXPECT_EQ(CIMException::FAILED, error->getErrNo());
    EXPECT_STREQ(kStatusFailed, error->Exception::getMessage());
    ASSERT_EQ(1u, result.items.size());
    EXPECT_EQ("string ExpansionChassis0", typedProperty(result.items[0], "Tag"));
    EXPECT_EQ(std::vector<std::string>{std::string("ERROR: ") + kStatusFailed +
                                       ": osIsChasisPresent() failed 4294967295"},
              client.logLines());
}

TEST_F(ExpansionChassisTest, KeysThatNameNoChassisAreNotFoundWithoutMessage) {
    struct Row {
        const char* tag;
        const char* creationClassName;
        const char* thrower;
    };
    const char* const manager = "QVX_Z64ExpansionChassisNew.cpp";
    const Row rows[] = {
        {"ExpansionChassis2", kCreationClassName, manager},  // only two positions
        {"", kCreationClassName, manager},
        {"expansionchassis0", kCreationClassName, manager},
        {"ExpansionChassis0", "QVX_Z64ExpansionChassis", manager},  // the served class
        {nullptr, kCreationClassName, "QVX_Z64ExpansionChassisProviderNew.cpp"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.tag ? row.tag : "no tag") + " " + row.creationClassName);
        CIMObjectPath path = chassisPath(row.tag, row.creationClassName);
        expectNotFound(path, chassisChange(path, "UserTracking", CIMValue("x")), row.thrower);
    }
    EXPECT_EQ(0u, platform().count("KduSetRegEntryString"));
    EXPECT_TRUE(client.logLines().empty());
}

TEST_F(ExpansionChassisTest, RecordsRefuseForeignTagsAndIndexesWithNotFound) {
    for (const char* wrong : {"ExpansionChassis2", "expansionchassis0", ""}) {
        SCOPED_TRACE(wrong);
        qvx_test::InventoryClient fresh;  // gives the records a logger of its own
        auto error = cimErrorOf([&] { QVX_Z64ExpansionChassis record(wrong, kCreationClassName); });
        ASSERT_TRUE(error);
        EXPECT_EQ(CIMException::NOT_FOUND, error->getErrNo());
        EXPECT_STREQ("QVX_Z64ExpansionChassisNew.cpp", error->getFile());
        EXPECT_EQ(std::vector<std::string>{"ERROR: ExpansionChassis has wrong tag: " +
                                           std::string(wrong)},
                  fresh.logLines());
    }
    QVX_Z64ExpansionChassisInstanceManager* manager =
        QVX_Z64ExpansionChassisInstanceManager::instance();
    EXPECT_EQ(2, manager->getInstanceNumber());
    for (int index : {2, -1}) {
        QVX_Z64ExpansionChassis record;
        auto error = cimErrorOf([&] { manager->getChassis(record, index); });
        ASSERT_TRUE(error) << index;
        EXPECT_EQ(CIMException::NOT_FOUND, error->getErrNo());
        String out;
        EXPECT_FALSE(record.getTag(out)) << "the record stays empty";
    }
}

TEST_F(ExpansionChassisTest, UserTrackingIsWrittenAsTextUnderEachChassissNameAndStamped) {
    struct Row {
        int chassis;
        CIMValue value;
        const char* stored;
    };
    const Row rows[] = {{0, CIMValue("rack 40"), "rack 40"},
                        {1, CIMValue(UInt8(7)), "7"},
                        {1, CIMValue(true), "true"},
                        {1, CIMValue(""), ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stored);
        platform().reset();
        CIMObjectPath path = chassisPath(tag(row.chassis).c_str());
        expectUserTrackingWritten(chassisChange(path, "UserTracking", row.value), path,
                                  kRegistryProvider, userTrackingName(row.chassis),
                                  userTrackingName(1 - row.chassis), row.stored);
    }
}

TEST_F(ExpansionChassisTest, FailedWriteFailsTheRequestWithoutStamp) {
    platform().failRegistry("KduSetRegEntryString", userTrackingName(0), 13);
    CIMInstance change =
        chassisChange(chassisPath("ExpansionChassis0"), "UserTracking", CIMValue("lost"));

    expectRefusedWrite(change, "UserTracking", "QVX_Z64ExpansionChassisProviderNew.cpp");
    EXPECT_FALSE(platform().textEntry(kRegistryProvider, userTrackingName(0)));
    EXPECT_FALSE(platform().intEntry("QVX_SystemProvider", "LastChangeTime"));
}

TEST_F(ExpansionChassisTest, OnlyUserTrackingIsWritable) {
    CIMInstance change =
        chassisChange(chassisPath("ExpansionChassis0"), "ElementName", CIMValue("other"));
    change.setProperty("PresentStatus", CIMValue(true));
    change.setProperty("ChassisNo", CIMValue(UInt8(9)));
    change.setProperty("Manufacturer", CIMValue("other"));
    expectNothingWritten(change);
}

TEST_F(ExpansionChassisTest, FailedReadShowsEmptyTextForThatChassisOnly) {
    platform().setEntry(kRegistryProvider, userTrackingName(0), "bay A");
    platform().setEntry(kRegistryProvider, userTrackingName(1), "bay B");
    platform().failRegistry("KduGetRegEntryString", userTrackingName(1), 5);

    std::vector<CIMInstance> instances = client.enumInstances(kClass);

    ASSERT_EQ(2u, instances.size());
    EXPECT_EQ("string bay A", typedProperty(instances[0], "UserTracking"));
    EXPECT_EQ("string ", typedProperty(instances[1], "UserTracking"));
    EXPECT_TRUE(client.logLines().empty());
}

}  // namespace
