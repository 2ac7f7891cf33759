// The MOF reader and the class repository: the shipped schema, one row for
// each kind of fault the reader refuses, escapes, typed values, methods,
// limits and provider routing. Odd input at the lexer's edges is the fuzzer's.
#include "ClassRepository.hpp"
#include "MofReader.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMMethod.hpp"
#include "OW_CIMParameter.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_CIMValue.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace OpenWBEM;
using namespace qvx_cimom;

namespace {

std::string str(const String& s) {
    return std::string(s.c_str(), s.length());
}

// "line: message" of the error a text must give; fails the test when it reads cleanly.
std::string errorOf(const std::string& text) {
    try {
        readMof(text, "t.mof");
    } catch (const MofError& e) {
        std::string at = e.line() ? std::to_string(e.line()) + ": " : " ";
        EXPECT_EQ("t.mof:" + at + e.message(), e.what());
        return std::to_string(e.line()) + ": " + e.message();
    }
    ADD_FAILURE() << "read without error: " << text.substr(0, 200);
    return "";
}

CIMClass onlyClass(const std::string& text) {
    std::vector<CIMClass> classes = readMof(text, "t.mof");
    EXPECT_EQ(1u, classes.size()) << text;
    return classes.empty() ? CIMClass(CIMNULL) : classes[0];
}

std::string typeText(const CIMDataType& t) {
    std::string out = t.isReferenceType() ? str(t.getRefClassName()) + " REF" : str(t.toString());
    if (t.isArrayType()) out += t.getSize() > 0 ? "[" + std::to_string(t.getSize()) + "]" : "[]";
    return out;
}

// A class in one line: its properties with type, key, Write and default in
// order, then its methods with In and Out of each parameter.
std::string describe(const CIMClass& c) {
    std::string out = str(c.getName());
    if (!c.getSuperClass().empty()) out += " : " + str(c.getSuperClass());
    for (const CIMProperty& p : c.getAllProperties()) {
        out += " " + str(p.getName()) + " " + typeText(p.getDataType()) +
               (p.isKey() ? " key" : "") + (p.hasTrueQualifier("Write") ? " write" : "") +
               (p.getValue() ? " = " + str(p.getValue().toMOF()) : "") + ";";
    }
    for (const CIMMethod& m : c.getAllMethods()) {
        out += " " + typeText(m.getReturnType()) + " " + str(m.getName()) + "(";
        for (const CIMParameter& p : m.getParameters()) {
            out += str(p.getName()) + " " + typeText(p.getType()) +
                   (p.hasTrueQualifier("In") ? " in" : "") +
                   (p.hasTrueQualifier("Out") ? " out" : "") + ",";
        }
        out += ");";
    }
    return out;
}

// The served classes, each one and each property described, routed to the
// provider; their properties are the golden GetClass replies'.
TEST(MofSchema, ShippedSchemaHasTheServedClassesRoutedToTheProvider) {
    ClassRepository repo = ClassRepository::fromMofFile(QVX_SCHEMA_FILE);
    std::string names;
    for (const String& name : repo.classNames()) {
        names += str(name) + ";";
        EXPECT_EQ(str(repo.providerFor(name)), "QVXInventoryProvider") << name;
        CIMClass c = repo.getClass(name);
        EXPECT_TRUE(c.getQualifier("Description")) << str(name);
        for (const CIMProperty& p : c.getAllProperties())
            EXPECT_TRUE(p.getQualifier("Description")) << str(p.getName());
    }
    EXPECT_EQ("QVX_Z64Chassis;QVX_Z64ExpansionChassis;QVX_MBMLogicalModule;", names);
}

// One row for each kind of fault: the line it names and the text. Inside
// class A_B first.
TEST(MofErrors, LineAndMessage) {
    const std::string members[][2] = {
        // Where the ';' belongs, not where the next token is.
        {"\n  string X\n  string Y;",
         "2: expected ';' after the declaration of property X, found 'string'"},
        {"\n  strin X;", "2: unknown data type 'strin'"},
        {"\n [Description(\"abc\n)] string X;", "2: unterminated string"},
        {"\n string X;\n uint8 x;", "3: duplicate property or method x in class A_B"},
        {"\n [Key(\"yes\")] string X;", "2: qualifier Key needs a boolean value, found a string"},
        {"\n uint8 X = 256;", "2: value 256 is out of range for uint8 (property X)"},
        {"uint64 X = 18446744073709551616;", "1: number 18446744073709551616 is too large"},
        {"uint8 X = \"1\";", "1: property X needs a uint8 value, found a string"},
        {"string X[] = \"a\";", "1: property X takes an array value in braces"},
        {"string X[] = {\"a\", null};", "1: property X: null is not allowed inside an array"},
        {"datetime D = \"20051301000000.000000+000\";",
         "1: invalid datetime \"20051301000000.000000+000\" (property D)"},
        {"char16 C = 'a';", "1: char16 literals are not supported"},
        {"uint32 M(string P,\n uint8 p);", "2: duplicate parameter p in method M"},
    };
    for (const auto& row : members)
        EXPECT_EQ(row[1], errorOf("class A_B { " + row[0] + " };")) << row[0];
    const std::string texts[][2] = {
        // the line it opens on
        {"\nclass A_B {};\n/* a\n\n\n", "3: unterminated comment"},
        {"class A_B {};\n\nclass a_b {};", "3: duplicate class a_b"},
        {"class A_B {\n string X;\n", "3: missing '}' at the end of class A_B"},
        {"[Key]\nclass A_B {};", "1: qualifier Key is not allowed on a class"},
        {"[Description(\"a\\qb\")] class A_B {};", "1: unknown escape sequence \\q ('q')"},
        {"#pragma include (\"other.mof\")\n", "1: #pragma include is not supported"},
        {"Qualifier Q : boolean, Scope(any);\nQualifier q : string, Scope(any);",
         "2: duplicate declaration of qualifier q"},
        // A declared type and scope replace the standard ones.
        {"Qualifier Key : string, Scope(property);\nclass A_B { [Key] string X; };",
         "2: qualifier Key needs a value"},
    };
    for (const auto& row : texts) EXPECT_EQ(row[1], errorOf(row[0])) << row[0];
    EXPECT_THROW(readMofFile("/nonexistent/x.mof"), MofError);
}

TEST(MofValues, StringEscapesAndConcatenation) {
    const char* rows[][2] = {
        // As written in the MOF, quotes included; the value read.
        {R"("a\"b\\c\'d")", "a\"b\\c'd"},
        {R"("\n\t\r\b\f")", "\n\t\r\b\f"},
        {R"("\x41\X42")", "AB"},
        {R"("\x41000")",
         "\xe4\x84\x80"
         "0"},  // greedy up to four digits
        {"\"across\"\n  // comment between\n  \" lines\"", "across lines"},
    };
    for (const auto& row : rows) {
        CIMClass cls = onlyClass(std::string("[Description(") + row[0] + ")] class A_B {};");
        EXPECT_EQ(str(cls.getQualifier("Description").getValue().toString()), row[1]) << row[0];
    }
}

