// QVX_Z64Chassis through the composite provider, as the object manager
// drives it: listing, reading, hardware failures, key lookup and writes.
#include "chassis/QVX_Z64Chassis.hpp"
#include "chassis_test_support.hpp"

#include <algorithm>
#include <ctime>
#include <iterator>

using namespace chassis_test;

namespace {

class ChassisProviderTest : public ChassisTest {};

std::string functionOf(const std::string& call) {
    return call.substr(0, call.find('('));
}

std::string registryRead(const char* property) {
    return std::string("KduGetRegEntryString(Providers,QVX_Z64ChassisProvider,") + property +
           ",256)";
}
// Every platform call of one delivered instance, in order, with the sizes passed.
const std::vector<std::string> kCallsOfOneInstance = {
    "osGetSystemSubType()",       "osGetSerialNumber(21)",
    "osGetHardwareType()",        "osGetHardwareRevision()",
    "osGetPartNumber(256)",       registryRead("OwnerName"),
    registryRead("Location"),     registryRead("UserTracking"),
    "osGetSystemId(13)",          "osGetSecsiRegion()",
    "osGetEth1Addr(255)",         "osGetEth2Addr(255)",
    "osGetEth3Addr(255)",         "osGetManfId()",
    "osGetManfInfo(255)",         "osGetManfDate(32)",
    "osGetPCBASerialNumber(256)", "osGetCSCSerialNumber(255)",
    "osGetHDSerialNumber(256)",   "osGetCNICOneSerialNumber(256)"};

TEST_F(ChassisProviderTest, OnePathWithBothKeysEvenWhenEveryPlatformCallFails) {
    for (const std::string& call : kCallsOfOneInstance) platform().failWith(functionOf(call), 5);
    for (const char* f : {"KduSetRegEntryString", "KduSetRegEntryInt"}) platform().failWith(f, 5);

    std::vector<CIMObjectPath> paths = client.enumInstanceNames(kClass);

    ASSERT_EQ(1u, paths.size());
    EXPECT_STREQ(kClass, paths[0].getClassName().c_str());
    EXPECT_STREQ(qvx_test::kNamespace, paths[0].getNameSpace().c_str());
    EXPECT_EQ(
        (std::vector<std::string>{"Tag=string Chassis", "CreationClassName=string QVX_Chassis"}),
        qvx_test::typedList(paths[0].getKeys()));
    EXPECT_TRUE(platform().calls().empty());
    EXPECT_TRUE(client.logLines().empty());
}

TEST_F(ChassisProviderTest, TwentyPropertiesWithTheirNamesTypesAndOrder) {
    platform().setEntry(kProvider, "OwnerName", "Ops team");
    platform().setEntry(kProvider, "Location", "Rack 4");
    platform().setEntry(kProvider, "UserTracking", "asset 77");
    // The double's default hardware answers, each distinct.
    const std::vector<std::string> expected = {
        "Tag=string Chassis",
        "CreationClassName=string QVX_Chassis",
        "ElementName=string Varlen Networks QVX64 Communications Server",
        "Manufacturer=string Varlen Networks",
        "Model=string QVX64 (Telephony Only)",
        "SerialNumber=string SN0001",
        "Version=string 01.0a",
        "PartNumber=string PN-1000",
        "OwnerName=string Ops team",
        "Location=string Rack 4",
        "PhysicalType=uint8 3",
        "UserTracking=string asset 77",
        "CanBeFRUed=boolean true",
        "SystemID=string SYS0001",
        "MiscInfo=string 01.P.Q.R.2a.Z",
        "ManufactureDate=datetime 20051130140500.000000+000",
        "PCBASerialNumber=string PCBA0001",
        "CSCSerialNumber=string CSC0001",
        "HDSerialNumber=string HD0001",
        "CNICOneSerialNumber=string CNIC0001",
    };
    for (const CIMInstance& inst : {theInstance(), client.getInstance(pathWith(kKeys))}) {
        EXPECT_STREQ(kClass, inst.getClassName().c_str());
        EXPECT_EQ(expected, qvx_test::typedList(inst.getProperties()));
    }
    EXPECT_TRUE(client.logLines().empty());
}

TEST_F(ChassisProviderTest, RegistryTextsAreEmptyWhenTheirReadFails) {
    struct Row {
        const char* property;
        int32_t fault;  // 0: the entry is missing; otherwise stored but the read fails
    };
    const Row rows[] = {{"OwnerName", 0}, {"Location", -1}, {"UserTracking", 2}};
    const char* const all[] = {"OwnerName", "Location", "UserTracking"};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.property);
        platform().reset();
        for (const char* p : all) {
            if (p != row.property || row.fault) platform().setEntry(kProvider, p, p);
        }
        if (row.fault) platform().failRegistry("KduGetRegEntryString", row.property, row.fault);

