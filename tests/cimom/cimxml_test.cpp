// CIM-XML requests as the command-line client sends them, decoded to typed
// requests; malformed and hostile bodies refused with a code and a text;
// response bodies compared as text and read back with libxml2.
#include "CimXml.hpp"

#include "OW_Bool.hpp"
#include "OW_CIMDateTime.hpp"
#include "OW_CIMMethod.hpp"
#include "OW_CIMParameter.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace OpenWBEM;
using namespace qvx_cimom;

namespace {

const char kXmlDecl[] = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n";

// ------------------------------------------------------------ helpers

std::string s(const String& x) {
    return std::string(x.c_str(), x.length());
}

// An intrinsic call framed as the client frames it.
std::string imethod(const std::string& method, const std::string& params,
                    const std::string& id = "4711") {
    return std::string(kXmlDecl) + "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"" +
           id + "\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ>\n<IMETHODCALL NAME=\"" + method +
           "\"><LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"></NAMESPACE>\n"
           "<NAMESPACE NAME=\"cimv2\"></NAMESPACE></LOCALNAMESPACEPATH>\n" +
           params + "</IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>\n";
}

std::string iparam(const std::string& name, const std::string& value) {
    return "<IPARAMVALUE NAME=\"" + name + "\">" + value + "</IPARAMVALUE>";
}

std::string chassisName(const std::string& tag = "Chassis") {
    return "<INSTANCENAME CLASSNAME=\"QVX_Z64Chassis\"><KEYBINDING NAME=\"Tag\"><KEYVALUE "
           "VALUETYPE=\"string\">" +
           tag +
           "</KEYVALUE></KEYBINDING><KEYBINDING NAME=\"CreationClassName\"><KEYVALUE "
           "VALUETYPE=\"string\">QVX_Z64Chassis</KEYVALUE></KEYBINDING></INSTANCENAME>";
}

std::string getInstanceWith(const std::string& instanceName) {
    return imethod("GetInstance", iparam("InstanceName", instanceName));
}

std::string modifyWith(const std::string& instanceXml) {
    return imethod("ModifyInstance",
                   iparam("ModifiedInstance", "<VALUE.NAMEDINSTANCE>" + chassisName() +
                                                  instanceXml + "</VALUE.NAMEDINSTANCE>"));
}

std::string chassisInstance(const std::string& properties) {
    return "<INSTANCE CLASSNAME=\"QVX_Z64Chassis\">" + properties + "</INSTANCE>";
}

// The error decodeRequest throws; a test failure when it returns.
CimXmlError decodeError(const std::string& body) {
    try {
        decodeRequest(body);
    } catch (const CimXmlError& e) {
        return e;
    }
    ADD_FAILURE() << "decoded without error:\n" << body.substr(0, 400);
    return CimXmlError(CIMException::SUCCESS, "");
}

struct DocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
typedef std::unique_ptr<xmlDoc, DocFree> Doc;

Doc readXml(const std::string& text) {
    return Doc(xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                             XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

const xmlNode* findElement(const xmlNode* n, const char* name) {
    for (; n; n = n->next) {
        if (n->type == XML_ELEMENT_NODE && xmlStrEqual(n->name, BAD_CAST name)) return n;
        if (const xmlNode* hit = findElement(n->children, name)) return hit;
    }
    return nullptr;
}

std::string attribute(const xmlNode* n, const char* name) {
    xmlChar* v = xmlGetProp(n, BAD_CAST name);
    std::string out = v ? reinterpret_cast<const char*>(v) : "<absent>";
    xmlFree(v);
    return out;
}

// Elements written as <X .../>; the client accepts that only for ERROR and
// CLASSNAME.
std::vector<std::string> selfClosed(const std::string& body) {
    std::vector<std::string> names;
    for (size_t end = body.find("/>"); end != std::string::npos; end = body.find("/>", end + 2)) {
        size_t open = body.rfind('<', end);
        size_t stop = body.find_first_of(" />", open + 1);
        names.push_back(body.substr(open + 1, stop - open - 1));
    }
    return names;
}

void expectWellFormedResponse(const std::string& body, const std::string& id) {
    EXPECT_EQ(0u, body.rfind(kXmlDecl, 0)) << body;
    Doc doc = readXml(body);
    ASSERT_TRUE(doc) << body;
    const xmlNode* msg = findElement(xmlDocGetRootElement(doc.get()), "MESSAGE");
    ASSERT_NE(nullptr, msg);
    EXPECT_EQ(id, attribute(msg, "ID"));
    for (const std::string& name : selfClosed(body)) {
        EXPECT_TRUE(name == "ERROR" || name == "CLASSNAME") << name << " self-closed in " << body;
    }
    EXPECT_EQ(std::string::npos, body.find("&#")) << body;
    EXPECT_EQ(std::string::npos, body.find("<!")) << body;
}

std::vector<std::string> keyNames(const CIMObjectPath& p) {
    std::vector<std::string> out;
    for (const CIMProperty& k : p.getKeys()) out.push_back(s(k.getName()));
    return out;
}

std::vector<std::string> propertyNames(const CIMInstance& inst) {
    std::vector<std::string> out;
    for (const CIMProperty& p : inst.getProperties()) out.push_back(s(p.getName()));
    return out;
}

CIMDateTime may14() {
    return CIMDateTime(String("20230514120000.000000+060"));
}

// ------------------------------------------------------------ requests as sent

const char kEin[] = R"(<?xml version="1.0" encoding="utf-8" ?>
<CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="4711" PROTOCOLVERSION="1.0"><SIMPLEREQ>
<IMETHODCALL NAME="EnumerateInstanceNames"><LOCALNAMESPACEPATH><NAMESPACE NAME="root"></NAMESPACE>
<NAMESPACE NAME="cimv2"></NAMESPACE></LOCALNAMESPACEPATH>
<IPARAMVALUE NAME="ClassName"><CLASSNAME NAME="QVX_Z64Chassis"/></IPARAMVALUE></IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>
)";

TEST(DecodeRequest, EnumerateInstanceNames) {
    CimRequest r = decodeRequest(kEin);
    EXPECT_EQ("4711", r.messageId);
    EXPECT_FALSE(r.extrinsic);
    EXPECT_EQ("EnumerateInstanceNames", r.method);
    EXPECT_EQ("root/cimv2", r.nameSpace);
    EXPECT_EQ("QVX_Z64Chassis", r.className);
    EXPECT_FALSE(r.instanceName);
    EXPECT_FALSE(r.instance);
    EXPECT_FALSE(r.hasPropertyList);
}

const char kEi[] = R"(<?xml version="1.0" encoding="utf-8" ?>
<CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="4712" PROTOCOLVERSION="1.0"><SIMPLEREQ>
<IMETHODCALL NAME="EnumerateInstances"><LOCALNAMESPACEPATH><NAMESPACE NAME="root"/>
<NAMESPACE NAME="cimv2"/></LOCALNAMESPACEPATH>
<IPARAMVALUE NAME="ClassName"><CLASSNAME NAME="QVX_Z64Chassis"/></IPARAMVALUE>
<IPARAMVALUE NAME="DeepInheritance"><VALUE>false</VALUE></IPARAMVALUE>
<IPARAMVALUE NAME="LocalOnly"><VALUE>FALSE</VALUE></IPARAMVALUE>
<IPARAMVALUE NAME="IncludeQualifiers"><VALUE>True</VALUE></IPARAMVALUE>
<IPARAMVALUE NAME="IncludeClassOrigin"><VALUE>TRUE</VALUE></IPARAMVALUE>
<IPARAMVALUE NAME="PropertyList"><VALUE.ARRAY><VALUE>Tag</VALUE><VALUE>OwnerName</VALUE></VALUE.ARRAY></IPARAMVALUE></IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>
)";

TEST(DecodeRequest, EnumerateInstancesWithFlagsAndPropertyList) {
    CimRequest r = decodeRequest(kEi);
    EXPECT_EQ("4712", r.messageId);
    EXPECT_EQ("EnumerateInstances", r.method);
    EXPECT_EQ("root/cimv2", r.nameSpace);  // self-closing NAMESPACE too
    EXPECT_EQ("QVX_Z64Chassis", r.className);
    EXPECT_FALSE(r.deepInheritance);
    EXPECT_FALSE(r.localOnly);
    EXPECT_TRUE(r.includeQualifiers);
    EXPECT_TRUE(r.includeClassOrigin);
    EXPECT_TRUE(r.hasPropertyList);
    EXPECT_EQ((std::vector<std::string>{"Tag", "OwnerName"}), r.propertyList);
}

// Absent flags take each method's defaults.
TEST(DecodeRequest, DefaultsPerMethod) {
    struct Row {
        const char* method;
        std::string params;
        bool localOnly, deepInheritance, includeQualifiers, includeClassOrigin;
    } rows[] = {
        {"EnumerateInstances", iparam("ClassName", "<CLASSNAME NAME=\"C\"/>"), true, true, false,
         false},
        {"GetInstance", iparam("InstanceName", chassisName()), true, false, false, false},
        {"GetClass", iparam("ClassName", "<CLASSNAME NAME=\"C\"/>"), true, false, true, false},
        {"EnumerateClassNames", "", true, false, false, false},
        // NULL values keep the defaults too.
        {"EnumerateInstances",
         iparam("ClassName", "<CLASSNAME NAME=\"C\"/>") + iparam("DeepInheritance", "") +
             iparam("LocalOnly", ""),
         true, true, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.method);
        CimRequest r = decodeRequest(imethod(row.method, row.params));
        EXPECT_EQ(row.localOnly, r.localOnly);
        EXPECT_EQ(row.deepInheritance, r.deepInheritance);
        EXPECT_EQ(row.includeQualifiers, r.includeQualifiers);
        EXPECT_EQ(row.includeClassOrigin, r.includeClassOrigin);
        EXPECT_FALSE(r.hasPropertyList);
    }
}

TEST(DecodeRequest, EmptyPropertyListMeansNoProperties) {
    CimRequest r = decodeRequest(
        imethod("GetInstance", iparam("InstanceName", chassisName()) +
                                   iparam("PropertyList", "<VALUE.ARRAY></VALUE.ARRAY>")));
    EXPECT_TRUE(r.hasPropertyList);
    EXPECT_TRUE(r.propertyList.empty());
    // A NULL PropertyList means all properties.
    r = decodeRequest(
        imethod("GetInstance", iparam("InstanceName", chassisName()) + iparam("PropertyList", "")));
    EXPECT_FALSE(r.hasPropertyList);
}

// The user wrote CreationClassName first: the keys keep that order.
const char kGi[] = R"(<?xml version="1.0" encoding="utf-8" ?>
<CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="4713" PROTOCOLVERSION="1.0"><SIMPLEREQ>
<IMETHODCALL NAME="GetInstance"><LOCALNAMESPACEPATH><NAMESPACE NAME="root"></NAMESPACE>
<NAMESPACE NAME="cimv2"></NAMESPACE></LOCALNAMESPACEPATH>
<IPARAMVALUE NAME="LocalOnly"><VALUE>false</VALUE></IPARAMVALUE>
<IPARAMVALUE NAME="IncludeQualifiers"><VALUE>false</VALUE></IPARAMVALUE>
<IPARAMVALUE NAME="IncludeClassOrigin"><VALUE>false</VALUE></IPARAMVALUE>
<IPARAMVALUE NAME="PropertyList"><VALUE.ARRAY><VALUE>OwnerName</VALUE></VALUE.ARRAY></IPARAMVALUE>
<IPARAMVALUE NAME="InstanceName"><INSTANCENAME CLASSNAME="QVX_Z64Chassis"><KEYBINDING NAME="CreationClassName"><KEYVALUE VALUETYPE="string">QVX_Z64Chassis</KEYVALUE></KEYBINDING><KEYBINDING NAME="Tag"><KEYVALUE VALUETYPE="string">Chassis</KEYVALUE></KEYBINDING></INSTANCENAME></IPARAMVALUE></IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>
)";

