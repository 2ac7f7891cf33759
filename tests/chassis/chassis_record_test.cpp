// The chassis record, its instance manager and the registry texts on their
// own: keys, lookups that leave the record alone, and stamped writes.
#include "chassis/QVX_Z64Chassis.hpp"
#include "chassis/QVX_Z64ChassisPDRAPI.hpp"
#include "chassis_test_support.hpp"

#include <cstdint>

using namespace chassis_test;

namespace {

class ChassisRecordTest : public ChassisTest {};

const char* const kChassisProvider = "QVX_Z64ChassisProvider";

struct Keys {
    bool valid;
    std::string tag;
    std::string creationClassName;
};
Keys keysOf(const QVX_Z64Chassis& record) {
    String tag("junk");
    String ccn("junk");
    bool valid = record.getTag(tag);
    EXPECT_EQ(record.getCreationClassName(ccn), valid) << "both key getters agree";
    return Keys{valid, tag.c_str(), ccn.c_str()};
}
void expectKeys(const QVX_Z64Chassis& record, bool valid, const char* tag, const char* ccn) {
    Keys k = keysOf(record);
    EXPECT_EQ(k.valid, valid);
    EXPECT_EQ(k.tag, tag);
    EXPECT_EQ(k.creationClassName, ccn);
}

TEST_F(ChassisRecordTest, KeysAreValidOnlyWhenTheRecordWasBuiltFromThem) {
    QVX_Z64Chassis none;
    expectKeys(none, false, "", "");

    QVX_Z64Chassis built("T", "C");
    expectKeys(built, true, "T", "C");

    QVX_Z64Chassis copied(built);
    expectKeys(copied, true, "T", "C");

    QVX_Z64Chassis assigned("A", "B");
    assigned = none;
    expectKeys(assigned, false, "", "");
    EXPECT_TRUE(platform().calls().empty()) << "records cost no platform call";
}

TEST_F(ChassisRecordTest, TheManagerHandsOutTheOneChassis) {
    QVX_Z64ChassisInstanceManager::init();
    QVX_Z64Chassis record("other", "Other");
    QVX_Z64ChassisInstanceManager::getChassis(record);
    expectKeys(record, true, "Chassis", "QVX_Chassis");

    QVX_Z64Chassis looked;
    QVX_Z64ChassisInstanceManager::getChassis("Chassis", "QVX_Chassis", looked);
    expectKeys(looked, true, "Chassis", "QVX_Chassis");
    EXPECT_TRUE(platform().calls().empty());
}

TEST_F(ChassisRecordTest, WrongKeysAreNotFoundAndLeaveTheRecordAsItWas) {
    struct Row {
        const char* tag;
        const char* creationClassName;
        const char* why;
    };
    const Row rows[] = {
        {"chassis", "QVX_Chassis", "tag in another letter case"},
        {"Chassis", "QVX_Z64Chassis", "the served class name"},
        {"Chassis", "QVX_ChassiS", "creation class name in another letter case"},
        {"Chassis\t", "QVX_Chassis", "tag with a trailing blank"},
        {"", "", "empty keys"},
        {"QVX_Chassis", "Chassis", "keys swapped"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        QVX_Z64Chassis keyed("before", "Before");
        QVX_Z64Chassis unset;
        for (QVX_Z64Chassis* record : {&keyed, &unset}) {
            auto e = cimErrorOf([&] {
                QVX_Z64ChassisInstanceManager::getChassis(row.tag, row.creationClassName, *record);
            });
            ASSERT_TRUE(e.has_value());
            EXPECT_EQ(e->getErrNo(), CIMException::NOT_FOUND);
            EXPECT_EQ(e->getDescription(), nullptr);
            EXPECT_STREQ(e->getFile(), "QVX_Z64Chassis.cpp");
        }
        expectKeys(keyed, true, "before", "Before");
        expectKeys(unset, false, "", "");
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ChassisRecordTest, FixedPropertiesOfTheRecord) {
    QVX_Z64Chassis record;
    bool fru = false;
    unsigned char physicalType = 0;
    EXPECT_TRUE(record.getCanBeFRUed(fru));
    EXPECT_TRUE(fru);
    EXPECT_TRUE(record.getPhysicalType(physicalType));
    EXPECT_EQ(physicalType, 3);
    EXPECT_TRUE(platform().calls().empty());
}

TEST_F(ChassisRecordTest, RecordForwardsHardwarePropertiesWhateverItsKeys) {
    // An unkeyed record still answers: the getters do not look at validity.
    QVX_Z64Chassis record;
    platform().setText("osGetSerialNumber", "SN-77");
    String serial;
    EXPECT_TRUE(record.getSerialNumber(serial));
    EXPECT_STREQ(serial.c_str(), "SN-77");
    platform().failWith("osGetSerialNumber", 3);
    auto e = cimErrorOf([&] { record.getSerialNumber(serial); });
    ASSERT_TRUE(e.has_value());
    EXPECT_STREQ(e->getFile(), "QVX_Z64ChassisAPI.cpp") << "passed through unchanged";
}

typedef bool (QVX_Z64Chassis::*RecordGetter)(String&) const;
struct Administered {
    const char* property;
    RecordGetter get;
    bool (*set)(QVX_Z64Chassis&, const String&);
    int (*read)(String&);
    int (*write)(String);
};
const Administered kAdministered[] = {
    {"OwnerName", &QVX_Z64Chassis::getOwnerName,
     [](QVX_Z64Chassis& r, const String& v) { return r.setOwnerName(v); },
     &QVX_Z64ChassisPDRAPI::getOwnerName, &QVX_Z64ChassisPDRAPI::setOwnerName},
    {"Location", &QVX_Z64Chassis::getLocation,
     [](QVX_Z64Chassis& r, const String& v) { return r.setLocation(v); },
     &QVX_Z64ChassisPDRAPI::getLocation, &QVX_Z64ChassisPDRAPI::setLocation},
    {"UserTracking", &QVX_Z64Chassis::getUserTracking,
     [](QVX_Z64Chassis& r, const String& v) { return r.setUserTracking(v); },
     &QVX_Z64ChassisPDRAPI::getUserTracking, &QVX_Z64ChassisPDRAPI::setUserTracking},
};

TEST_F(ChassisRecordTest, RegistryReadsReturnTheResultAndTheRegistrysText) {
    for (const Administered& a : kAdministered) {
        SCOPED_TRACE(a.property);
        platform().reset();
        const QVX_Z64Chassis record;
        String value("stale");

        EXPECT_NE(a.read(value), 0) << "nothing stored";
        EXPECT_STREQ(value.c_str(), "") << "a failed read gives the empty text";
        value = "stale";
        EXPECT_FALSE((record.*a.get)(value));
        EXPECT_STREQ(value.c_str(), "");

        platform().setEntry(kChassisProvider, a.property, "kept");
        EXPECT_EQ(a.read(value), 0);
        EXPECT_STREQ(value.c_str(), "kept");
        EXPECT_TRUE((record.*a.get)(value));

        platform().failRegistry("KduGetRegEntryString", a.property, 13);
        value = "stale";
        EXPECT_EQ(a.read(value), 13) << "the registry's own result";
        EXPECT_STREQ(value.c_str(), "");
        EXPECT_FALSE((record.*a.get)(value));

        EXPECT_EQ(platform().calls().back(),
                  "KduGetRegEntryString(Providers,QVX_Z64ChassisProvider," +
                      std::string(a.property) + ",256)");
    }
}

TEST_F(ChassisRecordTest, TextsLongerThanTheReadAreaAreWrittenWholeAndReadBackCut) {
    const std::string longText(300, 'L');
    for (const Administered& a : kAdministered) {
        SCOPED_TRACE(a.property);
        EXPECT_EQ(a.write(longText.c_str()), 0);
        EXPECT_EQ(platform().textEntry(kChassisProvider, a.property), longText);
        String back;
        EXPECT_EQ(a.read(back), 0);
        EXPECT_EQ(std::string(back.c_str()), longText.substr(0, 255));
    }
}

TEST_F(ChassisRecordTest, RegistryWritesReturnTheResultAndNeverStamp) {
    for (const Administered& a : kAdministered) {
        SCOPED_TRACE(a.property);
        platform().reset();
        EXPECT_EQ(a.write("first"), 0);
        EXPECT_EQ(platform().textEntry(kChassisProvider, a.property), std::string("first"));
        platform().failRegistry("KduSetRegEntryString", a.property, 17);
        EXPECT_EQ(a.write("second"), 17);
        EXPECT_EQ(platform().textEntry(kChassisProvider, a.property), std::string("first"));
        EXPECT_EQ(platform().count("KduSetRegEntryInt"), 0u);
    }
}

TEST_F(ChassisRecordTest, RecordSettersStampOnlyAfterASuccessfulWrite) {
    for (const Administered& a : kAdministered) {
        SCOPED_TRACE(a.property);
        platform().reset();
        QVX_Z64Chassis record;

        time_t from = std::time(0);
        EXPECT_TRUE(a.set(record, "value"));
        time_t to = std::time(0);
        std::vector<std::string> calls = platform().calls();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0], registryWrite(a.property, "value"));
        EXPECT_TRUE(isStamp(calls[1])) << "stamped after the write";
        std::optional<int32_t> stamp = platform().intEntry("QVX_SystemProvider", "LastChangeTime");
        ASSERT_TRUE(stamp.has_value());
        EXPECT_GE(*stamp, from);
        EXPECT_LE(*stamp, to);

        platform().reset();
        platform().failRegistry("KduSetRegEntryString", a.property, 5);
        EXPECT_FALSE(a.set(record, "refused"));
        EXPECT_EQ(platform().count("KduSetRegEntryInt"), 0u);
        EXPECT_FALSE(platform().intEntry("QVX_SystemProvider", "LastChangeTime").has_value());

        // A refused stamp is not the write's failure.
        platform().reset();
        platform().failWith("KduSetRegEntryInt", 9);
        EXPECT_TRUE(a.set(record, "kept"));
        EXPECT_EQ(platform().textEntry(kChassisProvider, a.property), std::string("kept"));
    }
}

TEST_F(ChassisRecordTest, LastChangeTimeIsTheCurrentTimeAndReturnsTheRegistrysResult) {
    time_t from = std::time(0);
    EXPECT_EQ(QVX_Z64ChassisPDRAPI::setLastChangeTime(), 0);
    time_t to = std::time(0);
    EXPECT_EQ(platform().calls().size(), 1u);
    std::optional<int32_t> stamp = platform().intEntry("QVX_SystemProvider", "LastChangeTime");
    ASSERT_TRUE(stamp.has_value());
    EXPECT_GE(*stamp, from);
    EXPECT_LE(*stamp, to);

    platform().failWith("KduSetRegEntryInt", 9);
    EXPECT_EQ(QVX_Z64ChassisPDRAPI::setLastChangeTime(), 9);
}

}  // namespace