        CIMInstance inst = theInstance();

        for (const char* p : all) {
            EXPECT_EQ("string " + std::string(p == row.property ? "" : p), typedProperty(inst, p));
        }
        EXPECT_EQ(20u, inst.getProperties().size());
    }
    EXPECT_TRUE(client.logLines().empty()) << "a failed read is not an error";
}

TEST_F(ChassisProviderTest, EachDeliveredInstanceCostsItsTwentyCallsAndNamesNone) {
    EXPECT_TRUE(platform().calls().empty()) << "initialize";
    theInstance();
    client.getInstance(pathWith(kKeys));
    std::vector<std::string> twice = kCallsOfOneInstance;
    twice.insert(twice.end(), kCallsOfOneInstance.begin(), kCallsOfOneInstance.end());
    EXPECT_EQ(twice, platform().calls()) << "nothing is cached";

    platform().clearCalls();
    client.enumInstanceNames(kClass);
    EXPECT_TRUE(platform().calls().empty());
}

TEST_F(ChassisProviderTest, AFailingHardwareCallFailsTheReadWithItsMessageAndOneLogLine) {
    struct Row {
        const char* function;
        int32_t code;
        const char* property;
        bool callInMessage;  // only the revision's message carries the call and result
    };
    const Row rows[] = {
        {"osGetSystemSubType", 5, "Model", false},
        {"osGetSerialNumber", -1, "SerialNumber", false},
        {"osGetHardwareType", 2, "Version", false},
        {"osGetHardwareRevision", 5, "Version", true},
        {"osGetPartNumber", 70000, "PartNumber", false},
        {"osGetSystemId", 1, "SystemID", false},
        {"osGetSecsiRegion", 3, "MiscInfo", false},
        {"osGetEth1Addr", 4, "MiscInfo", false},
        {"osGetEth2Addr", -2, "MiscInfo", false},
        {"osGetEth3Addr", 6, "MiscInfo", false},
        {"osGetManfId", 7, "MiscInfo", false},
        {"osGetManfInfo", 8, "MiscInfo", false},
        {"osGetPCBASerialNumber", 9, "PCBASerialNumber", false},
        {"osGetCSCSerialNumber", 2147483647, "CSCSerialNumber", false},
        {"osGetHDSerialNumber", 11, "HDSerialNumber", false},
        {"osGetCNICOneSerialNumber", -2147483647 - 1, "CNICOneSerialNumber", false},
    };
    // Every hardware call but the date, which never fails the read.
    ASSERT_EQ(std::size(rows) + 1 + 3, kCallsOfOneInstance.size());

    for (const Row& row : rows) {
        for (bool listing : {true, false}) {
            SCOPED_TRACE(std::string(row.function) + (listing ? " enumInstances" : " getInstance"));
            platform().reset();
            platform().failWith(row.function, row.code);
            const size_t logged = client.logLines().size();
            qvx_test::InstanceCollector out;
            std::optional<CIMInstance> got;

            testing::internal::CaptureStdout();
            auto e = cimErrorOf([&] {
                if (listing)
                    client.enumInstances(kClass, out);
                else
                    got = client.getInstance(pathWith(kKeys));
            });
            const std::string printed = testing::internal::GetCapturedStdout();
            if (row.property == std::string("MiscInfo")) {
                EXPECT_EQ("", printed) << "MiscInfo prints only when it has its parts";
            }

            const std::string message = std::string("Failed to retrieve property ") + row.property +
                                        ": " + row.function + "() failed " +
                                        std::to_string(static_cast<uint32_t>(row.code));
            ASSERT_TRUE(e.has_value());
            EXPECT_EQ(CIMException::FAILED, e->getErrNo());
            EXPECT_EQ(row.callInMessage ? message : message.substr(0, message.find(':')),
                      e->Exception::getMessage());
            EXPECT_STREQ("QVX_Z64ChassisAPI.cpp", e->getFile());
            EXPECT_EQ(std::vector<std::string>{"ERROR: " + message}, linesSince(logged));
            EXPECT_TRUE(out.items.empty());
            EXPECT_FALSE(got.has_value());
            EXPECT_EQ(row.function, functionOf(platform().calls().back())) << "asked last";
        }
    }
}

