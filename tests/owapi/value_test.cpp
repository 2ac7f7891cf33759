// CIMValue and CIMDateTime: the texts that end up in responses and logs,
// type codes, typed extraction, values built from text, and date-times read
// from text.

#include <gtest/gtest.h>

#include <functional>
#include <string>

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

CIMDateTime march7(bool pointInTime) {
    CIMDateTime d;
    d.setYear(2005).setMonth(3).setDay(7).setHours(13).setMinutes(5).setUtc(-300);
    if (pointInTime) d.setInterval(false);
    return d;
}

// What a call gives as text, or "!", the exception's type and its message.
std::string outcome(const std::function<std::string()>& call) {
    try {
        return call();
    } catch (const Exception& e) {
        return std::string("!") + e.type() + ": " + e.getMessage();
    }
}

TEST(OwCIMValue, TypeAndText) {
    CIMObjectPath path("C", "root/cimv2");
    path.setKeyValue("Tag", CIMValue("Ch\"1"));
    CIMInstance inst("X");
    inst.setProperty("A", CIMValue("a"));
    struct Case {
        CIMValue value;
        int type;
        const char *text, *mof;
    };
    const Case cases[] = {
        // Strings raw, or quoted and escaped.
        {CIMValue(String("a\"b")), CIMDataType::STRING, "a\"b", "\"a\\\"b\""},
        {CIMValue("c:\\x\ny"), CIMDataType::STRING, "c:\\x\ny", "\"c:\\\\x\\ny\""},
        // The overload decides the type: an unsigned char is a number.
        {CIMValue(UInt8(200)), CIMDataType::UINT8, "200", "200"},
        {CIMValue(Int8(-5)), CIMDataType::SINT8, "-5", "-5"},
        {CIMValue(UInt16(7)), CIMDataType::UINT16, "7", "7"},
        {CIMValue(Int16(-7)), CIMDataType::SINT16, "-7", "-7"},
        {CIMValue(4000000000U), CIMDataType::UINT32, "4000000000", "4000000000"},
        {CIMValue(-3), CIMDataType::SINT32, "-3", "-3"},
        {CIMValue(UInt64(3)), CIMDataType::UINT64, "3", "3"},
        {CIMValue(Int64(-9000000000LL)), CIMDataType::SINT64, "-9000000000", "-9000000000"},
        {CIMValue(true), CIMDataType::BOOLEAN, "true", "true"},
        {CIMValue(Bool(false)), CIMDataType::BOOLEAN, "false", "false"},
        // Real scalars with six significant digits, real array elements with "%f".
        {CIMValue(Real64(1.5)), CIMDataType::REAL64, "1.5", "1.5"},
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
    for (const Case& c : cases) {
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
std::string show(T v) {
    return std::to_string(+v);
}

TEST(OwCIMValue, TypedReads) {
    const CIMValue big(Int64(300)), minusOne(Int64(-1));
    const struct {
        std::function<std::string()> read;
        const char* want;
    } cases[] = {
        {[&] { return show(big.toUInt8()); }, "44"},
        {[&] { return show(big.toInt8()); }, "44"},
        {[&] { return show(minusOne.toUInt32()); }, "4294967295"},
        {[&] { return show(minusOne.toUInt16()); }, "65535"},
        {[&] { return show(big.toReal64()); }, "300.000000"},
        {[&] { return show(big.toInt64()); }, "300"},
        {[&] { return show(CIMValue(UInt8(3)).toUInt8()); }, "3"},
        {[] { return show(CIMValue(UInt32(3)).toUInt8()); },
         "!ValueCastException: CIMValue::CIMValueImpl::get - Value is not a UINT8"},
        {[] { return show(CIMValue(Int32(3)).toInt64()); },
         "!ValueCastException: CIMValue::CIMValueImpl::get - Value is not a SINT64"},
        {[] { return show(CIMValue(arr<Int64>({3})).toInt64()); },
         "!ValueCastException: CIMValue::CIMValueImpl::get - Value is not a SINT64"},
        {[&] { return show(big.toBool()); },
         "!ValueCastException: CIMValue::CIMValueImpl::get - Value is not a BOOLEAN"},
        {[] { return std::string(CIMValue("7").toCIMDateTime().toString().c_str()); },
         "!ValueCastException: CIMValue::CIMValueImpl::get - Value is not a DATETIME"},
        {[] {
             UInt8Array a;
             CIMValue(UInt8(3)).get(a);
             return show(a.size());
         },
         "!ValueCastException: CIMValue::CIMValueImpl::get - Value is not a UINT8 ARRAY"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(outcome(cases[i].read), cases[i].want) << i;
    }
}

TEST(OwCIMValue, Equality) {
    CIMObjectPath ab("C", "root/cimv2"), ba("C", "root/cimv2");
    ab.setKeyValue("A", CIMValue("1")).setKeyValue("B", CIMValue("2"));
    ba.setKeyValue("B", CIMValue("2")).setKeyValue("A", CIMValue("1"));
    struct Case {
        CIMValue a, b;
        bool equal;
    };
    const Case cases[] = {
        {CIMValue(CIMNULL), CIMValue(CIMNULL), true},
        {CIMValue(CIMNULL), CIMValue(UInt8(3)), false},
        {CIMValue(UInt8(3)), CIMValue(UInt32(3)), false},  // same number, other type
        {CIMValue(UInt8(3)), CIMValue(arr<UInt8>({3})), false},
        {CIMValue(arr<UInt8>({1, 2})), CIMValue(arr<UInt8>({2, 1})), false},
        {CIMValue(march7(true)), CIMValue(march7(false)), false},  // the interval flag counts
        {CIMValue(ab), CIMValue(ba), true},                        // paths ignore key order
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(c.a == c.b, c.equal) << i;
        EXPECT_EQ(c.b != c.a, !c.equal) << i;
    }
}

TEST(OwCIMValue, CreateSimpleValue) {
    struct Case {
        const char *type, *text;
        std::string want;  // type code and text
    };
    const Case cases[] = {
        {"UINT8", "7", "1 7"},
        {"Boolean", "TRUE", "10 true"},
        {"sint64", "-9000000000", "8 -9000000000"},
        {"real64", "2.5", "12 2.5"},
        {"string", "", "9 "},
        {"uint32", "", "5 0"},  // an empty text reads as 0
        {"datetime", "20050307130500.000000-300", "13 20050307130500.000000-300"},
        {"foo", "1", "null"},
        {"", "1", "null"},
        {"uint8", "300", "!StringConversionException: Unable to convert \"300\" into UInt8"},
        {"boolean", "1", "!StringConversionException: Unable to convert \"1\" into bool"},
        {"datetime", "2005", "!CIMDateTimeException: general error (Invalid format for date time)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(outcome([&] {
                      CIMValue v = CIMValue::createSimpleValue(c.type, c.text);
                      if (!v) return std::string("null");
                      return std::to_string(v.getType()) + ' ' + v.toString().c_str();
                  }),
                  c.want)
            << c.type << ' ' << c.text;
    }
}

TEST(OwCIMDateTime, TextAndTruth) {
    CIMDateTime oneMicro, utcOnly;
    oneMicro.setMicroSeconds(1);
    utcOnly.setUtc(60);
    struct Case {
        CIMDateTime d;
        const char* text;
        bool interval, truth;
    };
    const Case cases[] = {
        {CIMDateTime(), "00000000000000.000000:000", true, false},
        {oneMicro, "00000000000000.000001:000", true, true},
        {utcOnly, "00000000000000.000000:000", true, false},  // utc is not a field that counts
        // The setters keep the interval flag.
        {march7(false), "00000007130500.000000:000", true, true},
        {march7(true), "20050307130500.000000-300", false, true},
        // Read from text: every field cleared first, the interval flag too.
        {CIMDateTime(String("")), "00000000000000.000000+000", false, false},
        {CIMDateTime(String("20050307130500.000042+060")), "20050307130500.000042+060", false,
         true},
        {CIMDateTime(String("12345678235959.999999:000")), "12345678235959.999999:000", true, true},
        {CIMDateTime(String("00000000000000.000000-")), "00000000000000.000000+000", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.d.toString(), c.text);
        EXPECT_EQ(c.d.isInterval(), c.interval) << c.text;
        EXPECT_EQ(static_cast<bool>(c.d), c.truth) << c.text;
    }
    EXPECT_TRUE(!CIMDateTime(CIMNULL));

    // Character 21 decides; a text too short to have one is refused.
    for (const char* t : {"2005", "20050307130500.00000", "20050307130500.000000*300"}) {
        try {
            CIMDateTime x{String(t)};
            ADD_FAILURE() << t << " was accepted as " << x.toString();
        } catch (const CIMException& e) {
            EXPECT_EQ(e.getErrNo(), CIMException::FAILED) << t;
            EXPECT_STREQ(e.type(), "CIMDateTimeException") << t;
            EXPECT_STREQ(e.getMessage(), "general error (Invalid format for date time)") << t;
        }
    }
}

}  // namespace