TEST(DecodeRequest, GetInstanceKeysInTheOrderSent) {
    CimRequest r = decodeRequest(kGi);
    EXPECT_EQ("GetInstance", r.method);
    ASSERT_TRUE(r.instanceName);
    EXPECT_EQ("QVX_Z64Chassis", s(r.instanceName.getClassName()));
    EXPECT_EQ("root/cimv2", s(r.instanceName.getNameSpace()));
    EXPECT_EQ((std::vector<std::string>{"CreationClassName", "Tag"}), keyNames(r.instanceName));
    EXPECT_EQ(CIMValue("Chassis"), r.instanceName.getKeyValue("Tag"));
    EXPECT_FALSE(r.localOnly);
    EXPECT_EQ((std::vector<std::string>{"OwnerName"}), r.propertyList);
}

// KEYVALUE VALUETYPE and TYPE to typed values.
TEST(DecodeRequest, KeyValueTypes) {
    struct Row {
        const char* keyvalue;
        CIMValue expected;
    } rows[] = {
        {"<KEYVALUE VALUETYPE=\"string\">Chassis 1</KEYVALUE>", CIMValue("Chassis 1")},
        {"<KEYVALUE>no VALUETYPE is string</KEYVALUE>", CIMValue("no VALUETYPE is string")},
        {"<KEYVALUE VALUETYPE=\"string\"> 7 </KEYVALUE>", CIMValue(" 7 ")},
        {"<KEYVALUE VALUETYPE=\"numeric\">42</KEYVALUE>", CIMValue(UInt64(42))},
        {"<KEYVALUE VALUETYPE=\"numeric\">-42</KEYVALUE>", CIMValue(Int64(-42))},
        {"<KEYVALUE VALUETYPE=\"numeric\">0x1F</KEYVALUE>", CIMValue(UInt64(31))},
        {"<KEYVALUE VALUETYPE=\"numeric\">2.5</KEYVALUE>", CIMValue(Real64(2.5))},
        {"<KEYVALUE VALUETYPE=\"numeric\" TYPE=\"uint16\">65535</KEYVALUE>",
         CIMValue(UInt16(65535))},
        {"<KEYVALUE VALUETYPE=\"numeric\" TYPE=\"sint8\">-128</KEYVALUE>", CIMValue(Int8(-128))},
        {"<KEYVALUE VALUETYPE=\"numeric\" TYPE=\"sint64\">-9223372036854775808</KEYVALUE>",
         CIMValue(Int64(INT64_MIN))},
        {"<KEYVALUE VALUETYPE=\"numeric\" TYPE=\"uint64\">18446744073709551615</KEYVALUE>",
         CIMValue(UInt64(UINT64_MAX))},
        {"<KEYVALUE VALUETYPE=\"boolean\">TRUE</KEYVALUE>", CIMValue(true)},
        {"<KEYVALUE VALUETYPE=\"boolean\">false</KEYVALUE>", CIMValue(false)},
        {"<KEYVALUE VALUETYPE=\"boolean\" TYPE=\"boolean\">True</KEYVALUE>", CIMValue(true)},
        {"<KEYVALUE VALUETYPE=\"string\" TYPE=\"datetime\">20230514120000.000000+060</KEYVALUE>",
         CIMValue(may14())},
        {"<KEYVALUE VALUETYPE=\"string\">a&lt;b &amp; &quot;c&quot; "
         "&#x47;r&#252;&#xDF;e</KEYVALUE>",
         CIMValue("a<b & \"c\" Gr\xC3\xBC\xC3\x9F"
                  "e")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.keyvalue);
        CimRequest r = decodeRequest(
            getInstanceWith(std::string("<INSTANCENAME CLASSNAME=\"C\"><KEYBINDING NAME=\"K\">") +
                            row.keyvalue + "</KEYBINDING></INSTANCENAME>"));
        CIMValue v = r.instanceName.getKeyValue("K");
        EXPECT_EQ(row.expected, v) << s(v.toString());
        EXPECT_EQ(row.expected.getType(), v.getType());
    }
}

const char kMi[] = R"(<?xml version="1.0" encoding="utf-8" ?>
<CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="4715" PROTOCOLVERSION="1.0"><SIMPLEREQ>
<IMETHODCALL NAME="ModifyInstance"><LOCALNAMESPACEPATH><NAMESPACE NAME="root"></NAMESPACE>
<NAMESPACE NAME="cimv2"></NAMESPACE></LOCALNAMESPACEPATH>
<IPARAMVALUE NAME="ModifiedInstance"><VALUE.NAMEDINSTANCE><INSTANCENAME CLASSNAME="QVX_Z64Chassis"><KEYBINDING NAME="Tag"><KEYVALUE VALUETYPE="string" TYPE="string">Chassis</KEYVALUE></KEYBINDING><KEYBINDING NAME="CreationClassName"><KEYVALUE VALUETYPE="string" TYPE="string">QVX_Z64Chassis</KEYVALUE></KEYBINDING></INSTANCENAME><INSTANCE CLASSNAME="QVX_Z64Chassis"><PROPERTY NAME="Tag" TYPE="string"><VALUE>Chassis</VALUE></PROPERTY><PROPERTY NAME="CreationClassName" TYPE="string"><VALUE>QVX_Z64Chassis</VALUE></PROPERTY><PROPERTY NAME="OwnerName" TYPE="string"><VALUE>Lab 3 &amp; 4</VALUE></PROPERTY><PROPERTY NAME="Location" TYPE="string"></PROPERTY><PROPERTY NAME="UserTracking" TYPE="uint16"><VALUE>7</VALUE></PROPERTY><PROPERTY NAME="CanBeFRUed" TYPE="boolean"><VALUE>TRUE</VALUE></PROPERTY><PROPERTY NAME="ManufactureDate" TYPE="datetime"><VALUE>20230514120000.000000+060</VALUE></PROPERTY><PROPERTY.ARRAY NAME="Providers" TYPE="string"><VALUE.ARRAY><VALUE>a</VALUE><VALUE>b</VALUE></VALUE.ARRAY></PROPERTY.ARRAY><PROPERTY.ARRAY NAME="Sizes" TYPE="sint32"></PROPERTY.ARRAY></INSTANCE></VALUE.NAMEDINSTANCE></IPARAMVALUE></IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>
)";

TEST(DecodeRequest, ModifyInstanceWithNullAndChangedProperties) {
    CimRequest r = decodeRequest(kMi);
    EXPECT_EQ("ModifyInstance", r.method);
    ASSERT_TRUE(r.instanceName);
    EXPECT_EQ((std::vector<std::string>{"Tag", "CreationClassName"}), keyNames(r.instanceName));
    EXPECT_EQ("root/cimv2", s(r.instanceName.getNameSpace()));
    ASSERT_TRUE(r.instance);
    EXPECT_EQ("QVX_Z64Chassis", s(r.instance.getClassName()));
    EXPECT_EQ((std::vector<std::string>{"Tag", "CreationClassName", "OwnerName", "Location",
                                        "UserTracking", "CanBeFRUed", "ManufactureDate",
                                        "Providers", "Sizes"}),
              propertyNames(r.instance));
    EXPECT_EQ(CIMValue("Lab 3 & 4"), r.instance.getPropertyValue("OwnerName"));
    CIMProperty location = r.instance.getProperty("Location");
    ASSERT_TRUE(location);
    EXPECT_FALSE(location.getValue());
    EXPECT_EQ(CIMDataType::STRING, location.getDataType().getType());
    EXPECT_EQ(CIMValue(UInt16(7)), r.instance.getPropertyValue("UserTracking"));
    EXPECT_EQ(CIMValue(true), r.instance.getPropertyValue("CanBeFRUed"));
    EXPECT_EQ(CIMValue(may14()), r.instance.getPropertyValue("ManufactureDate"));
    StringArray providers;
    providers.push_back("a");
    providers.push_back("b");
    EXPECT_EQ(CIMValue(providers), r.instance.getPropertyValue("Providers"));
    CIMProperty sizes = r.instance.getProperty("Sizes");
    EXPECT_FALSE(sizes.getValue());
    EXPECT_TRUE(sizes.getDataType().isArrayType());
    EXPECT_EQ(CIMDataType::SINT32, sizes.getDataType().getType());
    EXPECT_TRUE(r.includeQualifiers);  // ModifyInstance's default
}

