// CIMValue and CIMDateTime: the texts that end up in responses and logs,
// type codes, typed extraction and equality.

#include <gtest/gtest.h>

#include <string>

#include "OW_Bool.hpp"
#include "OW_CIMDateTime.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMValue.hpp"
#include "owapi_test_util.h"

namespace {

using namespace OpenWBEM;
using owtest::Action;
using owtest::arr;

CIMDateTime march7(Int16 utc) {
    CIMDateTime d;
    d.setYear(2005).setMonth(3).setDay(7).setHours(13).setMinutes(5).setUtc(utc);
    d.setInterval(false);
    return d;
}

CIMObjectPath chassisPath() {
    CIMObjectPath p("C", "root/cimv2");
    p.setKeyValue("Tag", CIMValue("Ch\"1"));
    return p;
}

// An extraction into T, expected to be refused.
template <class T>
Action getAs(const char* what, const CIMValue& v) {
    return {what, [v] {
                T x;
                v.get(x);
            }};
}

struct TextCase {
    CIMValue value;
    const char* want;
    const char* why;
};

TEST(OwCIMValue, ToString) {
    CIMInstance inst("X");
    inst.setProperty("A", CIMValue("a"));
    const TextCase cases[] = {
        {CIMValue(String("a\"b")), "a\"b", "strings are raw: no quotes, no escaping"},
        {CIMValue("plain"), "plain", "const char* is a string"},
        {CIMValue(UInt8(3)), "3", "uint8 prints as a number, not a character"},
        {CIMValue(UInt8(200)), "200", "uint8 above 127"},
        {CIMValue(Int8(-5)), "-5", "sint8 keeps its sign"},
        {CIMValue(Int16(-300)), "-300", "sint16"},
        {CIMValue(UInt16(65535)), "65535", "uint16"},
        {CIMValue(UInt32(4000000000U)), "4000000000", "uint32"},
        {CIMValue(Int64(-9000000000LL)), "-9000000000", "sint64"},
        {CIMValue(true), "true", "boolean lower case"},
        {CIMValue(false), "false", "boolean lower case"},
        {CIMValue(Real64(2.5)), "2.5", "real64"},
        {CIMValue(march7(-300)), "20050307130500.000000-300", "datetime text"},
        {CIMValue(arr<String>({"a", "b\"c"})), "a,b\"c", "array joined by ',', unquoted"},
        {CIMValue(arr<UInt8>({1, 200})), "1,200", "uint8 array as numbers"},
        {CIMValue(arr<Bool>({true, false})), "true,false", "boolean array"},
        {CIMValue(StringArray()), "", "empty array"},
        {CIMValue(chassisPath()), "/root/cimv2:C.Tag=\"Ch\\\"1\"", "reference is the path text"},
        {CIMValue(inst), "instance of X {\nA = a;\n}\n", "embedded instance"},
        {CIMValue(CIMNULL), "(null)", "null value"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(c.value.toString(), c.want) << c.why;
}

TEST(OwCIMValue, ToMOF) {
    const TextCase cases[] = {
        {CIMValue(String("a\"b")), "\"a\\\"b\"", "quoted, quote escaped"},
        {CIMValue(String("c:\\x\ny")), "\"c:\\\\x\\ny\"", "backslash and newline escaped"},
        {CIMValue(UInt8(3)), "3", "numbers bare"},
        {CIMValue(Int32(-7)), "-7", "signed bare"},
        {CIMValue(true), "true", "boolean bare"},
        {CIMValue(march7(60)), "\"20050307130500.000000+060\"", "datetime quoted"},
        {CIMValue(arr<String>({"a", "b\"c"})), "{\"a\",\"b\\\"c\"}", "string array in braces"},
        {CIMValue(arr<UInt8>({1, 200})), "{1,200}", "number array in braces"},
        {CIMValue(arr<Bool>({true, false})), "{true,false}", "boolean array in braces"},
        {CIMValue(chassisPath()), "/root/cimv2:C.Tag=\\\"Ch\\\\\\\"1\\\"", "reference escaped"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(c.value.toMOF(), c.want) << c.why;
}

TEST(OwCIMValue, TypeCodes) {
    struct Case {
        CIMValue value;
        int type;
        bool array;
        const char* why;
    };
    const Case cases[] = {
        {CIMValue(UInt8(3)), 1, false, "unsigned char"},
        {CIMValue(Int8(3)), 2, false, "signed char"},
        {CIMValue(UInt16(3)), 3, false, "unsigned short"},
        {CIMValue(Int16(3)), 4, false, "short"},
        {CIMValue(3u), 5, false, "unsigned int"},
        {CIMValue(3), 6, false, "int"},
        {CIMValue(UInt64(3)), 7, false, "UInt64"},
        {CIMValue(Int64(3)), 8, false, "Int64"},
        {CIMValue("x"), 9, false, "const char*"},
        {CIMValue(String("x")), 9, false, "String"},
        {CIMValue(true), 10, false, "bool"},
        {CIMValue(Bool(true)), 10, false, "Bool"},
        {CIMValue(Real32(1)), 11, false, "float"},
        {CIMValue(Real64(1)), 12, false, "double"},
        {CIMValue(CIMDateTime()), 13, false, "datetime"},
        {CIMValue(chassisPath()), 15, false, "reference"},
        {CIMValue(CIMInstance("X")), 17, false, "embedded instance"},
        {CIMValue(arr<String>({"a"})), 9, true, "string array"},
        {CIMValue(arr<UInt8>({1})), 1, true, "uint8 array"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(static_cast<int>(c.value.getType()), c.type) << c.why;
        EXPECT_EQ(c.value.isArray(), c.array) << c.why;
        EXPECT_EQ(static_cast<int>(c.value.getCIMDataType().getType()), c.type) << c.why;
        EXPECT_EQ(c.value.getCIMDataType().isArrayType(), c.array) << c.why;
    }
}

TEST(OwCIMValue, GetMatchingTypeOnly) {
    UInt8 u8 = 0;
    CIMValue(UInt8(3)).get(u8);
    EXPECT_EQ(u8, 3);
    String s;
    CIMValue("text").get(s);
    EXPECT_EQ(s, "text");
    Bool b;
    CIMValue(true).get(b);
    EXPECT_TRUE(b);
    EXPECT_TRUE(CIMValue(true).toBool());
    CIMDateTime d;
    CIMValue(march7(-300)).get(d);
    EXPECT_EQ(d.toString(), "20050307130500.000000-300");
    StringArray sa;
    CIMValue(arr<String>({"a", "b"})).get(sa);
    EXPECT_EQ(owtest::strings(sa), (std::vector<std::string>{"a", "b"}));

    const Action mismatches[] = {
        getAs<UInt32>("uint8 as uint32", CIMValue(UInt8(3))),
        getAs<UInt8>("uint32 as uint8", CIMValue(UInt32(3))),
        getAs<UInt32>("sint32 as uint32", CIMValue(3)),
        getAs<UInt8>("string as uint8", CIMValue("3")),
        getAs<Bool>("string as Bool", CIMValue("true")),
        getAs<UInt8>("uint8 array as uint8", CIMValue(arr<UInt8>({3}))),
        getAs<UInt8Array>("uint8 as uint8 array", CIMValue(UInt8(3))),
        getAs<CIMDateTime>("string as datetime", CIMValue("20050307130500.000000-300")),
        {"toUInt32 of a uint8", [] { CIMValue(UInt8(3)).toUInt32(); }},
    };
    for (const Action& a : mismatches) EXPECT_THROW(a.run(), ValueCastException) << a.what;
}

TEST(OwCIMValue, Equality) {
    CIMObjectPath ab("C", "root/cimv2"), ba("C", "root/cimv2");
    ab.setKeyValue("A", CIMValue("1")).setKeyValue("B", CIMValue("2"));
    ba.setKeyValue("B", CIMValue("2")).setKeyValue("A", CIMValue("1"));
    struct Case {
        CIMValue a;
        CIMValue b;
        bool equal;
        const char* why;
    };
    const Case cases[] = {
        {CIMValue(CIMNULL), CIMValue(CIMNULL), true, "two nulls"},
        {CIMValue(CIMNULL), CIMValue(UInt8(3)), false, "null vs value"},
        {CIMValue(UInt8(3)), CIMValue(UInt8(3)), true, "same type and content"},
        {CIMValue(UInt8(3)), CIMValue(UInt32(3)), false, "same number, other type"},
        {CIMValue(UInt8(3)), CIMValue(UInt8(4)), false, "other content"},
        {CIMValue("a"), CIMValue(String("a")), true, "char* and String are both strings"},
        {CIMValue("a"), CIMValue("A"), false, "strings compare case-sensitively"},
        {CIMValue(true), CIMValue(false), false, "booleans"},
        {CIMValue(UInt8(3)), CIMValue(arr<UInt8>({3})), false, "scalar vs array"},
        {CIMValue(arr<UInt8>({1, 2})), CIMValue(arr<UInt8>({1, 2})), true, "equal arrays"},
        {CIMValue(arr<UInt8>({1, 2})), CIMValue(arr<UInt8>({2, 1})), false, "array order"},
        {CIMValue(march7(0)), CIMValue(march7(0)), true, "equal datetimes"},
        {CIMValue(march7(0)), CIMValue(march7(60)), false, "datetimes differ in utc"},
        {CIMValue(ab), CIMValue(ba), true, "paths ignore key order"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.a.equal(c.b), c.equal) << c.why;
        EXPECT_EQ(c.b.equal(c.a), c.equal) << c.why << " (reversed)";
        EXPECT_EQ(c.a == c.b, c.equal) << c.why;
        EXPECT_EQ(c.a != c.b, !c.equal) << c.why;
    }
}

TEST(OwCIMValue, CreateSimpleValue) {
    struct Case {
        const char* type;
        const char* text;
        int wantType;
        const char* wantText;
    };
    const Case cases[] = {
        {"uint8", "17", CIMDataType::UINT8, "17"},
        {"sint8", "-3", CIMDataType::SINT8, "-3"},
        {"uint16", "65535", CIMDataType::UINT16, "65535"},
        {"sint32", "-5", CIMDataType::SINT32, "-5"},
        {"uint64", "18446744073709551615", CIMDataType::UINT64, "18446744073709551615"},
        {"boolean", "true", CIMDataType::BOOLEAN, "true"},
        {"string", "x y", CIMDataType::STRING, "x y"},
        {"real64", "2.5", CIMDataType::REAL64, "2.5"},
        {"datetime", "20050307130500.000000-300", CIMDataType::DATETIME,
         "20050307130500.000000-300"},
    };
    for (const Case& c : cases) {
        CIMValue v = CIMValue::createSimpleValue(c.type, c.text);
        EXPECT_EQ(static_cast<int>(v.getType()), c.wantType) << c.type;
        EXPECT_EQ(v.toString(), c.wantText) << c.type;
    }
    EXPECT_THROW(CIMValue::createSimpleValue("uint8", "300"), Exception);
    EXPECT_THROW(CIMValue::createSimpleValue("boolean", "1"), Exception);
    EXPECT_THROW(CIMValue::createSimpleValue("nosuchtype", "1"), Exception);
}

TEST(OwCIMDateTime, DefaultIsZeroInterval) {
    CIMDateTime d;
    EXPECT_EQ(d.toString(), "00000000000000.000000:000");
    EXPECT_TRUE(d.isInterval());
    EXPECT_TRUE(!d);
    EXPECT_FALSE(static_cast<bool>(d));
    EXPECT_FALSE(static_cast<bool>(CIMDateTime(CIMNULL)));
    d.setMicroSeconds(1);
    EXPECT_TRUE(static_cast<bool>(d));
    EXPECT_TRUE(CIMDateTime(String("")).equal(CIMDateTime()));
}

TEST(OwCIMDateTime, ToString) {
    auto base = [] {
        CIMDateTime d;
        d.setYear(2005).setMonth(3).setDay(7).setHours(13).setMinutes(5);
        return d;
    };
    auto point = [](CIMDateTime d, Int16 utc) {
        d.setUtc(utc);
        d.setInterval(false);
        return d;
    };
    CIMDateTime bigYear = base(), smallYear = base(), bigDay = base(), bigInterval;
    bigYear.setYear(12345);
    smallYear.setYear(999);
    bigDay.setDay(100);
    bigInterval.setDays(123456789).setSeconds(59).setMicroSeconds(123456);
    CIMDateTime pointThenSet;
    pointThenSet.setInterval(false);
    pointThenSet.setYear(2010).setMonth(12).setDay(31).setSeconds(1);

    struct Case {
        CIMDateTime d;
        const char* want;
        bool interval;
        const char* why;
    };
    const Case cases[] = {
        {base(), "00000007130500.000000:000", true, "setters keep the interval flag"},
        {point(base(), 0), "20050307130500.000000+000", false, "point in time, utc +000"},
        {point(base(), -300), "20050307130500.000000-300", false, "negative utc"},
        {point(base(), 60), "20050307130500.000000+060", false, "positive utc padded"},
        {point(CIMDateTime(), 0), "00000000000000.000000+000", false, "all zero point"},
        {point(smallYear, 0), "09990307130500.000000+000", false, "3-digit year padded"},
        {point(bigYear, 0), "123450307130500.000000+000", false, "5-digit year prints wider"},
        {point(bigDay, 0), "200503100130500.000000+000", false, "day > 99 prints wider"},
        {bigDay, "00000100130500.000000:000", true, "interval day 100 fits"},
        {bigInterval, "123456789000059.123456:000", true, "interval days wider than 8"},
        {pointThenSet, "20101231000001.000000+000", false, "setters keep a point in time"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.d.toString(), c.want) << c.why;
        EXPECT_EQ(c.d.isInterval(), c.interval) << c.why;
    }
}

TEST(OwCIMDateTime, FromString) {
    const char* const roundTrips[] = {
        "20050307130500.000000-300", "20050307130500.000000+060", "19991231235959.123456+000",
        "00000007130500.000000:000", "12345678235959.999999:000",
    };
    for (const char* t : roundTrips) {
        CIMDateTime d{String(t)};
        EXPECT_EQ(d.toString(), t);
        EXPECT_TRUE(d.equal(CIMDateTime(d.toString()))) << t;
    }
    CIMDateTime d(String("20050307130500.000042-300"));
    EXPECT_FALSE(d.isInterval());
    EXPECT_EQ(d.getYear(), 2005);
    EXPECT_EQ(d.getMonth(), 3);
    EXPECT_EQ(d.getDay(), 7u);
    EXPECT_EQ(d.getHours(), 13);
    EXPECT_EQ(d.getMinutes(), 5);
    EXPECT_EQ(d.getSeconds(), 0);
    EXPECT_EQ(d.getMicroSeconds(), 42u);
    EXPECT_EQ(d.getUtc(), -300);
    EXPECT_FALSE(d == march7(-300));  // microseconds differ
    CIMDateTime asInterval(d);
    asInterval.setInterval(true);
    EXPECT_TRUE(d != asInterval) << "the interval flag is compared too";
    EXPECT_TRUE(CIMDateTime(String("00000007130500.000000:000")).isInterval());

    const char* const bad[] = {
        "2005",
        "20050307130500",
        "20050307130500.000000*300",
        "20050307130500.000000 300",
    };
    for (const char* t : bad) {
        try {
            CIMDateTime x{String(t)};
            ADD_FAILURE() << t << " was accepted as " << x.toString();
        } catch (const CIMDateTimeException& e) {
            EXPECT_NE(std::string(e.getMessage()).find("Invalid format for date time"),
                      std::string::npos)
                << t;
            EXPECT_EQ(e.getErrorCode(), CIMDateTime::E_INVALID_DATE_TIME_FORMAT) << t;
        }
    }
}

}  // namespace
