// QVX_MBMLogicalModule as a client sees it through the composite provider:
// the four keys, the fixed properties and the user-tracking text.
#include "InventoryClient.hpp"
#include "PlatformDouble.hpp"

#include "OW_CIMException.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"

#include <gtest/gtest.h>

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

const char* const kClass = "QVX_MBMLogicalModule";
const char* const kRegistryProvider = "QVX_MBMProvider";

// Keys as a client may send them; a null pointer leaves the key out.
struct Keys {
    const char* systemCreationClassName;
    const char* systemName;
    const char* creationClassName;
    const char* deviceID;
};
const Keys kModule0 = {"QVX_System", "QVX", "QVX_MBMLogicalModule", "MBMLogicalModule0"};

CIMPropertyArray keyList(const Keys& keys) {
    CIMPropertyArray list;
    const std::pair<const char*, const char*> named[] = {
        {"SystemCreationClassName", keys.systemCreationClassName},
        {"SystemName", keys.systemName},
        {"CreationClassName", keys.creationClassName},
        {"DeviceID", keys.deviceID},
    };
    for (const auto& k : named) {
        if (k.second) list.push_back(CIMProperty(k.first, CIMValue(k.second)));
    }
    return list;
}

CIMObjectPath modulePath(const Keys& keys) {
    CIMObjectPath path(kClass, qvx_test::kNamespace);
    path.setKeys(keyList(keys));
    return path;
}

CIMInstance moduleChange(const Keys& keys, const char* name, const CIMValue& value) {
    CIMInstance inst(kClass);
    for (const CIMProperty& k : keyList(keys)) inst.setProperty(k);
    inst.setProperty(name, value);
    return inst;
}

Keys moduleKeys(int index, std::string& deviceID) {
    deviceID = "MBMLogicalModule" + std::to_string(index);
    Keys keys = kModule0;
    keys.deviceID = deviceID.c_str();
    return keys;
}

std::string userTrackingName(int index) {
    return "MBMLogicalModule" + std::to_string(index) + "UserTracking";
}

class MBMProviderTest : public ::testing::Test {
protected:
    void SetUp() override { PlatformDouble::instance().reset(); }

    PlatformDouble& platform() { return PlatformDouble::instance(); }
    InventoryClient client;
};

TEST_F(MBMProviderTest, ListsTwoPathsWithTheFourKeysInOrder) {
    std::vector<CIMObjectPath> paths = client.enumInstanceNames(kClass);

    ASSERT_EQ(2u, paths.size());
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(kClass, paths[i].getClassName().c_str());
        EXPECT_STREQ(qvx_test::kNamespace, paths[i].getNameSpace().c_str());
        CIMPropertyArray keys = paths[i].getKeys();
        ASSERT_EQ(4u, keys.size());
        EXPECT_STREQ("SystemCreationClassName", keys[0].getName().c_str());
        EXPECT_STREQ("SystemName", keys[1].getName().c_str());
        EXPECT_STREQ("CreationClassName", keys[2].getName().c_str());
        EXPECT_STREQ("DeviceID", keys[3].getName().c_str());
        EXPECT_EQ("string QVX_System", typedKey(paths[i], "SystemCreationClassName"));
        EXPECT_EQ("string QVX", typedKey(paths[i], "SystemName"));
        EXPECT_EQ("string QVX_MBMLogicalModule", typedKey(paths[i], "CreationClassName"));
        EXPECT_EQ("string MBMLogicalModule" + std::to_string(i), typedKey(paths[i], "DeviceID"));
    }
    EXPECT_EQ(0u, platform().count("KduGetRegEntryString"));
}

TEST_F(MBMProviderTest, EachListedPathFindsItsInstance) {
    std::vector<CIMObjectPath> paths = client.enumInstanceNames(kClass);
    ASSERT_EQ(2u, paths.size());
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        CIMInstance inst = client.getInstance(paths[i]);
        EXPECT_STREQ(kClass, inst.getClassName().c_str());
        EXPECT_EQ(typedKey(paths[i], "DeviceID"), typedProperty(inst, "DeviceID"));
        EXPECT_EQ(8u, inst.getProperties().size());
    }
}