TEST_F(ChassisProviderTest, KeysOfNoChassisAreNotFoundWritingNothingAndLeavingRecordsAlone) {
    struct Row {
        std::vector<Named> keys;
        const char* thrownBy;
    };
    const char* const manager = "QVX_Z64Chassis.cpp";
    const char* const provider = "QVX_Z64ChassisProvider.cpp";
    const Row rows[] = {
        {{{"Tag", "chassis"}, {"CreationClassName", "QVX_Chassis"}}, manager},
        {{{"Tag", "Chassis "}, {"CreationClassName", "QVX_Chassis"}}, manager},
        {{{"Tag", "Chassis"}, {"CreationClassName", "QVX_Z64Chassis"}}, manager},
        {{{"Tag", "Chassis"}, {"CreationClassName", "qvx_chassis"}}, manager},
        {{{"Tag", "QVX_Chassis"}, {"CreationClassName", "Chassis"}}, manager},
        {{{"Tag", "Chassis"}}, provider},
        {{{"CreationClassName", "Wrong"}}, provider},  // all keys are read before any compare
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        std::vector<Named> change = row.keys;
        change.push_back({"OwnerName", "someone"});
        platform().clearCalls();
        expectNotFound(pathWith(row.keys), instanceWith(change), row.thrownBy);
        EXPECT_TRUE(platform().calls().empty());
        if (row.keys.size() < 2) continue;
        QVX_Z64Chassis keyed("before", "Before");
        QVX_Z64Chassis unset;
        for (QVX_Z64Chassis* record : {&keyed, &unset}) {
            auto e = cimErrorOf([&] {
                QVX_Z64ChassisInstanceManager::getChassis(row.keys[0].value->c_str(),
                                                          row.keys[1].value->c_str(), *record);
            });
            ASSERT_TRUE(e.has_value());
            EXPECT_STREQ(manager, e->getFile());
            String tag("x"), ccn("x");
            EXPECT_EQ(record == &keyed, record->getTag(tag));
            EXPECT_EQ(record == &keyed, record->getCreationClassName(ccn));
            EXPECT_EQ(record == &keyed ? "before Before" : " ",
                      std::string(tag.c_str()) + " " + ccn.c_str());
        }
    }
    EXPECT_FALSE(platform().textEntry(kProvider, "OwnerName"));
    EXPECT_TRUE(client.logLines().empty());
}

