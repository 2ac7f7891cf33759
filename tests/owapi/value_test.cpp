// CIMValue and CIMDateTime: the texts that end up in responses and logs,
// type codes, typed extraction and equality.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OW_Bool.hpp"
#include "OW_CIMDateTime.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CIMValueCast.hpp"
#include "owapi_test_util.h"

namespace {

using namespace OpenWBEM;
using owtest::Action;
using owtest::arr;

CIMDateTime march7(Int16 utc, bool interval = false) {
    CIMDateTime d;
    d.setYear(2005).setMonth(3).setDay(7).setHours(13).setMinutes(5);
    if (!interval) d.setUtc(utc).setInterval(false);
    return d;
}

CIMObjectPath chassisPath() {
    CIMObjectPath p("C", "root/cimv2");
    p.setKeyValue("Tag", CIMValue("Ch\"1"));
    return p;
}

template <class T>
Action getAs(const char* what, const CIMValue& v) {
    return {what, [v] {
                T x;
                v.get(x);
            }};
}

TEST(OwCIMValue, ToStringAndToMOF) {
    CIMInstance inst("X");
    inst.setProperty("A", CIMValue("a"));
    struct Case {
        CIMValue value;
        const char* text;
        const char* mof;
    };
    const Case cases[] = {
        {CIMValue(String("a\"b")), "a\"b", "\"a\\\"b\""},  // raw vs quoted and escaped
        {CIMValue(String("c:\\x\ny")), "c:\\x\ny", "\"c:\\\\x\\ny\""},
        {CIMValue(UInt8(200)), "200", "200"},  // a number, not a (signed) character
        {CIMValue(Int8(-5)), "-5", "-5"},
        {CIMValue(UInt32(4000000000U)), "4000000000", "4000000000"},
        {CIMValue(true), "true", "true"},
        {CIMValue(Real64(2.5)), "2.5", "2.5"},
        {CIMValue(march7(-300)), "20050307130500.000000-300", "\"20050307130500.000000-300\""},
        {CIMValue(arr<String>({"a", "b\"c"})), "a,b\"c", "{\"a\",\"b\\\"c\"}"},
        {CIMValue(arr<UInt8>({1, 200})), "1,200", "{1,200}"},
        {CIMValue(arr<Bool>({true, false})), "true,false", "{true,false}"},
        {CIMValue(chassisPath()), "/root/cimv2:C.Tag=\"Ch\\\"1\"",
         "/root/cimv2:C.Tag=\\\"Ch\\\\\\\"1\\\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value.toString(), c.text);
        EXPECT_EQ(c.value.toMOF(), c.mof);
    }
    EXPECT_EQ(CIMValue(StringArray()).toString(), "");
    EXPECT_EQ(CIMValue(inst).toString(), "instance of X {\nA = a;\n}\n");
    EXPECT_EQ(CIMValue(CIMNULL).toString(), "(null)");
}

TEST(OwCIMValue, TypeCodes) {
    const CIMValue values[] = {CIMValue(UInt8(3)),
                               CIMValue(Int8(3)),
                               CIMValue(UInt16(3)),
                               CIMValue(Int16(3)),
                               CIMValue(3u),
                               CIMValue(3),
                               CIMValue(UInt64(3)),
                               CIMValue(Int64(3)),
                               CIMValue("x"),
                               CIMValue(true),
                               CIMValue(Bool(true)),
                               CIMValue(Real32(1)),
                               CIMValue(Real64(1)),
                               CIMValue(CIMDateTime()),
                               CIMValue(chassisPath()),
                               CIMValue(CIMInstance("X")),
                               CIMValue(arr<String>({"a"})),
                               CIMValue(arr<UInt8>({1}))};
    std::vector<int> types, dataTypes;
    std::vector<bool> arrays, dataArrays;
    for (const CIMValue& v : values) {
        types.push_back(v.getType());
        arrays.push_back(v.isArray());
        dataTypes.push_back(v.getCIMDataType().getType());
        dataArrays.push_back(v.getCIMDataType().isArrayType());
    }
    EXPECT_EQ(types,
              (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 11, 12, 13, 15, 17, 9, 1}));
    EXPECT_EQ(dataTypes, types);
    std::vector<bool> wantArrays(std::size(values), false);
    wantArrays[16] = wantArrays[17] = true;
    EXPECT_EQ(arrays, wantArrays);
    EXPECT_EQ(dataArrays, wantArrays);
}

TEST(OwCIMValue, GetMatchingTypeOnly) {
    UInt8 u8 = 0;
    CIMValue(UInt8(3)).get(u8);
    EXPECT_EQ(u8, 3);
    Bool b;
    CIMValue(true).get(b);
    EXPECT_TRUE(b);
    CIMDateTime d;
    CIMValue(march7(-300)).get(d);
    EXPECT_EQ(d.toString(), "20050307130500.000000-300");
    StringArray sa;
    CIMValue(arr<String>({"a", "b"})).get(sa);
    EXPECT_EQ(owtest::strings(sa), (std::vector<std::string>{"a", "b"}));

    const Action mismatches[] = {
        getAs<UInt32>("uint8 as uint32", CIMValue(UInt8(3))),
        getAs<UInt32>("sint32 as uint32", CIMValue(3)),
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
        CIMValue a, b;
        bool equal;
    };
    const Case cases[] = {
        {CIMValue(CIMNULL), CIMValue(CIMNULL), true},
        {CIMValue(CIMNULL), CIMValue(UInt8(3)), false},
        {CIMValue(UInt8(3)), CIMValue(UInt8(3)), true},
        {CIMValue(UInt8(3)), CIMValue(UInt8(4)), false},
        {CIMValue(UInt8(3)), CIMValue(UInt32(3)), false},  // same number, other type
        {CIMValue("a"), CIMValue(String("a")), true},
        {CIMValue("a"), CIMValue("A"), false},
        {CIMValue(UInt8(3)), CIMValue(arr<UInt8>({3})), false},
        {CIMValue(arr<UInt8>({1, 2})), CIMValue(arr<UInt8>({1, 2})), true},
        {CIMValue(arr<UInt8>({1, 2})), CIMValue(arr<UInt8>({2, 1})), false},
        {CIMValue(march7(0)), CIMValue(march7(0)), true},
        {CIMValue(march7(0)), CIMValue(march7(60)), false},
        {CIMValue(ab), CIMValue(ba), true},  // paths ignore key order
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(c.a.equal(c.b), c.equal);
        EXPECT_EQ(c.b.equal(c.a), c.equal);
        EXPECT_EQ(c.a == c.b, c.equal);
        EXPECT_EQ(c.a != c.b, !c.equal);
    }
}

TEST(OwCIMValue, CreateSimpleValue) {
    struct Case {
        const char* type;
        const char* text;
        int wantType;
    };
    const Case cases[] = {
        {"uint8", "17", CIMDataType::UINT8},
        {"sint8", "-3", CIMDataType::SINT8},
        {"boolean", "true", CIMDataType::BOOLEAN},
        {"string", "x y", CIMDataType::STRING},
        {"real64", "2.5", CIMDataType::REAL64},
        {"uint64", "18446744073709551615", CIMDataType::UINT64},
        {"datetime", "20050307130500.000000-300", CIMDataType::DATETIME},
    };
    for (const Case& c : cases) {
        CIMValue v = CIMValue::createSimpleValue(c.type, c.text);
        EXPECT_EQ(static_cast<int>(v.getType()), c.wantType) << c.type;
        EXPECT_EQ(v.toString(), c.text) << c.type;
    }
    for (const char* type : {"uint8", "boolean", "nosuchtype"}) {
        EXPECT_THROW(CIMValue::createSimpleValue(type, "300"), Exception) << type;
    }
}

TEST(OwCIMDateTime, ToString) {
    CIMDateTime bigYear = march7(0), smallYear = march7(0), bigDay = march7(0, true), bigInterval;
    bigYear.setYear(12345);
    smallYear.setYear(999);
    bigDay.setDay(100);
    bigInterval.setDays(123456789).setSeconds(59).setMicroSeconds(123456);
    CIMDateTime pointThenSet, bigDayPoint = bigDay;
    pointThenSet.setInterval(false);
    pointThenSet.setYear(2010).setMonth(12).setDay(31).setSeconds(1);
    bigDayPoint.setInterval(false);
    struct Case {
        CIMDateTime d;
        const char* want;
        bool interval;
    };
    const Case cases[] = {
        {CIMDateTime(), "00000000000000.000000:000", true},
        {march7(0, true), "00000007130500.000000:000", true},  // setters keep the interval flag
        {march7(0), "20050307130500.000000+000", false},
        {march7(-300), "20050307130500.000000-300", false},
        {smallYear, "09990307130500.000000+000", false},
        {bigYear, "123450307130500.000000+000", false},  // wider, not cut
        {bigDayPoint, "200503100130500.000000+000", false},
        {bigInterval, "123456789000059.123456:000", true},
        {pointThenSet, "20101231000001.000000+000", false},  // setters keep a point in time
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.d.toString(), c.want);
        EXPECT_EQ(c.d.isInterval(), c.interval) << c.want;
    }
    CIMDateTime d;
    EXPECT_TRUE(!d && !CIMDateTime(CIMNULL));
    d.setMicroSeconds(1);
    EXPECT_TRUE(static_cast<bool>(d));
    EXPECT_TRUE(CIMDateTime(String("")).equal(CIMDateTime()));
}

TEST(OwCIMDateTime, FromString) {
    for (const char* t :
         {"20050307130500.000000-300", "19991231235959.123456+000", "12345678235959.999999:000"}) {
        CIMDateTime d{String(t)};
        EXPECT_EQ(d.toString(), t);
        EXPECT_TRUE(d.equal(CIMDateTime(d.toString()))) << t;
    }
    CIMDateTime d(String("20050307130500.000042-300"));
    EXPECT_FALSE(d.isInterval());
    EXPECT_EQ(
        (std::vector<long long>{d.getYear(), d.getMonth(), d.getDay(), d.getHours(), d.getMinutes(),
                                d.getSeconds(), d.getMicroSeconds(), d.getUtc()}),
        (std::vector<long long>{2005, 3, 7, 13, 5, 0, 42, -300}));
    EXPECT_FALSE(d == march7(-300));  // microseconds differ
    CIMDateTime asInterval(d);
    asInterval.setInterval(true);
    EXPECT_TRUE(d != asInterval) << "the interval flag is compared too";
    EXPECT_TRUE(CIMDateTime(String("00000007130500.000000:000")).isInterval());

    for (const char* t : {"2005", "20050307130500", "20050307130500.000000*300"}) {
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
