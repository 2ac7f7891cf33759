// QVX_Z64Chassis through the composite provider, as the object manager
// drives it: its one instance, how the hardware's answers become property
// values, hardware failures, key lookup and writes.
#include "ProviderTest.hpp"

using namespace qvx_test;

namespace {

const char* const kClass = "QVX_Z64Chassis";
const char* const kProvider = "QVX_Z64ChassisProvider";
// Keyed as the numbered records are, by Tag and CreationClassName.
const Numbered kChassis = {kClass,
                           "QVX_Chassis",
                           "Tag",
                           "",
                           kProvider,
                           "QVX_Z64ChassisProvider.cpp",
                           "QVX_Z64Chassis.cpp"};
const CIMObjectPath kPath = kChassis.path("Chassis", "QVX_Chassis");

class ChassisTest : public ProviderTest {
protected:
    CIMInstance theInstance() {
        std::vector<CIMInstance> all = instances(kClass);
        EXPECT_EQ(1u, all.size());
        return all.empty() ? CIMInstance(CIMNULL) : all.front();
    }
};

TEST_F(ChassisTest, OnePathAskingNothingAndTwentyPropertiesAskingEveryCallEachTime) {
    std::vector<CIMObjectPath> paths = names(kClass);
    ASSERT_EQ(1u, paths.size());
    EXPECT_EQ(kPath.toString(), paths[0].toString());
    EXPECT_TRUE(platform().calls().empty());
    // Registry texts are empty, without error, when there is no entry or its
    // read fails.
    platform().setEntry(kProvider, "Location", "Rack 4");
    platform().fail("KduGetRegEntryString", -1, "Location");
    platform().setEntry(kProvider, "UserTracking", "asset 77");
    // The double's default hardware answers, each distinct; texts name their call.
    const std::vector<std::string> expected = {
        "Tag=string Chassis",
        "CreationClassName=string QVX_Chassis",
        "ElementName=string Varlen Networks QVX64 Communications Server",
        "Manufacturer=string Varlen Networks",
        "Model=string QVX64 (Telephony Only)",
        "SerialNumber=string osGetSerialNumber",
        "Version=string 01.0a",
        "PartNumber=string osGetPartNumber",
        "OwnerName=string ",
        "Location=string ",
        "PhysicalType=uint8 3",
        "UserTracking=string asset 77",
        "CanBeFRUed=boolean true",
        "SystemID=string osGetSystemI",  // 12 fit
        "MiscInfo=string 01.osGetEth1Addr.osGetEth2Addr.osGetEth3Addr.2a.osGetManfInfo",
        "ManufactureDate=datetime 20051130140500.000000+000",
        "PCBASerialNumber=string osGetPCBASerialNumber",
        "CSCSerialNumber=string osGetCSCSerialNumber",
        "HDSerialNumber=string osGetHDSerialNumber",
        "CNICOneSerialNumber=string osGetCNICOneSerialNumber",
    };
    testing::internal::CaptureStdout();
    EXPECT_EQ(expected, typedList(theInstance().getProperties()));
    EXPECT_EQ("manf info is: osGetManfInfo. length: 13\n", testing::internal::GetCapturedStdout());
    CIMInstance got = get(kPath);
    EXPECT_STREQ(kClass, got.getClassName().c_str());
    EXPECT_EQ(expected, typedList(got.getProperties()));
    // Nothing is cached: seventeen hardware and three registry calls each time.
    EXPECT_EQ(40u, platform().calls().size());
    EXPECT_EQ(6u, platform().count("KduGetRegEntryString"));
    EXPECT_TRUE(logged().empty());
}

// One row per rule turning a hardware answer into a property; no answer
// makes the call fail with -1.
TEST_F(ChassisTest, PropertyValuesFollowTheHardwareAnswers) {
    const std::string x400(400, 'x');
    const std::string misc = "MiscInfo=string 01.osGetEth1Addr.osGetEth2Addr.osGetEth3Addr.2a.";
    const std::string invalid = "ERROR: osGetManfDate() returned invalid ";
    const struct {
        const char* function;
        std::optional<std::string> answer;
        std::string property;
        std::string logged = "";
    } rows[] = {
        {"osGetSystemSubType", "2", "Model=string QVX64a (with ADSL Router)"},
        {"osGetSystemSubType", "291", "Model=string Unknown (123)"},
        {"osGetHardwareType", "256", "Version=string 100.0a"},
        {"osGetHardwareRevision", "4095", "Version=string 01.fff"},
        {"osGetSecsiRegion", "427",
         "MiscInfo=string 1ab.osGetEth1Addr.osGetEth2Addr.osGetEth3Addr.2a.osGetManfInfo"},
        {"osGetManfId", "48879",
         "MiscInfo=string 01.osGetEth1Addr.osGetEth2Addr.osGetEth3Addr.beef.osGetManfInfo"},
        {"osGetEth2Addr", "", "MiscInfo=string 01.osGetEth1Addr..osGetEth3Addr.2a.osGetManfInfo"},
        {"osGetManfInfo", x400, (misc + x400).substr(0, 9 + 7 + 255)},  // cut to its 255 bytes
        // Texts keep what fits the size they are asked with.
        {"osGetSerialNumber", x400, "SerialNumber=string " + x400.substr(0, 20)},
        {"osGetSystemId", x400, "SystemID=string " + x400.substr(0, 12)},
        {"osGetCSCSerialNumber", x400, "CSCSerialNumber=string " + x400.substr(0, 254)},
        {"osGetPartNumber", x400, "PartNumber=string " + x400.substr(0, 255)},
        {"osGetPCBASerialNumber", x400, "PCBASerialNumber=string " + x400.substr(0, 255)},
        {"osGetHDSerialNumber", x400, "HDSerialNumber=string " + x400.substr(0, 255)},
        {"osGetCNICOneSerialNumber", x400, "CNICOneSerialNumber=string " + x400.substr(0, 255)},
        // Five numbers, each limit accepted, each field over it replaced.
        {"osGetManfDate", "3000 12 31 23 59", "ManufactureDate=datetime 30001231235900.000000+000"},
        {"osGetManfDate", "3001 13 32 24 60", "ManufactureDate=datetime 30001230235900.000000+000",
         invalid + "year: 3001\n" + invalid + "month: 13\n" + invalid + "day: 32\n" + invalid +
             "hour: 24\n" + invalid + "minute: 60\n"},
        {"osGetManfDate", std::nullopt, "ManufactureDate=datetime 00000000000000.000000:000",
         "ERROR: osGetManfDate() failed: 4294967295, using default datetime\n"},
    };
    for (const auto& row : rows) {
        platform().reset();
        if (row.answer)
            platform().answer(row.function, *row.answer);
        else
            platform().fail(row.function, -1);
        CIMInstance inst = theInstance();
        const std::string name = row.property.substr(0, row.property.find('='));
        EXPECT_EQ(row.property, name + "=" + typedProperty(inst, name.c_str()));
        EXPECT_EQ(20u, inst.getProperties().size()) << row.function;
        std::string lines;
        for (const std::string& line : logged()) lines += line + "\n";
        EXPECT_EQ(row.logged, lines);
    }
}

TEST_F(ChassisTest, AFailingHardwareCallFailsTheReadWithItsMessageAndOneLogLine) {
    const struct {
        const char* function;
        int32_t code;
        const char* property;
    } rows[] = {
        {"osGetSystemSubType", 5, "Model"},
        {"osGetSerialNumber", -1, "SerialNumber"},
        {"osGetHardwareRevision", 5, "Version"},  // the one whose message names the call
        {"osGetPartNumber", 70000, "PartNumber"},
        {"osGetSystemId", 1, "SystemID"},
        {"osGetEth2Addr", -2, "MiscInfo"},
        {"osGetManfInfo", 8, "MiscInfo"},
        {"osGetCSCSerialNumber", 2147483647, "CSCSerialNumber"},
        {"osGetCNICOneSerialNumber", -2147483647 - 1, "CNICOneSerialNumber"},
    };
    for (const auto& row : rows) {
        for (bool listing : {true, false}) {
            SCOPED_TRACE(std::string(row.function) + (listing ? " listing" : " reading"));
            platform().reset();
            platform().fail(row.function, row.code);
            InstanceCollector out;
            CIMException e = cimError([&] {
                if (listing)
                    instancesInto(kClass, out);
                else
                    get(kPath);
            });
            const std::string head = std::string("Failed to retrieve property ") + row.property;
            const std::string message = head + ": " + row.function + "() failed " +
                                        std::to_string(static_cast<uint32_t>(row.code));
            const bool named = row.function == std::string("osGetHardwareRevision");
            EXPECT_EQ(error(CIMException::FAILED, "QVX_Z64ChassisAPI.cpp", named ? message : head),
                      describe(e));
            EXPECT_EQ(std::vector<std::string>{"ERROR: " + message}, logged());
            EXPECT_TRUE(out.items.empty());
            EXPECT_EQ(0u, platform().calls().back().rfind(row.function, 0)) << "asked last";
        }
    }
}

TEST_F(ChassisTest, KeysOfNoChassisAreNotFoundWritingNothing) {
    const struct {
        const char* tag;
        const char* creationClass;
        const char* file;
    } rows[] = {
        {"chassis", "QVX_Chassis", kChassis.managerFile},
        {"Chassis", kClass, kChassis.managerFile},
        {"Chassis", "qvx_chassis", kChassis.managerFile},
        {"QVX_Chassis", "Chassis", kChassis.managerFile},
        {"Chassis", nullptr, kChassis.providerFile},
        {nullptr, "Wrong", kChassis.providerFile},  // all keys are read before any compare
    };
    for (const auto& row : rows) {
        CIMObjectPath path = kChassis.path(row.tag, row.creationClass);
        SCOPED_TRACE(path.toString().c_str());
        platform().reset();
        expectNotFound(path, kChassis.change(path, "OwnerName", CIMValue("someone")), row.file);
        EXPECT_TRUE(platform().calls().empty());
    }
    EXPECT_TRUE(logged().empty());
}

TEST_F(ChassisTest, ModifyWritesTheWritableTextsInTheInstancesOrderStampingEach) {
    const std::string W = "KduSetRegEntryString(Providers,QVX_Z64ChassisProvider,";
    const std::string S = "STAMP";
    const struct {
        std::vector<std::pair<const char*, std::optional<std::string>>> changes;
        std::string refused;  // the registry entry whose writes fail
        std::vector<std::string> calls;
    } rows[] = {
        {{{"Location", "L"}, {"UserTracking", "U"}, {"OwnerName", "O"}},
         "",
         {W + "Location,L)", S, W + "UserTracking,U)", S, W + "OwnerName,O)", S}},
        {{{"UserTracking", "U"}, {"OwnerName", "O"}, {"Location", "L"}},
         "OwnerName",
         {W + "UserTracking,U)", S, W + "OwnerName,O)"}},
        {{{"Location", "L"}}, "LastChangeTime", {W + "Location,L)", S}},  // the stamp is no error
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        platform().reset();
        if (!row.refused.empty()) {
            platform().fail("KduSetRegEntryString", 5, row.refused);
            platform().fail("KduSetRegEntryInt", 5, row.refused);
        }
        CIMInstance change = kChassis.change(kPath, "Tag", CIMValue("Chassis"));
        for (const auto& c : row.changes) {
            change.setProperty(c.second ? CIMProperty(c.first, CIMValue(c.second->c_str()))
                                        : CIMProperty(c.first, CIMDataType::STRING));
        }
        CIMException e("", 0, CIMException::SUCCESS);
        EXPECT_EQ(row.calls, callsOf([&] { e = cimError([&] { modify(change); }); }));
        // The message is the frame's.
        EXPECT_EQ(row.refused == "OwnerName" ? CIMException::FAILED : CIMException::SUCCESS,
                  e.getErrNo());
        EXPECT_EQ(e.getErrNo() ? 1u : 0u, logged().size());
    }
}

}  // namespace
