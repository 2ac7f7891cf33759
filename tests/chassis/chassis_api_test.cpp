// The hardware-property class on its own, where the composite would hide
// the detail: the MiscInfo bound, date parsing and untouched outputs.
#include "chassis/QVX_Z64ChassisAPI.hpp"
#include "chassis_test_support.hpp"

#include "OW_CIMDateTime.hpp"

#include <cstdint>
#include <cstdio>

using namespace chassis_test;
using OpenWBEM::CIMDateTime;

namespace {

class ChassisApiTest : public ChassisTest {};

std::string hex2(unsigned value) {
    char buf[16];
    std::snprintf(buf, sizeof(buf), "%02x", value);
    return buf;
}

TEST_F(ChassisApiTest, MiscInfoIsCutToItsAreaAndNeverOverrunsIt) {
    struct Row {
        uint16_t region;
        size_t ethLength;
        uint16_t manfId;
        size_t infoLength;
        const char* why;
    };
    // The library is asked with size 255, so a 255-byte text arrives as 254.
    const Row rows[] = {
        {0xffff, 255, 0xffff, 255, "every text at its longest, numbers at their widest"},
        {1, 1, 42, 243, "255 bytes in all: kept whole"},
        {1, 1, 42, 244, "256 bytes in all: the last one is cut"},
        {1, 1, 42, 0, "short: kept whole"},
    };
    const QVX_Z64ChassisAPI api;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        platform().reset();
        const std::string eth1(row.ethLength, 'a');
        const std::string eth2(row.ethLength, 'b');
        const std::string eth3(row.ethLength, 'c');
        const std::string info(row.infoLength, 'd');
        platform().setNumber("osGetSecsiRegion", row.region);
        platform().setText("osGetEth1Addr", eth1);
        platform().setText("osGetEth2Addr", eth2);
        platform().setText("osGetEth3Addr", eth3);
        platform().setNumber("osGetManfId", row.manfId);
        platform().setText("osGetManfInfo", info);
        auto arrived = [](const std::string& s) { return s.substr(0, 254); };
        const std::string whole = hex2(row.region) + "." + arrived(eth1) + "." + arrived(eth2) +
                                  "." + arrived(eth3) + "." + hex2(row.manfId) + "." +
                                  arrived(info);
        const size_t area = 256;  // the composition area, terminator included

        String value("previous");
        testing::internal::CaptureStdout();
        EXPECT_TRUE(api.getMiscInfo(value));
        const std::string printed = testing::internal::GetCapturedStdout();

        EXPECT_EQ(std::string(value.c_str()), whole.substr(0, area - 1));
        EXPECT_LE(value.length(), area - 1);
        EXPECT_EQ(printed, "manf info is: " + arrived(info) +
                               ". length: " + std::to_string(arrived(info).size()) + "\n");
    }
}

