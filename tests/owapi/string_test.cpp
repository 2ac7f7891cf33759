// String: which constructor a number reaches, the text helpers providers
// build keys with, and the numeric conversions, which tell a string with no
// buffer from an empty one.

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "OW_String.hpp"
#include "owapi_test_util.h"

namespace {

using namespace OpenWBEM;

String formatted(const char* text) {
    String s("old");
    s.format("%s", text);
    return s;
}

TEST(OwString, Texts) {
    const std::string longArg(300, 'q');
    struct Case {
        String got;
        std::string want;
    };
    const Case cases[] = {
        // Promotions: small integers and bool are numbers, a plain char a character.
        {String(UInt8(3)), "3"},
        {String(true), "1"},
        {String('A'), "A"},
        {String("x") + 65, "xA"},
        {String(UInt32(4000000000U)), "4000000000"},
        // Six significant digits, the shorter of fixed and scientific.
        {String(1.5), "1.5"},
        {String(100.0), "100"},
        {String(1234567.0), "1.23457e+06"},
        {String(0.1), "0.1"},
        {String("ab").concat(""), "ab"},
        {String("ab").concat('\0').concat('c'), std::string("ab\0c", 4)},
        {"<" + String("b") + '>', "<b>"},
        {String("\t\nx y\r\n").ltrim(), "x y\r\n"},
        {String("\t\nx y\r\n").rtrim(), "\t\nx y"},
        {String("abcabc").substring(4, 99), "bc"},
        {formatted(longArg.c_str()), longArg},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(c.got.c_str(), c.got.length()), c.want);
    }
    EXPECT_EQ(String("x").format("%s", longArg.c_str()), 300);
}

// The value as text, or "!" and the message of a StringConversionException.
template <class T>
std::string show(T v) {
    return std::to_string(+v);
}
std::string show(bool v) {
    return v ? "true" : "false";
}

// A string with no buffer (String(), and what erases or trims a text away)
// looks like one with an empty buffer (String("")), but only the second
// reads as 0.
TEST(OwString, NumericConversions) {
    const bool lp64 = sizeof(long) == 8;
    typedef std::function<std::string(const String&)> Convert;
    struct Case {
        String s;
        Convert convert;
        std::string want;
    };
#define OW_CONV(call) [](const String& s) { return show(s.call); }
    const Convert u8 = OW_CONV(toUInt8()), i8 = OW_CONV(toInt8()), u32 = OW_CONV(toUInt32()),
                  i32 = OW_CONV(toInt32()), u64 = OW_CONV(toUInt64()), i64 = OW_CONV(toInt64()),
                  r32 = OW_CONV(toReal32()), r64 = OW_CONV(toReal64()), hex = OW_CONV(toUInt32(16)),
                  b = OW_CONV(toBool());
#undef OW_CONV
    String erased("abc");
    erased.erase();
    const Case cases[] = {
        {String(), u32, "!Unable to convert \"\" into UInt32"},
        {String(static_cast<const char*>(0)), i8, "!Unable to convert \"\" into Int8"},
        {String('\0'), u64, "!Unable to convert \"\" into UInt64"},
        {erased, r64, "!Unable to convert \"\" into Real64"},
        {String("abc").substring(3), r32, "!Unable to convert \"\" into Real32"},
        {String(" \t").trim(), u32, "!Unable to convert \"\" into UInt32"},
        {String(" \t").rtrim(), b, "!Unable to convert \"\" into bool"},
        {String(String()), i32, "!Unable to convert \"\" into Int32"},
        {String(""), u32, "0"},
        {String("abc", 0), i8, "0"},
        {formatted(""), r64, "0.000000"},
        // Leading blanks and a sign are read, anything after the number is not.
        {" 5", u32, "5"},
        {"+7", u32, "7"},
        {"5 ", u32, "!Unable to convert \"5 \" into UInt32"},
        {"0x10", u32, "!Unable to convert \"0x10\" into UInt32"},
        {"0x10", hex, "16"},
        // A negative text wraps in unsigned long, then must fit the type.
        {"-1", u8, "!Unable to convert \"-1\" into UInt8"},
        {"-1", u32, lp64 ? "!Unable to convert \"-1\" into UInt32" : "4294967295"},
        {"-1", u64, "18446744073709551615"},
        // Range: the type's own, and the C library's.
        {"256", u8, "!Unable to convert \"256\" into UInt8"},
        {"-129", i8, "!Unable to convert \"-129\" into Int8"},
        {"2147483648", i32, "!Unable to convert \"2147483648\" into Int32"},
        {"-9000000000", i64, "-9000000000"},
        {"18446744073709551616", u64, "!Unable to convert \"18446744073709551616\" into UInt64"},
        {"1e999", r64, "!Unable to convert \"1e999\" into Real64"},
        {"1e300", r32, "!Unable to convert \"1e300\" into Real32"},
        {"TRUE", b, "true"},
        {"False", b, "false"},
        {"yes", b, "!Unable to convert \"yes\" into bool"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const String& s = cases[i].s;
        EXPECT_TRUE(!s.empty() || (s == String() && s == "" && *s.c_str() == '\0')) << i;
        std::string got;
        try {
            got = cases[i].convert(s);
        } catch (const StringConversionException& e) {
            got = std::string("!") + e.what();
        }
        EXPECT_EQ(got, cases[i].want) << i << ' ' << s;
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
}

// The 3.0 names of the flag that returns the delimiters as tokens.
TEST(OwString, Tokens) {
    const auto D = String::E_DISCARD_TOKENS, R = String::E_RETURN_TOKENS;
    const auto S = String::E_SKIP_EMPTY_TOKENS, E = String::E_RETURN_EMPTY_TOKENS;
    struct Tokens {
        const char* in;
        String::EReturnTokensFlag delimiters;
        String::EEmptyTokenReturnFlag empties;
        std::vector<std::string> want;
    };
    const Tokens tokens[] = {
        {",,", D, S, {}},
        {"a,,b", D, S, {"a", "b"}},
        {"a,,b", D, E, {"a", "", "b"}},
        {"a,b;c", R, S, {"a", ",", "b", ";", "c"}},
    };
    for (const Tokens& t : tokens) {
        EXPECT_EQ(owtest::strings(String(t.in).tokenize(",;", t.delimiters, t.empties)), t.want)
            << t.in;
    }
}

}  // namespace
