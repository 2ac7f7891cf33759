// String: which constructor a number reaches, concatenation with a char,
// format(), case rules and the text helpers providers build keys with.

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <functional>
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

TEST(OwString, ConstructionConcatenationAndTextHelpers) {
    const TextCase cases[] = {
        {String(UInt8(3)), "3", "UInt8 promotes to Int32"},
        {String(static_cast<unsigned char>('A')), "65", "unsigned char is a number"},
        {String(true), "1", "bool promotes to Int32"},
        {String('A'), "A", "a plain char is a character"},
        {String('\0'), "", "NUL char gives an empty string"},
        {String(UInt32(4000000000U)), "4000000000", "UInt32 above INT32_MAX stays unsigned"},
        {String(Int64(-9000000000LL)), "-9000000000", "negative Int64"},
        {String(UInt64(18446744073709551615ULL)), "18446744073709551615", "UInt64 max"},
        {String(Real64(3.14159265)), "3.14159", "six significant digits"},
        {String("abcdef", 3), "abc", "length-limited"},
        {String(), "", "default"},
        {String(static_cast<const char*>(0)), "", "null pointer gives an empty string"},
        {String("x") + 65, "xA", "an int added converts to a char"},
        {'<' + String("b") + '>', "<b>", "char on both sides"},
        {"pre" + String("fix") + "ed", "prefixed", "const char* on both sides"},
        {String("a").concat("b").concat('c').concat(String("d")), "abcd", "concat chains"},
        {String("\t\nx y\r\n").trim(), "x y", "trim"},
        {String("\t\nx y\r\n").ltrim(), "x y\r\n", "ltrim"},
        {String("\t\nx y\r\n").rtrim(), "\t\nx y", "rtrim"},
        {String("   ").trim(), "", "trim of blanks only"},
        {String("abcabc").substring(2), "cabc", "substring to the end"},
        {String("abcabc").substring(4, 99), "bc", "length past the end is cut"},
        {String("abcabc").substring(99), "", "start past the end"},
    };
    for (const TextCase& c : cases) {
        ASSERT_NE(c.got.c_str(), nullptr) << c.why;
        EXPECT_STREQ(c.got.c_str(), c.want) << c.why;
        EXPECT_EQ(c.got.length(), std::string(c.want).size()) << c.why;
        EXPECT_EQ(c.got.empty(), *c.want == '\0') << c.why;
    }
}

// Short texts live in the string, longer ones are shared until one copy
// changes: every change, on either side of that limit and across it, must
// give what std::string gives and leave the other copies as they were.
TEST(OwString, ChangingACopyLeavesTheOthersAlone) {
    struct Case {
        const char* what;
        std::function<void(String&)> change;
        std::function<void(std::string&)> model;
    };
    const Case cases[] = {
        {"concat text", [](String& s) { s.concat("!"); }, [](std::string& s) { s += "!"; }},
        {"concat string", [](String& s) { s += String("?"); }, [](std::string& s) { s += "?"; }},
        {"concat char", [](String& s) { s += 'x'; }, [](std::string& s) { s += 'x'; }},
        {"concat itself", [](String& s) { s += s; }, [](std::string& s) { s += s; }},
        {"concat own tail", [](String& s) { s.concat(s.c_str() + 3); },
         [](std::string& s) { s += s.substr(3); }},
        {"upper case", [](String& s) { s.toUpperCase(); },
         [](std::string& s) {
             for (char& c : s) c = static_cast<char>(std::toupper(c));
         }},
        {"write one char", [](String& s) { s[0] = 'c'; }, [](std::string& s) { s[0] = 'c'; }},
        {"trim", [](String& s) { s = String(" a ").trim(); }, [](std::string& s) { s = "a"; }},
        {"erase", [](String& s) { s.erase(); }, [](std::string& s) { s.clear(); }},
        {"format", [](String& s) { s.format("%d", 7); }, [](std::string& s) { s = "7"; }},
        {"assign", [](String& s) { s = "other"; }, [](std::string& s) { s = "other"; }},
    };
    // 9, 22 (the longest kept inside) and 40 characters.
    for (const std::string start :
         {"Chassis-1", "ExpansionChassis1Track", "ExpansionChassis1UserTrackingAndMoreText"}) {
        for (const Case& c : cases) {
            String original(start.c_str());
            String copy(original);
            String copyOfCopy;
            copyOfCopy = copy;
            c.change(copy);
            std::string want = start;
            c.model(want);
            EXPECT_EQ(std::string(copy.c_str()), want) << c.what << " on " << start;
            EXPECT_EQ(copy.length(), want.size()) << c.what << " on " << start;
            EXPECT_EQ(std::string(original.c_str()), start) << c.what << " on " << start;
            EXPECT_EQ(std::string(copyOfCopy.c_str()), start) << c.what << " on " << start;
        }
    }
    // Growing one string a character at a time keeps every step's text.
    String grown;
    std::string want;
    for (int i = 0; i < 200; ++i) {
        String before(grown);
        grown += static_cast<char>('a' + i % 26);
        want += static_cast<char>('a' + i % 26);
        ASSERT_EQ(std::string(before.c_str()), want.substr(0, want.size() - 1));
        ASSERT_EQ(grown.length(), want.size());
    }
    EXPECT_EQ(std::string(grown.c_str()), want);
    String moved(std::move(grown));
    EXPECT_EQ(std::string(moved.c_str()), want);
    EXPECT_TRUE(grown.empty());  // what a move leaves behind
}

