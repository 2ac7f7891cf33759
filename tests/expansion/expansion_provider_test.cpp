// QVX_Z64ExpansionChassis as a client sees it through the composite provider:
// listing, presence, key checks and the user-tracking text.
#include "InventoryClient.hpp"
#include "PlatformDouble.hpp"

#include "OW_CIMException.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

using namespace OpenWBEM;
using qvx_test::cimErrorOf;
using qvx_test::InventoryClient;
using qvx_test::PlatformDouble;
using qvx_test::typedKey;
using qvx_test::typedProperty;

namespace {

const char* const kClass = "QVX_Z64ExpansionChassis";
const char* const kCreationClassName = "QVX_ExpansionChassis";
const char* const kRegistryProvider = "QVX_Z64ExpansionChassisProvider";
const char* const kStatusFailed = "Failed to retrieve expansion chassis status";

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

// The instance a client sends back to change one property.
CIMInstance chassisChange(const char* tag, const char* name, const CIMValue& value) {
    CIMInstance inst(kClass);
    if (tag) inst.setProperty("Tag", CIMValue(tag));
    inst.setProperty("CreationClassName", CIMValue(kCreationClassName));
    inst.setProperty(name, value);
    return inst;
}

std::string userTrackingName(int index) {
    return "ExpansionChassis" + std::to_string(index) + "UserTracking";
}

bool logged(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines) {
        if (line == "ERROR: " + text) return true;
    }
    return false;
}

class ExpansionChassisProviderTest : public ::testing::Test {
protected:
    void SetUp() override { PlatformDouble::instance().reset(); }

    PlatformDouble& platform() { return PlatformDouble::instance(); }
    InventoryClient client;
};

TEST_F(ExpansionChassisProviderTest, ListsBothPathsWithoutAskingHardwareOrRegistry) {
    std::vector<CIMObjectPath> paths = client.enumInstanceNames(kClass);

    ASSERT_EQ(2u, paths.size());
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(kClass, paths[i].getClassName().c_str());
        EXPECT_STREQ(qvx_test::kNamespace, paths[i].getNameSpace().c_str());
        EXPECT_EQ(2u, paths[i].getKeys().size());
        EXPECT_EQ("string ExpansionChassis" + std::to_string(i), typedKey(paths[i], "Tag"));
        EXPECT_EQ("string QVX_ExpansionChassis", typedKey(paths[i], "CreationClassName"));
    }
    EXPECT_EQ(0u, platform().count("osIsChasisPresent"));
    EXPECT_EQ(0u, platform().count("KduGetRegEntryString"));
}

TEST_F(ExpansionChassisProviderTest, ListsBothInstancesWhenNothingIsPluggedIn) {
    std::vector<CIMInstance> instances = client.enumInstances(kClass);

    ASSERT_EQ(2u, instances.size());
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const CIMInstance& inst = instances[i];
        EXPECT_STREQ(kClass, inst.getClassName().c_str());
        EXPECT_EQ(9u, inst.getProperties().size());
        EXPECT_EQ("string ExpansionChassis" + std::to_string(i), typedProperty(inst, "Tag"));
        EXPECT_EQ("string QVX_ExpansionChassis", typedProperty(inst, "CreationClassName"));
        EXPECT_EQ("string Varlen Networks QVX64 Expansion Chassis ",
                  typedProperty(inst, "ElementName"));
        EXPECT_EQ("string Varlen Networks", typedProperty(inst, "Manufacturer"));
        EXPECT_EQ("uint8 3", typedProperty(inst, "PhysicalType"));
        EXPECT_EQ("string ", typedProperty(inst, "UserTracking"));
        EXPECT_EQ("boolean true", typedProperty(inst, "CanBeFRUed"));
        EXPECT_EQ("uint8 " + std::to_string(i + 1), typedProperty(inst, "ChassisNo"));
        EXPECT_EQ("boolean false", typedProperty(inst, "PresentStatus"));
    }
    // One presence query per delivered instance, chassis number minus 1.
    EXPECT_EQ(2u, platform().count("osIsChasisPresent"));
}

TEST_F(ExpansionChassisProviderTest, EachListedPathFindsItsInstance) {
    std::vector<CIMObjectPath> paths = client.enumInstanceNames(kClass);
    ASSERT_EQ(2u, paths.size());
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        CIMInstance inst = client.getInstance(paths[i]);
        EXPECT_STREQ(kClass, inst.getClassName().c_str());
        EXPECT_EQ(typedKey(paths[i], "Tag"), typedProperty(inst, "Tag"));
        EXPECT_EQ("uint8 " + std::to_string(i + 1), typedProperty(inst, "ChassisNo"));
        EXPECT_EQ(9u, inst.getProperties().size());
    }
}

