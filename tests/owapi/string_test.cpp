// String: which constructor a number reaches, concatenation with a char,
// format(), case rules and the text helpers providers build keys with.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OW_Exception.hpp"
#include "OW_String.hpp"
#include "owapi_test_util.h"

namespace {

using namespace OpenWBEM;
using owtest::Action;

struct TextCase {
    String got;
    const char* want;
    const char* why;
};

TEST(OwString, ConstructionAndConcatenation) {
    const TextCase cases[] = {
        {String(UInt8(3)), "3", "UInt8 promotes to Int32"},
        {String(UInt16(7)), "7", "UInt16 promotes to Int32"},
        {String(static_cast<unsigned char>('A')), "65", "unsigned char is a number"},
        {String(true), "1", "bool promotes to Int32"},
        {String(false), "0", "bool promotes to Int32"},
        {String('A'), "A", "a plain char is a character"},
        {String('\0'), "", "NUL char gives an empty string"},
        {String(UInt32(4000000000U)), "4000000000", "UInt32 above INT32_MAX stays unsigned"},
        {String(Int32(-42)), "-42", "negative Int32"},
        {String(Int64(-9000000000LL)), "-9000000000", "negative Int64"},
        {String(UInt64(18446744073709551615ULL)), "18446744073709551615", "UInt64 max"},
        {String(Real64(2.5)), "2.5", "short real"},
        {String(Real64(3.14159265)), "3.14159", "six significant digits"},
        {String("abcdef", 3), "abc", "length-limited"},
        {String(static_cast<const char*>(0)), "", "null pointer gives an empty string"},
        {String("x") + 65, "xA", "an int added converts to a char"},
        {'<' + String("b") + '>', "<b>", "char on both sides"},
        {"pre" + String("fix") + "ed", "prefixed", "const char* on both sides"},
        {String("a").concat("b").concat('c').concat(String("d")), "abcd", "concat chains"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(c.got, c.want) << c.why;
        EXPECT_EQ(c.got.length(), std::string(c.want).size()) << c.why;
    }
}

TEST(OwString, EmptyAndNull) {
    String def;
    String fromNull(static_cast<const char*>(0));
    for (const String* s : {&def, &fromNull}) {
        ASSERT_NE(s->c_str(), nullptr);
        EXPECT_STREQ(s->c_str(), "");
        EXPECT_EQ(s->length(), 0u);
        EXPECT_TRUE(s->empty());
        EXPECT_EQ(*s, "");
    }
}

TEST(OwString, FormatReplacesContentAndReturnsLength) {
    String s("old content");
    EXPECT_EQ(s.format("%s-%u", "x", 5u), 3);
    EXPECT_EQ(s, "x-5");

    // Longer than any small fixed buffer.
    std::string longArg(1000, 'q');
    const std::string want = "<" + longArg + "|00042>";
    String big;
    EXPECT_EQ(big.format("<%s|%05d>", longArg.c_str(), 42), static_cast<int>(want.size()));
    EXPECT_EQ(std::string(big.c_str()), want);
    EXPECT_EQ(big.length(), want.size());

    EXPECT_EQ(s.format("%0300d", 7), 300);
    EXPECT_EQ(s.length(), 300u);
    EXPECT_EQ(s.substring(0, 3), "000");
    EXPECT_EQ(s.substring(299), "7");

    EXPECT_EQ(s.format("%s", ""), 0);
    EXPECT_TRUE(s.empty());
}

TEST(OwString, ComparisonCaseRules) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
        bool equalIgnoringCase;
        int order;  // sign of a.compareTo(b)
    };
    const Case cases[] = {
        {"abc", "abc", true, true, 0},
        {"abc", "ABC", false, true, 1},
        {"Chassis", "chassis", false, true, -1},
        {"abc", "abd", false, false, -1},
        {"ab", "abc", false, false, -1},
        {"abc", "ab", false, false, 1},
        {"", "", true, true, 0},
        {"", "a", false, false, -1},
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        String a(c.a), b(c.b);
        EXPECT_EQ(a == b, c.equal);
        EXPECT_EQ(a == c.b, c.equal);
        EXPECT_EQ(c.a == b, c.equal);
        EXPECT_EQ(a != b, !c.equal);
        EXPECT_EQ(a.equals(b), c.equal);
        EXPECT_EQ(sign(a.compareTo(b)), c.order);
        EXPECT_EQ(a < b, c.order < 0);
        EXPECT_EQ(a.equalsIgnoreCase(b), c.equalIgnoringCase);
        EXPECT_EQ(a.equalsIgnoreCase(c.b), c.equalIgnoringCase);
        EXPECT_EQ(a.compareToIgnoreCase(b) == 0, c.equalIgnoringCase);
    }
    EXPECT_TRUE(String("QVX_Chassis").startsWith("qvx_", String::E_CASE_INSENSITIVE));
    EXPECT_FALSE(String("QVX_Chassis").startsWith("qvx_"));
    EXPECT_TRUE(String("QVX_Chassis").endsWith("SSIS", String::E_CASE_INSENSITIVE));
    EXPECT_FALSE(String("QVX_Chassis").endsWith("SSIS"));
    EXPECT_FALSE(String("ab").endsWith("xab"));
}

