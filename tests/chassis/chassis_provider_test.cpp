// QVX_Z64Chassis through the composite provider, as the object manager
// drives it: listing, reading, hardware failures, key lookup and writes.
#include "chassis_test_support.hpp"

#include "OW_CIMDateTime.hpp"

#include <cstdint>
#include <iterator>
#include <map>

using namespace chassis_test;
using OpenWBEM::CIMDateTime;

namespace {

class ChassisProviderTest : public ChassisTest {};

std::string functionName(const std::string& call) {
    return call.substr(0, call.find('('));
}

std::string unsignedText(int32_t code) {
    return std::to_string(static_cast<uint32_t>(code));
}

const char* const kChassisProvider = "QVX_Z64ChassisProvider";

// Every call of one delivered instance, hardware and registry, in order.
std::vector<std::string> callsOfOneInstance() {
    std::vector<std::string> calls = hardwareCallsOfOneInstance();
    // OwnerName and Location follow PartNumber; UserTracking follows PhysicalType,
    // which needs no call.
    const std::vector<std::string> reads = {registryRead("OwnerName"), registryRead("Location"),
                                            registryRead("UserTracking")};
    calls.insert(calls.begin() + 5, reads.begin(), reads.end());
    return calls;
}

CIMValue valueOf(const CIMInstance& inst, const char* name) {
    CIMProperty p = inst.getProperty(name);
    EXPECT_TRUE(static_cast<bool>(p)) << name << " missing";
    return p ? p.getValue() : CIMValue(OpenWBEM::CIMNULL);
}

std::string textOf(const CIMInstance& inst, const char* name) {
    CIMValue v = valueOf(inst, name);
    return v ? text(v) : std::string("(null)");
}

// ---------------------------------------------------------------- listing

TEST_F(ChassisProviderTest,
       EnumInstanceNamesGivesOnePathWithBothKeysEvenWhenEveryPlatformCallFails) {
    for (const std::string& call : hardwareCallsOfOneInstance()) {
        platform().failWith(functionName(call), 5);
    }
    for (const char* f : {"KduGetRegEntryString", "KduSetRegEntryString", "KduSetRegEntryInt"}) {
        platform().failWith(f, 5);
    }

    std::vector<CIMObjectPath> paths = enumNames();

    ASSERT_EQ(paths.size(), 1u);
    EXPECT_STREQ(paths[0].getClassName().c_str(), kClass);
    EXPECT_STREQ(paths[0].getNameSpace().c_str(), kNamespace);
    CIMPropertyArray keys = paths[0].getKeys();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_STREQ(keys[0].getName().c_str(), "Tag");
    EXPECT_EQ(keys[0].getValue().getType(), CIMDataType::STRING);
    EXPECT_EQ(text(keys[0].getValue()), "Chassis");
    EXPECT_STREQ(keys[1].getName().c_str(), "CreationClassName");
    EXPECT_EQ(keys[1].getValue().getType(), CIMDataType::STRING);
    EXPECT_EQ(text(keys[1].getValue()), "QVX_Chassis");
    EXPECT_TRUE(platform().calls().empty()) << "listing names reads nothing";
    EXPECT_TRUE(logLines().empty());
}

// ---------------------------------------------------------------- reading

TEST_F(ChassisProviderTest, InstanceCarriesTwentyPropertiesWithTheirNamesTypesAndOrder) {
    platform().setNumber("osGetSystemSubType", 2);
    platform().setNumber("osGetHardwareType", 3);
    platform().setNumber("osGetHardwareRevision", 17);
    platform().setNumber("osGetSecsiRegion", 7);
    platform().setNumber("osGetManfId", 255);
    platform().setText("osGetSerialNumber", "SN-4711");
    platform().setText("osGetPartNumber", "PN-20-300");
    platform().setText("osGetSystemId", "SYS-9");
    platform().setText("osGetEth1Addr", "00:01");
    platform().setText("osGetEth2Addr", "00:02");
    platform().setText("osGetEth3Addr", "00:03");
    platform().setText("osGetManfInfo", "lot 12");
    platform().setText("osGetManfDate", "2007 2 3 4 5");
    platform().setText("osGetPCBASerialNumber", "PCBA-1");
    platform().setText("osGetCSCSerialNumber", "CSC-2");
    platform().setText("osGetHDSerialNumber", "HD-3");
    platform().setText("osGetCNICOneSerialNumber", "CNIC-4");
    platform().setEntry(kChassisProvider, "OwnerName", "Ops team");
    platform().setEntry(kChassisProvider, "Location", "Rack 4");
    platform().setEntry(kChassisProvider, "UserTracking", "asset 77");

    struct Expected {
        const char* name;
        CIMDataType::Type type;
        const char* value;
    };
    const Expected expected[] = {
        {"Tag", CIMDataType::STRING, "Chassis"},
        {"CreationClassName", CIMDataType::STRING, "QVX_Chassis"},
        {"ElementName", CIMDataType::STRING, "Varlen Networks QVX64 Communications Server"},
        {"Manufacturer", CIMDataType::STRING, "Varlen Networks"},
        {"Model", CIMDataType::STRING, "QVX64a (with ADSL Router)"},
        {"SerialNumber", CIMDataType::STRING, "SN-4711"},
        {"Version", CIMDataType::STRING, "03.11"},
        {"PartNumber", CIMDataType::STRING, "PN-20-300"},
        {"OwnerName", CIMDataType::STRING, "Ops team"},
        {"Location", CIMDataType::STRING, "Rack 4"},
        {"PhysicalType", CIMDataType::UINT8, "3"},
        {"UserTracking", CIMDataType::STRING, "asset 77"},
        {"CanBeFRUed", CIMDataType::BOOLEAN, "true"},
        {"SystemID", CIMDataType::STRING, "SYS-9"},
        {"MiscInfo", CIMDataType::STRING, "07.00:01.00:02.00:03.ff.lot 12"},
        {"ManufactureDate", CIMDataType::DATETIME, "20070203040500.000000+000"},
        {"PCBASerialNumber", CIMDataType::STRING, "PCBA-1"},
        {"CSCSerialNumber", CIMDataType::STRING, "CSC-2"},
        {"HDSerialNumber", CIMDataType::STRING, "HD-3"},
        {"CNICOneSerialNumber", CIMDataType::STRING, "CNIC-4"},
    };

    // Both reading operations must give the same instance.
    CIMInstance listed = theInstance();
    CIMInstance got = getInstance(chassisPath());
    for (const CIMInstance& inst : {listed, got}) {
        EXPECT_STREQ(inst.getClassName().c_str(), kClass);
        CIMPropertyArray props = inst.getProperties();
        ASSERT_EQ(props.size(), std::size(expected));
        for (size_t i = 0; i < props.size(); ++i) {
            SCOPED_TRACE(expected[i].name);
            EXPECT_STREQ(props[i].getName().c_str(), expected[i].name);
            EXPECT_EQ(props[i].getValue().getType(), expected[i].type);
            EXPECT_STREQ(props[i].getValue().toString().c_str(), expected[i].value);
        }
    }
    CIMDateTime date;
    valueOf(listed, "ManufactureDate").get(date);
    EXPECT_FALSE(date.isInterval());
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ChassisProviderTest, AdministratorTextsAreEmptyWhenTheirRegistryReadFails) {
    struct Row {
        const char* property;
        bool stored;    // whether the entry exists at all
        int32_t fault;  // read fault for that property, 0 for none
        const char* why;
    };
    const Row rows[] = {
        {"OwnerName", false, 0, "nothing stored yet"},
        {"OwnerName", true, 5, "stored, but the read fails"},
        {"Location", false, 0, "nothing stored yet"},
        {"Location", true, -1, "stored, but the read fails"},
        {"UserTracking", false, 0, "nothing stored yet"},
        {"UserTracking", true, 2, "stored, but the read fails"},
    };
    const std::map<std::string, std::string> values = {
        {"OwnerName", "owner"}, {"Location", "room 1"}, {"UserTracking", "tracked"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.property) + ": " + row.why);
        platform().reset();
        for (const auto& v : values) {
            if (v.first != row.property || row.stored) {
                platform().setEntry(kChassisProvider, v.first, v.second);
            }
        }
        if (row.fault) platform().failRegistry("KduGetRegEntryString", row.property, row.fault);
        size_t logged = logLines().size();

        CIMInstance inst = theInstance();

        for (const auto& v : values) {
            CIMValue value = valueOf(inst, v.first.c_str());
            ASSERT_TRUE(static_cast<bool>(value)) << v.first << " is always set";
            EXPECT_EQ(value.getType(), CIMDataType::STRING);
            EXPECT_EQ(text(value), v.first == row.property ? std::string() : v.second) << v.first;
        }
        EXPECT_EQ(inst.getProperties().size(), 20u);
        EXPECT_EQ(logLines().size(), logged) << "a failed read is not an error";
    }
}