const char kCi[] = R"(<?xml version="1.0" encoding="utf-8" ?>
<CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="4717" PROTOCOLVERSION="1.0"><SIMPLEREQ>
<IMETHODCALL NAME="CreateInstance"><LOCALNAMESPACEPATH><NAMESPACE NAME="root"></NAMESPACE>
<NAMESPACE NAME="cimv2"></NAMESPACE></LOCALNAMESPACEPATH>
<IPARAMVALUE NAME="NewInstance"><INSTANCE CLASSNAME="QVX_MBMLogicalModule"><PROPERTY NAME="Tag" TYPE="string"><VALUE>Module 3</VALUE></PROPERTY><PROPERTY NAME="Slot" TYPE="uint8"><VALUE>3</VALUE></PROPERTY></INSTANCE></IPARAMVALUE></IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>
)";

TEST(DecodeRequest, CreateInstance) {
    CimRequest r = decodeRequest(kCi);
    EXPECT_EQ("CreateInstance", r.method);
    EXPECT_FALSE(r.instanceName);
    ASSERT_TRUE(r.instance);
    EXPECT_EQ("QVX_MBMLogicalModule", s(r.instance.getClassName()));
    EXPECT_EQ(CIMValue("Module 3"), r.instance.getPropertyValue("Tag"));
    EXPECT_EQ(CIMValue(UInt8(3)), r.instance.getPropertyValue("Slot"));
}

const char kDi[] = R"(<?xml version="1.0" encoding="utf-8" ?>
<CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="4718" PROTOCOLVERSION="1.0"><SIMPLEREQ>
<IMETHODCALL NAME="DeleteInstance"><LOCALNAMESPACEPATH><NAMESPACE NAME="root"></NAMESPACE>
<NAMESPACE NAME="cimv2"></NAMESPACE></LOCALNAMESPACEPATH>
<IPARAMVALUE NAME="InstanceName"><INSTANCENAME CLASSNAME="QVX_MBMLogicalModule"><KEYBINDING NAME="Tag"><KEYVALUE VALUETYPE="string">Module 3</KEYVALUE></KEYBINDING><KEYBINDING NAME="Slot"><KEYVALUE VALUETYPE="numeric">3</KEYVALUE></KEYBINDING><KEYBINDING NAME="Spare"><KEYVALUE VALUETYPE="boolean">true</KEYVALUE></KEYBINDING></INSTANCENAME></IPARAMVALUE></IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>
)";

TEST(DecodeRequest, DeleteInstance) {
    CimRequest r = decodeRequest(kDi);
    EXPECT_EQ("DeleteInstance", r.method);
    ASSERT_TRUE(r.instanceName);
    EXPECT_EQ((std::vector<std::string>{"Tag", "Slot", "Spare"}), keyNames(r.instanceName));
    EXPECT_EQ(CIMValue("Module 3"), r.instanceName.getKeyValue("Tag"));
    EXPECT_EQ(CIMValue(UInt64(3)), r.instanceName.getKeyValue("Slot"));
    EXPECT_EQ(CIMValue(true), r.instanceName.getKeyValue("Spare"));
}

const char kCm[] = R"(<?xml version="1.0" encoding="utf-8" ?>
<CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="4720" PROTOCOLVERSION="1.0"><SIMPLEREQ>
<METHODCALL NAME="SetOwner"><LOCALINSTANCEPATH><LOCALNAMESPACEPATH><NAMESPACE NAME="root"></NAMESPACE>
<NAMESPACE NAME="cimv2"></NAMESPACE></LOCALNAMESPACEPATH>
<INSTANCENAME CLASSNAME="QVX_Z64Chassis"><KEYBINDING NAME="Tag"><KEYVALUE VALUETYPE="string">Chassis</KEYVALUE></KEYBINDING></INSTANCENAME></LOCALINSTANCEPATH>
<PARAMVALUE NAME="Owner"><VALUE>Lab 3</VALUE></PARAMVALUE><PARAMVALUE NAME="Delay" PARAMTYPE="uint32"><VALUE>30</VALUE></PARAMVALUE><PARAMVALUE NAME="Tags"><VALUE.ARRAY><VALUE>x</VALUE><VALUE>y</VALUE></VALUE.ARRAY></PARAMVALUE><PARAMVALUE NAME="Note"></PARAMVALUE></METHODCALL></SIMPLEREQ></MESSAGE></CIM>
)";

TEST(DecodeRequest, ExtrinsicMethodCall) {
    CimRequest r = decodeRequest(kCm);
    EXPECT_EQ("4720", r.messageId);
    EXPECT_TRUE(r.extrinsic);
    EXPECT_EQ("SetOwner", r.method);
    EXPECT_EQ("root/cimv2", r.nameSpace);
    EXPECT_EQ("QVX_Z64Chassis", r.className);
    ASSERT_TRUE(r.objectPath);
    EXPECT_EQ("root/cimv2", s(r.objectPath.getNameSpace()));
    EXPECT_EQ(CIMValue("Chassis"), r.objectPath.getKeyValue("Tag"));
    ASSERT_EQ(4u, r.inParams.size());
    EXPECT_EQ("Owner", s(r.inParams[0].getName()));
    EXPECT_EQ(CIMValue("Lab 3"), r.inParams[0].getValue());
    EXPECT_EQ(CIMValue(UInt32(30)), r.inParams[1].getValue());
    StringArray tags;
    tags.push_back("x");
    tags.push_back("y");
    EXPECT_EQ(CIMValue(tags), r.inParams[2].getValue());
    EXPECT_EQ("Note", s(r.inParams[3].getName()));
    EXPECT_FALSE(r.inParams[3].getValue());
}

TEST(DecodeRequest, StaticMethodOnAClassPath) {
    std::string body = std::string(kXmlDecl) +
                       "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"9\" "
                       "PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><METHODCALL NAME=\"Rescan\">"
                       "<LOCALCLASSPATH><LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/><NAMESPACE "
                       "NAME=\"cimv2\"/></LOCALNAMESPACEPATH><CLASSNAME NAME=\"QVX_Z64Chassis\"/>"
                       "</LOCALCLASSPATH></METHODCALL></SIMPLEREQ></MESSAGE></CIM>";
    CimRequest r = decodeRequest(body);
    EXPECT_TRUE(r.extrinsic);
    EXPECT_EQ("QVX_Z64Chassis", r.className);
    EXPECT_TRUE(r.objectPath.getKeys().empty());
    EXPECT_TRUE(r.inParams.empty());
}

const char kEcn[] = R"(<?xml version="1.0" encoding="utf-8" ?>
<CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="4721" PROTOCOLVERSION="1.0"><SIMPLEREQ>
<IMETHODCALL NAME="EnumerateClassNames"><LOCALNAMESPACEPATH><NAMESPACE NAME="root"></NAMESPACE>
<NAMESPACE NAME="cimv2"></NAMESPACE></LOCALNAMESPACEPATH>
<IPARAMVALUE NAME="DeepInheritance"><VALUE>TRUE</VALUE></IPARAMVALUE></IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>
)";

TEST(DecodeRequest, EnumerateClassNamesWithoutClassName) {
    CimRequest r = decodeRequest(kEcn);
    EXPECT_EQ("EnumerateClassNames", r.method);
    EXPECT_EQ("", r.className);
    EXPECT_TRUE(r.deepInheritance);
}

const char kGc[] = R"(<?xml version="1.0" encoding="utf-8" ?>
<CIM CIMVERSION="2.0" DTDVERSION="2.0"><MESSAGE ID="4722" PROTOCOLVERSION="1.0"><SIMPLEREQ>
<IMETHODCALL NAME="GetClass"><LOCALNAMESPACEPATH><NAMESPACE NAME="root"></NAMESPACE>
<NAMESPACE NAME="cimv2"></NAMESPACE></LOCALNAMESPACEPATH>
<IPARAMVALUE NAME="ClassName"><CLASSNAME NAME="QVX_Z64Chassis"/></IPARAMVALUE>
<IPARAMVALUE NAME="LocalOnly"><VALUE>false</VALUE></IPARAMVALUE>
<IPARAMVALUE NAME="IncludeQualifiers"><VALUE>true</VALUE></IPARAMVALUE>
<IPARAMVALUE NAME="IncludeClassOrigin"><VALUE>false</VALUE></IPARAMVALUE></IMETHODCALL></SIMPLEREQ></MESSAGE></CIM>
)";

TEST(DecodeRequest, GetClass) {
    CimRequest r = decodeRequest(kGc);
    EXPECT_EQ("GetClass", r.method);
    EXPECT_EQ("QVX_Z64Chassis", r.className);
    EXPECT_FALSE(r.localOnly);
    EXPECT_TRUE(r.includeQualifiers);
    EXPECT_FALSE(r.includeClassOrigin);
}

// Parameters a method does not define, and unknown ones, are skipped
// unread, however odd their content.
TEST(DecodeRequest, UnknownAndForeignParametersIgnored) {
    CimRequest r = decodeRequest(
        imethod("GetInstance", iparam("InstanceName", chassisName()) +
                                   iparam("ClassName", "<CLASSNAME NAME=\"Other\"/>") +
                                   iparam("DeepInheritance", "<VALUE>maybe</VALUE>") +
                                   iparam("FutureThing", "<INSTANCE CLASSNAME=\"X\"/>")));
    EXPECT_EQ("", r.className);
    EXPECT_FALSE(r.deepInheritance);
    ASSERT_TRUE(r.instanceName);
}

TEST(DecodeRequest, UnknownIntrinsicMethodIsTheCallersToRefuse) {
    CimRequest r = decodeRequest(imethod("ExecQuery", iparam("Query", "<VALUE>x</VALUE>")));
    EXPECT_EQ("ExecQuery", r.method);
    EXPECT_EQ("root/cimv2", r.nameSpace);
}

TEST(DecodeRequest, HundredThousandCharacterKeyValueIsKept) {
    std::string tag(100000, 'k');
    CimRequest r = decodeRequest(getInstanceWith(chassisName(tag)));
    EXPECT_EQ(CIMValue(String(tag.c_str())), r.instanceName.getKeyValue("Tag"));
}