TEST(MofValues, TypedDefaults) {
    const char* rows[][2] = {
        // The declaration; as described.
        {"uint8 X = 0x1F;", "X uint8 = 31;"},
        {"sint64 X = -9223372036854775808;", "X sint64 = -9223372036854775808;"},
        {"uint64 X = 18446744073709551615;", "X uint64 = 18446744073709551615;"},
        {"boolean X = TRUE;", "X boolean = true;"},
        {"datetime X = \"00000001020304.000005:000\";",
         "X datetime = \"00000001020304.000005:000\";"},
        {"uint16 X[] = {1, 2, 0x10};", "X uint16[] = {1,2,16};"},
        {"string X[4] = {\"a\", \"b\" \"c\"};", "X string[4] = {\"a\",\"bc\"};"},
        {"real64 D = -1.5e3; real32 F = .25;", "D real64 = -1500; F real32 = 0.25;"},
    };
    for (const auto& row : rows) {
        CIMClass cls = onlyClass(std::string("class A_B { ") + row[0] + " };");
        EXPECT_EQ(std::string("A_B ") + row[1], describe(cls));
        for (const CIMProperty& p : cls.getAllProperties()) {
            if (p.getValue()) {
                EXPECT_EQ(p.getValue().getType(), p.getDataType().getType()) << row[0];
            }
        }
    }
}