TEST_F(ChassisApiTest, ManufactureDateParsesFiveNumbersAndClampsEachOverItsLimit) {
    struct Row {
        const char* text;
        int year, month, day, hour, minute;
        std::vector<std::string> logged;
        const char* why;
    };
    const std::string p = "ERROR: osGetManfDate() returned invalid ";
    const Row rows[] = {
        {"2005 11 30 14 05", 2005, 11, 30, 14, 5, {}, "in range"},
        {"3000 12 31 23 59", 3000, 12, 31, 23, 59, {}, "each limit itself is accepted"},
        {"3001 13 32 24 60",
         3000,
         12,
         30,
         23,
         59,
         {p + "year: 3001", p + "month: 13", p + "day: 32", p + "hour: 24", p + "minute: 60"},
         "over every limit: logged in field order"},
        {"9999 99 99 99 99",
         3000,
         12,
         30,
         23,
         59,
         {p + "year: 9999", p + "month: 99", p + "day: 99", p + "hour: 99", p + "minute: 99"},
         "far over every limit"},
        {"3001 1 1 0 0", 3000, 1, 1, 0, 0, {p + "year: 3001"}, "year alone"},
        {"2005 13 1 0 0", 2005, 12, 1, 0, 0, {p + "month: 13"}, "month alone"},
        {"2005 1 32 0 0", 2005, 1, 30, 0, 0, {p + "day: 32"}, "day alone: 30, not 31"},
        {"2005 1 1 24 0", 2005, 1, 1, 23, 0, {p + "hour: 24"}, "hour alone"},
        {"2005 1 1 0 60", 2005, 1, 1, 0, 59, {p + "minute: 60"}, "minute alone"},
        {"2005 0 0 0 0", 2005, 0, 0, 0, 0, {}, "month and day 0 pass unchanged"},
        {"0 0 0 0 0", 0, 0, 0, 0, 0, {}, "all zero"},
        {"2005 11", 2005, 11, 0, 0, 0, {}, "short text: the numbers not given are 0"},
        {"", 0, 0, 0, 0, 0, {}, "empty text: all 0"},
        {"n/a", 0, 0, 0, 0, 0, {}, "no number at all: all 0"},
        {" 2005\t11\n30  14 5", 2005, 11, 30, 14, 5, {}, "any white space separates"},
        {"20051 2 3 4 5", 2005, 1, 2, 3, 4, {}, "the year's width of 4 splits a longer number"},
    };
    const QVX_Z64ChassisAPI api;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.why) + " [" + row.text + "]");
        platform().setText("osGetManfDate", row.text);
        const size_t logged = logLines().size();
        // Seconds are set; microseconds and offset are left as the caller had them.
        CIMDateTime date;
        date.setSeconds(42).setMicroSeconds(123).setUtc(60);

        EXPECT_TRUE(api.getManufactureDate(date));

        EXPECT_FALSE(date.isInterval());
        EXPECT_EQ(date.getYear(), row.year);
        EXPECT_EQ(date.getMonth(), row.month);
        EXPECT_EQ(date.getDay(), static_cast<unsigned>(row.day));
        EXPECT_EQ(date.getHours(), row.hour);
        EXPECT_EQ(date.getMinutes(), row.minute);
        EXPECT_EQ(date.getSeconds(), 0);
        EXPECT_EQ(date.getMicroSeconds(), 123u);
        EXPECT_EQ(date.getUtc(), 60);
        std::vector<std::string> lines = logLines();
        lines.erase(lines.begin(), lines.begin() + static_cast<long>(logged));
        EXPECT_EQ(lines, row.logged);
    }
}

TEST_F(ChassisApiTest, AFailedDateReadGivesTheDefaultDateTimeAndOneLogLine) {
    struct Row {
        int32_t code;
        const char* logged;
    };
    const Row rows[] = {
        {5, "ERROR: osGetManfDate() failed: 5, using default datetime"},
        {-1, "ERROR: osGetManfDate() failed: 4294967295, using default datetime"},
    };
    const QVX_Z64ChassisAPI api;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        platform().failWith("osGetManfDate", row.code);
        const size_t logged = logLines().size();
        CIMDateTime date;
        date.setInterval(false);
        date.setYear(1999).setMonth(9).setDays(9).setMicroSeconds(5);

        EXPECT_TRUE(api.getManufactureDate(date)) << "the date never fails the read";

        EXPECT_TRUE(date.equal(CIMDateTime()));
        std::vector<std::string> lines = logLines();
        lines.erase(lines.begin(), lines.begin() + static_cast<long>(logged));
        EXPECT_EQ(lines, std::vector<std::string>({row.logged}));
    }
}

template <bool (QVX_Z64ChassisAPI::*Get)(String&) const>
bool callGetter(const QVX_Z64ChassisAPI& api, String& value) {
    return (api.*Get)(value);
}

