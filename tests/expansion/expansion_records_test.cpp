// The expansion-chassis records and their manager, below the provider.
#include "InventoryClient.hpp"
#include "PlatformDouble.hpp"

#include "expansion/QVX_Z64ExpansionChassisNew.hpp"
#include "expansion/QVX_Z64ExpansionChassisPDRAPI.hpp"

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

class ExpansionChassisRecordTest : public ::testing::Test {
protected:
    void SetUp() override { PlatformDouble::instance().reset(); }

    // Initializing the composite gives the records a logger.
    InventoryClient client;
    QVX_Z64ExpansionChassisInstanceManager* manager =
        QVX_Z64ExpansionChassisInstanceManager::instance();
};

TEST_F(ExpansionChassisRecordTest, TagConstructorRejectsForeignTagsWithALogLine) {
    struct Row {
        const char* tag;
        const char* why;
    };
    const Row rows[] = {
        {"ExpansionChassis2", "beyond the two positions"},
        {"expansionchassis0", "other letter case"},
        {"ExpansionChassis00", "not the formatted tag"},
        {"", "empty"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        InventoryClient fresh;
        auto error = cimErrorOf([&] {
            QVX_Z64ExpansionChassis record(row.tag, "QVX_ExpansionChassis");
            (void)record;
        });
        ASSERT_TRUE(error);
        EXPECT_EQ(CIMException::NOT_FOUND, error->getErrNo());
        EXPECT_EQ(nullptr, error->getDescription());
        EXPECT_STREQ("QVX_Z64ExpansionChassisNew.cpp", error->getFile());
        EXPECT_EQ(std::vector<std::string>{std::string("ERROR: ExpansionChassis has wrong tag: ") +
                                           row.tag},
                  fresh.logLines());
    }
}

TEST_F(ExpansionChassisRecordTest, TagConstructorTakesAnyCreationClassNameAndNumbersFromOne) {
    // The creation class name is only checked by the manager's lookup.
    QVX_Z64ExpansionChassis second("ExpansionChassis1", "Anything");
    String text;
    unsigned char number = 0;
    EXPECT_TRUE(second.getCreationClassName(text));
    EXPECT_STREQ("Anything", text.c_str());
    EXPECT_TRUE(second.getChassisNo(number));
    EXPECT_EQ(2, number);
    bool present = true;
    EXPECT_TRUE(second.getPresentStatus(present));
    EXPECT_FALSE(present);
    EXPECT_EQ(std::vector<std::string>{"osIsChasisPresent(1)"}, PlatformDouble::instance().calls());
    EXPECT_TRUE(client.logLines().empty());
}

TEST_F(ExpansionChassisRecordTest, EmptyRecordHasNoKeysUntilAssignedFromTheManager) {
    QVX_Z64ExpansionChassis record;
    String tag("left over");
    String creationClassName("left over");
    EXPECT_FALSE(record.getTag(tag));
    EXPECT_FALSE(record.getCreationClassName(creationClassName));
    EXPECT_TRUE(tag.empty());
    EXPECT_TRUE(creationClassName.empty());

    manager->getChassis(record, 1);

    EXPECT_TRUE(record.getTag(tag));
    EXPECT_STREQ("ExpansionChassis1", tag.c_str());
    EXPECT_TRUE(record.getCreationClassName(creationClassName));
    EXPECT_STREQ("QVX_ExpansionChassis", creationClassName.c_str());
}

TEST_F(ExpansionChassisRecordTest, ManagerHasTwoRecordsAndRefusesOtherIndexes) {
    EXPECT_EQ(2, manager->getInstanceNumber());
    EXPECT_EQ(MAX_NUMBER_EXPANSIONCHASSIS, manager->getInstanceNumber());
    for (int index : {2, -1}) {
        SCOPED_TRACE(index);
        QVX_Z64ExpansionChassis record;
        auto error = cimErrorOf([&] { manager->getChassis(record, index); });
        ASSERT_TRUE(error);
        EXPECT_EQ(CIMException::NOT_FOUND, error->getErrNo());
        EXPECT_EQ(nullptr, error->getDescription());
        String tag;
        EXPECT_FALSE(record.getTag(tag));
    }
}

TEST_F(ExpansionChassisRecordTest, KeyedLookupCopiesTheRecordOfThatTag) {
    QVX_Z64ExpansionChassis record;
    manager->getChassis("ExpansionChassis1", "QVX_ExpansionChassis", record);
    String tag;
    unsigned char number = 0;
    EXPECT_TRUE(record.getTag(tag));
    EXPECT_STREQ("ExpansionChassis1", tag.c_str());
    EXPECT_TRUE(record.getChassisNo(number));
    EXPECT_EQ(2, number);
    EXPECT_STREQ("ExpansionChassis1", QVX_expansionChassisTag(1).c_str());
}

TEST_F(ExpansionChassisRecordTest, RegistryAccessUsesTheTagAndReportsCodes) {
    PlatformDouble& platform = PlatformDouble::instance();
    String value("stale");

    // Missing entry: non-zero code, empty text.
    EXPECT_NE(0, QVX_Z64ExpansionChassisPDRAPI::getUserTracking("ExpansionChassis0", value));
    EXPECT_TRUE(value.empty());

    std::string longText(300, 'x');
    EXPECT_EQ(
        0, QVX_Z64ExpansionChassisPDRAPI::setUserTracking("ExpansionChassis0", longText.c_str()));
    // Writes pass the whole text; reads return at most 255 bytes.
    EXPECT_EQ(longText, platform.textEntry("QVX_Z64ExpansionChassisProvider",
                                           "ExpansionChassis0UserTracking"));
    EXPECT_EQ(0, QVX_Z64ExpansionChassisPDRAPI::getUserTracking("ExpansionChassis0", value));
    EXPECT_EQ(std::string(255, 'x'), value.c_str());
    // The operation itself never stamps.
    EXPECT_FALSE(platform.intEntry("QVX_SystemProvider", "LastChangeTime"));

    platform.failRegistry("KduSetRegEntryString", "ExpansionChassis1UserTracking", 17);
    EXPECT_EQ(17, QVX_Z64ExpansionChassisPDRAPI::setUserTracking("ExpansionChassis1", "x"));
}

}  // namespace
