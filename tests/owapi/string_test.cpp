// String and Array: which constructor a number reaches, the text helpers
// providers build keys with, the numeric conversions (which tell a string
// with no buffer from an empty one), and copies that share until changed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <tuple>
#include <vector>

#include "OW_String.hpp"
#include "owapi_test_util.h"

namespace {

using namespace OpenWBEM;
using owtest::arr;
using owtest::outcome;

String formatted(const char* text) {
    String s("old");
    s.format("%s", text);
    return s;
}

std::string str(const String& s) {
    return std::string(s.c_str(), s.length());
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
    for (const auto& [got, want] : cases) EXPECT_EQ(str(got), want);
    EXPECT_EQ(String("x").format("%s", longArg.c_str()), 300);
}

// The value, or "!" and what the StringConversionException says.
template <class T, class... Base>
std::string conv(const String& s, T (String::*to)(Base...) const) {
    return outcome([&] { return std::to_string(+(s.*to)(Base(10)...)); });
}
std::string hex(const String& s) {
    return outcome([&] { return std::to_string(s.toUInt32(16)); });
}
std::string boolean(const String& s) {
    return outcome([&] { return std::string(s.toBool() ? "true" : "false"); });
}

// A string with no buffer (String(), and what erases or trims a text away)
// looks like one with an empty buffer (String("")), but only the second
// reads as 0.
TEST(OwString, NumericConversions) {
    String erased("abc");
    erased.erase();
    const String none[] = {String(),
                           erased,
                           String("abc").substring(3),
                           String(nullptr),
                           String(" \t").trim(),
                           String(" \t").rtrim()};
    for (const String& s : none) EXPECT_TRUE(s.empty() && s == String() && s == "" && !*s.c_str());
    const std::string bad = "!StringConversionException: Unable to convert \"";
    const bool lp64 = sizeof(long) == 8;
    const std::pair<std::string, std::string> cases[] = {
        {conv(String(), &String::toUInt32), bad + "\" into UInt32"},
        {conv(erased, &String::toReal64), bad + "\" into Real64"},
        {conv(String("abc").substring(3), &String::toReal32), bad + "\" into Real32"},
        {conv(String(nullptr), &String::toInt8), bad + "\" into Int8"},
        {conv(String(" \t").trim(), &String::toUInt32), bad + "\" into UInt32"},
        {boolean(String(" \t").rtrim()), bad + "\" into bool"},
        {conv(String(""), &String::toUInt32), "0"},
        {conv(String("abc", 0), &String::toInt8), "0"},
        {conv(formatted(""), &String::toReal64), "0.000000"},
        // Leading blanks and a sign are read, anything after the number is not.
        {conv(" 5", &String::toUInt32), "5"},
        {conv("+7", &String::toUInt32), "7"},
        {conv("5 ", &String::toUInt32), bad + "5 \" into UInt32"},
        {conv("0x10", &String::toUInt32), bad + "0x10\" into UInt32"},
        {hex("0x10"), "16"},
        // A negative text wraps in unsigned long, then must fit the type.
        {conv("-1", &String::toUInt8), bad + "-1\" into UInt8"},
        {conv("-1", &String::toUInt32), lp64 ? bad + "-1\" into UInt32" : "4294967295"},
        {conv("-1", &String::toUInt64), "18446744073709551615"},
        // Range: the type's own, and the C library's.
        {conv("256", &String::toUInt8), bad + "256\" into UInt8"},
        {conv("-129", &String::toInt8), bad + "-129\" into Int8"},
        {conv("2147483648", &String::toInt32), bad + "2147483648\" into Int32"},
        {conv("-9000000000", &String::toInt64), "-9000000000"},
        {conv("18446744073709551616", &String::toUInt64),
         bad + "18446744073709551616\" into UInt64"},
        {conv("1e999", &String::toReal64), bad + "1e999\" into Real64"},
        {conv("1e300", &String::toReal32), bad + "1e300\" into Real32"},
        {boolean("TRUE"), "true"},
        {boolean("False"), "false"},
        {boolean("yes"), bad + "yes\" into bool"},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
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
         [](std::string& s) { std::transform(s.begin(), s.end(), s.begin(), ::toupper); }},
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
            EXPECT_EQ(str(copy) + "|" + str(original) + "|" + str(copyOfCopy),
                      want + "|" + start + "|" + start)
                << i;
        }
    }
    // Growing one string a character at a time keeps every step's text.
    String grown;
    std::string want;
    for (int i = 0; i < 200; ++i) {
        String before(grown);
        grown += static_cast<char>('a' + i % 26);
        ASSERT_EQ(str(before), want);
        want += static_cast<char>('a' + i % 26);
    }
    EXPECT_EQ(str(grown), want);
}

std::vector<std::string> strings(const StringArray& a) {
    std::vector<std::string> out;
    for (const String& s : a) out.push_back(str(s));
    return out;
}

TEST(OwString, Tokens) {
    const auto D = String::E_DISCARD_TOKENS, R = String::E_RETURN_TOKENS;
    const auto S = String::E_SKIP_EMPTY_TOKENS, E = String::E_RETURN_EMPTY_TOKENS;
    const std::pair<StringArray, std::vector<std::string>> cases[] = {
        {String(",,").tokenize(",;", D, S), {}},
        {String("a,,b").tokenize(",;", D, S), {"a", "b"}},
        {String("a,,b").tokenize(",;", D, E), {"a", "", "b"}},
        {String("a,b;c").tokenize(",;", R, S), {"a", ",", "b", ";", "c"}},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(strings(got), want);
}

TEST(OwArray, CopyOnWriteAndAppendingItself) {
    StringArray s = arr<String>({"x", "y"}), t = s;
    *t.begin() = "changed";
    t.push_back("z");
    EXPECT_EQ(strings(s), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(strings(t), (std::vector<std::string>{"changed", "y", "z"}));
    Array<int> a = arr<int>({1, 2}), b = a;
    b[0] = 9;
    b.remove(1);
    b.appendArray(b);
    b.append(7);
    a.appendArray(a);
    Array<int> c = a;
    c.appendArray(a);
    EXPECT_EQ(a, arr<int>({1, 2, 1, 2}));
    EXPECT_EQ(c.size(), 8u);
    EXPECT_EQ(b, arr<int>({9, 9, 7}));
}

TEST(OwArray, OutOfRangeIndex) {
    const std::pair<Array<int>, size_t> cases[] = {{arr<int>({1, 2, 3}), 3}, {Array<int>(), 0}};
    for (const auto& c : cases) {
        Array<int> writable = c.first;
        const std::string want = "!OutOfBoundsException: Array Index out of bounds. size = " +
                                 std::to_string(c.first.size()) +
                                 ", index = " + std::to_string(c.second);
        EXPECT_EQ(outcome([&] { return std::to_string(c.first[c.second]); }), want);
        EXPECT_EQ(outcome([&] { return std::to_string(writable[c.second] = 1); }), want);
        EXPECT_EQ(writable, c.first) << "failed write changed nothing";
    }
}

}  // namespace
