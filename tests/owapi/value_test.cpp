// CIMValue and CIMDateTime: the texts that end up in responses and logs,
// type codes, typed extraction, values built from text, and date-times read
// from text.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

#include "OW_Bool.hpp"
#include "OW_CIMDateTime.hpp"
#include "OW_CIMException.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CIMValueCast.hpp"
#include "owapi_test_util.h"

namespace {

using namespace OpenWBEM;
using owtest::arr;
using owtest::outcome;

CIMDateTime march7(bool pointInTime) {
    CIMDateTime d;
    d.setYear(2005).setMonth(3).setDay(7).setHours(13).setMinutes(5).setUtc(-300);
    if (pointInTime) d.setInterval(false);
    return d;
}

TEST(OwCIMValue, TypeAndText) {
    CIMObjectPath path("C", "root/cimv2");
    path.setKeyValue("Tag", CIMValue("Ch\"1"));
    CIMInstance inst("X");
    inst.setProperty("A", CIMValue("a"));
    const struct {
        CIMValue value;
        int type;
        const char *text, *mof;
    } cases[] = {
        // Strings raw, or quoted and escaped.
        {CIMValue(String("a\"b")), CIMDataType::STRING, "a\"b", "\"a\\\"b\""},
        {CIMValue("c:\\x\ny"), CIMDataType::STRING, "c:\\x\ny", "\"c:\\\\x\\ny\""},
        // The overload decides the type: an unsigned char is a number.
        {CIMValue(UInt8(200)), CIMDataType::UINT8, "200", "200"},
        {CIMValue(Int8(-5)), CIMDataType::SINT8, "-5", "-5"},
        {CIMValue(4000000000U), CIMDataType::UINT32, "4000000000", "4000000000"},
        {CIMValue(-3), CIMDataType::SINT32, "-3", "-3"},
        {CIMValue(Int64(-9000000000LL)), CIMDataType::SINT64, "-9000000000", "-9000000000"},
        {CIMValue(true), CIMDataType::BOOLEAN, "true", "true"},
        {CIMValue(Bool(false)), CIMDataType::BOOLEAN, "false", "false"},
        // Real scalars with six significant digits, real array elements with "%f".
        {CIMValue(Real64(1234567.0)), CIMDataType::REAL64, "1.23457e+06", "1.23457e+06"},
        {CIMValue(Real32(0.25f)), CIMDataType::REAL32, "0.25", "0.25"},
        {CIMValue(arr<Real64>({1.5, 2})), CIMDataType::REAL64, "1.500000,2.000000",
         "{1.500000,2.000000}"},
        {CIMValue(arr<Real32>({0.25f})), CIMDataType::REAL32, "0.250000", "{0.250000}"},
        {CIMValue(arr<UInt8>({1, 200})), CIMDataType::UINT8, "1,200", "{1,200}"},
        {CIMValue(arr<Bool>({true, false})), CIMDataType::BOOLEAN, "true,false", "{true,false}"},
        {CIMValue(arr<String>({"a", "b\"c"})), CIMDataType::STRING, "a,b\"c", "{\"a\",\"b\\\"c\"}"},
        {CIMValue(march7(true)), CIMDataType::DATETIME, "20050307130500.000000-300",
         "\"20050307130500.000000-300\""},
        {CIMValue(path), CIMDataType::REFERENCE, "/root/cimv2:C.Tag=\"Ch\\\"1\"",
         "/root/cimv2:C.Tag=\\\"Ch\\\\\\\"1\\\""},
        {CIMValue(inst), CIMDataType::EMBEDDEDINSTANCE, "instance of X {\nA = a;\n}\n",
         "\"INSTANCE OF X\\n{\\n  A=\\\"a\\\";\\n};\\n\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value.getType(), c.type) << c.text;
        EXPECT_EQ(c.value.getCIMDataType().getType(), c.type) << c.text;
        EXPECT_EQ(c.value.toString(), c.text);
        EXPECT_EQ(c.value.toMOF(), c.mof);
    }
    EXPECT_EQ(CIMValue(CIMNULL).toString(), "(null)");
}

// Each get needs the stored type, but a scalar sint64 (how object paths
// carry numbers) is cast to whatever numeric type is asked for.
template <class T>
std::string read(const CIMValue& v, T (CIMValue::*get)() const) {
    return outcome([&] { return std::to_string(+(v.*get)()); });
}

TEST(OwCIMValue, TypedReads) {
    const CIMValue big(Int64(300)), minusOne(Int64(-1));
    const std::string notA = "!ValueCastException: CIMValue::CIMValueImpl::get - Value is not a ";
    const std::pair<std::string, std::string> cases[] = {
        {read(big, &CIMValue::toUInt8), "44"},
        {read(minusOne, &CIMValue::toUInt32), "4294967295"},
        {read(minusOne, &CIMValue::toUInt16), "65535"},
        {read(big, &CIMValue::toReal64), "300.000000"},
        {read(CIMValue(UInt8(3)), &CIMValue::toUInt8), "3"},
        {read(CIMValue(UInt32(3)), &CIMValue::toUInt8), notA + "UINT8"},
        {read(CIMValue(arr<Int64>({3})), &CIMValue::toInt64), notA + "SINT64"},
        {outcome([&] { return big.toBool() ? "true" : "false"; }), notA + "BOOLEAN"},
        {outcome([] { return std::string(CIMValue("7").toCIMDateTime().toString().c_str()); }),
         notA + "DATETIME"},
        {outcome([] {
             UInt8Array a;
             CIMValue(UInt8(3)).get(a);
             return "";
         }),
         notA + "UINT8 ARRAY"},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

TEST(OwCIMValue, Equality) {
    CIMObjectPath ab("C", "root/cimv2"), ba("C", "root/cimv2");
    ab.setKeyValue("A", CIMValue("1")).setKeyValue("B", CIMValue("2"));
    ba.setKeyValue("B", CIMValue("2")).setKeyValue("A", CIMValue("1"));
    const std::tuple<CIMValue, CIMValue, bool> cases[] = {
        {CIMValue(CIMNULL), CIMValue(CIMNULL), true},
        {CIMValue(CIMNULL), CIMValue(UInt8(3)), false},
        {CIMValue(UInt8(3)), CIMValue(UInt32(3)), false},  // same number, other type
        {CIMValue(UInt8(3)), CIMValue(arr<UInt8>({3})), false},
        {CIMValue(arr<UInt8>({1, 2})), CIMValue(arr<UInt8>({2, 1})), false},
        {CIMValue(march7(true)), CIMValue(march7(false)), false},  // the interval flag counts
        {CIMValue(ab), CIMValue(ba), true},                        // paths ignore key order
    };
    for (const auto& [a, b, equal] : cases) {
        EXPECT_EQ(a == b, equal) << a.toString() << " / " << b.toString();
        EXPECT_EQ(b != a, !equal) << a.toString() << " / " << b.toString();
    }
}

// The type code and text of the value, "null", or the exception.
std::string simple(const char* type, const char* text) {
    return outcome([&] {
        CIMValue v = CIMValue::createSimpleValue(type, text);
        return v ? std::to_string(v.getType()) + ' ' + v.toString().c_str() : "null";
    });
}

TEST(OwCIMValue, CreateSimpleValue) {
    const std::pair<std::string, std::string> cases[] = {
        {simple("UINT8", "7"), "1 7"},
        {simple("Boolean", "TRUE"), "10 true"},
        {simple("sint64", "-9000000000"), "8 -9000000000"},
        {simple("real64", "2.5"), "12 2.5"},
        {simple("string", ""), "9 "},
        {simple("uint32", ""), "5 0"},  // an empty text reads as 0
        {simple("datetime", "20050307130500.000000-300"), "13 20050307130500.000000-300"},
        {simple("foo", "1"), "null"},
        {simple("uint8", "300"),
         "!StringConversionException: Unable to convert \"300\" into UInt8"},
        {simple("boolean", "1"), "!StringConversionException: Unable to convert \"1\" into bool"},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
}

// The text, the kind (interval or point in time) and whether it tests false.
std::string describe(const CIMDateTime& d) {
    return std::string(d.toString().c_str()) + (d.isInterval() ? " interval" : " point") +
           (d ? "" : " false");
}

std::string parsedDate(const char* text) {
    return outcome([&] { return describe(CIMDateTime(String(text))); });
}

TEST(OwCIMDateTime, TextKindAndTruth) {
    CIMDateTime oneMicro, utcOnly;
    oneMicro.setMicroSeconds(1);
    utcOnly.setUtc(60);
    const std::string bad = "!CIMDateTimeException: general error (Invalid format for date time)";
    const std::pair<std::string, std::string> cases[] = {
        {describe(CIMDateTime()), "00000000000000.000000:000 interval false"},
        {describe(oneMicro), "00000000000000.000001:000 interval"},
        {describe(utcOnly), "00000000000000.000000:000 interval false"},  // utc does not count
        // The setters keep the interval flag.
        {describe(march7(false)), "00000007130500.000000:000 interval"},
        {describe(march7(true)), "20050307130500.000000-300 point"},
        // 1 day, 2 h, 59 min, 3 s and 42 µs.
        {describe(CIMDateTime(UInt64(97143000042ULL))), "00000001025903.000042:000 interval"},
        // Read from text: every field cleared first, the interval flag too.
        {parsedDate(""), "00000000000000.000000+000 point false"},
        {parsedDate("20050307130500.000042+060"), "20050307130500.000042+060 point"},
        {parsedDate("12345678235959.999999:000"), "12345678235959.999999:000 interval"},
        {parsedDate("00000000000000.000000-"), "00000000000000.000000+000 point false"},
        // Character 21 decides; a text too short to have one is refused.
        {parsedDate("2005"), bad},
        {parsedDate("20050307130500.00000"), bad},
        {parsedDate("20050307130500.000000*300"), bad},
        {simple("datetime", "2005"), bad},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
    EXPECT_TRUE(!CIMDateTime(CIMNULL));
}

}  // namespace