TEST(OwString, SubstringAndIndexOf) {
    const String s("abcabc");
    const TextCase subs[] = {
        {s.substring(2), "cabc", "to the end"},
        {s.substring(2, 2), "ca", "bounded"},
        {s.substring(4, 99), "bc", "length past the end is cut"},
        {s.substring(6), "", "start at the end"},
        {s.substring(99), "", "start past the end"},
        {s.substring(0, 0), "", "zero length"},
    };
    for (const TextCase& c : subs) EXPECT_EQ(c.got, c.want) << c.why;

    struct IndexCase {
        size_t got;
        size_t want;
        const char* why;
    };
    const IndexCase idx[] = {
        {s.indexOf('c'), 2, "first char"},
        {s.indexOf('c', 3), 5, "from an index"},
        {s.indexOf('c', 5), 5, "from the match itself"},
        {s.indexOf('z'), String::npos, "absent char"},
        {s.indexOf('a', 99), String::npos, "start past the end"},
        {s.indexOf("bc"), 1, "substring"},
        {s.indexOf(String("bc"), 2), 4, "String from an index"},
        {s.indexOf("cb"), String::npos, "absent substring"},
        {s.lastIndexOf('a'), 3, "last char"},
    };
    for (const IndexCase& c : idx) EXPECT_EQ(c.got, c.want) << c.why;
}

TEST(OwString, Tokenize) {
    struct Case {
        const char* in;
        const char* delims;
        String::EReturnDelimitersFlag delimiters;
        String::EEmptyTokenReturnFlag empties;
        std::vector<std::string> want;
    };
    const auto D = String::E_DISCARD_DELIMITERS;
    const auto R = String::E_RETURN_DELIMITERS;
    const auto S = String::E_SKIP_EMPTY_TOKENS;
    const auto E = String::E_RETURN_EMPTY_TOKENS;
    const Case cases[] = {
        {"  a b\tc \n", " \n\r\t\v", D, S, {"a", "b", "c"}},
        {"", " ", D, S, {}},
        {"   ", " ", D, S, {}},
        {"single", ",", D, S, {"single"}},
        {"a,,b", ",", D, S, {"a", "b"}},
        {"a,,b", ",", D, E, {"a", "", "b"}},
        {"a,b;c", ",;", R, S, {"a", ",", "b", ";", "c"}},
        {"slot-3.port-1", ".-", D, S, {"slot", "3", "port", "1"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(owtest::strings(String(c.in).tokenize(c.delims, c.delimiters, c.empties)), c.want)
            << '"' << c.in << '"';
    }
    EXPECT_EQ(owtest::strings(String(" x  y ").tokenize()), (std::vector<std::string>{"x", "y"}));
}

TEST(OwString, TrimAndCase) {
    struct Case {
        const char* in;
        const char* trim;
        const char* ltrim;
        const char* rtrim;
    };
    const Case cases[] = {
        {"  a b  ", "a b", "a b  ", "  a b"},
        {"\t\nx\r\n", "x", "x\r\n", "\t\nx"},
        {"   ", "", "", ""},
    };
    for (const Case& c : cases) {
        String t(c.in), l(c.in), r(c.in);
        EXPECT_EQ(t.trim(), c.trim) << '"' << c.in << '"';
        EXPECT_EQ(l.ltrim(), c.ltrim) << '"' << c.in << '"';
        EXPECT_EQ(r.rtrim(), c.rtrim) << '"' << c.in << '"';
    }
    String s(" MiXed ");
    s.trim().toLowerCase();
    EXPECT_EQ(s, "mixed");
    EXPECT_EQ(s.toUpperCase(), "MIXED");
    EXPECT_EQ(s.erase(), "");
}

TEST(OwString, NumberConversions) {
    EXPECT_EQ(String("4000000000").toUInt32(), 4000000000U);
    EXPECT_EQ(String("255").toUInt8(), 255);
    EXPECT_EQ(String("65535").toUInt16(), 65535);
    EXPECT_EQ(String("-5").toInt32(), -5);
    EXPECT_EQ(String("-128").toInt8(), -128);
    EXPECT_EQ(String("-9000000000").toInt64(), -9000000000LL);
    EXPECT_EQ(String("18446744073709551615").toUInt64(), 18446744073709551615ULL);
    EXPECT_EQ(String("ff").toUInt32(16), 255u);
    EXPECT_DOUBLE_EQ(String("2.5").toReal64(), 2.5);
    EXPECT_TRUE(String("TRUE").toBool());
    EXPECT_FALSE(String("False").toBool());

    const Action bad[] = {
        {"uint8 256", [] { String("256").toUInt8(); }},
        {"uint8 -1", [] { String("-1").toUInt8(); }},
        {"uint16 65536", [] { String("65536").toUInt16(); }},
        {"uint32 empty", [] { String("").toUInt32(); }},
        {"uint32 letters", [] { String("abc").toUInt32(); }},
        {"uint32 trailing junk", [] { String("12abc").toUInt32(); }},
        {"uint32 negative", [] { String("-1").toUInt32(); }},
        {"uint32 overflow", [] { String("4294967296").toUInt32(); }},
        {"sint32 overflow", [] { String("2147483648").toInt32(); }},
        {"sint8 underflow", [] { String("-129").toInt8(); }},
        {"sint16 overflow", [] { String("40000").toInt16(); }},
        {"uint64 negative", [] { String("-1").toUInt64(); }},
        {"uint32 hex digits in base 10", [] { String("ff").toUInt32(); }},
        {"real64 letters", [] { String("x1").toReal64(); }},
        {"bool yes", [] { String("yes").toBool(); }},
        {"bool 1", [] { String("1").toBool(); }},
    };
    for (const Action& a : bad) EXPECT_THROW(a.run(), StringConversionException) << a.what;
}

}  // namespace