TEST_F(ChassisApiTest, AFailingGetterLeavesItsOutputUntouched) {
    // Fixed at compile time: GCC mistakes a call through a runtime member
    // pointer on this empty class for a possible read past it.
    typedef bool (*Getter)(const QVX_Z64ChassisAPI&, String&);
    struct Row {
        Getter get;
        const char* function;
    };
    const Row rows[] = {
        {&callGetter<&QVX_Z64ChassisAPI::getModel>, "osGetSystemSubType"},
        {&callGetter<&QVX_Z64ChassisAPI::getSerialNumber>, "osGetSerialNumber"},
        {&callGetter<&QVX_Z64ChassisAPI::getVersion>, "osGetHardwareType"},
        {&callGetter<&QVX_Z64ChassisAPI::getVersion>, "osGetHardwareRevision"},
        {&callGetter<&QVX_Z64ChassisAPI::getPartNumber>, "osGetPartNumber"},
        {&callGetter<&QVX_Z64ChassisAPI::getSystemID>, "osGetSystemId"},
        {&callGetter<&QVX_Z64ChassisAPI::getMiscInfo>, "osGetSecsiRegion"},
        {&callGetter<&QVX_Z64ChassisAPI::getMiscInfo>, "osGetEth1Addr"},
        {&callGetter<&QVX_Z64ChassisAPI::getMiscInfo>, "osGetEth2Addr"},
        {&callGetter<&QVX_Z64ChassisAPI::getMiscInfo>, "osGetEth3Addr"},
        {&callGetter<&QVX_Z64ChassisAPI::getMiscInfo>, "osGetManfId"},
        {&callGetter<&QVX_Z64ChassisAPI::getMiscInfo>, "osGetManfInfo"},
        {&callGetter<&QVX_Z64ChassisAPI::getPCBASerialNumber>, "osGetPCBASerialNumber"},
        {&callGetter<&QVX_Z64ChassisAPI::getCSCSerialNumber>, "osGetCSCSerialNumber"},
        {&callGetter<&QVX_Z64ChassisAPI::getHDSerialNumber>, "osGetHDSerialNumber"},
        {&callGetter<&QVX_Z64ChassisAPI::getCNICOneSerialNumber>, "osGetCNICOneSerialNumber"},
    };
    const QVX_Z64ChassisAPI api;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.function);
        platform().reset();
        platform().failWith(row.function, 5);
        String value("untouched");
        testing::internal::CaptureStdout();
        auto e = cimErrorOf([&] { row.get(api, value); });
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "nothing printed on failure";
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->getErrNo(), CIMException::FAILED);
        EXPECT_STREQ(value.c_str(), "untouched");
    }
}

TEST_F(ChassisApiTest, FixedPropertiesNeedNoHardwareCall) {
    const QVX_Z64ChassisAPI api;
    String elementName("x");
    String manufacturer("x");
    unsigned char physicalType = 0;
    EXPECT_TRUE(api.getElementName(elementName));
    EXPECT_TRUE(api.getManufacturer(manufacturer));
    EXPECT_TRUE(api.getPhysicalType(physicalType));
    EXPECT_STREQ(elementName.c_str(), "Varlen Networks QVX64 Communications Server");
    EXPECT_STREQ(manufacturer.c_str(), "Varlen Networks");
    EXPECT_EQ(physicalType, 3);
    EXPECT_TRUE(platform().calls().empty());
}

TEST_F(ChassisApiTest, TextGettersTakeWhatTheLibraryLeavesWithinTheSizeTheyPass) {
    typedef bool (QVX_Z64ChassisAPI::*Getter)(String&) const;
    struct Row {
        Getter get;
        const char* function;
        size_t kept;  // bytes that fit the size passed, before the NUL
    };
    const Row rows[] = {
        {&QVX_Z64ChassisAPI::getSerialNumber, "osGetSerialNumber", 20},
        {&QVX_Z64ChassisAPI::getSystemID, "osGetSystemId", 12},
        {&QVX_Z64ChassisAPI::getPartNumber, "osGetPartNumber", 255},
        {&QVX_Z64ChassisAPI::getPCBASerialNumber, "osGetPCBASerialNumber", 255},
        {&QVX_Z64ChassisAPI::getCSCSerialNumber, "osGetCSCSerialNumber", 254},
        {&QVX_Z64ChassisAPI::getHDSerialNumber, "osGetHDSerialNumber", 255},
        {&QVX_Z64ChassisAPI::getCNICOneSerialNumber, "osGetCNICOneSerialNumber", 255},
    };
    const QVX_Z64ChassisAPI api;
    const std::string longText(400, 'x');
    for (const Row& row : rows) {
        SCOPED_TRACE(row.function);
        platform().setText(row.function, longText);
        String value("previous");
        EXPECT_TRUE((api.*row.get)(value));
        EXPECT_EQ(std::string(value.c_str()), longText.substr(0, row.kept));
    }
}

}  // namespace