TEST_F(MBMProviderTest, InstancesCarryEightTypedProperties) {
    platform().setEntry(kRegistryProvider, userTrackingName(1), "slot 3");

    std::vector<CIMInstance> instances = client.enumInstances(kClass);

    ASSERT_EQ(2u, instances.size());
    const char* const stored[] = {"", "slot 3"};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const CIMInstance& inst = instances[i];
        EXPECT_STREQ(kClass, inst.getClassName().c_str());
        CIMPropertyArray props = inst.getProperties();
        ASSERT_EQ(8u, props.size());
        const char* const order[] = {"SystemCreationClassName",
                                     "SystemName",
                                     "CreationClassName",
                                     "DeviceID",
                                     "Manufacturer",
                                     "PhysicalType",
                                     "UserTracking",
                                     "CanBeFRUed"};
        for (size_t p = 0; p < 8; ++p) EXPECT_STREQ(order[p], props[p].getName().c_str());
        EXPECT_EQ("string QVX_System", typedProperty(inst, "SystemCreationClassName"));
        EXPECT_EQ("string QVX", typedProperty(inst, "SystemName"));
        EXPECT_EQ("string QVX_MBMLogicalModule", typedProperty(inst, "CreationClassName"));
        EXPECT_EQ("string MBMLogicalModule" + std::to_string(i), typedProperty(inst, "DeviceID"));
        EXPECT_EQ("string Varlen Networks", typedProperty(inst, "Manufacturer"));
        EXPECT_EQ("uint8 9", typedProperty(inst, "PhysicalType"));
        EXPECT_EQ(std::string("string ") + stored[i], typedProperty(inst, "UserTracking"));
        EXPECT_EQ("boolean true", typedProperty(inst, "CanBeFRUed"));
    }
    // The modules ask no hardware at all.
    EXPECT_EQ(0u, platform().count("osIsChasisPresent"));
}