// The calls a modification made, each stamp checked against [from, to] and
// shown as "STAMP".
std::vector<std::string> writesBetween(const std::vector<std::string>& calls, time_t from,
                                       time_t to) {
    const std::string stamp = "KduSetRegEntryInt(Providers,QVX_SystemProvider,LastChangeTime,";
    std::vector<std::string> out;
    for (const std::string& call : calls) {
        if (call.rfind(stamp, 0) != 0) {
            out.push_back(call);
            continue;
        }
        long long at = std::stoll(call.substr(stamp.size()));
        EXPECT_GE(at, static_cast<long long>(from));
        EXPECT_LE(at, static_cast<long long>(to));
        out.push_back("STAMP");
    }
    return out;
}

TEST_F(ChassisProviderTest, ModifyWritesTheWritableTextsInTheInstancesOrderStampingEach) {
    struct Row {
        std::vector<Named> changes;
        std::vector<std::string> calls;
        int32_t refuse;  // fault for writes of OwnerName, 0 for none
    };
    const std::string W = "KduSetRegEntryString(Providers,QVX_Z64ChassisProvider,";
    const Row rows[] = {
        {{{"Location", "L"}, {"UserTracking", "U"}, {"OwnerName", "O"}},
         {W + "Location,L)", "STAMP", W + "UserTracking,U)", "STAMP", W + "OwnerName,O)", "STAMP"},
         0},
        {{{"ownername", "x"}, {"LOCATION", "y"}, {"Usertracking", "z"}}, {}, 0},
        {{{"OwnerName", std::nullopt}, {"Location", ""}}, {W + "Location,)", "STAMP"}, 0},
        {{{"UserTracking", std::string(300, 'L')}},  // written whole, though reads are cut
         {W + "UserTracking," + std::string(300, 'L') + ")", "STAMP"},
         0},
        {{{"SerialNumber", "X"}, {"Model", "Y"}, {"MiscInfo", "W"}, {"Colour", "red"}}, {}, 0},
        {{{"UserTracking", "U"}, {"OwnerName", "O"}, {"Location", "L"}},
         {W + "UserTracking,U)", "STAMP", W + "OwnerName,O)"},
         5},
        {{{"OwnerName", "O"}, {"UserTracking", "U"}}, {W + "OwnerName,O)"}, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        platform().reset();
        if (row.refuse) platform().failRegistry("KduSetRegEntryString", "OwnerName", row.refuse);
        const size_t logged = client.logLines().size();
        std::vector<Named> properties = kKeys;
        properties.insert(properties.end(), row.changes.begin(), row.changes.end());
        CIMInstance inst = instanceWith(properties);

        time_t from = std::time(0);
        if (row.refuse) {
            expectRefusedWrite(inst, "OwnerName", "QVX_Z64ChassisProvider.cpp");
        } else {
            client.modifyInstance(inst);
            EXPECT_TRUE(linesSince(logged).empty());
        }
        time_t to = std::time(0);

        EXPECT_EQ(row.calls, writesBetween(platform().calls(), from, to));
        // A change is stored when its expected write is followed by a stamp.
        bool stamped = false;
        for (const Named& c : row.changes) {
            auto at = std::find(row.calls.begin(), row.calls.end(),
                                W + c.name + "," + c.value.value_or("") + ")");
            bool stored = at != row.calls.end() && at + 1 != row.calls.end() && at[1] == "STAMP";
            stamped = stamped || stored;
            EXPECT_EQ(stored ? c.value : std::nullopt, platform().textEntry(kProvider, c.name));
        }
        EXPECT_EQ(stamped, platform().intEntry("QVX_SystemProvider", "LastChangeTime").has_value());
    }
}

TEST_F(ChassisProviderTest, ARefusedStampDoesNotFailTheWrite) {
    platform().failWith("KduSetRegEntryInt", 9);
    client.modifyInstance(instanceWith({kKeys[0], kKeys[1], {"Location", "Hall B"}}));
    EXPECT_EQ(std::string("Hall B"), platform().textEntry(kProvider, "Location"));
    EXPECT_EQ(1u, platform().count("KduSetRegEntryInt"));
    EXPECT_TRUE(client.logLines().empty());
}

}  // namespace