// Declared qualifiers take the declared type; undeclared ones the type of their value.
TEST(MofValues, QualifierValuesTakeTheirTypes) {
    CIMClass cls = onlyClass(
        "Qualifier Weight : uint16 = 1, Scope(property, method), Flavor(EnableOverride);\n"
        "[Abstract]\n"
        "class A_B {\n"
        "  [Key, MaxLen(64), Write(false), Values{\"a\", \"b\"}, Weight(7), Hint(-3), Scale(2.5),\n"
        "   Flag]\n"
        "  string X;\n"
        "};");
    EXPECT_EQ(cls.getQualifier("abstract").getValue(), CIMValue(true));
    EXPECT_EQ("A_B X string key;", describe(cls));  // Write(false) is not Write
    std::string qualifiers;
    for (const CIMQualifier& q : cls.getProperty("X").getQualifiers()) {
        CIMValue v = q.getValue();
        qualifiers += str(q.getName()) + "=" + str(CIMDataType(v.getType()).toString()) +
                      (v.isArray() ? "[] " : " ") + str(v.toMOF()) + ";";
    }
    EXPECT_EQ(
        "Key=boolean true;MaxLen=uint32 64;Write=boolean false;Values=string[] {\"a\",\"b\"};"
        "Weight=uint16 7;Hint=sint64 -3;Scale=real64 2.5;Flag=boolean true;",
        qualifiers);
}

TEST(MofReading, CommentsPragmasAndLayout) {
    std::vector<CIMClass> classes = readMof(
        "\xef\xbb\xbf#pragma locale (\"en_US\")\r\n"
        "  #  pragma namespace(\"root/cimv2\") // trailing\r\n"
        "/* block\n comment */ class A_B /* inside */ : A_Base\n"
        "{ // line comment\n"
        "  STRING Name; Uint8 Level;\n"
        "};",
        "t.mof");
    ASSERT_EQ(classes.size(), 1u);
    EXPECT_EQ("A_B : A_Base Name string; Level uint8;", describe(classes[0]));
}

TEST(MofReading, MethodsWithParametersReadAndPrintBack) {
    CIMClass cls = onlyClass(
        "class A_B {\n"
        "  [Description(\"Resets the module.\")]\n"
        "  uint32 Reset([IN, Description(\"Why\")] string Reason,\n"
        "               [IN, OUT] uint8 Codes[],\n"
        "               [IN(false), OUT] A_Target REF Target,\n"
        "               [IN] A_Target ref Others[], [IN] string S[3]);\n"
        "  boolean Ping();\n"
        "};");
    const std::string expected =
        "A_B uint32 Reset(Reason string in,Codes uint8[] in out,Target A_Target REF out,"
        "Others A_Target REF[] in,S string[3] in,); boolean Ping();";
    EXPECT_EQ(expected, describe(cls));
    EXPECT_EQ(expected, describe(onlyClass(str(cls.toMOF()))));
}

// head, then item0 sep item1 sep ... (n of them), then tail.
std::string repeated(const std::string& head, const std::string& item, size_t n, const char* sep,
                     const std::string& tail) {
    std::string text = head;
    for (size_t i = 0; i < n; ++i) text += item + std::to_string(i) + sep;
    return text + tail;
}