TEST_F(MBMProviderTest, SystemKeysAreNeverChecked) {
    struct Row {
        Keys keys;
        const char* why;
    };
    const Row rows[] = {
        {{"Other_System", "QVX", "QVX_MBMLogicalModule", "MBMLogicalModule1"},
         "other system creation class name"},
        {{"QVX_System", "elsewhere", "QVX_MBMLogicalModule", "MBMLogicalModule1"},
         "other system name"},
        {{nullptr, nullptr, "QVX_MBMLogicalModule", "MBMLogicalModule1"}, "both missing"},
        {{"", "", "QVX_MBMLogicalModule", "MBMLogicalModule1"}, "both empty"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        CIMInstance inst = client.getInstance(modulePath(row.keys));
        EXPECT_EQ("string MBMLogicalModule1", typedProperty(inst, "DeviceID"));
        // The instance reports the module's own system keys.
        EXPECT_EQ("string QVX", typedProperty(inst, "SystemName"));
    }
}

TEST_F(MBMProviderTest, KeysThatNameNoModuleAreNotFoundWithoutMessage) {
    struct Row {
        Keys keys;
        const char* thrower;
        const char* why;
    };
    const char* const manager = "QVX_MBM.cpp";
    const char* const provider = "QVX_MBMProvider.cpp";
    const Row rows[] = {
        {{"QVX_System", "QVX", "QVX_System", "MBMLogicalModule0"},
         manager,
         "the system's class name is not the module's"},
        {{"QVX_System", "QVX", "qvx_mbmlogicalmodule", "MBMLogicalModule0"},
         manager,
         "class names are case-sensitive"},
        {{"QVX_System", "QVX", "QVX_MBMLogicalModule", "MBMLogicalModule2"},
         manager,
         "only two modules"},
        {{"QVX_System", "QVX", "QVX_MBMLogicalModule", ""}, manager, "empty DeviceID"},
        {{"QVX_System", "QVX", "QVX_MBMLogicalModule", "mbmlogicalmodule0"},
         manager,
         "DeviceIDs are case-sensitive"},
        {{"QVX_System", "QVX", "QVX_MBMLogicalModule", nullptr}, provider, "no DeviceID"},
        {{"QVX_System", "QVX", nullptr, "MBMLogicalModule0"}, provider, "no CreationClassName"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        auto error = cimErrorOf([&] { client.getInstance(modulePath(row.keys)); });
        ASSERT_TRUE(error);
        EXPECT_EQ(CIMException::NOT_FOUND, error->getErrNo());
        EXPECT_EQ(nullptr, error->getDescription());
        EXPECT_STREQ(row.thrower, error->getFile());
    }
    EXPECT_TRUE(client.logLines().empty());
}

TEST_F(MBMProviderTest, WritesUserTrackingPerModuleAndStampsTheChange) {
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        platform().reset();
        std::string deviceID;
        Keys keys = moduleKeys(i, deviceID);
        std::string text = "card " + std::to_string(7 + i);
        time_t before = time(nullptr);

        client.modifyInstance(moduleChange(keys, "UserTracking", CIMValue(text.c_str())));

        time_t after = time(nullptr);
        EXPECT_EQ(text, platform().textEntry(kRegistryProvider, userTrackingName(i)));
        EXPECT_FALSE(platform().textEntry(kRegistryProvider, userTrackingName(1 - i)));
        std::optional<int32_t> stamp = platform().intEntry("QVX_SystemProvider", "LastChangeTime");
        ASSERT_TRUE(stamp);
        EXPECT_GE(*stamp, static_cast<int32_t>(before));
        EXPECT_LE(*stamp, static_cast<int32_t>(after));
        EXPECT_EQ("string " + text,
                  typedProperty(client.getInstance(modulePath(keys)), "UserTracking"));
    }
}

TEST_F(MBMProviderTest, FailedWriteFailsTheRequestAndLeavesTheStamp) {
    platform().failRegistry("KduSetRegEntryString", userTrackingName(0), 9);
    CIMInstance change = moduleChange(kModule0, "UserTracking", CIMValue("lost"));

    auto error = cimErrorOf([&] { client.modifyInstance(change); });

    ASSERT_TRUE(error);
    EXPECT_EQ(CIMException::FAILED, error->getErrNo());
    std::string m1 =
        "Failed to modify property  " + std::string(change.toString().c_str()) + ".UserTracking";
    ASSERT_NE(nullptr, error->getDescription());
    EXPECT_EQ(m1 + "#PTM_ERROR_failedModifyProperty#", error->getDescription());
    EXPECT_EQ(std::vector<std::string>{"ERROR: " + m1 + ":  with return code: 0"},
              client.logLines());
    EXPECT_FALSE(platform().intEntry("QVX_SystemProvider", "LastChangeTime"));
}

TEST_F(MBMProviderTest, ModificationsThatWriteNothing) {
    struct Row {
        const char* name;
        CIMValue value;
        const char* why;
    };
    const Row rows[] = {
        {"UserTracking", CIMValue(CIMNULL), "a null value is not written"},
        {"USERTRACKING", CIMValue("x"), "writable names compare case-sensitively"},
        {"Manufacturer", CIMValue("other"), "read-only"},
        {"PhysicalType", CIMValue(UInt8(1)), "read-only"},
        {"SystemName", CIMValue("QVX"), "keys are not written"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        platform().reset();
        client.modifyInstance(moduleChange(kModule0, row.name, row.value));
        EXPECT_EQ(0u, platform().count("KduSetRegEntryString"));
        EXPECT_EQ(0u, platform().count("KduSetRegEntryInt"));
    }
    EXPECT_TRUE(client.logLines().empty());
}

TEST_F(MBMProviderTest, ModifyWithoutDeviceIDIsNotFoundBeforeTheGuardAndLogsNothing) {
    Keys keys = kModule0;
    keys.deviceID = nullptr;

    auto error = cimErrorOf(
        [&] { client.modifyInstance(moduleChange(keys, "UserTracking", CIMValue("x"))); });

    ASSERT_TRUE(error);
    EXPECT_EQ(CIMException::NOT_FOUND, error->getErrNo());
    EXPECT_EQ(nullptr, error->getDescription());
    EXPECT_STREQ("QVX_MBMProvider.cpp", error->getFile());
    EXPECT_TRUE(client.logLines().empty());
    EXPECT_EQ(0u, platform().count("KduSetRegEntryString"));
}

TEST_F(MBMProviderTest, FailedReadShowsEmptyTextForThatModuleOnly) {
    platform().setEntry(kRegistryProvider, userTrackingName(0), "left");
    platform().setEntry(kRegistryProvider, userTrackingName(1), "right");
    platform().failRegistry("KduGetRegEntryString", userTrackingName(0), 5);

    std::vector<CIMInstance> instances = client.enumInstances(kClass);

    ASSERT_EQ(2u, instances.size());
    EXPECT_EQ("string ", typedProperty(instances[0], "UserTracking"));
    EXPECT_EQ("string right", typedProperty(instances[1], "UserTracking"));
    EXPECT_TRUE(client.logLines().empty());
}

}  // namespace
