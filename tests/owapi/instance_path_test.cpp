// CIMInstance and CIMObjectPath: exact texts, case-insensitive lookups that
// keep the stored spelling, key handling, and what null objects do.

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

#include "OW_CIMException.hpp"
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

TEST(OwCIMInstance, SetPropertyReplacesOrAppends) {
    CIMInstance inst = makeX();
    inst.setProperty("b", CIMValue(String("17")));
    CIMProperty b = inst.getProperty("B");
    EXPECT_EQ(b.getName(), "B") << "stored spelling kept";
    EXPECT_EQ(b.getValue().getType(), CIMDataType::UINT8) << "converted to the declared type";
    EXPECT_EQ(b.getValue().toUInt8(), 17);
    inst.setProperty("new", CIMValue(UInt32(5)));
    inst.setProperty("D", CIMValue("now set"));
    EXPECT_EQ(inst.toString(),
              "instance of X {\nA = a;\nB = 17;\nC = true;\nD = now set;\nnew = 5;\n}\n");
    EXPECT_EQ(inst.getProperty("d").getDataType().getType(), CIMDataType::STRING)
        << "a property added with a null value takes the type of its first value";

    // A whole property replaces the one of the same name in place.
    inst.setProperty(CIMProperty("c", CIMValue("s")));
    EXPECT_EQ(names(inst.getProperties()), (std::vector<std::string>{"A", "B", "c", "D", "new"}));
    EXPECT_EQ(inst.getPropertyValue("C").toString(), "s");
    inst.setProperty(CIMProperty(CIMNULL));
    EXPECT_EQ(inst.getProperties().size(), 5u) << "a null property is ignored";

    try {
        inst.setProperty("B", CIMValue("abc"));
        ADD_FAILURE() << "\"abc\" stored into a uint8 property";
    } catch (const CIMException& e) {
        EXPECT_EQ(e.getErrNo(), CIMException::FAILED);
        EXPECT_EQ(inst.getPropertyValue("B").toUInt8(), 17) << "failed set leaves the value";
    }
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

TEST(OwCIMObjectPath, ParseRoundTrip) {
    CIMObjectPath escaped("QVX_Port", "root/cimv2");
    escaped.setKeyValue("Name", CIMValue("a,b.c=d \"q\" \\ \n end"));
    escaped.setKeyValue("Slot", CIMValue("3"));
    for (const CIMObjectPath& p : {chassis(), escaped, CIMObjectPath("C")}) {
        CIMObjectPath back = CIMObjectPath::parse(p.toString());
        EXPECT_EQ(back.toString(), p.toString());
        EXPECT_TRUE(back.equals(p)) << p.toString();
        EXPECT_EQ(names(back.getKeys()), names(p.getKeys())) << p.toString();
    }
    EXPECT_EQ(CIMObjectPath::parse(escaped.toString()).getKeyValue("name").toString(),
              "a,b.c=d \"q\" \\ \n end");
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
        } catch (const NULLCOWIntrusiveReferenceException& e) {
            EXPECT_STREQ(e.getMessage(), "NULL COWReference dereferenced") << a.what;
        }
    }
}

TEST(OwNullObjects, SafeBool) {
    EXPECT_EQ((std::vector<bool>{!CIMValue(CIMNULL), !CIMInstance(CIMNULL), !CIMObjectPath(CIMNULL),
                                 !CIMProperty(CIMNULL)}),
              std::vector<bool>(4, true));
    EXPECT_EQ((std::vector<bool>{!CIMInstance(), !CIMObjectPath(), !CIMProperty(),
                                 !CIMValue(false)}),  // a false boolean is still a value
              std::vector<bool>(4, false));
    CIMValue v(UInt8(1));
    v.setNull();
    EXPECT_TRUE(!v);
}

}  // namespace
