// The MBM records and their manager, below the provider.
#include "InventoryClient.hpp"
#include "PlatformDouble.hpp"

#include "mbm/QVX_MBM.hpp"
#include "mbm/QVX_MBMPDRAPI.hpp"

#include "OW_CIMException.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace OpenWBEM;
using qvx_test::cimErrorOf;
using qvx_test::InventoryClient;
using qvx_test::PlatformDouble;

namespace {

class MBMRecordTest : public ::testing::Test {
protected:
    void SetUp() override { PlatformDouble::instance().reset(); }

    InventoryClient client;
    QVX_MBMLogicalModuleInstanceManager* manager = QVX_MBMLogicalModuleInstanceManager::instance();
};

TEST_F(MBMRecordTest, EmptyRecordHasNoKeysButTheFixedValues) {
    QVX_MBMLogicalModule record;
    typedef bool (QVX_MBMLogicalModule::*KeyGetter)(String&) const;
    const KeyGetter keys[] = {
        &QVX_MBMLogicalModule::getSystemCreationClassName, &QVX_MBMLogicalModule::getSystemName,
        &QVX_MBMLogicalModule::getCreationClassName, &QVX_MBMLogicalModule::getDeviceID};
    for (KeyGetter get : keys) {
        String text("left over");
        EXPECT_FALSE((record.*get)(text));
        EXPECT_TRUE(text.empty());
    }
    String manufacturer;
    unsigned char physicalType = 0;
    bool canBeFRUed = false;
    EXPECT_TRUE(record.getManufacturer(manufacturer));
    EXPECT_STREQ("Varlen Networks", manufacturer.c_str());
    EXPECT_TRUE(record.getPhysicalType(physicalType));
    EXPECT_EQ(9, physicalType);
    EXPECT_TRUE(record.getCanBeFRUed(canBeFRUed));
    EXPECT_TRUE(canBeFRUed);
}

TEST_F(MBMRecordTest, TagConstructorTakesAnyKeysWithoutALogLine) {
    // Unlike the expansion chassis, nothing is checked here.
    QVX_MBMLogicalModule record("Elsewhere9", "Anything");
    String text;
    EXPECT_TRUE(record.getDeviceID(text));
    EXPECT_STREQ("Elsewhere9", text.c_str());
    EXPECT_TRUE(record.getCreationClassName(text));
    EXPECT_STREQ("Anything", text.c_str());
    EXPECT_TRUE(record.getSystemName(text));
    EXPECT_STREQ("QVX", text.c_str());
    EXPECT_TRUE(record.getSystemCreationClassName(text));
    EXPECT_STREQ("QVX_System", text.c_str());
    EXPECT_TRUE(client.logLines().empty());
    EXPECT_TRUE(PlatformDouble::instance().calls().empty());
}

TEST_F(MBMRecordTest, ManagerHasTwoRecordsAndRefusesOtherIndexes) {
    EXPECT_EQ(2, manager->getInstanceNumber());
    EXPECT_EQ(MAX_NUMBER_MBM, manager->getInstanceNumber());
    for (int index : {2, -1}) {
        SCOPED_TRACE(index);
        QVX_MBMLogicalModule record;
        auto error = cimErrorOf([&] { manager->getMBM(record, index); });
        ASSERT_TRUE(error);
        EXPECT_EQ(CIMException::NOT_FOUND, error->getErrNo());
        EXPECT_EQ(nullptr, error->getDescription());
        EXPECT_STREQ("QVX_MBM.cpp", error->getFile());
    }
}

TEST_F(MBMRecordTest, KeyedLookupCopiesTheSecondRecordAndReadsItsOwnEntry) {
    PlatformDouble::instance().setEntry("QVX_MBMProvider", "MBMLogicalModule1UserTracking", "B");
    QVX_MBMLogicalModule record;

    manager->getMBM("MBMLogicalModule1", "QVX_MBMLogicalModule", record);

    String text;
    EXPECT_TRUE(record.getDeviceID(text));
    EXPECT_STREQ("MBMLogicalModule1", text.c_str());
    EXPECT_TRUE(record.getUserTracking(text));
    EXPECT_STREQ("B", text.c_str());
    EXPECT_EQ(std::vector<std::string>{"KduGetRegEntryString(Providers,QVX_MBMProvider,"
                                       "MBMLogicalModule1UserTracking,256)"},
              PlatformDouble::instance().calls());
}

TEST_F(MBMRecordTest, RecordWritesStampOnlyAfterSuccess) {
    PlatformDouble& platform = PlatformDouble::instance();
    QVX_MBMLogicalModule record;
    manager->getMBM(record, 0);

    // The empty text is a write like any other.
    EXPECT_TRUE(record.setUserTracking(""));
    EXPECT_EQ(std::string(""),
              platform.textEntry("QVX_MBMProvider", "MBMLogicalModule0UserTracking"));
    EXPECT_TRUE(platform.intEntry("QVX_SystemProvider", "LastChangeTime"));

    platform.reset();
    platform.failRegistry("KduSetRegEntryString", "MBMLogicalModule0UserTracking", 3);
    EXPECT_FALSE(record.setUserTracking("x"));
    EXPECT_FALSE(platform.intEntry("QVX_SystemProvider", "LastChangeTime"));

    // A failed stamp does not turn a good write into a failed one.
    platform.reset();
    platform.failWith("KduSetRegEntryInt", 4);
    EXPECT_TRUE(record.setUserTracking("kept"));
    EXPECT_EQ(std::string("kept"),
              platform.textEntry("QVX_MBMProvider", "MBMLogicalModule0UserTracking"));
}

TEST_F(MBMRecordTest, RegistryAccessReportsCodesAndCutsReadsAt255) {
    String value("stale");
    EXPECT_NE(0, QVX_MBMPDRAPI::getUserTracking("MBMLogicalModule0", value));
    EXPECT_TRUE(value.empty());

    std::string longText(256, 'y');
    EXPECT_EQ(0, QVX_MBMPDRAPI::setUserTracking("MBMLogicalModule0", longText.c_str()));
    EXPECT_EQ(0, QVX_MBMPDRAPI::getUserTracking("MBMLogicalModule0", value));
    EXPECT_EQ(std::string(255, 'y'), value.c_str());
    std::string shortText(255, 'z');
    EXPECT_EQ(0, QVX_MBMPDRAPI::setUserTracking("MBMLogicalModule0", shortText.c_str()));
    EXPECT_EQ(0, QVX_MBMPDRAPI::getUserTracking("MBMLogicalModule0", value));
    EXPECT_EQ(shortText, value.c_str());
    EXPECT_FALSE(PlatformDouble::instance().intEntry("QVX_SystemProvider", "LastChangeTime"));
}

}  // namespace
