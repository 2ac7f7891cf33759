// QVX_MBMLogicalModule through the composite provider, and its manager
// below it: the four keys, the fixed properties and the user-tracking text.
#include "ProviderTest.hpp"

#include "mbm/QVX_MBM.hpp"

#include <gtest/gtest.h>

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
const Keys kModule[] = {{"QVX_System", "QVX", "QVX_MBMLogicalModule", "MBMLogicalModule0"},
                        {"QVX_System", "QVX", "QVX_MBMLogicalModule", "MBMLogicalModule1"}};

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

std::string userTrackingName(int index) {
    return "MBMLogicalModule" + std::to_string(index) + "UserTracking";
}

class MBMProviderTest : public qvx_test::ProviderTest {};

TEST_F(MBMProviderTest, TwoModulesWithFourKeysAndEightTypedPropertiesInOrder) {
    platform().setEntry(kRegistryProvider, userTrackingName(1), "slot 3");
    platform().setEntry(kRegistryProvider, userTrackingName(0), "lost");
    platform().failRegistry("KduGetRegEntryString", userTrackingName(0), 5);

    std::vector<CIMObjectPath> paths = client.enumInstanceNames(kClass);
    EXPECT_TRUE(platform().calls().empty());
    std::vector<CIMInstance> instances = client.enumInstances(kClass);

    ASSERT_EQ(2u, paths.size());
    ASSERT_EQ(2u, instances.size());
    const char* const userTracking[] = {"", "slot 3"};  // "" when the read fails
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(kClass, paths[i].getClassName().c_str());
        EXPECT_STREQ(qvx_test::kNamespace, paths[i].getNameSpace().c_str());
        std::vector<std::string> expected = {
            "SystemCreationClassName=string QVX_System", "SystemName=string QVX",
            "CreationClassName=string QVX_MBMLogicalModule",
            "DeviceID=string MBMLogicalModule" + std::to_string(i)};
        EXPECT_EQ(expected, qvx_test::typedList(paths[i].getKeys()));
        expected.insert(
            expected.end(),
            {"Manufacturer=string Varlen Networks", "PhysicalType=uint8 9",
             std::string("UserTracking=string ") + userTracking[i], "CanBeFRUed=boolean true"});
        // The listed path finds its own instance.
        for (const CIMInstance& inst : {instances[i], client.getInstance(paths[i])}) {
            EXPECT_STREQ(kClass, inst.getClassName().c_str());
            EXPECT_EQ(expected, qvx_test::typedList(inst.getProperties()));
        }
    }
    EXPECT_EQ(0u, platform().count("osIsChasisPresent")) << "the modules ask no hardware";
    EXPECT_TRUE(client.logLines().empty());
}

TEST_F(MBMProviderTest, SystemKeysAreNeverChecked) {
    const Keys rows[] = {
        {"Other_System", "elsewhere", "QVX_MBMLogicalModule", "MBMLogicalModule1"},
        {nullptr, nullptr, "QVX_MBMLogicalModule", "MBMLogicalModule1"},
    };
    for (const Keys& keys : rows) {
        CIMInstance inst = client.getInstance(modulePath(keys));
        EXPECT_EQ("string MBMLogicalModule1", typedProperty(inst, "DeviceID"));
        EXPECT_EQ("string QVX", typedProperty(inst, "SystemName")) << "the module's own";
        EXPECT_EQ("string QVX_System", typedProperty(inst, "SystemCreationClassName"));
    }
}

TEST_F(MBMProviderTest, KeysThatNameNoModuleAreNotFoundWithoutMessage) {
    struct Row {
        Keys keys;
        const char* thrower;
    };
    const char* const manager = "QVX_MBM.cpp";
    const char* const provider = "QVX_MBMProvider.cpp";
    const Row rows[] = {
        {{"QVX_System", "QVX", "QVX_System", "MBMLogicalModule0"}, manager},
        {{"QVX_System", "QVX", "QVX_MBMLogicalModule", "MBMLogicalModule2"}, manager},
        {{"QVX_System", "QVX", "QVX_MBMLogicalModule", "mbmlogicalmodule0"}, manager},
        {{"QVX_System", "QVX", "QVX_MBMLogicalModule", nullptr}, provider},
        {{"QVX_System", "QVX", nullptr, "MBMLogicalModule0"}, provider},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        expectNotFound(modulePath(row.keys), moduleChange(row.keys, "UserTracking", CIMValue("x")),
                       row.thrower);
    }
    EXPECT_EQ(0u, platform().count("KduSetRegEntryString"));
    EXPECT_TRUE(client.logLines().empty());
}

TEST_F(MBMProviderTest, ManagerRefusesIndexesBeyondItsTwoModules) {
    QVX_MBMLogicalModuleInstanceManager* manager = QVX_MBMLogicalModuleInstanceManager::instance();
    EXPECT_EQ(2, manager->getInstanceNumber());
    for (int index : {2, -1}) {
        QVX_MBMLogicalModule record;
        auto error = cimErrorOf([&] { manager->getMBM(record, index); });
        ASSERT_TRUE(error) << index;
        EXPECT_EQ(CIMException::NOT_FOUND, error->getErrNo());
        EXPECT_STREQ("QVX_MBM.cpp", error->getFile());
        String out;
        EXPECT_FALSE(record.getDeviceID(out)) << "the record stays empty";
    }
}

TEST_F(MBMProviderTest, WritesUserTrackingPerModuleAndStampsTheChange) {
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        platform().reset();
        std::string text = "card " + std::to_string(7 + i);
        expectUserTrackingWritten(moduleChange(kModule[i], "UserTracking", CIMValue(text.c_str())),
                                  modulePath(kModule[i]), kRegistryProvider, userTrackingName(i),
                                  userTrackingName(1 - i), text);
    }
    // A refused stamp does not fail the write.
    platform().failWith("KduSetRegEntryInt", 4);
    client.modifyInstance(moduleChange(kModule[0], "UserTracking", CIMValue("kept")));
    EXPECT_EQ(std::string("kept"), platform().textEntry(kRegistryProvider, userTrackingName(0)));
}

TEST_F(MBMProviderTest, FailedWriteFailsTheRequestWithoutStamp) {
    platform().failRegistry("KduSetRegEntryString", userTrackingName(0), 9);
    CIMInstance change = moduleChange(kModule[0], "UserTracking", CIMValue("lost"));

    expectRefusedWrite(change, "UserTracking", "QVX_MBMProvider.cpp");
    EXPECT_FALSE(platform().intEntry("QVX_SystemProvider", "LastChangeTime"));
}

TEST_F(MBMProviderTest, NullAndReadOnlyChangesWriteNothing) {
    CIMInstance change = moduleChange(kModule[0], "UserTracking", CIMValue(CIMNULL));
    change.setProperty("Manufacturer", CIMValue("other"));
    change.setProperty("PhysicalType", CIMValue(UInt8(1)));
    change.setProperty("CanBeFRUed", CIMValue(false));
    expectNothingWritten(change);
}

}  // namespace
