// How the chassis turns the hardware's answers into property values: model,
// version, MiscInfo and date conversions, text widths and bounds.
#include "chassis_test_support.hpp"

#include <cstdio>
#include <set>
#include <sstream>

using namespace chassis_test;

namespace {

class ChassisApiTest : public ChassisTest {
protected:
    // Hardware answers by function name without "osGet": a number for the
    // five number queries, a text for the others.
    void answer(const std::vector<std::pair<std::string, std::string>>& answers) {
        const std::set<std::string> numbers = {"SystemSubType", "HardwareType", "HardwareRevision",
                                               "SecsiRegion", "ManfId"};
        for (const auto& a : answers) {
            if (numbers.count(a.first)) {
                platform().setNumber("osGet" + a.first,
                                     static_cast<uint16_t>(std::stoul(a.second)));
            } else {
                platform().setText("osGet" + a.first, a.second);
            }
        }
    }
};

TEST_F(ChassisApiTest, ModelVersionAndMiscInfoFollowTheHardwareNumbersAndTexts) {
    struct Row {
        std::vector<std::pair<std::string, std::string>> answers;
        const char* property;
        const char* value;
    };
    const Row rows[] = {
        {{{"SystemSubType", "1"}}, "Model", "QVX64 (Telephony Only)"},
        {{{"SystemSubType", "2"}}, "Model", "QVX64a (with ADSL Router)"},
        {{{"SystemSubType", "3"}}, "Model", "QVX64e (with Ethernet Router)"},
        {{{"SystemSubType", "0"}}, "Model", "Unknown ( 0)"},
        {{{"SystemSubType", "31"}}, "Model", "Unknown (1f)"},
        {{{"SystemSubType", "291"}}, "Model", "Unknown (123)"},
        {{{"HardwareType", "0"}, {"HardwareRevision", "0"}}, "Version", "00.00"},
        {{{"HardwareType", "256"}, {"HardwareRevision", "1"}}, "Version", "100.01"},
        {{{"HardwareType", "1"}, {"HardwareRevision", "4095"}}, "Version", "01.fff"},
        {{{"SecsiRegion", "427"}, {"ManfId", "48879"}}, "MiscInfo", "1ab.P.Q.R.beef.Z"},
        {{{"SecsiRegion", "0"}, {"ManfId", "0"}}, "MiscInfo", "00.P.Q.R.00.Z"},
        {{{"Eth2Addr", ""}, {"ManfInfo", ""}}, "MiscInfo", "01.P..R.2a."},  // separators stay
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        platform().reset();
        answer(row.answers);
        testing::internal::CaptureStdout();
        EXPECT_EQ(std::string("string ") + row.value, typedProperty(theInstance(), row.property));
        testing::internal::GetCapturedStdout();
    }
}

TEST_F(ChassisApiTest, MiscInfoIsCutToItsAreaAndPrintsTheManufacturingInfo) {
    struct Row {
        uint16_t region;
        size_t ethLength;
        uint16_t manfId;
        size_t infoLength;
    };
    // Texts are asked with size 255, so a 255-byte text arrives as 254.
    const Row rows[] = {
        {0xffff, 255, 0xffff, 255},  // every part at its longest
        {1, 1, 42, 243},             // 255 bytes in all: kept whole
        {1, 1, 42, 244},             // 256 bytes in all: the last one is cut
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.infoLength);
        const std::string eth(row.ethLength, 'e');
        const std::string info(row.infoLength, 'i');
        answer({{"SecsiRegion", std::to_string(row.region)},
                {"Eth1Addr", eth},
                {"Eth2Addr", eth},
                {"Eth3Addr", eth},
                {"ManfId", std::to_string(row.manfId)},
                {"ManfInfo", info}});
        char hex[2][8];
        std::snprintf(hex[0], sizeof hex[0], "%02x", row.region);
        std::snprintf(hex[1], sizeof hex[1], "%02x", row.manfId);
        const std::string e = eth.substr(0, 254);
        const std::string whole = std::string(hex[0]) + "." + e + "." + e + "." + e + "." + hex[1] +
                                  "." + info.substr(0, 254);

        testing::internal::CaptureStdout();
        std::string value = typedProperty(theInstance(), "MiscInfo");
        const std::string printed = testing::internal::GetCapturedStdout();

        EXPECT_EQ("string " + whole.substr(0, 255), value);
        EXPECT_EQ("manf info is: " + info.substr(0, 254) +
                      ". length: " + std::to_string(std::min<size_t>(row.infoLength, 254)) + "\n",
                  printed);
    }
}

TEST_F(ChassisApiTest, TextsKeepWhatFitsTheSizeTheyAreAskedWith) {
    const std::pair<const char*, size_t> kept[] = {
        {"SerialNumber", 20},        {"SystemID", 12},         {"PartNumber", 255},
        {"PCBASerialNumber", 255},   {"CSCSerialNumber", 254}, {"HDSerialNumber", 255},
        {"CNICOneSerialNumber", 255}};
    const std::string longText(400, 'x');
    for (const char* f : {"SerialNumber", "SystemId", "PartNumber", "PCBASerialNumber",
                          "CSCSerialNumber", "HDSerialNumber", "CNICOneSerialNumber"}) {
        answer({{f, longText}});
    }
    CIMInstance inst = theInstance();
    for (const auto& k : kept) {
        EXPECT_EQ("string " + longText.substr(0, k.second), typedProperty(inst, k.first))
            << k.first;
    }
}

TEST_F(ChassisApiTest, ManufactureDateParsesFiveNumbersAndClampsEachOverItsLimit) {
    struct Row {
        const char* text;
        const char* date;    // without the fixed ".000000+000"
        const char* logged;  // values reported over their limit, "|" between lines
    };
    const Row rows[] = {
        {"2005 11 30 14 05", "20051130140500", ""},
        {"3000 12 31 23 59", "30001231235900", ""},  // each limit itself is accepted
        {"3001 13 32 24 60", "30001230235900", "year: 3001|month: 13|day: 32|hour: 24|minute: 60"},
        {"2005 1 32 0 0", "20050130000000", "day: 32"},  // day alone, to 30
        {"2005 0 0 0 0", "20050000000000", ""},          // month and day 0 pass unchanged
        {"2005 11", "20051100000000", ""},               // short text: the rest is 0
        {"", "00000000000000", ""},
        {"20051 2 3 4 5", "20050102030400", ""},  // the year's width of 4 splits a longer number
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        platform().setText("osGetManfDate", row.text);
        const size_t logged = client.logLines().size();

        EXPECT_EQ(std::string("datetime ") + row.date + ".000000+000",
                  typedProperty(theInstance(), "ManufactureDate"));

        std::vector<std::string> expected;
        std::istringstream fields(row.logged);
        for (std::string f; std::getline(fields, f, '|');) {
            expected.push_back("ERROR: osGetManfDate() returned invalid " + f);
        }
        EXPECT_EQ(expected, linesSince(logged));
    }
}

TEST_F(ChassisApiTest, AFailedDateReadDeliversTheInstanceWithTheDefaultDateTime) {
    platform().failWith("osGetManfDate", -1);
    CIMInstance inst = theInstance();
    EXPECT_EQ("datetime 00000000000000.000000:000", typedProperty(inst, "ManufactureDate"));
    EXPECT_EQ(20u, inst.getProperties().size());
    EXPECT_EQ(
        std::vector<std::string>{
            "ERROR: osGetManfDate() failed: 4294967295, using default datetime"},
        client.logLines());
}

}  // namespace