TEST_F(ChassisProviderTest, EachDeliveredInstanceCostsSeventeenHardwareCallsAndThreeRegistryReads) {
    ASSERT_TRUE(platform().calls().empty()) << "initialize touches no platform";
    const std::vector<std::string> one = callsOfOneInstance();
    ASSERT_EQ(one.size(), 20u);

    theInstance();
    EXPECT_EQ(platform().calls(), one) << "enumInstances";

    platform().clearCalls();
    getInstance(chassisPath());
    EXPECT_EQ(platform().calls(), one) << "getInstance";

    // Nothing is cached: a second listing asks everything again.
    platform().clearCalls();
    theInstance();
    theInstance();
    std::vector<std::string> twice = one;
    twice.insert(twice.end(), one.begin(), one.end());
    EXPECT_EQ(platform().calls(), twice);

    platform().clearCalls();
    enumNames();
    EXPECT_TRUE(platform().calls().empty()) << "enumInstanceNames";
}

TEST_F(ChassisProviderTest, ModelFollowsTheSubType) {
    struct Row {
        uint16_t subType;
        const char* model;
        const char* why;
    };
    const Row rows[] = {
        {1, "QVX64 (Telephony Only)", "first known model"},
        {2, "QVX64a (with ADSL Router)", "second known model"},
        {3, "QVX64e (with Ethernet Router)", "third known model"},
        {0, "Unknown ( 0)", "unknown, padded with a blank to two places"},
        {4, "Unknown ( 4)", "first number past the known models"},
        {31, "Unknown (1f)", "lower-case hexadecimal"},
        {291, "Unknown (123)", "the width is a minimum, not a limit"},
        {65535, "Unknown (ffff)", "largest sub-type"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        platform().setNumber("osGetSystemSubType", row.subType);
        EXPECT_EQ(textOf(theInstance(), "Model"), row.model);
    }
}

TEST_F(ChassisProviderTest, VersionIsTypeAndRevisionInHexadecimal) {
    struct Row {
        uint16_t type;
        uint16_t revision;
        const char* version;
        const char* why;
    };
    const Row rows[] = {
        {1, 10, "01.0a", "two places each, lower case"},
        {256, 1, "100.01", "the type's width is a minimum"},
        {1, 4095, "01.fff", "the revision's width is a minimum"},
        {0, 0, "00.00", "zeros are padded too"},
        {65535, 65535, "ffff.ffff", "largest values"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        platform().setNumber("osGetHardwareType", row.type);
        platform().setNumber("osGetHardwareRevision", row.revision);
        EXPECT_EQ(textOf(theInstance(), "Version"), row.version);
    }
}

TEST_F(ChassisProviderTest, MiscInfoJoinsRegionAddressesAndManufacturingInfoAndPrintsTheInfo) {
    struct Row {
        uint16_t region;
        const char* eth[3];
        uint16_t manfId;
        const char* info;
        const char* miscInfo;
        const char* printed;
        const char* why;
    };
    const Row rows[] = {
        {1,
         {"P", "Q", "R"},
         42,
         "Z",
         "01.P.Q.R.2a.Z",
         "manf info is: Z. length: 1\n",
         "one letter each"},
        {0x1ab,
         {"00:a0:11", "00:a0:12", "00:a0:13"},
         0xbeef,
         "ACME lot 7",
         "1ab.00:a0:11.00:a0:12.00:a0:13.beef.ACME lot 7",
         "manf info is: ACME lot 7. length: 10\n",
         "hexadecimal widths are minimums"},
        {0,
         {"", "", ""},
         0,
         "",
         "00....00.",
         "manf info is: . length: 0\n",
         "empty texts keep their separators"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        platform().setNumber("osGetSecsiRegion", row.region);
        platform().setText("osGetEth1Addr", row.eth[0]);
        platform().setText("osGetEth2Addr", row.eth[1]);
        platform().setText("osGetEth3Addr", row.eth[2]);
        platform().setNumber("osGetManfId", row.manfId);
        platform().setText("osGetManfInfo", row.info);

        testing::internal::CaptureStdout();
        CIMInstance inst = theInstance();
        std::string printed = testing::internal::GetCapturedStdout();

        EXPECT_EQ(textOf(inst, "MiscInfo"), row.miscInfo);
        EXPECT_EQ(printed, row.printed) << "one line per instance";
    }
}

TEST_F(ChassisProviderTest, ManufactureDateIsReadFromTheDateText) {
    platform().setText("osGetManfDate", "2005 11 30 14 05");
    CIMDateTime date;
    valueOf(theInstance(), "ManufactureDate").get(date);
    EXPECT_FALSE(date.isInterval());
    EXPECT_EQ(date.getYear(), 2005);
    EXPECT_EQ(date.getMonth(), 11);
    EXPECT_EQ(date.getDay(), 30u);
    EXPECT_EQ(date.getHours(), 14);
    EXPECT_EQ(date.getMinutes(), 5);
    EXPECT_EQ(date.getSeconds(), 0);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ChassisProviderTest, FailedDateReadDeliversTheInstanceWithTheDefaultDateTime) {
    platform().failWith("osGetManfDate", -1);
    CIMInstance inst = theInstance();
    CIMValue value = valueOf(inst, "ManufactureDate");
    ASSERT_TRUE(static_cast<bool>(value));
    EXPECT_EQ(value.getType(), CIMDataType::DATETIME);
    CIMDateTime date;
    value.get(date);
    EXPECT_TRUE(date.equal(CIMDateTime()));
    EXPECT_EQ(inst.getProperties().size(), 20u);
    EXPECT_EQ(logLines(),
              std::vector<std::string>(
                  {"ERROR: osGetManfDate() failed: 4294967295, using default datetime"}));
}

// ---------------------------------------------------------------- failures

TEST_F(ChassisProviderTest, AFailingHardwareCallFailsTheReadWithItsMessageAndOneLogLine) {
    struct Row {
        const char* function;
        int32_t code;
        const char* message;
        const char* suffix;
        bool resultInMessage;  // only the revision's message carries the call and result
    };
    const Row rows[] = {
        {"osGetSystemSubType", 5, "Failed to retrieve property Model",
         ": osGetSystemSubType() failed ", false},
        {"osGetSerialNumber", -1, "Failed to retrieve property SerialNumber",
         ": osGetSerialNumber() failed ", false},
        {"osGetHardwareType", 2, "Failed to retrieve property Version",
         ": osGetHardwareType() failed ", false},
        {"osGetHardwareRevision", 5, "Failed to retrieve property Version",
         ": osGetHardwareRevision() failed ", true},
        {"osGetPartNumber", 70000, "Failed to retrieve property PartNumber",
         ": osGetPartNumber() failed ", false},
        {"osGetSystemId", 1, "Failed to retrieve property SystemID", ": osGetSystemId() failed ",
         false},
        {"osGetSecsiRegion", 3, "Failed to retrieve property MiscInfo",
         ": osGetSecsiRegion() failed ", false},
        {"osGetEth1Addr", 4, "Failed to retrieve property MiscInfo", ": osGetEth1Addr() failed ",
         false},
        {"osGetEth2Addr", -2, "Failed to retrieve property MiscInfo", ": osGetEth2Addr() failed ",
         false},
        {"osGetEth3Addr", 6, "Failed to retrieve property MiscInfo", ": osGetEth3Addr() failed ",
         false},
        {"osGetManfId", 7, "Failed to retrieve property MiscInfo", ": osGetManfId() failed ",
         false},
        {"osGetManfInfo", 8, "Failed to retrieve property MiscInfo", ": osGetManfInfo() failed ",
         false},
        {"osGetPCBASerialNumber", 9, "Failed to retrieve property PCBASerialNumber",
         ": osGetPCBASerialNumber() failed ", false},
        {"osGetCSCSerialNumber", 2147483647, "Failed to retrieve property CSCSerialNumber",
         ": osGetCSCSerialNumber() failed ", false},
        {"osGetHDSerialNumber", 11, "Failed to retrieve property HDSerialNumber",
         ": osGetHDSerialNumber() failed ", false},
        {"osGetCNICOneSerialNumber", -2147483647 - 1,
         "Failed to retrieve property CNICOneSerialNumber", ": osGetCNICOneSerialNumber() failed ",
         false},
    };
    // The date is the seventeenth call; it never fails the read (tested above).
    ASSERT_EQ(std::size(rows) + 1, hardwareCallsOfOneInstance().size());

    for (const Row& row : rows) {
        SCOPED_TRACE(row.function);
        const std::string line = std::string(row.message) + row.suffix + unsignedText(row.code);
        const std::string expectedText = row.resultInMessage ? line : row.message;

        // Once through each reading operation.
        for (int op = 0; op < 2; ++op) {
            SCOPED_TRACE(op == 0 ? "enumInstances" : "getInstance");
            platform().reset();
            platform().failWith(row.function, row.code);
            size_t logged = logLines().size();
            qvx_test::InstanceCollector out;
            std::optional<CIMInstance> got;

            auto e = cimErrorOf([&] {
                if (op == 0) {
                    enumInstances(out);
                } else {
                    got = getInstance(chassisPath());
                }
            });

            ASSERT_TRUE(e.has_value());
            EXPECT_EQ(e->getErrNo(), CIMException::FAILED);
            EXPECT_EQ(description(*e), expectedText);
            EXPECT_STREQ(e->getFile(), "QVX_Z64ChassisAPI.cpp");
            std::vector<std::string> lines = logLines();
            lines.erase(lines.begin(), lines.begin() + static_cast<long>(logged));
            EXPECT_EQ(lines, std::vector<std::string>({"ERROR: " + line}));
            EXPECT_TRUE(out.items.empty()) << "no instance delivered";
            EXPECT_FALSE(got.has_value());
            // The failing call is the last one made: nothing after it is asked.
            std::vector<std::string> calls = platform().calls();
            ASSERT_FALSE(calls.empty());
            EXPECT_EQ(functionName(calls.back()), row.function);
        }
    }
}

// ---------------------------------------------------------------- lookup

struct LookupRow {
    std::vector<Key> keys;
    const char* thrownBy;
    const char* why;
};

const LookupRow kLookupRows[] = {
    {{{"Tag", std::string("chassis")}, {"CreationClassName", std::string("QVX_Chassis")}},
     "QVX_Z64Chassis.cpp",
     "tag compared with its letter case"},
    {{{"Tag", std::string("Chassis ")}, {"CreationClassName", std::string("QVX_Chassis")}},
     "QVX_Z64Chassis.cpp",
     "tag compared whole"},
    {{{"Tag", std::string("Chassis")}, {"CreationClassName", std::string("QVX_Z64Chassis")}},
     "QVX_Z64Chassis.cpp",
     "the served class is not the creation class"},
    {{{"Tag", std::string("Chassis")}, {"CreationClassName", std::string("qvx_chassis")}},
     "QVX_Z64Chassis.cpp",
     "creation class name compared with its letter case"},
    {{{"Tag", std::string("")}, {"CreationClassName", std::string("")}},
     "QVX_Z64Chassis.cpp",
     "empty keys"},
    {{{"CreationClassName", std::string("QVX_Chassis")}},
     "QVX_Z64ChassisProvider.cpp",
     "Tag missing"},
    {{{"Tag", std::string("Chassis")}}, "QVX_Z64ChassisProvider.cpp", "CreationClassName missing"},
    {{}, "QVX_Z64ChassisProvider.cpp", "no keys at all"},
    {{{"Tag", std::nullopt}, {"CreationClassName", std::string("QVX_Chassis")}},
     "QVX_Z64ChassisProvider.cpp",
     "Tag null"},
    {{{"Tag", std::string("Chassis")}, {"CreationClassName", std::nullopt}},
     "QVX_Z64ChassisProvider.cpp",
     "CreationClassName null"},
    {{{"CreationClassName", std::string("Wrong")}},
     "QVX_Z64ChassisProvider.cpp",
     "keys are all read before any is compared"},
};

TEST_F(ChassisProviderTest, GetInstanceWithKeysOfNoChassisIsNotFound) {
    for (const LookupRow& row : kLookupRows) {
        SCOPED_TRACE(row.why);
        platform().clearCalls();
        auto e = cimErrorOf([&] { getInstance(pathWith(row.keys)); });
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->getErrNo(), CIMException::NOT_FOUND);
        EXPECT_EQ(e->getDescription(), nullptr) << "no message text";
        EXPECT_STREQ(e->getFile(), row.thrownBy);
        EXPECT_TRUE(platform().calls().empty());
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ChassisProviderTest, ModifyWithKeysOfNoChassisIsNotFoundAndWritesNothing) {
    for (const LookupRow& row : kLookupRows) {
        SCOPED_TRACE(row.why);
        platform().reset();
        CIMInstance inst = modifiedInstance(row.keys, {{"OwnerName", std::string("someone")}});
        auto e = cimErrorOf([&] { modify(inst); });
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->getErrNo(), CIMException::NOT_FOUND);
        EXPECT_EQ(e->getDescription(), nullptr);
        EXPECT_STREQ(e->getFile(), row.thrownBy);
        EXPECT_TRUE(platform().calls().empty());
        EXPECT_FALSE(platform().textEntry(kChassisProvider, "OwnerName").has_value());
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ChassisProviderTest, CreationClassNameIsCheckedBeforeTag) {
    auto lineOf = [&](const char* tag, const char* creationClassName) {
        auto e = cimErrorOf([&] {
            getInstance(pathWith({{"Tag", std::string(tag)},
                                  {"CreationClassName", std::string(creationClassName)}}));
        });
        return e ? e->getLine() : -1;
    };
    int classWrong = lineOf("Chassis", "QVX_Z64Chassis");
    int tagWrong = lineOf("chassis", "QVX_Chassis");
    int bothWrong = lineOf("chassis", "QVX_Z64Chassis");
    ASSERT_NE(classWrong, tagWrong) << "the two checks must be told apart";
    EXPECT_EQ(bothWrong, classWrong);
}

// ---------------------------------------------------------------- writes

// Calls made by a modification, with each stamp checked against the window
// and replaced by "STAMP".
std::vector<std::string> writesBetween(const std::vector<std::string>& calls, time_t from,
                                       time_t to) {
    std::vector<std::string> out;
    for (const std::string& call : calls) {
        if (!isStamp(call)) {
            out.push_back(call);
            continue;
        }
        long long at = std::stoll(call.substr(std::string(kStampPrefix).size()));
        EXPECT_GE(at, static_cast<long long>(from)) << call;
        EXPECT_LE(at, static_cast<long long>(to)) << call;
        out.push_back("STAMP");
    }
    return out;
}

// The three administrator texts in the registry are exactly stored.
void expectStored(const std::map<std::string, std::string>& stored) {
    for (const char* property : {"OwnerName", "Location", "UserTracking"}) {
        auto it = stored.find(property);
        std::optional<std::string> want;
        if (it != stored.end()) want = it->second;
        EXPECT_EQ(PlatformDouble::instance().textEntry(kChassisProvider, property), want)
            << property;
    }
}

TEST_F(ChassisProviderTest, ModifyWritesTheWritableTextsInTheInstancesOrderAndStampsEach) {
    struct Row {
        std::vector<Change> changes;
        std::vector<std::string> calls;
        std::map<std::string, std::string> stored;
        const char* why;
    };
    const Row rows[] = {
        {{{"OwnerName", std::string("Ops")}, {"Location", std::string("Rack 4")}},
         {registryWrite("OwnerName", "Ops"), "STAMP", registryWrite("Location", "Rack 4"), "STAMP"},
         {{"OwnerName", "Ops"}, {"Location", "Rack 4"}},
         "each write stamped"},
        {{{"Location", std::string("L")},
          {"UserTracking", std::string("U")},
          {"OwnerName", std::string("O")}},
         {registryWrite("Location", "L"), "STAMP", registryWrite("UserTracking", "U"), "STAMP",
          registryWrite("OwnerName", "O"), "STAMP"},
         {{"Location", "L"}, {"UserTracking", "U"}, {"OwnerName", "O"}},
         "the instance's order, not the comparison order"},
        {{{"ownername", std::string("x")},
          {"LOCATION", std::string("y")},
          {"Usertracking", std::string("z")}},
         {},
         {},
         "names in another letter case are not writable"},
        {{{"OwnerName", std::nullopt}}, {}, {}, "a null value is skipped"},
        {{{"OwnerName", std::nullopt}, {"Location", std::string("L")}},
         {registryWrite("Location", "L"), "STAMP"},
         {{"Location", "L"}},
         "a null value does not end the loop"},
        {{{"SerialNumber", std::string("X")},
          {"Model", std::string("Y")},
          {"ElementName", std::string("Z")},
          {"MiscInfo", std::string("W")}},
         {},
         {},
         "read-only properties are ignored"},
        {{{"Colour", std::string("red")}}, {}, {}, "names the class does not have are ignored"},
        {{{"OwnerName", std::string("")}},
         {registryWrite("OwnerName", ""), "STAMP"},
         {{"OwnerName", ""}},
         "the empty text is written as it is"},
        {{{"UserTracking", std::string("a;b #c\td")}},
         {registryWrite("UserTracking", "a;b #c\td"), "STAMP"},
         {{"UserTracking", "a;b #c\td"}},
         "no validation"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        platform().reset();
        time_t from = std::time(0);
        modify(chassisChange(row.changes));
        time_t to = std::time(0);

        EXPECT_EQ(writesBetween(platform().calls(), from, to), row.calls);
        expectStored(row.stored);
        std::optional<int32_t> stamp = platform().intEntry("QVX_SystemProvider", "LastChangeTime");
        EXPECT_EQ(stamp.has_value(), !row.stored.empty());
        if (stamp) {
            EXPECT_GE(*stamp, from);
            EXPECT_LE(*stamp, to);
        }
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ChassisProviderTest, ARefusedWriteStopsTheModificationKeepingEarlierWrites) {
    struct Row {
        std::vector<Change> changes;
        std::vector<std::string> calls;
        std::map<std::string, std::string> stored;
        const char* why;
    };
    const Row rows[] = {
        {{{"UserTracking", std::string("U")},
          {"OwnerName", std::string("O")},
          {"Location", std::string("L")}},
         {registryWrite("UserTracking", "U"), "STAMP", registryWrite("OwnerName", "O")},
         {{"UserTracking", "U"}},
         "the earlier write stays, the later one is not made"},
        {{{"OwnerName", std::string("O")}, {"UserTracking", std::string("U")}},
         {registryWrite("OwnerName", "O")},
         {},
         "refused first: nothing written, nothing stamped"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        platform().reset();
        platform().failRegistry("KduSetRegEntryString", "OwnerName", 5);
        size_t logged = logLines().size();
        CIMInstance inst = chassisChange(row.changes);

        time_t from = std::time(0);
        auto e = cimErrorOf([&] { modify(inst); });
        time_t to = std::time(0);

        ASSERT_TRUE(e.has_value());
        const std::string m1 =
            std::string("Failed to modify property  ") + inst.toString().c_str() + ".OwnerName";
        EXPECT_EQ(e->getErrNo(), CIMException::FAILED);
        EXPECT_EQ(description(*e), m1 + "#PTM_ERROR_failedModifyProperty#");
        EXPECT_STREQ(e->getFile(), "QVX_Z64ChassisProvider.cpp");
        std::vector<std::string> lines = logLines();
        lines.erase(lines.begin(), lines.begin() + static_cast<long>(logged));
        EXPECT_EQ(lines, std::vector<std::string>({"ERROR: " + m1 + ":  with return code: 0"}));

        EXPECT_EQ(writesBetween(platform().calls(), from, to), row.calls);
        expectStored(row.stored);
        EXPECT_EQ(platform().intEntry("QVX_SystemProvider", "LastChangeTime").has_value(),
                  !row.stored.empty());
    }
}

TEST_F(ChassisProviderTest, ARefusedStampDoesNotFailTheWrite) {
    platform().failWith("KduSetRegEntryInt", 9);
    modify(chassisChange({{"Location", std::string("Hall B")}}));
    EXPECT_EQ(platform().textEntry(kChassisProvider, "Location"), std::string("Hall B"));
    EXPECT_EQ(platform().count("KduSetRegEntryInt"), 1u);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ChassisProviderTest, AWrittenTextIsWhatTheNextReadDelivers) {
    modify(chassisChange({{"OwnerName", std::string("Night shift")}}));
    EXPECT_EQ(textOf(getInstance(chassisPath()), "OwnerName"), "Night shift");
}

}  // namespace