TEST(DecodeRequest, ScalarPropertyTypes) {
    struct Row {
        const char* type;
        const char* text;
        CIMValue expected;
    } rows[] = {
        {"uint8", "255", CIMValue(UInt8(255))},
        {"sint8", "-128", CIMValue(Int8(-128))},
        {"uint16", " 65535 ", CIMValue(UInt16(65535))},
        {"sint16", "-32768", CIMValue(Int16(-32768))},
        {"uint32", "4294967295", CIMValue(UInt32(4294967295u))},
        {"sint32", "+17", CIMValue(Int32(17))},
        {"uint64", "0", CIMValue(UInt64(0))},
        {"sint64", "-0", CIMValue(Int64(0))},
        {"real32", "1.5", CIMValue(Real32(1.5f))},
        {"real64", "-2.5e3", CIMValue(Real64(-2500))},
        {"boolean", " fAlSe ", CIMValue(false)},
        {"string", "  spaced  ", CIMValue("  spaced  ")},
        {"datetime", "00000001020304.000005:000",
         CIMValue(CIMDateTime(String("00000001020304.000005:000")))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        CimRequest r = decodeRequest(
            modifyWith(chassisInstance(std::string("<PROPERTY NAME=\"P\" TYPE=\"") + row.type +
                                       "\"><VALUE>" + row.text + "</VALUE></PROPERTY>")));
        EXPECT_EQ(row.expected, r.instance.getPropertyValue("P"));
    }
}

// ------------------------------------------------------------ refused bodies

struct Refusal {
    const char* what;
    std::string body;
    CIMException::ErrNoType code;
    std::string description;  // exact, or a prefix when it ends in "..."
};

void expectRefusals(const std::vector<Refusal>& rows) {
    for (const Refusal& row : rows) {
        SCOPED_TRACE(row.what);
        CimXmlError e = decodeError(row.body);
        EXPECT_EQ(row.code, e.code);
        const std::string& d = row.description;
        if (d.size() > 3 && d.compare(d.size() - 3, 3, "...") == 0) {
            EXPECT_EQ(0u, e.description.rfind(d.substr(0, d.size() - 3), 0)) << e.description;
        } else {
            EXPECT_EQ(d, e.description);
        }
        EXPECT_EQ(e.description, e.what());
        EXPECT_LT(e.description.size(), 400u);
    }
}

const CIMException::ErrNoType kInvalid = CIMException::INVALID_PARAMETER;
const CIMException::ErrNoType kNotSupported = CIMException::NOT_SUPPORTED;

std::string nested(int depth) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<A>";
        close += "</A>";
    }
    return open + close;
}

