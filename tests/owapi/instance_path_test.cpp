// CIMInstance and CIMObjectPath: exact texts, case-insensitive lookups that
// keep the stored spelling, key handling, and what null objects do.

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

#include "OW_CIMException.hpp"
#include "OW_NoSuchPropertyException.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "owapi_test_util.h"

namespace {

using namespace OpenWBEM;
using owtest::Action;
using owtest::arr;

CIMInstance makeX() {
    CIMInstance inst("X");
    inst.setProperty("A", CIMValue(String("a")));
    inst.setProperty("B", CIMValue(UInt8(3)));
    inst.setProperty("C", CIMValue(true));
    inst.setProperty("D", CIMValue(CIMNULL));
    return inst;
}

std::vector<std::string> names(const CIMPropertyArray& props) {
    std::vector<std::string> out;
    for (size_t i = 0; i < props.size(); ++i) out.push_back(props[i].getName().c_str());
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
TEST(OwCIMInstance, SetPropertyReplacesOrAppends) {
    CIMInstance inst = makeX();
    inst.setProperty("b", CIMValue(String("17")));
    CIMProperty b = inst.getProperty("B");
    EXPECT_EQ(b.getName(), "B") << "stored spelling kept";
    EXPECT_EQ(b.getDataType().getType(), CIMDataType::UINT8) << "declared type kept";
    EXPECT_EQ(b.getValue().getType(), CIMDataType::STRING) << "value not converted";
    inst.setProperty("new", CIMValue(UInt32(5)));
    inst.setProperty("D", CIMValue("now set"));
    EXPECT_EQ(inst.toString(),
              "instance of X {\nA = a;\nB = 17;\nC = true;\nD = now set;\nnew = 5;\n}\n");
    EXPECT_EQ(inst.getProperty("new").getDataType().getType(), CIMDataType::UINT32);
    EXPECT_EQ(inst.getProperty("d").getDataType().getType(), CIMDataType::CIMNULL)
        << "a property added with a null value keeps that type";
    EXPECT_EQ(inst.getProperties(CIMDataType::STRING).size(), 1u) << "only A is declared string";
    EXPECT_EQ(inst.getProperty("D").toString(),
              "** INVALID DATA TYPE IN CIMDATATYPE - toString **:D=now set");
    EXPECT_TRUE(!inst.getProperty(""));

    // A whole property replaces the one of the same name in place.
    inst.setProperty(CIMProperty("c", CIMValue("s")));
    EXPECT_EQ(names(inst.getProperties()), (std::vector<std::string>{"A", "B", "c", "D", "new"}));
    EXPECT_EQ(inst.getPropertyValue("C").toString(), "s");
    inst.setProperty(CIMProperty(CIMNULL));
    EXPECT_EQ(inst.getProperties().size(), 5u) << "a null property is ignored";
}

TEST(OwCIMInstance, LookupsAndKeys) {
    const CIMInstance inst = makeX();
    EXPECT_EQ(inst.getProperty("a").getName(), "A");
    EXPECT_TRUE(!inst.getProperty("zz")) << "missing property is a null CIMProperty";
    ASSERT_TRUE(static_cast<bool>(inst.getProperty("d"))) << "null value, but present";
    EXPECT_FALSE(inst.propertyHasValue("D"));
    EXPECT_TRUE(inst.propertyHasValue("c"));
    EXPECT_EQ(inst.getKeyValuePairs().size(), 0u) << "setProperty never makes keys";
    EXPECT_EQ(names(inst.getProperties(CIMDataType::UINT8)), (std::vector<std::string>{"B"}));
    EXPECT_TRUE(inst.getProperties(CIMDataType::REAL64).empty());
    EXPECT_THROW(inst.getPropertyT("zz"), NoSuchPropertyException);

    CIMInstance copy = inst;
    copy.setProperty("A", CIMValue("changed")).setClassName("Y");
    EXPECT_EQ(inst.getPropertyValue("A").toString(), "a") << "copy-on-write";
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
    CIMProperty tag = p.getKey("tag");
    ASSERT_TRUE(static_cast<bool>(tag));
    EXPECT_EQ(tag.getName(), "Tag");
    EXPECT_EQ(tag.getValue().toString(), "Chassis");
    EXPECT_EQ(p.getKeyValue("CREATIONCLASSNAME").toString(), "QVX_Chassis");
    EXPECT_TRUE(!p.getKey("nope"));
    EXPECT_FALSE(p.keyHasValue("nope"));
    EXPECT_THROW(p.getKeyT("nope"), NoSuchPropertyException);
    EXPECT_EQ(names(p.getKeys()), (std::vector<std::string>{"Tag", "CreationClassName"}));
    EXPECT_TRUE(p.isInstancePath());
    EXPECT_TRUE(CIMObjectPath("C").isClassPath());
    EXPECT_EQ(CIMObjectPath("root/cimv2", makeX()).getKeys().size(), 0u)
        << "an instance built with setProperty has no keys to give";
}

TEST(OwCIMObjectPath, Equals) {
    auto path = [](const char* ns, const char* cls, const char* k1, const char* v1,
                   const char* k2) {
        CIMObjectPath p(cls, ns);
        p.setKeyValue(k1, CIMValue(v1));
        if (k2) p.setKeyValue(k2, CIMValue("2"));
        return p;
    };
    const CIMObjectPath base = path("root/cimv2", "C", "A", "v", "B");
    CIMObjectPath otherHost = base, keyOrder("C", "root/cimv2");
    otherHost.setHost("elsewhere");
    keyOrder.setKeyValue("B", CIMValue("2")).setKeyValue("A", CIMValue("v"));
    const std::pair<CIMObjectPath, bool> cases[] = {
        {keyOrder, true},
        {path("ROOT/CIMV2", "c", "a", "v", "b"), true},  // names ignore case
        {otherHost, true},
        {path("root/other", "C", "A", "v", "B"), false},
        {path("root/cimv2", "D", "A", "v", "B"), false},
        {path("root/cimv2", "C", "A", "V", "B"), false},  // values are case-sensitive
        {path("root/cimv2", "C", "A", "v", nullptr), false},
        {path("root/cimv2", "C", "A", "v", "X"), false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(base.equals(cases[i].first), cases[i].second) << i;
        EXPECT_EQ(cases[i].first == base, cases[i].second) << i;
        EXPECT_EQ(base != cases[i].first, !cases[i].second) << i;
    }
}

TEST(OwCIMObjectPath, Parse) {
    struct Row {
        const char* text;
        const char* path;  // toString() of the result; "" for a null path
        const char* key;   // name=value of the first key, values as STRING
    };
    const Row rows[] = {
        {"/root/cimv2:QVX_Z64Chassis.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"",
         "/root/cimv2:QVX_Z64Chassis.Tag=\"Chassis\",CreationClassName=\"QVX_Chassis\"",
         "Tag=Chassis"},
        {"/root/cimv2:C.Name=\"a\\nb\"", "/root/cimv2:C.Name=\"anb\"", "Name=anb"},
        {"C.K=\"x\\\"y\"", "/root:C.K=\"x\\\"y\"", "K=x\"y"},
        {"  root/x:C.K=\"a,b\",N=7  ", "/root/x:C.K=\"a,b\",N=\"7\"", "K=a,b"},
        {"http://localhost:5988/root/cimv2:C.K=\"1\"", "/root/cimv2:C.K=\"1\"", "K=1"},
        {"  ", "", nullptr},
    };
    for (const Row& r : rows) {
        CIMObjectPath p = CIMObjectPath::parse(r.text);
        if (!r.key) {
            EXPECT_TRUE(!p) << r.text;
            continue;
        }
        EXPECT_EQ(p.toString(), r.path) << r.text;
        CIMProperty k = p.getKeys()[0];
        EXPECT_EQ(k.getValue().getType(), CIMDataType::STRING) << r.text;
        EXPECT_EQ(std::string(k.getName().c_str()) + "=" + k.getValue().toString().c_str(), r.key);
    }
    struct Bad {
        const char* text;
        CIMException::ErrNoType code;
        const char* message;
    };
    const Bad bad[] = {
        {"/:C", CIMException::INVALID_PARAMETER,
         "invalid parameter passed to method (class name not found in instance name:: )"},
        {"/root:C.", CIMException::INVALID_PARAMETER,
         "invalid parameter passed to method (No key values found in instance name: )"},
        {"/root:.K=\"1\"", CIMException::INVALID_PARAMETER,
         "invalid parameter passed to method (Invalid instance name: )"},
        {"/root:C.K", CIMException::NOT_FOUND,
         "requested object could not be found (Bad key in string (K))"},
        {"http://h:x/root:C.K=\"1\"", CIMException::INVALID_PARAMETER,
         "invalid parameter passed to method (Invalid port in Object Path)"},
    };
    for (const Bad& b : bad) {
        try {
            CIMObjectPath::parse(b.text);
            ADD_FAILURE() << b.text << " parsed";
        } catch (const CIMException& e) {
            EXPECT_EQ(e.getErrNo(), b.code) << b.text;
            EXPECT_STREQ(e.getMessage(), b.message);
        }
    }
    EXPECT_EQ(CIMObjectPath::unEscape(CIMObjectPath::escape("a\nb\"\\")), "anb\"\\");
}

TEST(OwNullObjects, AccessorsThrow) {
    const CIMValue v(CIMNULL);
    const CIMInstance i(CIMNULL);
    const CIMObjectPath p(CIMNULL);
    const Action cases[] = {
        {"CIMValue::getType", [&] { v.getType(); }},
        {"CIMValue::toMOF", [&] { v.toMOF(); }},
        {"CIMInstance::getClassName", [&] { i.getClassName(); }},
        {"CIMInstance::getProperty", [&] { i.getProperty("A"); }},
        {"CIMInstance::setProperty", [&] { CIMInstance(i).setProperty("A", CIMValue(true)); }},
        {"CIMObjectPath::toString", [&] { p.toString(); }},
        {"CIMObjectPath::setNameSpace", [&] { CIMObjectPath(p).setNameSpace("x"); }},
        {"CIMObjectPath::equals", [&] { CIMObjectPath("C").equals(p); }},
        {"CIMProperty::getName", [] { CIMProperty(CIMNULL).getName(); }},
        {"CIMProperty from a null value", [&] { CIMProperty("N", v); }},
        {"setKeyValue with a null value", [&] { CIMObjectPath("C").setKeyValue("K", v); }},
    };
    for (const Action& a : cases) {
        try {
            a.run();
            ADD_FAILURE() << a.what << " did not throw";
        } catch (const CIMException&) {
            ADD_FAILURE() << a.what << " threw a CIMException";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.type(), "NULLCOWReferenceException") << a.what;
            EXPECT_STREQ(e.getMessage(), "NULL COWReference dereferenced") << a.what;
        }
    }
}

// Returning a handle from a bool function compiles against the real headers
// (an implicit conversion), so it must here too.
template <class T>
bool truth(const T& x) {
    return x;
}

TEST(OwNullObjects, SafeBool) {
    const bool nulls[] = {truth(!CIMValue(CIMNULL)), truth(!CIMInstance(CIMNULL)),
                          truth(!CIMObjectPath(CIMNULL)), truth(!CIMProperty(CIMNULL))};
    for (bool isNull : nulls) EXPECT_TRUE(isNull);
    const bool values[] = {truth(CIMInstance()), truth(CIMObjectPath()), truth(CIMProperty()),
                           truth(CIMValue(false))};  // a false boolean is still a value
    for (bool isValue : values) EXPECT_TRUE(isValue);
    CIMValue v(UInt8(1));
    v.setNull();
    EXPECT_TRUE(!v);
}

}  // namespace
