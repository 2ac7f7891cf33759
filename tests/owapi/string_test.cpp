// String and Array: which constructor a number reaches, the text helpers
// providers build keys with, the numeric conversions (which tell a string
// with no buffer from an empty one), and copies that share until changed.

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "OW_Exception.hpp"
#include "OW_String.hpp"
#include "owapi_test_util.h"

namespace {

using namespace OpenWBEM;
using owtest::arr;

String formatted(const char* text) {
    String s("old");
    s.format("%s", text);
    return s;
}

TEST(OwString, Texts) {
    const std::string longArg(300, 'q');
    const std::pair<String, std::string> cases[] = {
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
        {String("ab").concat('\0').concat('c'), std::string("ab\0c", 4)},
        {"<" + String("b") + '>', "<b>"},
        {String("\t\nx y\r\n").ltrim(), "x y\r\n"},
        {String("\t\nx y\r\n").rtrim(), "\t\nx y"},
        {String("abcabc").substring(4, 99), "bc"},
        {String("abc").substring(2), "c"},
        {formatted(longArg.c_str()), longArg},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(std::string(got.c_str(), got.length()), want);
    EXPECT_EQ(String("x").format("%s", longArg.c_str()), 300);
}

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
    typedef std::function<std::string(const String&)> Convert;
#define OW_CONV(call) [](const String& s) { return show(s.call); }
    const Convert u8 = OW_CONV(toUInt8()), i8 = OW_CONV(toInt8()), u32 = OW_CONV(toUInt32()),
                  i32 = OW_CONV(toInt32()), u64 = OW_CONV(toUInt64()), i64 = OW_CONV(toInt64()),
                  r32 = OW_CONV(toReal32()), r64 = OW_CONV(toReal64()), hex = OW_CONV(toUInt32(16)),
                  b = OW_CONV(toBool());
#undef OW_CONV
    String erased("abc");
    erased.erase();
    const bool lp64 = sizeof(long) == 8;
    const struct {
        String s;
        Convert convert;
        std::string want;  // the value, or "!" and what the exception says
    } cases[] = {
        {String(), u32, "!Unable to convert \"\" into UInt32"},
        {erased, r64, "!Unable to convert \"\" into Real64"},
        {String("abc").substring(3), r32, "!Unable to convert \"\" into Real32"},
        {String(static_cast<const char*>(0)), i8, "!Unable to convert \"\" into Int8"},
        {String(" \t").trim(), u32, "!Unable to convert \"\" into UInt32"},
        {String(" \t").rtrim(), b, "!Unable to convert \"\" into bool"},
        {String(""), u32, "0"},
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
    for (const auto& c : cases) {
        EXPECT_TRUE(!c.s.empty() || (c.s == String() && c.s == "" && *c.s.c_str() == '\0'));
        std::string got;
        try {
            got = c.convert(c.s);
        } catch (const StringConversionException& e) {
            got = std::string("!") + e.what();
        }
        EXPECT_EQ(got, c.want) << c.s;
    }
}

// Short texts live in the string, longer ones are shared until one copy
// changes: every change, on either side of that limit, must give what
// std::string gives and leave the other copies as they were.
TEST(OwString, ChangingACopyLeavesTheOthersAlone) {
    const std::pair<std::function<void(String&)>, std::function<void(std::string&)>> cases[] = {
        {[](String& s) { s.concat("!"); }, [](std::string& s) { s += "!"; }},
        {[](String& s) { s += String("?"); }, [](std::string& s) { s += "?"; }},
        {[](String& s) { s += 'x'; }, [](std::string& s) { s += 'x'; }},
        {[](String& s) { s += s; }, [](std::string& s) { s += s; }},
        {[](String& s) { s.concat(s.c_str() + 3); }, [](std::string& s) { s += s.substr(3); }},
        {[](String& s) { s.toUpperCase(); },
         [](std::string& s) {
             for (char& c : s) c = static_cast<char>(std::toupper(c));
         }},
        {[](String& s) { s[0] = 'c'; }, [](std::string& s) { s[0] = 'c'; }},
        {[](String& s) { s.erase(); }, [](std::string& s) { s.clear(); }},
        {[](String& s) { s.format("%d", 7); }, [](std::string& s) { s = "7"; }},
        {[](String& s) { s = "other"; }, [](std::string& s) { s = "other"; }},
    };
    // 9, 22 (the longest kept inside) and 40 characters.
    for (const std::string start :
         {"Chassis-1", "ExpansionChassis1Track", "ExpansionChassis1UserTrackingAndMoreText"}) {
        for (size_t i = 0; i < std::size(cases); ++i) {
            String original(start.c_str()), copy(original), copyOfCopy;
            copyOfCopy = copy;
            cases[i].first(copy);
            std::string want = start;
            cases[i].second(want);
            EXPECT_EQ(std::string(copy.c_str(), copy.length()), want) << i << " on " << start;
            EXPECT_EQ(std::string(original.c_str()) + "|" + copyOfCopy.c_str(), start + "|" + start)
                << i;
        }
    }
    // Growing one string a character at a time keeps every step's text.
    String grown;
    std::string want;
    for (int i = 0; i < 200; ++i) {
        String before(grown);
        grown += static_cast<char>('a' + i % 26);
        ASSERT_EQ(before, want.c_str());
        want += static_cast<char>('a' + i % 26);
    }
    EXPECT_EQ(std::string(grown.c_str(), grown.length()), want);
}

TEST(OwString, Tokens) {
    const auto D = String::E_DISCARD_TOKENS, R = String::E_RETURN_TOKENS;
    const auto S = String::E_SKIP_EMPTY_TOKENS, E = String::E_RETURN_EMPTY_TOKENS;
    const struct {
        const char* in;
        String::EReturnTokensFlag delimiters;
        String::EEmptyTokenReturnFlag empties;
        std::vector<std::string> want;
    } tokens[] = {
        {",,", D, S, {}},
        {"a,,b", D, S, {"a", "b"}},
        {"a,,b", D, E, {"a", "", "b"}},
        {"a,b;c", R, S, {"a", ",", "b", ";", "c"}},
    };
    for (const auto& t : tokens) {
        EXPECT_EQ(owtest::strings(String(t.in).tokenize(",;", t.delimiters, t.empties)), t.want);
    }
}

TEST(OwArray, CopyOnWriteAndAppendingItself) {
    StringArray s = arr<String>({"x", "y"}), t = s;
    *t.begin() = "changed";
    t.push_back("z");
    EXPECT_EQ(owtest::strings(s), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(owtest::strings(t), (std::vector<std::string>{"changed", "y", "z"}));
    Array<int> a = arr<int>({1, 2}), b = a;
    b[0] = 9;
    b.remove(1);
    b.appendArray(b);
    b.append(7);
    a.appendArray(a);
    EXPECT_EQ(a, arr<int>({1, 2, 1, 2}));
    EXPECT_EQ(b, arr<int>({9, 9, 7}));
}

TEST(OwArray, OutOfRangeIndex) {
    const std::pair<Array<int>, size_t> cases[] = {{arr<int>({1, 2, 3}), 3}, {Array<int>(), 0}};
    for (const auto& c : cases) {
        const Array<int>& a = c.first;
        const size_t index = c.second;
        Array<int> writable = a;
        const std::function<void()> uses[] = {[&] { (void)a[index]; },
                                              [&] { writable[index] = 1; }};
        for (const auto& use : uses) {
            try {
                use();
                ADD_FAILURE() << "index " << index << " accepted";
            } catch (const OutOfBoundsException& e) {
                EXPECT_EQ(e.getMessage(),
                          "Array Index out of bounds. size = " + std::to_string(a.size()) +
                              ", index = " + std::to_string(index));
            }
        }
        EXPECT_EQ(writable, a) << "failed write changed nothing";
    }
}

}  // namespace