TEST(DecodeRequest, HostileBodies) {
    std::string deep = nested(10000);
    std::string huge = imethod("X", std::string(kCimXmlMaxBodyBytes, ' '));
    std::string laughs =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE CIM [<!ENTITY a \"aaaaaaaaaa\">"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c "
        "\"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
        "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\"><!ENTITY e "
        "\"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">]>\n"
        "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\">&e;&e;&e;&e;&e;&e;&e;&e;</CIM>";
    expectRefusals({
        {"DOCTYPE with an external entity",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE CIM [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n" +
             imethod("GetInstance", iparam("InstanceName", chassisName("&x;")))
                 .substr(sizeof kXmlDecl - 1),
         kInvalid, "DOCTYPE declarations are not accepted"},
        {"billion laughs", laughs, kInvalid, "DOCTYPE declarations are not accepted"},
        {"external DTD", "<!DOCTYPE CIM SYSTEM \"http://127.0.0.1/cim.dtd\"><CIM/>", kInvalid,
         "DOCTYPE declarations are not accepted"},
        {"nesting 10,000 deep", deep, kInvalid, "elements nested deeper than 64 levels"},
        {"nesting 65 deep", nested(65), kInvalid, "elements nested deeper than 64 levels"},
        {"nesting 64 deep is within bounds", nested(64), kInvalid,
         "the root element is A, not CIM"},
        {"body over 1 MiB", huge, kInvalid,
         "request body of " + std::to_string(huge.size()) + " bytes exceeds the limit of 1048576"},
        {"100,000-character key name",
         getInstanceWith("<INSTANCENAME CLASSNAME=\"C\"><KEYBINDING NAME=\"" +
                         std::string(100000, 'N') +
                         "\"><KEYVALUE>v</KEYVALUE></KEYBINDING></INSTANCENAME>"),
         kInvalid, "KEYBINDING NAME longer than 256 bytes"},
        {"100,000-character class name",
         imethod("GetClass",
                 iparam("ClassName", "<CLASSNAME NAME=\"" + std::string(100000, 'C') + "\"/>")),
         kInvalid, "CLASSNAME NAME longer than 256 bytes"},
        {"100,000-character element name",
         imethod("GetClass", iparam("ClassName", "<" + std::string(40000, 'E') + "/>")), kInvalid,
         "expected CLASSNAME, found "
         "\"EEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEE...\" "
         "(40000 bytes)"},
    });
}

TEST(DecodeRequest, NotWellFormed) {
    // The client pastes values unescaped: OwnerName="a<b & c".
    std::string raw = kMi;
    raw.replace(raw.find("Lab 3 &amp; 4"), 13, "a<b & c");
    expectRefusals({
        {"raw < and & in a VALUE", raw, kInvalid, "request is not well-formed XML (line 5): ..."},
        {"empty body", "", kInvalid, "request is not well-formed XML..."},
        {"not XML", "GET / HTTP/1.1", kInvalid, "request is not well-formed XML (line 1): ..."},
        {"undefined entity", getInstanceWith(chassisName("&nbsp;")), kInvalid,
         "request is not well-formed XML (line 5): ..."},
        {"bad UTF-8", getInstanceWith(chassisName("\xC3\x28")), kInvalid,
         "request is not well-formed XML (line 5): ..."},
        {"unclosed element", imethod("GetInstance", "<IPARAMVALUE NAME=\"InstanceName\">"),
         kInvalid, "request is not well-formed XML..."},
        {"NUL character reference", getInstanceWith(chassisName("&#0;")), kInvalid,
         "request is not well-formed XML (line 5): ..."},
        {"undeclared namespace prefix", imethod("GetInstance", "<x:IPARAMVALUE NAME=\"A\"/>"),
         kInvalid, "request is not well-formed XML (line 5): ..."},
    });
    // What the start of the body told is kept for the error response.
    CimXmlError e = decodeError(raw);
    EXPECT_EQ("4715", e.messageId);
    EXPECT_EQ("ModifyInstance", e.method);
    EXPECT_FALSE(e.extrinsic);
    std::string rawCm = kCm;
    rawCm.replace(rawCm.find("Lab 3"), 5, "a<b");
    e = decodeError(rawCm);
    EXPECT_EQ("4720", e.messageId);
    EXPECT_EQ("SetOwner", e.method);
    EXPECT_TRUE(e.extrinsic);
    // An ID that does not read plainly is not guessed at.
    e = decodeError("<CIM><MESSAGE ID=\"a&amp;b\" PROTOCOLVERSION=\"1.0\"><");
    EXPECT_EQ("", e.messageId);
}

std::string framed(const std::string& inside) {
    return std::string(kXmlDecl) + "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\">" + inside +
           "</CIM>";
}

TEST(DecodeRequest, WrongStructure) {
    expectRefusals({
        {"wrong root", std::string(kXmlDecl) + "<CIMX/>", kInvalid,
         "the root element is CIMX, not CIM"},
        {"no CIMVERSION", "<CIM DTDVERSION=\"2.0\"/>", kInvalid, "CIM without CIMVERSION"},
        {"CIMVERSION 3", "<CIM CIMVERSION=\"3.0\" DTDVERSION=\"2.0\"/>", kNotSupported,
         "CIMVERSION \"3.0\" is not supported"},
        {"no MESSAGE", framed(""), kInvalid, "CIM must hold exactly one MESSAGE"},
        {"MESSAGE without ID", framed("<MESSAGE PROTOCOLVERSION=\"1.0\"><SIMPLEREQ/></MESSAGE>"),
         kInvalid, "MESSAGE without ID"},
        {"PROTOCOLVERSION 2",
         framed("<MESSAGE ID=\"1\" PROTOCOLVERSION=\"2.0\"><SIMPLEREQ/></MESSAGE>"), kNotSupported,
         "PROTOCOLVERSION \"2.0\" is not supported"},
        {"MULTIREQ", framed("<MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><MULTIREQ/></MESSAGE>"),
         kNotSupported, "multiple requests (MULTIREQ) are not supported"},
        {"missing IMETHODCALL",
         framed("<MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ>\n</SIMPLEREQ></MESSAGE>"),
         kInvalid, "SIMPLEREQ holds no IMETHODCALL or METHODCALL"},
        {"a response instead",
         framed("<MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><SIMPLERSP/></MESSAGE>"), kInvalid,
         "MESSAGE must hold one SIMPLEREQ"},
        {"IMETHODCALL without NAME",
         framed("<MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><IMETHODCALL>"
                "<LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/></LOCALNAMESPACEPATH>"
                "</IMETHODCALL></SIMPLEREQ></MESSAGE>"),
         kInvalid, "IMETHODCALL without NAME"},
        {"method name not a CIM name", imethod("Get Instance", ""), kInvalid,
         "IMETHODCALL NAME \"Get Instance\" is not a CIM name"},
        {"no namespace",
         framed("<MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><IMETHODCALL "
                "NAME=\"GetClass\"></IMETHODCALL></SIMPLEREQ></MESSAGE>"),
         kInvalid, "IMETHODCALL GetClass must start with LOCALNAMESPACEPATH"},
        {"NAMESPACE without NAME",
         framed(
             "<MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><IMETHODCALL NAME=\"GetClass\">"
             "<LOCALNAMESPACEPATH><NAMESPACE/></LOCALNAMESPACEPATH></IMETHODCALL></SIMPLEREQ></"
             "MESSAGE>"),
         kInvalid, "NAMESPACE without NAME"},
        {"stray text", imethod("GetClass", "oops"), kInvalid, "unexpected text in IMETHODCALL"},
        {"IPARAMVALUE without NAME", imethod("GetClass", "<IPARAMVALUE></IPARAMVALUE>"), kInvalid,
         "IPARAMVALUE without NAME"},
        {"METHODCALL without a target",
         framed("<MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\"><SIMPLEREQ><METHODCALL NAME=\"M\">"
                "</METHODCALL></SIMPLEREQ></MESSAGE>"),
         kInvalid, "METHODCALL M without LOCALINSTANCEPATH or LOCALCLASSPATH"},
    });
}

TEST(DecodeRequest, WrongParameters) {
    std::string name = chassisName();
    expectRefusals({
        {"missing ClassName", imethod("EnumerateInstances", ""), kInvalid,
         "EnumerateInstances needs the ClassName parameter"},
        {"NULL ClassName", imethod("GetClass", iparam("ClassName", "")), kInvalid,
         "GetClass needs the ClassName parameter"},
        {"missing InstanceName", imethod("DeleteInstance", ""), kInvalid,
         "DeleteInstance needs the InstanceName parameter"},
        {"missing ModifiedInstance", imethod("ModifyInstance", ""), kInvalid,
         "ModifyInstance needs the ModifiedInstance parameter"},
        {"missing NewInstance", imethod("CreateInstance", ""), kInvalid,
         "CreateInstance needs the NewInstance parameter"},
        {"InstanceName as a CLASSNAME",
         imethod("GetInstance", iparam("InstanceName", "<CLASSNAME NAME=\"C\"/>")), kInvalid,
         "expected INSTANCENAME, found CLASSNAME"},
        {"ClassName as a VALUE", imethod("GetClass", iparam("ClassName", "<VALUE>C</VALUE>")),
         kInvalid, "expected CLASSNAME, found VALUE"},
        {"boolean that is not",
         imethod("GetInstance",
                 iparam("InstanceName", name) + iparam("LocalOnly", "<VALUE>yes</VALUE>")),
         kInvalid, "IPARAMVALUE LocalOnly: \"yes\" is not a boolean"},
        {"boolean as an array",
         imethod("GetInstance",
                 iparam("InstanceName", name) + iparam("LocalOnly", "<VALUE.ARRAY></VALUE.ARRAY>")),
         kInvalid, "expected VALUE, found VALUE.ARRAY"},
        {"parameter twice",
         imethod("GetInstance", iparam("InstanceName", name) +
                                    iparam("localonly", "<VALUE>true</VALUE>") +
                                    iparam("LocalOnly", "<VALUE>true</VALUE>")),
         kInvalid, "IPARAMVALUE LocalOnly given twice"},
        {"two values", imethod("GetInstance", iparam("InstanceName", name + name)), kInvalid,
         "IPARAMVALUE InstanceName holds more than one value"},
        {"PropertyList as a VALUE",
         imethod("GetInstance",
                 iparam("InstanceName", name) + iparam("PropertyList", "<VALUE>Tag</VALUE>")),
         kInvalid, "expected VALUE.ARRAY, found VALUE"},
        {"PropertyList entry not a name",
         imethod("GetInstance",
                 iparam("InstanceName", name) +
                     iparam("PropertyList", "<VALUE.ARRAY><VALUE>a,b</VALUE></VALUE.ARRAY>")),
         kInvalid, "IPARAMVALUE PropertyList: \"a,b\" is not a property name"},
        {"key twice",
         getInstanceWith(
             "<INSTANCENAME CLASSNAME=\"C\"><KEYBINDING NAME=\"K\"><KEYVALUE>1</KEYVALUE>"
             "</KEYBINDING><KEYBINDING "
             "NAME=\"k\"><KEYVALUE>2</KEYVALUE></KEYBINDING></INSTANCENAME>"),
         kInvalid, "INSTANCENAME C: key k given twice"},
        {"KEYBINDING without NAME",
         getInstanceWith("<INSTANCENAME CLASSNAME=\"C\"><KEYBINDING><KEYVALUE>1</KEYVALUE>"
                         "</KEYBINDING></INSTANCENAME>"),
         kInvalid, "KEYBINDING without NAME"},
        {"INSTANCENAME without CLASSNAME", getInstanceWith("<INSTANCENAME></INSTANCENAME>"),
         kInvalid, "INSTANCENAME without CLASSNAME"},
        {"unnamed key",
         getInstanceWith("<INSTANCENAME CLASSNAME=\"C\"><KEYVALUE>1</KEYVALUE></INSTANCENAME>"),
         kNotSupported, "INSTANCENAME C: a key without KEYBINDING is not supported"},
        {"reference key",
         getInstanceWith("<INSTANCENAME CLASSNAME=\"C\"><KEYBINDING NAME=\"R\"><VALUE.REFERENCE>"
                         "</VALUE.REFERENCE></KEYBINDING></INSTANCENAME>"),
         kNotSupported, "key R: reference keys are not supported"},
        {"numeric key that is not",
         getInstanceWith("<INSTANCENAME CLASSNAME=\"C\"><KEYBINDING NAME=\"N\"><KEYVALUE "
                         "VALUETYPE=\"numeric\">12abc</KEYVALUE></KEYBINDING></INSTANCENAME>"),
         kInvalid, "key N: \"12abc\" is not a valid uint64"},
        {"key TYPE against VALUETYPE",
         getInstanceWith(
             "<INSTANCENAME CLASSNAME=\"C\"><KEYBINDING NAME=\"N\"><KEYVALUE "
             "VALUETYPE=\"numeric\" TYPE=\"string\">1</KEYVALUE></KEYBINDING></INSTANCENAME>"),
         kInvalid, "key N: TYPE string does not go with VALUETYPE numeric"},
        {"key out of its TYPE's range",
         getInstanceWith(
             "<INSTANCENAME CLASSNAME=\"C\"><KEYBINDING NAME=\"N\"><KEYVALUE "
             "VALUETYPE=\"numeric\" TYPE=\"uint8\">256</KEYVALUE></KEYBINDING></INSTANCENAME>"),
         kInvalid, "key N: \"256\" is not a valid uint8"},
        {"unknown VALUETYPE",
         getInstanceWith("<INSTANCENAME CLASSNAME=\"C\"><KEYBINDING NAME=\"N\"><KEYVALUE "
                         "VALUETYPE=\"number\">1</KEYVALUE></KEYBINDING></INSTANCENAME>"),
         kInvalid, "key N: unknown VALUETYPE \"number\""},
        {"markup inside KEYVALUE",
         getInstanceWith("<INSTANCENAME CLASSNAME=\"C\"><KEYBINDING NAME=\"N\"><KEYVALUE>"
                         "<b>1</b></KEYVALUE></KEYBINDING></INSTANCENAME>"),
         kInvalid, "KEYVALUE may hold text only"},
    });
}

TEST(DecodeRequest, WrongInstances) {
    auto prop = [](const std::string& p) { return modifyWith(chassisInstance(p)); };
    expectRefusals({
        {"value over its type",
         prop("<PROPERTY NAME=\"Slots\" TYPE=\"uint16\"><VALUE>70000</VALUE></PROPERTY>"), kInvalid,
         "property Slots: \"70000\" is not a valid uint16"},
        {"negative unsigned",
         prop("<PROPERTY NAME=\"Slots\" TYPE=\"uint32\"><VALUE>-1</VALUE></PROPERTY>"), kInvalid,
         "property Slots: \"-1\" is not a valid uint32"},
        {"sint8 below its range",
         prop("<PROPERTY NAME=\"S\" TYPE=\"sint8\"><VALUE>-129</VALUE></PROPERTY>"), kInvalid,
         "property S: \"-129\" is not a valid sint8"},
        {"uint64 overflow",
         prop(
             "<PROPERTY NAME=\"S\" TYPE=\"uint64\"><VALUE>18446744073709551616</VALUE></PROPERTY>"),
         kInvalid, "property S: \"18446744073709551616\" is not a valid uint64"},
        {"real32 overflow",
         prop("<PROPERTY NAME=\"R\" TYPE=\"real32\"><VALUE>1e39</VALUE></PROPERTY>"), kInvalid,
         "property R: \"1e39\" is not a valid real32"},
        {"real words", prop("<PROPERTY NAME=\"R\" TYPE=\"real64\"><VALUE>inf</VALUE></PROPERTY>"),
         kInvalid, "property R: \"inf\" is not a valid real64"},
        {"boolean", prop("<PROPERTY NAME=\"B\" TYPE=\"boolean\"><VALUE>1</VALUE></PROPERTY>"),
         kInvalid, "property B: \"1\" is not a boolean"},
        {"datetime",
         prop("<PROPERTY NAME=\"D\" TYPE=\"datetime\"><VALUE>2023-05-14</VALUE></PROPERTY>"),
         kInvalid, "property D: \"2023-05-14\" is not a valid datetime"},
        {"datetime letters",
         prop("<PROPERTY NAME=\"D\" "
              "TYPE=\"datetime\"><VALUE>2023051412000x.000000+060</VALUE></PROPERTY>"),
         kInvalid, "property D: \"2023051412000x.000000+060\" is not a valid datetime"},
        {"interval with an offset",
         prop("<PROPERTY NAME=\"D\" "
              "TYPE=\"datetime\"><VALUE>00000001020304.000005:060</VALUE></PROPERTY>"),
         kInvalid, "property D: \"00000001020304.000005:060\" is not a valid datetime"},
        {"array element",
         prop("<PROPERTY.ARRAY NAME=\"A\" TYPE=\"uint8\"><VALUE.ARRAY><VALUE>1</VALUE>"
              "<VALUE>x</VALUE></VALUE.ARRAY></PROPERTY.ARRAY>"),
         kInvalid, "property A: \"x\" is not a valid uint8"},
        {"NULL array element",
         prop("<PROPERTY.ARRAY NAME=\"A\" TYPE=\"uint8\"><VALUE.ARRAY>"
              "<VALUE.NULL/></VALUE.ARRAY></PROPERTY.ARRAY>"),
         kNotSupported, "property A: NULL array elements are not supported"},
        {"array value in PROPERTY",
         prop("<PROPERTY NAME=\"A\" TYPE=\"uint8\"><VALUE.ARRAY></VALUE.ARRAY></PROPERTY>"),
         kInvalid, "PROPERTY A may hold QUALIFIERs and one VALUE, not VALUE.ARRAY"},
        {"two VALUEs",
         prop("<PROPERTY NAME=\"A\" TYPE=\"string\"><VALUE>1</VALUE><VALUE>2</VALUE></PROPERTY>"),
         kInvalid, "PROPERTY A may hold QUALIFIERs and one VALUE, not VALUE"},
        {"PROPERTY without TYPE", prop("<PROPERTY NAME=\"A\"><VALUE>1</VALUE></PROPERTY>"),
         kInvalid, "PROPERTY without TYPE"},
        {"unknown TYPE", prop("<PROPERTY NAME=\"A\" TYPE=\"int\"><VALUE>1</VALUE></PROPERTY>"),
         kInvalid, "property A: unknown PROPERTY type \"int\""},
        {"char16", prop("<PROPERTY NAME=\"A\" TYPE=\"char16\"><VALUE>x</VALUE></PROPERTY>"),
         kNotSupported, "property A: values of type char16 are not supported"},
        {"embedded object",
         prop("<PROPERTY NAME=\"A\" TYPE=\"string\" EMBEDDEDOBJECT=\"object\"></PROPERTY>"),
         kNotSupported, "property A: embedded objects are not supported"},
        {"reference property", prop("<PROPERTY.REFERENCE NAME=\"Owner\"></PROPERTY.REFERENCE>"),
         kNotSupported,
         "property \"Owner\": reference properties (PROPERTY.REFERENCE) are not supported"},
        {"property twice",
         prop("<PROPERTY NAME=\"A\" TYPE=\"string\"></PROPERTY>"
              "<PROPERTY NAME=\"a\" TYPE=\"string\"></PROPERTY>"),
         kInvalid, "INSTANCE QVX_Z64Chassis: property a given twice"},
        {"class of name and instance differ",
         modifyWith("<INSTANCE CLASSNAME=\"Other\"></INSTANCE>"), kInvalid,
         "IPARAMVALUE ModifiedInstance: INSTANCENAME of class QVX_Z64Chassis names an INSTANCE of "
         "class Other"},
        {"named instance without INSTANCE",
         imethod("ModifyInstance",
                 iparam("ModifiedInstance",
                        "<VALUE.NAMEDINSTANCE>" + chassisName() + "</VALUE.NAMEDINSTANCE>")),
         kInvalid,
         "IPARAMVALUE ModifiedInstance: VALUE.NAMEDINSTANCE needs INSTANCENAME and INSTANCE"},
        {"unexpected element", prop("<METHOD NAME=\"M\"/>"), kInvalid,
         "unexpected METHOD in INSTANCE QVX_Z64Chassis"},
    });
}

TEST(DecodeRequest, WrongMethodParameters) {
    auto call = [](const std::string& params) {
        std::string body = kCm;
        size_t from = body.find("<PARAMVALUE");
        size_t to = body.find("</METHODCALL>");
        return body.replace(from, to - from, params);
    };
    expectRefusals({
        {"PARAMVALUE without NAME", call("<PARAMVALUE><VALUE>1</VALUE></PARAMVALUE>"), kInvalid,
         "PARAMVALUE without NAME"},
        {"PARAMTYPE mismatch",
         call("<PARAMVALUE NAME=\"D\" PARAMTYPE=\"uint32\"><VALUE>soon</VALUE></PARAMVALUE>"),
         kInvalid, "PARAMVALUE D: \"soon\" is not a valid uint32"},
        {"reference PARAMTYPE",
         call("<PARAMVALUE NAME=\"R\" PARAMTYPE=\"reference\"></PARAMVALUE>"), kNotSupported,
         "PARAMVALUE R: reference values are not supported"},
        {"reference value",
         call("<PARAMVALUE NAME=\"R\"><VALUE.REFERENCE></VALUE.REFERENCE></PARAMVALUE>"),
         kNotSupported, "PARAMVALUE R: VALUE.REFERENCE values are not supported"},
        {"parameter twice",
         call("<PARAMVALUE NAME=\"P\"></PARAMVALUE><PARAMVALUE NAME=\"p\"></PARAMVALUE>"), kInvalid,
         "PARAMVALUE p given twice"},
        {"IPARAMVALUE in METHODCALL", call(iparam("P", "")), kInvalid,
         "expected PARAMVALUE, found IPARAMVALUE"},
    });
}

// Errors found after the MESSAGE was read carry its ID and the method.
TEST(DecodeRequest, ErrorsCarryIdAndMethod) {
    CimXmlError e = decodeError(imethod("EnumerateInstances", "", "77"));
    EXPECT_EQ("77", e.messageId);
    EXPECT_EQ("EnumerateInstances", e.method);
    EXPECT_FALSE(e.extrinsic);
    std::string cm = kCm;
    cm.replace(cm.find("<VALUE>30</VALUE>"), 17, "<VALUE>x</VALUE>");
    e = decodeError(cm);
    EXPECT_EQ("4720", e.messageId);
    EXPECT_EQ("SetOwner", e.method);
    EXPECT_TRUE(e.extrinsic);
}

// Every seed of the fuzzer decodes as its name says; crash inputs the
// fuzzer found stay there as bad-* rows.
TEST(DecodeRequest, FuzzCorpus) {
    namespace fs = std::filesystem;
    size_t seen = 0;
    for (const fs::directory_entry& f : fs::directory_iterator(QVX_CIMXML_CORPUS)) {
        std::string name = f.path().filename().string();
        SCOPED_TRACE(name);
        std::ifstream in(f.path(), std::ios::binary);
        std::stringstream body;
        body << in.rdbuf();
        if (name.rfind("ok-", 0) == 0) {
            EXPECT_NO_THROW(decodeRequest(body.str()));
        } else {
            EXPECT_EQ(0u, name.rfind("bad-", 0));
            decodeError(body.str());
        }
        ++seen;
    }
    EXPECT_GE(seen, 9u);
}

// ------------------------------------------------------------ responses

CIMInstance smallInstance() {
    CIMInstance inst("QVX_Z64Chassis");
    inst.setProperty("Tag", CIMValue("Chassis"));
    inst.setProperty("UserTracking", CIMValue(UInt16(7)));
    inst.setProperty("CanBeFRUed", CIMValue(true));
    inst.setProperty("ManufactureDate", CIMValue(may14()));
    inst.setProperty(CIMProperty("OwnerName", CIMDataType(CIMDataType::STRING)));
    inst.setProperty("Model", CIMValue("Z64 <\"rev\" 'B'> & more"));
    Int32Array temps;
    temps.push_back(-5);
    temps.push_back(40);
    inst.setProperty("Temperatures", CIMValue(temps));
    return inst;
}

CIMObjectPath chassisPath() {
    CIMObjectPath p("QVX_Z64Chassis", "root/cimv2");
    p.setKeyValue("Tag", CIMValue("Chassis"));
    p.setKeyValue("Slot", CIMValue(UInt8(3)));
    p.setKeyValue("Spare", CIMValue(false));
    return p;
}

const char kChassisNameXml[] =
    "<INSTANCENAME CLASSNAME=\"QVX_Z64Chassis\">"
    "<KEYBINDING NAME=\"Tag\"><KEYVALUE VALUETYPE=\"string\" "
    "TYPE=\"string\">Chassis</KEYVALUE></KEYBINDING>"
    "<KEYBINDING NAME=\"Slot\"><KEYVALUE VALUETYPE=\"numeric\" "
    "TYPE=\"uint8\">3</KEYVALUE></KEYBINDING>"
    "<KEYBINDING NAME=\"Spare\"><KEYVALUE VALUETYPE=\"boolean\" "
    "TYPE=\"boolean\">FALSE</KEYVALUE></KEYBINDING>"
    "</INSTANCENAME>";

const char kSmallInstanceXml[] =
    "<INSTANCE CLASSNAME=\"QVX_Z64Chassis\">"
    "<PROPERTY NAME=\"Tag\" TYPE=\"string\"><VALUE>Chassis</VALUE></PROPERTY>"
    "<PROPERTY NAME=\"UserTracking\" TYPE=\"uint16\"><VALUE>7</VALUE></PROPERTY>"
    "<PROPERTY NAME=\"CanBeFRUed\" TYPE=\"boolean\"><VALUE>TRUE</VALUE></PROPERTY>"
    "<PROPERTY NAME=\"ManufactureDate\" "
    "TYPE=\"datetime\"><VALUE>20230514120000.000000+060</VALUE></PROPERTY>"
    "<PROPERTY NAME=\"OwnerName\" TYPE=\"string\"></PROPERTY>"
    "<PROPERTY NAME=\"Model\" TYPE=\"string\"><VALUE>Z64 &lt;&quot;rev&quot; &apos;B&apos;&gt; "
    "&amp; "
    "more</VALUE></PROPERTY>"
    "<PROPERTY.ARRAY NAME=\"Temperatures\" "
    "TYPE=\"sint32\"><VALUE.ARRAY><VALUE>-5</VALUE><VALUE>40</VALUE>"
    "</VALUE.ARRAY></PROPERTY.ARRAY>"
    "</INSTANCE>";

std::string response(const std::string& id, const std::string& inner) {
    return std::string(kXmlDecl) + "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"" +
           id + "\" PROTOCOLVERSION=\"1.0\"><SIMPLERSP>\n" + inner +
           "\n</SIMPLERSP></MESSAGE></CIM>\n";
}

TEST(Encode, ExactTexts) {
    struct Row {
        const char* what;
        std::string actual;
        std::string expected;
    } rows[] = {
        {"GetInstance", encodeInstance("4713", "GetInstance", smallInstance()),
         response("4713", std::string("<IMETHODRESPONSE NAME=\"GetInstance\"><IRETURNVALUE>") +
                              kSmallInstanceXml + "</IRETURNVALUE></IMETHODRESPONSE>")},
        {"EnumerateInstanceNames",
         encodeInstanceNames("1", "EnumerateInstanceNames", {chassisPath(), chassisPath()}),
         response("1",
                  std::string("<IMETHODRESPONSE NAME=\"EnumerateInstanceNames\"><IRETURNVALUE>") +
                      kChassisNameXml + kChassisNameXml + "</IRETURNVALUE></IMETHODRESPONSE>")},
        {"no instance names", encodeInstanceNames("2", "EnumerateInstanceNames", {}),
         response("2",
                  "<IMETHODRESPONSE NAME=\"EnumerateInstanceNames\"><IRETURNVALUE></IRETURNVALUE>"
                  "</IMETHODRESPONSE>")},
        {"EnumerateInstances",
         encodeNamedInstances("3", "EnumerateInstances", {{chassisPath(), smallInstance()}}),
         response("3", std::string("<IMETHODRESPONSE NAME=\"EnumerateInstances\"><IRETURNVALUE>"
                                   "<VALUE.NAMEDINSTANCE>") +
                           kChassisNameXml + kSmallInstanceXml +
                           "</VALUE.NAMEDINSTANCE></IRETURNVALUE></IMETHODRESPONSE>")},
        {"CreateInstance", encodeInstanceName("4", "CreateInstance", chassisPath()),
         response("4", std::string("<IMETHODRESPONSE NAME=\"CreateInstance\"><IRETURNVALUE>") +
                           kChassisNameXml + "</IRETURNVALUE></IMETHODRESPONSE>")},
        {"ModifyInstance", encodeEmpty("5", "ModifyInstance"),
         response("5", "<IMETHODRESPONSE NAME=\"ModifyInstance\"></IMETHODRESPONSE>")},
        {"EnumerateClassNames", encodeClassNames("6", "EnumerateClassNames", {"QVX_A", "QVX_B"}),
         response("6",
                  "<IMETHODRESPONSE NAME=\"EnumerateClassNames\"><IRETURNVALUE><CLASSNAME "
                  "NAME=\"QVX_A\"/><CLASSNAME NAME=\"QVX_B\"/></IRETURNVALUE></IMETHODRESPONSE>")},
        {"error", encodeError("7", "GetClass", false, CIMException::NOT_FOUND, "no class QVX_X"),
         response("7",
                  "<IMETHODRESPONSE NAME=\"GetClass\"><ERROR CODE=\"6\" DESCRIPTION=\"no class "
                  "QVX_X\"/></IMETHODRESPONSE>")},
        {"error without description", encodeError("8", "Reset", true, CIMException::FAILED, ""),
         response("8", "<METHODRESPONSE NAME=\"Reset\"><ERROR CODE=\"1\"/></METHODRESPONSE>")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.expected, row.actual);
    }
}

TEST(Encode, MethodResponse) {
    CIMParamValueArray out;
    out.push_back(CIMParamValue("Previous", CIMValue("Lab 2")));
    out.push_back(CIMParamValue("Missing"));
    UInt16Array codes;
    codes.push_back(1);
    codes.push_back(2);
    out.push_back(CIMParamValue("Codes", CIMValue(codes)));
    EXPECT_EQ(
        response("9",
                 "<METHODRESPONSE NAME=\"SetOwner\"><RETURNVALUE><VALUE>0</VALUE></RETURNVALUE>"
                 "<PARAMVALUE NAME=\"Previous\"><VALUE>Lab 2</VALUE></PARAMVALUE>"
                 "<PARAMVALUE NAME=\"Missing\"></PARAMVALUE>"
                 "<PARAMVALUE NAME=\"Codes\"><VALUE.ARRAY><VALUE>1</VALUE><VALUE>2</VALUE>"
                 "</VALUE.ARRAY></PARAMVALUE></METHODRESPONSE>"),
        encodeMethodResponse("9", "SetOwner", CIMValue(UInt32(0)), out));
    EXPECT_EQ(response("9", "<METHODRESPONSE NAME=\"Reset\"></METHODRESPONSE>"),
              encodeMethodResponse("9", "Reset", CIMValue(CIMNULL), CIMParamValueArray()));
}

TEST(Encode, ValueTexts) {
    struct Row {
        CIMValue value;
        const char* type;
        const char* text;
    } rows[] = {
        {CIMValue(UInt8(255)), "uint8", "255"},
        {CIMValue(Int8(-128)), "sint8", "-128"},
        {CIMValue(UInt64(UINT64_MAX)), "uint64", "18446744073709551615"},
        {CIMValue(Int64(INT64_MIN)), "sint64", "-9223372036854775808"},
        {CIMValue(Real32(0.1f)), "real32", "0.100000001"},
        {CIMValue(Real64(0.1)), "real64", "0.10000000000000001"},
        {CIMValue(Real64(1e300)), "real64", "1.0000000000000001e+300"},
        {CIMValue(false), "boolean", "FALSE"},
        {CIMValue(CIMDateTime(String("00000001020304.000005:000"))), "datetime",
         "00000001020304.000005:000"},
        {CIMValue("tab\there\nnew line"), "string", "tab\there\nnew line"},
        {CIMValue("Gr\xC3\xBC\xC3\x9F"
                  "e \xE2\x82\xAC \xF0\x9F\x98\x80"),
         "string",
         "Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC \xF0\x9F\x98\x80"},
        // Not UTF-8, or not an XML character: U+FFFD each byte.
        {CIMValue("a\xFF"
                  "b\xC3"
                  "c\x01"
                  "d\xED\xA0\x80"),
         "string",
         "a\xEF\xBF\xBD"
         "b\xEF\xBF\xBD"
         "c\xEF\xBF\xBD"
         "d\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {CIMValue("\xEF\xBF\xBF"), "string", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        CIMInstance inst("C");
        inst.setProperty("P", row.value);
        EXPECT_EQ(
            response("1",
                     std::string("<IMETHODRESPONSE NAME=\"GetInstance\"><IRETURNVALUE><INSTANCE "
                                 "CLASSNAME=\"C\"><PROPERTY NAME=\"P\" TYPE=\"") +
                         row.type + "\"><VALUE>" + row.text +
                         "</VALUE></PROPERTY></INSTANCE></IRETURNVALUE></IMETHODRESPONSE>"),
            encodeInstance("1", "GetInstance", inst));
    }
}

// The declared type names the property even when it is NULL.
TEST(Encode, DeclaredTypesOfNullProperties) {
    CIMInstance inst("C");
    inst.setProperty(CIMProperty("N", CIMDataType(CIMDataType::UINT32)));
    inst.setProperty(CIMProperty("A", CIMDataType(CIMDataType::STRING, 0)));
    inst.setProperty(CIMProperty("F", CIMDataType(CIMDataType::UINT8, 4)));
    inst.setProperty(CIMProperty("Untyped"));
    EXPECT_EQ(
        response("1",
                 "<IMETHODRESPONSE NAME=\"GetInstance\"><IRETURNVALUE><INSTANCE CLASSNAME=\"C\">"
                 "<PROPERTY NAME=\"N\" TYPE=\"uint32\"></PROPERTY>"
                 "<PROPERTY.ARRAY NAME=\"A\" TYPE=\"string\"></PROPERTY.ARRAY>"
                 "<PROPERTY.ARRAY NAME=\"F\" TYPE=\"uint8\" ARRAYSIZE=\"4\"></PROPERTY.ARRAY>"
                 "<PROPERTY NAME=\"Untyped\" TYPE=\"string\"></PROPERTY>"
                 "</INSTANCE></IRETURNVALUE></IMETHODRESPONSE>"),
        encodeInstance("1", "GetInstance", inst));
}

// The client's ModifyInstance copies GetInstance's properties byte for byte:
// what we write must read back to the same values.
TEST(Encode, InstanceReadsBackThroughModifyInstance) {
    CIMInstance original = smallInstance();
    Real64Array reals;
    reals.push_back(0.1);
    reals.push_back(-1e-300);
    original.setProperty("Reals", CIMValue(reals));
    original.setProperty("Big", CIMValue(UInt64(UINT64_MAX)));
    original.setProperty("Small", CIMValue(Int64(INT64_MIN)));
    original.setProperty("Float", CIMValue(Real32(3.14159274f)));
    original.setProperty("Text", CIMValue("line 1\nline 2\t<&>\"' Gr\xC3\xBC\xC3\x9F"
                                          "e"));
    std::string body = encodeInstance("1", "GetInstance", original);
    size_t from = body.find("<INSTANCE ");
    size_t to = body.find("</INSTANCE>") + 11;
    CimRequest r = decodeRequest(modifyWith(body.substr(from, to - from)));
    CIMPropertyArray expected = original.getProperties();
    CIMPropertyArray actual = r.instance.getProperties();
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(s(expected[i].getName()));
        EXPECT_EQ(s(expected[i].getName()), s(actual[i].getName()));
        EXPECT_EQ(expected[i].getValue(), actual[i].getValue())
            << s(actual[i].getValue().toString());
        EXPECT_EQ(expected[i].getDataType().getType(), actual[i].getDataType().getType());
    }
}

TEST(Encode, ErrorDescriptionReadsBack) {
    const std::string description =
        "bad <value> & \"quotes\" 'too'\nGr\xC3\xBC\xC3\x9F"
        "e";
    std::string body =
        encodeError("42", "ModifyInstance", false, CIMException::INVALID_PARAMETER, description);
    expectWellFormedResponse(body, "42");
    // Raw UTF-8 and a raw newline; no character reference.
    EXPECT_NE(std::string::npos, body.find("&apos;too&apos;\nGr\xC3\xBC\xC3\x9F"
                                           "e\""));
    Doc doc = readXml(body);
    ASSERT_TRUE(doc);
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    const xmlNode* error = findElement(root, "ERROR");
    ASSERT_NE(nullptr, error);
    EXPECT_EQ("4", attribute(error, "CODE"));
    // An XML parser turns the newline into a space (attribute-value
    // normalisation); everything else comes back as it was.
    std::string expected = description;
    expected[expected.find('\n')] = ' ';
    EXPECT_EQ(expected, attribute(error, "DESCRIPTION"));
    EXPECT_EQ("ModifyInstance", attribute(findElement(root, "IMETHODRESPONSE"), "NAME"));
}

TEST(Encode, EveryResponseIsWellFormedAndNeverSelfClosesWhatTheClientRefuses) {
    CIMInstance empty("QVX_Empty");
    CIMInstance nulls("C");
    nulls.setProperty(CIMProperty("S", CIMDataType(CIMDataType::STRING)));
    nulls.setProperty(CIMProperty("A", CIMDataType(CIMDataType::UINT8, 0)));
    nulls.setProperty("E", CIMValue(StringArray()));
    nulls.setProperty("Empty", CIMValue(""));
    CIMObjectPath keyless("QVX_Singleton", "root/cimv2");
    CIMClass cls("QVX_C");
    CIMProperty key("Tag", CIMDataType(CIMDataType::STRING));
    key.setQualifier(CIMQualifier(CIMQualifier::CIM_QUAL_KEY));
    cls.addProperty(key);
    std::vector<std::string> none;
    std::string id = "id \"<&>\"";
    std::vector<std::string> bodies = {
        encodeInstance(id, "GetInstance", empty),
        encodeInstance(id, "GetInstance", nulls),
        encodeInstanceNames(id, "EnumerateInstanceNames", {}),
        encodeInstanceNames(id, "EnumerateInstanceNames", {keyless}),
        encodeNamedInstances(id, "EnumerateInstances", {}),
        encodeNamedInstances(id, "EnumerateInstances", {{keyless, empty}}),
        encodeInstanceName(id, "CreateInstance", keyless),
        encodeEmpty(id, "DeleteInstance"),
        encodeClass(id, "GetClass", cls, false, true, true, nullptr),
        encodeClass(id, "GetClass", cls, false, true, true, &none),
        encodeClassNames(id, "EnumerateClassNames", {}),
        encodeClassNames(id, "EnumerateClassNames", {"A"}),
        encodeMethodResponse(id, "M", CIMValue(""), CIMParamValueArray(1, CIMParamValue("P"))),
        encodeError(id, "GetClass", false, CIMException::NOT_FOUND, ""),
        encodeError(id, "M", true, CIMException::FAILED, "x"),
    };
    for (const std::string& body : bodies) {
        SCOPED_TRACE(body);
        expectWellFormedResponse(body, id);
    }
}

CIMClass chassisClass() {
    CIMClass cls("QVX_Z64Chassis");
    cls.setSuperClass("CIM_Chassis");
    cls.addQualifier(CIMQualifier("Description", CIMValue("A chassis")));
    CIMProperty tag("Tag", CIMDataType(CIMDataType::STRING));
    tag.setQualifier(CIMQualifier(CIMQualifier::CIM_QUAL_KEY, CIMValue(true)));
    tag.setOriginClass("CIM_PhysicalElement");
    tag.setPropagated(true);
    CIMProperty owner("OwnerName", CIMDataType(CIMDataType::STRING));
    owner.setQualifier(CIMQualifier(CIMQualifier::CIM_QUAL_WRITE));
    owner.setOriginClass("QVX_Z64Chassis");
    CIMProperty slots("Slots", CIMDataType(CIMDataType::UINT16, 0));
    slots.setValue(CIMValue(UInt16Array(2, UInt16(1))));
    cls.addProperty(tag);
    cls.addProperty(owner);
    cls.addProperty(slots);
    return cls;
}

TEST(Encode, ClassWithFlags) {
    auto body = [](bool localOnly, bool qualifiers, bool origin,
                   const std::vector<std::string>* list) {
        std::string text =
            encodeClass("1", "GetClass", chassisClass(), localOnly, qualifiers, origin, list);
        size_t from = text.find("<CLASS ");
        return text.substr(from, text.find("</CLASS>") + 8 - from);
    };
    const std::string tagPlain = "<PROPERTY NAME=\"Tag\" TYPE=\"string\"></PROPERTY>";
    const std::string ownerPlain = "<PROPERTY NAME=\"OwnerName\" TYPE=\"string\"></PROPERTY>";
    const std::string slotsPlain =
        "<PROPERTY.ARRAY NAME=\"Slots\" "
        "TYPE=\"uint16\"><VALUE.ARRAY><VALUE>1</VALUE><VALUE>1</VALUE>"
        "</VALUE.ARRAY></PROPERTY.ARRAY>";
    const std::string open = "<CLASS NAME=\"QVX_Z64Chassis\" SUPERCLASS=\"CIM_Chassis\">";
    EXPECT_EQ(open + tagPlain + ownerPlain + slotsPlain + "</CLASS>",
              body(false, false, false, nullptr));
    EXPECT_EQ(
        open +
            "<QUALIFIER NAME=\"Description\" TYPE=\"string\"><VALUE>A chassis</VALUE></QUALIFIER>"
            "<PROPERTY NAME=\"Tag\" TYPE=\"string\" CLASSORIGIN=\"CIM_PhysicalElement\" "
            "PROPAGATED=\"true\"><QUALIFIER NAME=\"Key\" TYPE=\"boolean\"><VALUE>TRUE</VALUE>"
            "</QUALIFIER></PROPERTY>"
            "<PROPERTY NAME=\"OwnerName\" TYPE=\"string\" CLASSORIGIN=\"QVX_Z64Chassis\">"
            "<QUALIFIER NAME=\"Write\" "
            "TYPE=\"boolean\"><VALUE>TRUE</VALUE></QUALIFIER></PROPERTY>" +
            slotsPlain + "</CLASS>",
        body(false, true, true, nullptr));
    // LocalOnly drops what the superclass brought.
    EXPECT_EQ(open + ownerPlain + slotsPlain + "</CLASS>", body(true, false, false, nullptr));
    std::vector<std::string> list = {"slots", "Unknown", "TAG"};
    EXPECT_EQ(open + tagPlain + slotsPlain + "</CLASS>", body(false, false, false, &list));
    std::vector<std::string> none;
    EXPECT_EQ(open + "</CLASS>", body(false, false, false, &none));
}

// The client's cm reads the parameters from GetClass: every one declared,
// none self-closed.
TEST(Encode, ClassMethods) {
    CIMClass cls("QVX_Z64Chassis");
    CIMMethod m("SetOwner", CIMDataType(CIMDataType::UINT32));
    m.setQualifier(CIMQualifier("Description", CIMValue("sets the owner")));
    CIMParameter owner("Owner", CIMDataType(CIMDataType::STRING));
    owner.setQualifier(CIMQualifier("In", CIMValue(true)));
    m.addParameter(owner);
    m.addParameter(CIMParameter("Codes", CIMDataType(CIMDataType::UINT16, 0)));
    m.addParameter(CIMParameter("Slots", CIMDataType(CIMDataType::UINT8, 2)));
    m.addParameter(CIMParameter("Target", CIMDataType(CIMName("CIM_Chassis"))));
    cls.addMethod(m);
    cls.addMethod(CIMMethod("Reset", CIMDataType(CIMDataType::UINT32)));
    const std::string params =
        "<PARAMETER.ARRAY NAME=\"Codes\" TYPE=\"uint16\"></PARAMETER.ARRAY>"
        "<PARAMETER.ARRAY NAME=\"Slots\" TYPE=\"uint8\" ARRAYSIZE=\"2\"></PARAMETER.ARRAY>"
        "<PARAMETER.REFERENCE NAME=\"Target\" "
        "REFERENCECLASS=\"CIM_Chassis\"></PARAMETER.REFERENCE>";
    const std::string reset = "<METHOD NAME=\"Reset\" TYPE=\"uint32\"></METHOD>";
    struct Row {
        bool qualifiers;
        std::string expected;
    } rows[] = {
        {false,
         "<CLASS NAME=\"QVX_Z64Chassis\"><METHOD NAME=\"SetOwner\" TYPE=\"uint32\">"
         "<PARAMETER NAME=\"Owner\" TYPE=\"string\"></PARAMETER>" +
             params + "</METHOD>" + reset + "</CLASS>"},
        {true,
         "<CLASS NAME=\"QVX_Z64Chassis\"><METHOD NAME=\"SetOwner\" TYPE=\"uint32\">"
         "<QUALIFIER NAME=\"Description\" TYPE=\"string\"><VALUE>sets the owner</VALUE>"
         "</QUALIFIER><PARAMETER NAME=\"Owner\" TYPE=\"string\"><QUALIFIER NAME=\"In\" "
         "TYPE=\"boolean\"><VALUE>TRUE</VALUE></QUALIFIER></PARAMETER>" +
             params + "</METHOD>" + reset + "</CLASS>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.qualifiers);
        std::string body = encodeClass("1", "GetClass", cls, true, row.qualifiers, false, nullptr);
        expectWellFormedResponse(body, "1");
        EXPECT_EQ(response("1", "<IMETHODRESPONSE NAME=\"GetClass\"><IRETURNVALUE>" + row.expected +
                                    "</IRETURNVALUE></IMETHODRESPONSE>"),
                  body);
    }
}

TEST(FilterInstance, PropertyListAndFlags) {
    CIMInstance inst("C");
    CIMProperty a("Alpha", CIMValue("a"));
    a.setQualifier(CIMQualifier("Description", CIMValue("first")));
    a.setOriginClass("Base");
    a.setPropagated(true);
    inst.setProperty(a);
    inst.setProperty("Beta", CIMValue(UInt8(2)));
    inst.setProperty("Gamma", CIMValue(true));
    inst.setQualifier(CIMQualifier("Version", CIMValue("1")));

    std::vector<std::string> none;
    std::vector<std::string> mixedCase = {"gamma", "ALPHA", "NoSuchProperty"};
    struct Row {
        const char* what;
        const std::vector<std::string>* list;
        std::vector<std::string> names;
    } rows[] = {
        {"NULL list", nullptr, {"Alpha", "Beta", "Gamma"}},
        {"empty list", &none, {}},
        {"names ignoring case, in the instance's order", &mixedCase, {"Alpha", "Gamma"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.names, propertyNames(filterInstance(inst, row.list)));
    }

    CIMInstance plain = filterInstance(inst, nullptr);
    EXPECT_TRUE(plain.getQualifiers().empty());
    EXPECT_TRUE(plain.getProperty("Alpha").getQualifiers().empty());
    EXPECT_EQ("", s(plain.getProperty("Alpha").getOriginClass()));
    EXPECT_FALSE(plain.getProperty("Alpha").getPropagated());
    EXPECT_EQ(CIMValue("a"), plain.getPropertyValue("Alpha"));

    CIMInstance full = filterInstance(inst, nullptr, true, true);
    EXPECT_EQ(1u, full.getQualifiers().size());
    EXPECT_EQ(1u, full.getProperty("Alpha").getQualifiers().size());
    EXPECT_EQ("Base", s(full.getProperty("Alpha").getOriginClass()));
    EXPECT_TRUE(full.getProperty("Alpha").getPropagated());

    // The original is untouched.
    EXPECT_EQ(1u, inst.getProperty("Alpha").getQualifiers().size());
    EXPECT_EQ(3u, inst.getProperties().size());
}

}  // namespace