TEST_F(ExpansionChassisProviderTest, PresenceAsksIndexChassisNumberMinusOneAndOnlyOneMeansPresent) {
    struct Row {
        int chassis;  // index of the record, 0 or 1
        uint8_t status;
        bool present;
        const char* why;
    };
    const Row rows[] = {
        {0, 1, true, "status 1 of index 0 is the first chassis plugged in"},
        {1, 1, true, "the second chassis asks index 1, not 2"},
        {0, 2, false, "2 is not 1: absent"},
        {1, 0, false, "0 is absent"},
        {1, 255, false, "any other non-zero status is absent too"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        platform().reset();
        platform().setPresence(row.chassis, row.status);
        // The other index would answer present, so asking it would show.
        platform().setPresence(1 - row.chassis, row.present ? 0 : 1);

        std::string tag = "ExpansionChassis" + std::to_string(row.chassis);
        CIMInstance inst = client.getInstance(chassisPath(tag.c_str()));

        EXPECT_EQ(row.present ? "boolean true" : "boolean false",
                  typedProperty(inst, "PresentStatus"));
        std::vector<std::string> calls = platform().calls();
        std::vector<std::string> asked;
        for (const std::string& c : calls) {
            if (c.rfind("osIsChasisPresent(", 0) == 0) asked.push_back(c);
        }
        EXPECT_EQ(
            std::vector<std::string>{"osIsChasisPresent(" + std::to_string(row.chassis) + ")"},
            asked);
    }
}

TEST_F(ExpansionChassisProviderTest, FailedPresenceQueryIsLoggedUnsignedAndFailsGetInstance) {
    struct Row {
        int32_t code;
        const char* logged;
        const char* why;
    };
    const Row rows[] = {
        {-1, "4294967295", "a negative code is written as its unsigned reading"},
        {INT32_MIN, "2147483648", "the most negative code too"},
        {5, "5", "a positive code as it is"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        platform().reset();
        platform().failWith("osIsChasisPresent", row.code);
        InventoryClient fresh;

        auto error = cimErrorOf([&] { fresh.getInstance(chassisPath("ExpansionChassis1")); });

        ASSERT_TRUE(error);
        EXPECT_EQ(CIMException::FAILED, error->getErrNo());
        ASSERT_NE(nullptr, error->getDescription());
        EXPECT_STREQ(kStatusFailed, error->getDescription());
        EXPECT_STREQ("QVX_Z64ExpansionChassisAPI.cpp", error->getFile());
        EXPECT_EQ(std::vector<std::string>{std::string("ERROR: ") + kStatusFailed +
                                           ": osIsChasisPresent() failed " + row.logged},
                  fresh.logLines());
        // Listing the names never asks the hardware.
        EXPECT_EQ(2u, fresh.enumInstanceNames(kClass).size());
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

TEST_F(ExpansionChassisProviderTest, FailedPresenceQueryStopsEnumInstancesAfterDeliveredOnes) {
    FailAfterFirst result;

    auto error = cimErrorOf([&] { client.enumInstances(kClass, result); });

    ASSERT_TRUE(error);
    EXPECT_EQ(CIMException::FAILED, error->getErrNo());
    ASSERT_NE(nullptr, error->getDescription());
    EXPECT_STREQ(kStatusFailed, error->getDescription());
    ASSERT_EQ(1u, result.items.size());
    EXPECT_EQ("string ExpansionChassis0", typedProperty(result.items[0], "Tag"));
    EXPECT_TRUE(logged(client.logLines(),
                       std::string(kStatusFailed) + ": osIsChasisPresent() failed 4294967295"));
}

TEST_F(ExpansionChassisProviderTest, KeysThatNameNoChassisAreNotFoundWithoutMessage) {
    struct Row {
        const char* tag;
        const char* creationClassName;
        const char* thrower;
        const char* why;
    };
    const char* const manager = "QVX_Z64ExpansionChassisNew.cpp";
    const char* const provider = "QVX_Z64ExpansionChassisProviderNew.cpp";
    const Row rows[] = {
        {"ExpansionChassis2", kCreationClassName, manager, "only two positions"},
        {"", kCreationClassName, manager, "empty tag"},
        {"expansionchassis0", kCreationClassName, manager, "tags compare case-sensitively"},
        {"ExpansionChassis00", kCreationClassName, manager, "the tag is formatted, not parsed"},
        {"ExpansionChassis0", "QVX_Z64ExpansionChassis", manager,
         "the served class name is not the creation class name"},
        {"ExpansionChassis0", "qvx_expansionchassis", manager, "class names are case-sensitive"},
        {"ExpansionChassis0", "", manager, "empty creation class name"},
        {"ExpansionChassis9", "QVX_Z64ExpansionChassis", manager, "both keys wrong"},
        {nullptr, kCreationClassName, provider, "no Tag key"},
        {"ExpansionChassis0", nullptr, provider, "no CreationClassName key"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        auto error =
            cimErrorOf([&] { client.getInstance(chassisPath(row.tag, row.creationClassName)); });
        ASSERT_TRUE(error);
        EXPECT_EQ(CIMException::NOT_FOUND, error->getErrNo());
        EXPECT_EQ(nullptr, error->getDescription());
        EXPECT_STREQ(row.thrower, error->getFile());
    }
    EXPECT_TRUE(client.logLines().empty());
}

TEST_F(ExpansionChassisProviderTest, NullKeyValueIsNotFound) {
    for (const char* nullKey : {"Tag", "CreationClassName"}) {
        SCOPED_TRACE(nullKey);
        CIMObjectPath path = chassisPath("ExpansionChassis0");
        path.setKeyValue(nullKey, CIMValue(CIMNULL));

        auto error = cimErrorOf([&] { client.getInstance(path); });

        ASSERT_TRUE(error);
        EXPECT_EQ(CIMException::NOT_FOUND, error->getErrNo());
        EXPECT_EQ(nullptr, error->getDescription());
    }
}

TEST_F(ExpansionChassisProviderTest, WritesUserTrackingPerChassisAndStampsTheChange) {
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        platform().reset();
        std::string tag = "ExpansionChassis" + std::to_string(i);
        std::string text = "rack " + std::to_string(40 + i);
        time_t before = time(nullptr);

        client.modifyInstance(chassisChange(tag.c_str(), "UserTracking", CIMValue(text.c_str())));

        time_t after = time(nullptr);
        EXPECT_EQ(text, platform().textEntry(kRegistryProvider, userTrackingName(i)));
        EXPECT_FALSE(platform().textEntry(kRegistryProvider, userTrackingName(1 - i)));
        std::optional<int32_t> stamp = platform().intEntry("QVX_SystemProvider", "LastChangeTime");
        ASSERT_TRUE(stamp);
        EXPECT_GE(*stamp, static_cast<int32_t>(before));
        EXPECT_LE(*stamp, static_cast<int32_t>(after));
        EXPECT_EQ("string " + text,
                  typedProperty(client.getInstance(chassisPath(tag.c_str())), "UserTracking"));
    }
}

TEST_F(ExpansionChassisProviderTest, WritesOtherValueTypesInTheirTextForm) {
    struct Row {
        CIMValue value;
        const char* stored;
        const char* why;
    };
    const Row rows[] = {
        {CIMValue(UInt8(7)), "7", "uint8"},
        {CIMValue(true), "true", "boolean"},
        {CIMValue(Int32(-12)), "-12", "signed number"},
        {CIMValue(""), "", "the empty text is a write too"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        platform().reset();
        client.modifyInstance(chassisChange("ExpansionChassis1", "UserTracking", row.value));
        EXPECT_EQ(std::string(row.stored),
                  platform().textEntry(kRegistryProvider, userTrackingName(1)));
        EXPECT_TRUE(platform().intEntry("QVX_SystemProvider", "LastChangeTime"));
    }
}

TEST_F(ExpansionChassisProviderTest, FailedWriteFailsTheRequestAndLeavesTheStamp) {
    platform().failRegistry("KduSetRegEntryString", userTrackingName(0), 13);
    CIMInstance change = chassisChange("ExpansionChassis0", "UserTracking", CIMValue("lost"));

    auto error = cimErrorOf([&] { client.modifyInstance(change); });

    ASSERT_TRUE(error);
    EXPECT_EQ(CIMException::FAILED, error->getErrNo());
    std::string m1 =
        "Failed to modify property  " + std::string(change.toString().c_str()) + ".UserTracking";
    ASSERT_NE(nullptr, error->getDescription());
    EXPECT_EQ(m1 + "#PTM_ERROR_failedModifyProperty#", error->getDescription());
    EXPECT_EQ(std::vector<std::string>{"ERROR: " + m1 + ":  with return code: 0"},
              client.logLines());
    EXPECT_FALSE(platform().textEntry(kRegistryProvider, userTrackingName(0)));
    EXPECT_FALSE(platform().intEntry("QVX_SystemProvider", "LastChangeTime"));
}

TEST_F(ExpansionChassisProviderTest, ModificationsThatWriteNothing) {
    struct Row {
        const char* name;
        CIMValue value;
        const char* why;
    };
    const Row rows[] = {
        {"UserTracking", CIMValue(CIMNULL), "a null value is not written"},
        {"usertracking", CIMValue("x"), "writable names compare case-sensitively"},
        {"ElementName", CIMValue("other"), "read-only"},
        {"PresentStatus", CIMValue(true), "read-only, asked of the hardware"},
        {"ChassisNo", CIMValue(UInt8(9)), "read-only"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        platform().reset();
        client.modifyInstance(chassisChange("ExpansionChassis0", row.name, row.value));
        EXPECT_EQ(0u, platform().count("KduSetRegEntryString"));
        EXPECT_EQ(0u, platform().count("KduSetRegEntryInt"));
    }
    EXPECT_TRUE(client.logLines().empty());
}

TEST_F(ExpansionChassisProviderTest, ModifyWithoutTagIsNotFoundAndLogsNothing) {
    auto error = cimErrorOf(
        [&] { client.modifyInstance(chassisChange(nullptr, "UserTracking", CIMValue("x"))); });

    ASSERT_TRUE(error);
    EXPECT_EQ(CIMException::NOT_FOUND, error->getErrNo());
    EXPECT_EQ(nullptr, error->getDescription());
    EXPECT_TRUE(client.logLines().empty());
    EXPECT_EQ(0u, platform().count("KduSetRegEntryString"));
}

TEST_F(ExpansionChassisProviderTest, FailedReadShowsEmptyTextForThatChassisOnly) {
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
