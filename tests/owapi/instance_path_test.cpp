// CIMInstance and CIMObjectPath: exact texts,
// case-insensitive lookups that keep the stored spelling, key handling, and
// what null objects do.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "OW_CIMException.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMMethod.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMParameter.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "OW_NoSuchPropertyException.hpp"
#include "owapi_test_util.h"

namespace {

using namespace OpenWBEM;
using owtest::arr;

CIMInstance makeX() {
    CIMInstance inst("X");
    inst.setProperty("A", CIMValue(String("a")));
    inst.setProperty("B", CIMValue(UInt8(3)));
    inst.setProperty("C", CIMValue(true));
    inst.setProperty("D", CIMValue(CIMNULL));
    return inst;
}

// Each property as "name:declared type/value type", null values as "-".
std::string typesOf(const CIMPropertyArray& props) {
    std::string out;
    for (size_t i = 0; i < props.size(); ++i) {
        const CIMValue v = props[i].getValue();
        out += std::string(props[i].getName().c_str()) + ":" +
               std::to_string(props[i].getDataType().getType()) + "/" +
               (v ? std::to_string(v.getType()) : "-") + " ";
    }
    return out;
}

TEST(OwCIMInstance, Texts) {
    EXPECT_EQ(makeX().toString(), "instance of X {\nA = a;\nB = 3;\nC = true;\nD = null;\n}\n");
    EXPECT_EQ(makeX().toMOF(), "INSTANCE OF X\n{\n  A=\"a\";\n  B=3;\n  C=true;\n  D=NULL;\n};\n");
    EXPECT_EQ(CIMInstance().toString(), "instance of  {\n}\n");
    EXPECT_EQ(CIMInstance().toMOF(), "INSTANCE OF \n{\n};\n");
}

// The appliance's release stores values as given: no conversion to the
// declared type, and a property first set null keeps type CIMNULL.
TEST(OwCIMInstance, SetPropertyReplacesInPlaceOrAppends) {
    const CIMInstance original = makeX();
    CIMInstance inst = original;
    inst.setProperty("b", CIMValue(String("17")));
    inst.setProperty("new", CIMValue(UInt32(5)));
    inst.setProperty("D", CIMValue("now set"));
    inst.setProperty(CIMProperty("c", CIMValue("s")));  // a whole property: its spelling too
    inst.setProperty(CIMProperty(CIMNULL));
    EXPECT_EQ(inst.toString(),
              "instance of X {\nA = a;\nB = 17;\nc = s;\nD = now set;\nnew = 5;\n}\n");
    EXPECT_EQ(typesOf(inst.getProperties()), "A:9/9 B:1/9 c:9/9 D:0/9 new:5/5 ");
    EXPECT_EQ(typesOf(inst.getProperties(CIMDataType::UINT8)), "B:1/9 ");
    EXPECT_EQ(original.toString(), makeX().toString()) << "copy-on-write";
    EXPECT_EQ(inst.getProperty("D").toString(),
              "** INVALID DATA TYPE IN CIMDATATYPE - toString **:D=now set");
}

TEST(OwCIMInstance, Lookups) {
    CIMInstance inst = makeX();
    CIMProperty a = inst.getProperty("a");
    EXPECT_EQ(a.getName(), "A");
    EXPECT_TRUE(!inst.getProperty("zz") && !inst.getProperty(""));
    EXPECT_TRUE(inst.getProperty("d")) << "null value, but present";
    EXPECT_FALSE(inst.propertyHasValue("D"));
    EXPECT_TRUE(inst.propertyHasValue("c"));
    EXPECT_EQ(inst.getKeyValuePairs().size(), 0u) << "setProperty never makes keys";
    EXPECT_THROW(inst.getPropertyT("zz"), NoSuchPropertyException);
    inst.setProperty(a.setOriginClass("QVX_Base"));
    EXPECT_TRUE(inst.getProperty("A", "qvx_BASE"));
    EXPECT_TRUE(!inst.getProperty("A", "QVX_Other"));
}

CIMObjectPath chassis() {
    CIMObjectPath p("C", "root/cimv2");
    p.setKeyValue("Tag", CIMValue(String("Chassis")));
    p.setKeyValue("CreationClassName", CIMValue(String("QVX_Chassis")));
    return p;
}

TEST(OwCIMObjectPath, ToString) {
    const std::string chassisKeys = "C.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"";
    auto ns = [] { return CIMObjectPath("C", "ns"); };
    const CIMObjectPath local = ns().setHost("localhost");
    const std::pair<CIMObjectPath, std::string> cases[] = {
        {chassis(), "/root/cimv2:" + chassisKeys},  // keys in insertion order, not sorted
        {ns().setKeyValue("N", CIMValue(UInt8(3))).setKeyValue("B", CIMValue(true)),
         "/ns:C.N=\"3\",B=\"true\""},  // quoted whatever the type
        {ns().setKeyValue("K", CIMValue("a\\b\"c\nd")), "/ns:C.K=\"a\\\\b\\\"c\\nd\""},
        {ns().setKeys(arr<CIMProperty>({CIMProperty("K")})), "/ns:C.K=\"null\""},
        {chassis().setKeys(arr<CIMProperty>({CIMProperty("Only", CIMValue("1"))})),
         "/root/cimv2:C.Only=\"1\""},
        {chassis().setKeyValue("tag", CIMValue("Other")),  // in place, keeping the spelling
         "/root/cimv2:C.Tag=\"Other\",CreationClassName=\"QVX_Chassis\""},
        {CIMObjectPath("C"), "/:C"},
        {CIMObjectPath("C", " //root/x "), "/root/x:C"},
        {CIMObjectPath("C").setNameSpace("/interop"), "/interop:C"},
        {chassis().setHost("myhost"), "http://myhost/root/cimv2:" + chassisKeys},
        {local, "/ns:C"},
    };
    for (const auto& [path, want] : cases) EXPECT_EQ(path.toString().c_str(), want);
    EXPECT_EQ(local.getHost(), "127.0.0.1");
    EXPECT_EQ(CIMObjectPath("C", "/root/x").getNameSpace(), "root/x");
}

TEST(OwCIMObjectPath, Keys) {
    const CIMObjectPath p = chassis();
    EXPECT_EQ(p.getKey("tag").getName(), "Tag");
    EXPECT_EQ(p.getKeyValue("CREATIONCLASSNAME").toString(), "QVX_Chassis");
    EXPECT_TRUE(!p.getKey("nope"));
    EXPECT_FALSE(p.keyHasValue("nope"));
    EXPECT_THROW(p.getKeyT("nope"), NoSuchPropertyException);
    EXPECT_TRUE(p.isInstancePath() && CIMObjectPath("C").isClassPath());
    EXPECT_EQ(CIMObjectPath("root/cimv2", makeX()).getKeys().size(), 0u)
        << "an instance built with setProperty has no keys to give";
}

TEST(OwCIMObjectPath, Equals) {
    const CIMObjectPath base = CIMObjectPath::parse("/root/cimv2:C.A=\"v\",Z=\"2\"");
    CIMObjectPath otherHost = base;
    otherHost.setHost("elsewhere");
    const std::pair<CIMObjectPath, bool> cases[] = {
        {otherHost, true},
        {CIMObjectPath::parse("/root/cimv2:C.Z=\"2\",A=\"v\""), true},
        {CIMObjectPath::parse("/ROOT/CIMV2:c.a=\"v\",z=\"2\""), true},  // names ignore case, Z too
        {CIMObjectPath::parse("/root/other:C.A=\"v\",Z=\"2\""), false},
        {CIMObjectPath::parse("/root/cimv2:D.A=\"v\",Z=\"2\""), false},
        {CIMObjectPath::parse("/root/cimv2:C.A=\"V\",Z=\"2\""),
         false},  // values are case-sensitive
        {CIMObjectPath::parse("/root/cimv2:C.A=\"v\""), false},
        {CIMObjectPath::parse("/root/cimv2:C.A=\"v\",X=\"2\""), false},
    };
    for (const auto& [other, equal] : cases) {
        EXPECT_EQ(base.equals(other), equal) << other.toString();
        EXPECT_EQ(other == base, equal) << other.toString();
        EXPECT_EQ(base != other, !equal) << other.toString();
    }
}

// The result's text and its first key, values read as STRING; or "!" and
// the exception's message.
std::string parsed(const char* text) {
    try {
        CIMObjectPath p = CIMObjectPath::parse(text);
        if (!p) return "null";
        CIMProperty k = p.getKeys()[0];
        return std::string(p.toString().c_str()) + " " + k.getName().c_str() + "=" +
               k.getValue().toString().c_str() + " " + std::to_string(k.getValue().getType());
    } catch (const CIMException& e) {
        return std::string("!") + e.getMessage();
    }
}

TEST(OwCIMObjectPath, Parse) {
    const std::pair<const char*, const char*> cases[] = {
        {"/root/"
         "cimv2:QVX_Z64Chassis.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"",
         "/root/"
         "cimv2:QVX_Z64Chassis.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\" "
         "Tag=Chassis 9"},
        {"/root/cimv2:C.Name=\"a\\nb\"", "/root/cimv2:C.Name=\"anb\" Name=anb 9"},
        {"C.K=\"x\\\"y\"", "/root:C.K=\"x\\\"y\" K=x\"y 9"},
        {"  root/x:C.K=\"a,b\",N=7  ", "/root/x:C.K=\"a,b\",N=\"7\" K=a,b 9"},
        {"http://localhost:5988/root/cimv2:C.K=\"1\"", "/root/cimv2:C.K=\"1\" K=1 9"},
        {"  ", "null"},
        {"/:C",
         "!invalid parameter passed to method (class name not found in "
         "instance name:: )"},
        {"/root:C.",
         "!invalid parameter passed to method (No key values found "
         "in instance name: )"},
        {"/root:.K=\"1\"", "!invalid parameter passed to method (Invalid instance name: )"},
        {"/root:C.K", "!requested object could not be found (Bad key in string (K))"},
        {"http://h:x/root:C.K=\"1\"",
         "!invalid parameter passed to method (Invalid port in Object Path)"},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(parsed(text), want) << text;
    EXPECT_EQ(CIMObjectPath::unEscape(CIMObjectPath::escape("a\nb\"\\")), "anb\"\\");
}

TEST(OwNullObjects, AccessorsThrowAndTestFalse) {
    const CIMValue v(CIMNULL);
    const CIMInstance i(CIMNULL);
    const CIMObjectPath p(CIMNULL);
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"CIMValue::getType", [&] { v.getType(); }},
        {"CIMInstance::getProperty", [&] { i.getProperty("A"); }},
        {"CIMInstance::setProperty", [&] { CIMInstance(i).setProperty("A", CIMValue(true)); }},
        {"CIMObjectPath::toString", [&] { p.toString(); }},
        {"CIMObjectPath::equals", [&] { CIMObjectPath("C").equals(p); }},
        {"CIMProperty::getName", [] { CIMProperty(CIMNULL).getName(); }},
        {"CIMMethod::getName", [] { CIMMethod(CIMNULL).getName(); }},
        {"CIMParameter::getType", [] { CIMParameter(CIMNULL).getType(); }},
        {"CIMProperty from a null value", [&] { CIMProperty("N", v); }},
        {"setKeyValue with a null value", [&] { CIMObjectPath("C").setKeyValue("K", v); }},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(owtest::outcome([&] { return c.second(), std::string("nothing thrown"); }),
                  "!NULLCOWReferenceException: NULL COWReference dereferenced")
            << c.first;
    }
    // Returning a handle from a bool function compiles against the real
    // headers (an implicit conversion), so it must here too.
    const std::function<bool()> truths[] = {
        [] { return !CIMValue(CIMNULL) && !CIMInstance(CIMNULL); },
        [] { return !CIMObjectPath(CIMNULL) && !CIMProperty(CIMNULL) && !CIMMethod(CIMNULL); },
        [] { return CIMInstance(); },
        [] { return CIMObjectPath(); },
        [] { return CIMProperty(); },
        [] { return CIMValue(false); },  // a false boolean is still a value
    };
    for (const auto& truth : truths) EXPECT_TRUE(truth());
    CIMValue set(UInt8(1));
    set.setNull();
    EXPECT_TRUE(!set);
}

}  // namespace