TEST(OwString, FormatReplacesContentAndReturnsLength) {
    String s("old content");
    EXPECT_EQ(s.format("%s-%u", "x", 5u), 3);
    EXPECT_EQ(s, "x-5");
    // Longer than any small fixed buffer.
    const std::string longArg(1000, 'q'), want = "<" + longArg + "|00042>";
    EXPECT_EQ(s.format("<%s|%05d>", longArg.c_str(), 42), static_cast<int>(want.size()));
    EXPECT_EQ(std::string(s.c_str()), want);
    EXPECT_EQ(s.length(), want.size());
    EXPECT_EQ(s.format("%s", ""), 0);
    EXPECT_TRUE(s.empty());
}

TEST(OwString, ComparisonCaseRules) {
    struct Case {
        const char* a;
        const char* b;
        bool equal, equalIgnoringCase;
        int order;
    };
    const Case cases[] = {
        {"abc", "abc", true, true, 0},
        {"abc", "ABC", false, true, 1},
        {"Chassis", "chassis", false, true, -1},
        {"abc", "abd", false, false, -1},
        {"ab", "abc", false, false, -1},
        {"abc", "ab", false, false, 1},
        {"", "", true, true, 0},
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        String a(c.a), b(c.b);
        EXPECT_EQ(a == b, c.equal);
        EXPECT_EQ(a == c.b, c.equal);
        EXPECT_EQ(c.a == b, c.equal);
        EXPECT_EQ(a != b, !c.equal);
        EXPECT_EQ(sign(a.compareTo(b)), c.order);
        EXPECT_EQ(a < b, c.order < 0);
        EXPECT_EQ(a.equalsIgnoreCase(b), c.equalIgnoringCase);
        EXPECT_EQ(a.compareToIgnoreCase(b) == 0, c.equalIgnoringCase);
    }
    const String s("QVX_Chassis");
    EXPECT_TRUE(s.startsWith("qvx_", String::E_CASE_INSENSITIVE));
    EXPECT_FALSE(s.startsWith("qvx_"));
    EXPECT_TRUE(s.endsWith("SSIS", String::E_CASE_INSENSITIVE));
    EXPECT_FALSE(s.endsWith("SSIS"));
    EXPECT_FALSE(String("ab").endsWith("xab"));
}

TEST(OwString, IndexOf) {
    const String s("abcabc");
    const size_t npos = String::npos;
    EXPECT_EQ(
        (std::vector<size_t>{s.indexOf('c'), s.indexOf('c', 5), s.indexOf('z'), s.indexOf('a', 99),
                             s.indexOf(String("bc"), 2), s.indexOf("cb"), s.lastIndexOf('a')}),
        (std::vector<size_t>{2, 5, npos, npos, 4, npos, 3}));
}

TEST(OwString, Tokenize) {
    struct Case {
        const char* in;
        const char* delims;
        String::EReturnDelimitersFlag delimiters;
        String::EEmptyTokenReturnFlag empties;
        std::vector<std::string> want;
    };
    const auto D = String::E_DISCARD_DELIMITERS, R = String::E_RETURN_DELIMITERS;
    const auto S = String::E_SKIP_EMPTY_TOKENS, E = String::E_RETURN_EMPTY_TOKENS;
    const Case cases[] = {
        {"   ", " ", D, S, {}},
        {"a,,b", ",", D, S, {"a", "b"}},
        {"a,,b", ",", D, E, {"a", "", "b"}},
        {"a,b;c", ",;", R, S, {"a", ",", "b", ";", "c"}},
        {"slot-3.port-1", ".-", D, S, {"slot", "3", "port", "1"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(owtest::strings(String(c.in).tokenize(c.delims, c.delimiters, c.empties)), c.want)
            << '"' << c.in << '"';
    }
    EXPECT_EQ(owtest::strings(String(" x\t y\n").tokenize()), (std::vector<std::string>{"x", "y"}));
}

TEST(OwString, NumberConversions) {
    EXPECT_EQ(String("4000000000").toUInt32(), 4000000000U);
    EXPECT_EQ(String("-128").toInt8(), -128);
    EXPECT_EQ(String("-9000000000").toInt64(), -9000000000LL);
    EXPECT_EQ(String("18446744073709551615").toUInt64(), 18446744073709551615ULL);
    EXPECT_EQ(String("ff").toUInt32(16), 255u);
    EXPECT_DOUBLE_EQ(String("2.5").toReal64(), 2.5);
    EXPECT_TRUE(String("TRUE").toBool());
    EXPECT_FALSE(String("False").toBool());

    const Action bad[] = {
        {"uint8 256", [] { String("256").toUInt8(); }},
        {"uint32 empty", [] { String("").toUInt32(); }},
        {"uint32 trailing junk", [] { String("12abc").toUInt32(); }},
        {"uint32 negative", [] { String("-1").toUInt32(); }},
        {"sint32 overflow", [] { String("2147483648").toInt32(); }},
        {"sint8 underflow", [] { String("-129").toInt8(); }},
        {"real64 letters", [] { String("x1").toReal64(); }},
        {"bool 1", [] { String("1").toBool(); }},
    };
    for (const Action& a : bad) EXPECT_THROW(a.run(), StringConversionException) << a.what;
}

}  // namespace