TEST(MofLimits, AtAndBeyond) {
    auto properties = [](size_t n) { return repeated("class A_B {\n", "uint8 P", n, ";\n", "};"); };
    EXPECT_EQ(onlyClass(properties(kMofMaxProperties)).getAllProperties().size(),
              kMofMaxProperties);
    std::string name(kMofMaxIdentifierLength, 'n');
    EXPECT_TRUE(onlyClass("class A_B { string " + name + "; };").getProperty(name.c_str()));
    // Two halves, so that concatenation counts too.
    const std::string half(kMofMaxStringBytes / 2, 'a'),
        full = "[Description(\"" + half + "\" \"" + half;
    CIMValue text = onlyClass(full + "\")] class A_B {};").getQualifier("Description").getValue();
    EXPECT_EQ(kMofMaxStringBytes, text.toString().length());
    std::string padding(kMofMaxInputBytes - 12, ' ');
    EXPECT_EQ(readMof("class A_B{};" + padding, "t.mof").size(), 1u);
    const std::string rows[][2] = {
        {properties(kMofMaxProperties + 1), "10002: class A_B has more than 10000 properties"},
        {"class A_B { string " + name + "x; };", "1: identifier longer than 256 characters"},
        {full + "a\")] class A_B {};", "1: string longer than 65536 bytes"},
        {"class A_B{};" + padding + " ", "0: input larger than 1048576 bytes"},
        {repeated("[Values{", "\"v", kMofMaxArrayElements + 1, "\",", "\"v\"}] class A_B {};"),
         "1: array value with more than 10000 elements"},
        {repeated("[", "Q", kMofMaxQualifiers + 1, ",", "Q] class A_B {};"),
         "1: more than 256 qualifiers on one element"},
        {repeated("class A_B { uint32 M(", "uint8 P", kMofMaxParameters + 1, ",", "uint8 P); };"),
         "1: method M has more than 256 parameters"},
        {"class A_B { uint8 X = " + std::string(65, '1') + "; };",
         "1: number longer than 64 characters"},
    };
    for (const auto& row : rows) EXPECT_EQ(row[1], errorOf(row[0]));
}

TEST(ClassRepository, LookupDuplicatesAndSuperclasses) {
    ClassRepository repo;
    repo.addClasses(readMof("class A_Base {}; class A_Sub : a_base {}; class B_X {};", "t.mof"));
    EXPECT_THROW(repo.addClass(CIMClass("a_sub")), RepositoryError);
    try {
        repo.addClasses(readMof("class A_D {};\nclass A_C : A_Missing {};", "t.mof"));
        ADD_FAILURE() << "missing superclass accepted";
    } catch (const RepositoryError& e) {
        EXPECT_STREQ(e.what(), "class A_C: superclass A_Missing is not defined");
    }
    EXPECT_FALSE(repo.hasClass("A_D")) << "all classes or none";
    EXPECT_EQ(3u, repo.classNames().size());
}

// The Provider qualifier names a C++ provider; subclasses inherit it.
TEST(ClassRepository, ProviderFromQualifier) {
    ClassRepository repo;
    repo.addClasses(
        readMof("[Provider(\"c++::Base\")] class A_Base {};\nclass A_Sub : A_Base {};\n"
                "[Provider(\"C++::Own\")] class A_Own : A_Sub {};\n[Provider(\"c++:One\")] class "
                "A_One {};\n"
                "[Provider(\"cmpi::P\")] class A_Cmpi {};\n[Provider(\"P\")] class A_Bare {};\n"
                "[Provider(\"c++::\")] class A_Empty {};\nclass A_Alone {};",
                "t.mof"));
    std::string ids;
    for (const char* cls :
         {"a_base", "A_Sub", "A_Own", "A_One", "A_Cmpi", "A_Bare", "A_Empty", "A_Alone", "X"})
        ids += str(repo.providerFor(cls)) + ";";
    EXPECT_EQ("Base;Base;Own;One;;;;;;", ids);
}

}  // namespace
