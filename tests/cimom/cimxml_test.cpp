// CIM-XML requests as the command-line client sends them (the fuzzer's seeds),
// decoded to typed requests; malformed and hostile bodies refused with a code
// and a text; response bodies compared as text and read back with libxml2.
#include "CimXml.hpp"

#include "OW_Bool.hpp"
#include "OW_CIMClass.hpp"
#include "OW_CIMDateTime.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace OpenWBEM;
using namespace qvx_cimom;

namespace {

const char kXmlDecl[] = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n";
// How a request is refused: a CIM status code, or an HTTP status and CIMError.
const std::string kInvalid = "4";
const std::string kNotSupported = "7";
const std::string kNotXml = "400 request-not-loosely-valid";
const std::string kNotWellFormed = "400 request-not-well-formed";

// ------------------------------------------------------------ helpers

std::string s(const String& x) {
    return std::string(x.c_str(), x.length());
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream body;
    body << in.rdbuf();
    return body.str();
}

std::string framed(const std::string& inside) {
    return std::string(kXmlDecl) + "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\">" + inside +
           "</CIM>";
}

std::string message(const std::string& inside) {
    return framed("<MESSAGE ID=\"1\" PROTOCOLVERSION=\"1.0\">" + inside + "</MESSAGE>");
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
           tag + "</KEYVALUE></KEYBINDING></INSTANCENAME>";
}

std::string getInstanceWith(const std::string& instanceName) {
    return imethod("GetInstance", iparam("InstanceName", instanceName));
}

// GetInstance of class C with the given KEYBINDINGs.
std::string keys(const std::string& bindings) {
    return getInstanceWith("<INSTANCENAME CLASSNAME=\"C\">" + bindings + "</INSTANCENAME>");
}

std::string modifyWith(const std::string& instanceXml) {
    return imethod("ModifyInstance",
                   iparam("ModifiedInstance", "<VALUE.NAMEDINSTANCE>" + chassisName() +
                                                  instanceXml + "</VALUE.NAMEDINSTANCE>"));
}

// ModifyInstance of a chassis with the given properties.
std::string props(const std::string& properties) {
    return modifyWith("<INSTANCE CLASSNAME=\"QVX_Z64Chassis\">" + properties + "</INSTANCE>");
}

// A value as "<type> <MOF text>", or NULL.
std::string typed(const CIMValue& v) {
    if (!v) return "NULL";
    return s(CIMDataType(v.getType()).toString()) + (v.isArray() ? "[] " : " ") + s(v.toMOF());
}

std::string pathText(const CIMObjectPath& p) {
    std::string out = s(p.getNameSpace()) + ":" + s(p.getClassName()) + "{";
    for (const CIMProperty& k : p.getKeys()) out += s(k.getName()) + "=" + typed(k.getValue()) + ";";
    return out + "}";
}

// Everything a decoded request carries, in one line: flags are LocalOnly,
// DeepInheritance, IncludeQualifiers, IncludeClassOrigin; a NULL property
// shows its declared type.
std::string summary(const CimRequest& r) {
    std::string out = r.messageId + (r.extrinsic ? " extrinsic " : " ") + r.method + " " +
                      r.nameSpace + " class=" + r.className + " flags=" +
                      std::to_string(r.localOnly) + std::to_string(r.deepInheritance) +
                      std::to_string(r.includeQualifiers) + std::to_string(r.includeClassOrigin);
    if (r.hasPropertyList) {
        out += " list=";
        for (const std::string& p : r.propertyList) out += p + ";";
    }
    if (r.instanceName) out += " name=" + pathText(r.instanceName);
    if (r.instance) {
        out += " instance=" + s(r.instance.getClassName()) + "{";
        for (const CIMProperty& p : r.instance.getProperties()) {
            CIMDataType t = p.getDataType();
            out += s(p.getName()) + "=" +
                   (p.getValue() ? typed(p.getValue())
                                 : "NULL " + s(t.toString()) + (t.isArrayType() ? "[]" : "")) +
                   ";";
        }
        out += "}";
    }
    if (r.objectPath) out += " target=" + pathText(r.objectPath);
    for (const CIMParamValue& p : r.inParams) out += " " + s(p.getName()) + "=" + typed(p.getValue());
    return out;
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

// Well-formed, the right ID, no character references or declarations, and
// no element written as <X .../> but CLASSNAME, which the client accepts so.
void expectWellFormedResponse(const std::string& body, const std::string& id) {
    EXPECT_EQ(0u, body.rfind("<?xml version=\"1.0\" ?><CIM ", 0)) << body;
    Doc doc = readXml(body);
    ASSERT_TRUE(doc) << body;
    const xmlNode* msg = findElement(xmlDocGetRootElement(doc.get()), "MESSAGE");
    ASSERT_NE(nullptr, msg);
    if (!id.empty()) {
        EXPECT_EQ(id, attribute(msg, "ID"));
    }
    for (size_t end = body.find("/>"); end != std::string::npos; end = body.find("/>", end + 2)) {
        size_t open = body.rfind('<', end);
        std::string name = body.substr(open + 1, body.find_first_of(" />", open + 1) - open - 1);
        EXPECT_EQ(name, "CLASSNAME") << "self-closed in " << body;
    }
    EXPECT_EQ(std::string::npos, body.find("&#")) << body;
    EXPECT_EQ(std::string::npos, body.find("<!")) << body;
}

// ------------------------------------------------------------ requests

const std::string kChassisKeys = "root/cimv2:QVX_Z64Chassis{Tag=string \"Chassis\";}";

// The client's requests, kept as the fuzzer's seeds, by file name.
const std::map<std::string, std::string> kSeedSummaries = {
    {"ok-ein.xml", "4711 EnumerateInstanceNames root/cimv2 class=QVX_Z64Chassis flags=1000"},
    {"ok-ei.xml",  // self-closing NAMESPACE, flags in any case
     "4712 EnumerateInstances root/cimv2 class=QVX_Z64Chassis flags=0011 list=Tag;OwnerName;"},
    {"ok-gi.xml",  // keys in the order the user wrote them
     "4713 GetInstance root/cimv2 class= flags=0000 list=OwnerName; "
     "name=root/cimv2:QVX_Z64Chassis{CreationClassName=string \"QVX_Z64Chassis\";"
     "Tag=string \"Chassis\";}"},
    {"ok-mi.xml",
     "4715 ModifyInstance root/cimv2 class= flags=1010 "
     "name=root/cimv2:QVX_Z64Chassis{Tag=string \"Chassis\";"
     "CreationClassName=string \"QVX_Z64Chassis\";} instance=QVX_Z64Chassis{"
     "Tag=string \"Chassis\";CreationClassName=string \"QVX_Z64Chassis\";"
     "OwnerName=string \"Lab 3 & 4\";Location=NULL string;UserTracking=uint16 7;"
     "CanBeFRUed=boolean true;ManufactureDate=datetime \"20230514120000.000000+060\";"
     "Providers=string[] {\"a\",\"b\"};Sizes=NULL sint32[];}"},
    {"ok-ci.xml",
     "4717 CreateInstance root/cimv2 class= flags=1000 "
     "instance=QVX_MBMLogicalModule{Tag=string \"Module 3\";Slot=uint8 3;}"},
    {"ok-di.xml",
     "4718 DeleteInstance root/cimv2 class= flags=1000 name=root/cimv2:QVX_MBMLogicalModule{"
     "Tag=string \"Module 3\";Slot=uint64 3;Spare=boolean true;}"},
    {"ok-cm.xml",
     "4720 extrinsic SetOwner root/cimv2 class=QVX_Z64Chassis flags=1000 target=" + kChassisKeys +
         " Owner=string \"Lab 3\" Delay=uint32 30 Tags=string[] {\"x\",\"y\"} Note=NULL"},
    {"ok-ecn.xml", "4721 EnumerateClassNames root/cimv2 class= flags=1100"},
    {"ok-gc.xml", "4722 GetClass root/cimv2 class=QVX_Z64Chassis flags=0010"},
};

// Every seed decodes as its name says: ok-* to the summary above, bad-* to
// an error (crash inputs the fuzzer found stay there as bad-* files).
TEST(DecodeRequest, FuzzSeedsAsTheClientSendsThem) {
    size_t summarised = 0, seen = 0;
    for (const auto& f : std::filesystem::directory_iterator(QVX_CIMXML_CORPUS)) {
        std::string name = f.path().filename().string();
        SCOPED_TRACE(name);
        std::string body = readFile(f.path());
        ++seen;
        if (name.rfind("bad-", 0) == 0) {
            decodeError(body);
            continue;
        }
        ASSERT_EQ(0u, name.rfind("ok-", 0));
        std::string got = summary(decodeRequest(body));
        auto row = kSeedSummaries.find(name);
        if (row == kSeedSummaries.end()) continue;
        EXPECT_EQ(row->second, got);
        ++summarised;
    }
    EXPECT_EQ(kSeedSummaries.size(), summarised);
    EXPECT_GE(seen, 10u);
}

TEST(DecodeRequest, DefaultsAndOddShapes) {
    const std::string cls = iparam("ClassName", "<CLASSNAME NAME=\"C\"/>");
    const std::string name = iparam("InstanceName", chassisName());
    const std::string gi = "4711 GetInstance root/cimv2 class= flags=1000";
    const std::string tag(100000, 'k');
    struct Row {
        std::string body, expected;
    } rows[] = {
        // Absent or NULL flags take each method's defaults.
        {imethod("EnumerateInstances", cls), "4711 EnumerateInstances root/cimv2 class=C flags=1100"},
        {imethod("EnumerateInstances", cls + iparam("DeepInheritance", "") + iparam("LocalOnly", "")), "4711 EnumerateInstances root/cimv2 class=C flags=1100"},
        {imethod("GetClass", cls), "4711 GetClass root/cimv2 class=C flags=1010"},
        {imethod("EnumerateClassNames", ""), "4711 EnumerateClassNames root/cimv2 class= flags=1000"},
        // An empty PropertyList asks for no properties, a NULL one for all.
        {imethod("GetInstance", name + iparam("PropertyList", "<VALUE.ARRAY></VALUE.ARRAY>")), gi + " list= name=" + kChassisKeys},
        {imethod("GetInstance", name + iparam("PropertyList", "")), gi + " name=" + kChassisKeys},
        // Parameters the method does not define, and unknown ones, are skipped unread.
        {imethod("GetInstance", name + cls + iparam("DeepInheritance", "<VALUE>maybe</VALUE>") + iparam("FutureThing", "<INSTANCE CLASSNAME=\"X\"/>")), gi + " name=" + kChassisKeys},
        // An unknown intrinsic method is the caller's to refuse.
        {imethod("ExecQuery", iparam("Query", "<VALUE>x</VALUE>")), "4711 ExecQuery root/cimv2 class= flags=1000"},
        {getInstanceWith(chassisName(tag)), gi + " name=root/cimv2:QVX_Z64Chassis{Tag=string \"" + tag + "\";}"},
        // A static method on a class path.
        {message("<SIMPLEREQ><METHODCALL NAME=\"Rescan\"><LOCALCLASSPATH><LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/><NAMESPACE NAME=\"cimv2\"/></LOCALNAMESPACEPATH><CLASSNAME NAME=\"QVX_Z64Chassis\"/></LOCALCLASSPATH></METHODCALL></SIMPLEREQ>"), "1 extrinsic Rescan root/cimv2 class=QVX_Z64Chassis flags=1000 target=root/cimv2:QVX_Z64Chassis{}"},
    };
    for (const Row& row : rows) EXPECT_EQ(row.expected, summary(decodeRequest(row.body)));
}

TEST(DecodeRequest, TypedValues) {
    struct Row {
        std::string xml, expected;
    } keyRows[] = {
        {"<KEYVALUE VALUETYPE=\"string\"> 7 </KEYVALUE>", "string \" 7 \""},
        {"<KEYVALUE>no VALUETYPE is string</KEYVALUE>", "string \"no VALUETYPE is string\""},
        {"<KEYVALUE VALUETYPE=\"numeric\">42</KEYVALUE>", "uint64 42"},
        {"<KEYVALUE VALUETYPE=\"numeric\">-42</KEYVALUE>", "sint64 -42"},
        {"<KEYVALUE VALUETYPE=\"numeric\">0x1F</KEYVALUE>", "uint64 31"},
        {"<KEYVALUE VALUETYPE=\"numeric\">2.5</KEYVALUE>", "real64 2.5"},
        {"<KEYVALUE VALUETYPE=\"numeric\" TYPE=\"sint64\">-9223372036854775808</KEYVALUE>", "sint64 -9223372036854775808"},
        {"<KEYVALUE VALUETYPE=\"numeric\" TYPE=\"uint64\">18446744073709551615</KEYVALUE>", "uint64 18446744073709551615"},
        {"<KEYVALUE VALUETYPE=\"boolean\">false</KEYVALUE>", "boolean false"},
        {"<KEYVALUE VALUETYPE=\"boolean\" TYPE=\"boolean\">True</KEYVALUE>", "boolean true"},
        {"<KEYVALUE VALUETYPE=\"string\" TYPE=\"datetime\">20230514120000.000000+060</KEYVALUE>", "datetime \"20230514120000.000000+060\""},
        {"<KEYVALUE>a&lt;b &amp; &#x47;r&#252;&#xDF;e</KEYVALUE>", "string \"a<b & Gr\xC3\xBC\xC3\x9F" "e\""},
    };
    for (const Row& row : keyRows) {
        CimRequest r = decodeRequest(keys("<KEYBINDING NAME=\"K\">" + row.xml + "</KEYBINDING>"));
        EXPECT_EQ(row.expected, typed(r.instanceName.getKeyValue("K"))) << row.xml;
    }
    struct PropertyRow {
        const char *type, *text, *expected;
    } propertyRows[] = {
        {"uint16", " 65535 ", "uint16 65535"},
        {"sint32", "+17", "sint32 17"},
        {"sint64", "-0", "sint64 0"},
        {"real32", "1.5", "real32 1.5"},
        {"real64", "-2.5e3", "real64 -2500"},
        {"boolean", " fAlSe ", "boolean false"},
        {"string", "  spaced  ", "string \"  spaced  \""},
        {"datetime", "00000001020304.000005:000", "datetime \"00000001020304.000005:000\""},
    };
    for (const PropertyRow& row : propertyRows) {
        CimRequest r = decodeRequest(props(std::string("<PROPERTY NAME=\"P\" TYPE=\"") + row.type +
                                           "\"><VALUE>" + row.text + "</VALUE></PROPERTY>"));
        EXPECT_EQ(row.expected, typed(r.instance.getPropertyValue("P"))) << row.type;
    }
}

// ------------------------------------------------------------ refused bodies

struct Refusal {
    std::string body;
    std::string code;
    std::string description;  // exact, or a prefix when it ends in "..."
};

void expectRefusals(const std::vector<Refusal>& rows) {
    for (const Refusal& row : rows) {
        SCOPED_TRACE(row.description);
        CimXmlError e = decodeError(row.body);
        EXPECT_EQ(row.code, e.httpStatus ? std::to_string(e.httpStatus) + " " + e.cimError
                                          : std::to_string(e.code));
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

std::string nested(int depth) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) open += "<A>", close += "</A>";
    return open + close;
}

TEST(DecodeRequest, HostileAndMalformedBodies) {
    std::string huge = imethod("X", std::string(kCimXmlMaxBodyBytes, ' '));
    std::string laughs =
        "<!DOCTYPE CIM [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
        "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\">&d;&d;&d;&d;&d;&d;&d;&d;</CIM>";
    const std::string doctype = "DOCTYPE declarations are not accepted";
    const std::string notXml = "request is not well-formed XML (line 5): ...";
    expectRefusals({
        // The client pastes values unescaped: OwnerName="a<b & c".
        {readFile(std::string(QVX_CIMXML_CORPUS) + "/bad-mi-unescaped.xml"), kNotWellFormed, notXml},
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE CIM [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n" + imethod("GetInstance", iparam("InstanceName", chassisName("&x;"))).substr(sizeof kXmlDecl - 1), kNotXml, doctype},
        {laughs, kNotXml, doctype},
        {"<!DOCTYPE CIM SYSTEM \"http://127.0.0.1/cim.dtd\"><CIM/>", kNotXml, doctype},
        {nested(10000), kNotXml, "elements nested deeper than 64 levels"},
        {nested(64), kNotXml, "the root element is A, not CIM"},
        {huge, kInvalid, "request body of " + std::to_string(huge.size()) + " bytes exceeds the limit of 1048576"},
        {keys("<KEYBINDING NAME=\"" + std::string(100000, 'N') + "\"><KEYVALUE>v</KEYVALUE></KEYBINDING>"), kInvalid, "KEYBINDING NAME longer than 256 bytes"},
        {imethod("GetClass", iparam("ClassName", "<CLASSNAME NAME=\"" + std::string(100000, 'C') + "\"/>")), kInvalid, "CLASSNAME NAME longer than 256 bytes"},
        {imethod("GetClass", iparam("ClassName", "<" + std::string(40000, 'E') + "/>")), kInvalid, "expected CLASSNAME, found \"" + std::string(64, 'E') + "...\" (40000 bytes)"},
        {"", kNotXml, "request is not well-formed XML..."},
        {"GET / HTTP/1.1", kNotXml, "request is not well-formed XML (line 1): ..."},
        {getInstanceWith(chassisName("&nbsp;")), kNotWellFormed, notXml},
        {getInstanceWith(chassisName("\xC3\x28")), kNotWellFormed, notXml},  // bad UTF-8
        {imethod("GetInstance", "<x:IPARAMVALUE NAME=\"A\"/>"), kNotWellFormed, notXml},
    });
}

TEST(DecodeRequest, WrongStructure) {
    expectRefusals({
        {std::string(kXmlDecl) + "<CIMX/>", kNotXml, "the root element is CIMX, not CIM"},
        {"<CIM DTDVERSION=\"2.0\"/>", kNotXml, "CIM without CIMVERSION"},
        {"<CIM CIMVERSION=\"3.0\" DTDVERSION=\"2.0\"/>", "501 unsupported-cim-version", "CIMVERSION \"3.0\" is not supported"},
        {framed(""), kNotXml, "CIM must hold one MESSAGE"},
        {framed("<MESSAGE PROTOCOLVERSION=\"1.0\"><SIMPLEREQ/></MESSAGE>"), kNotXml, "MESSAGE without ID"},
        {framed("<MESSAGE ID=\"1\" PROTOCOLVERSION=\"2.0\"><SIMPLEREQ/></MESSAGE>"), "501 unsupported-protocol-version", "PROTOCOLVERSION \"2.0\" is not supported"},
        {message("<MULTIREQ/>"), "501 multiple-requests-unsupported", "multiple requests (MULTIREQ) are not supported"},
        {message("<SIMPLEREQ>\n</SIMPLEREQ>"), kNotXml, "SIMPLEREQ holds no IMETHODCALL or METHODCALL"},
        {message("<SIMPLERSP/>"), kNotXml, "MESSAGE must hold one SIMPLEREQ"},
        {message("<SIMPLEREQ><IMETHODCALL><LOCALNAMESPACEPATH><NAMESPACE NAME=\"root\"/></LOCALNAMESPACEPATH></IMETHODCALL></SIMPLEREQ>"), kNotXml, "IMETHODCALL without NAME"},
        {imethod("Get Instance", ""), kNotXml, "IMETHODCALL NAME \"Get Instance\" is not a CIM name"},
        {message("<SIMPLEREQ><IMETHODCALL NAME=\"GetClass\"></IMETHODCALL></SIMPLEREQ>"), kNotXml, "IMETHODCALL GetClass must start with LOCALNAMESPACEPATH"},
        {message("<SIMPLEREQ><IMETHODCALL NAME=\"GetClass\"><LOCALNAMESPACEPATH><NAMESPACE/></LOCALNAMESPACEPATH></IMETHODCALL></SIMPLEREQ>"), kNotXml, "NAMESPACE without NAME"},
        {imethod("GetClass", "oops"), kNotXml, "unexpected text in IMETHODCALL"},
        {imethod("GetClass", "<IPARAMVALUE></IPARAMVALUE>"), kInvalid, "IPARAMVALUE without NAME"},
        {message("<SIMPLEREQ><METHODCALL NAME=\"M\"></METHODCALL></SIMPLEREQ>"), kNotXml, "METHODCALL M without LOCALINSTANCEPATH or LOCALCLASSPATH"},
    });
}

TEST(DecodeRequest, WrongParameters) {
    const std::string name = iparam("InstanceName", chassisName());
    auto gi = [&](const std::string& more) { return imethod("GetInstance", name + more); };
    auto key = [](const std::string& kv) {
        return keys("<KEYBINDING NAME=\"N\"><KEYVALUE " + kv + "</KEYVALUE></KEYBINDING>");
    };
    expectRefusals({
        {imethod("EnumerateInstances", ""), kInvalid, "EnumerateInstances needs the ClassName parameter"},
        {imethod("GetClass", iparam("ClassName", "")), kInvalid, "GetClass needs the ClassName parameter"},
        {imethod("DeleteInstance", ""), kInvalid, "DeleteInstance needs the InstanceName parameter"},
        {imethod("ModifyInstance", ""), kInvalid, "ModifyInstance needs the ModifiedInstance parameter"},
        {imethod("CreateInstance", ""), kInvalid, "CreateInstance needs the NewInstance parameter"},
        {imethod("GetInstance", iparam("InstanceName", "<CLASSNAME NAME=\"C\"/>")), kInvalid, "expected INSTANCENAME, found CLASSNAME"},
        {gi(iparam("LocalOnly", "<VALUE>yes</VALUE>")), kInvalid, "IPARAMVALUE LocalOnly: \"yes\" is not a boolean"},
        {gi(iparam("LocalOnly", "<VALUE.ARRAY></VALUE.ARRAY>")), kInvalid, "expected VALUE, found VALUE.ARRAY"},
        {gi(iparam("localonly", "<VALUE>true</VALUE>") + iparam("LocalOnly", "<VALUE>true</VALUE>")), kInvalid, "IPARAMVALUE LocalOnly given twice"},
        {imethod("GetInstance", iparam("InstanceName", chassisName() + chassisName())), kInvalid, "IPARAMVALUE InstanceName holds more than one value"},
        {gi(iparam("PropertyList", "<VALUE>Tag</VALUE>")), kInvalid, "expected VALUE.ARRAY, found VALUE"},
        {gi(iparam("PropertyList", "<VALUE.ARRAY><VALUE>a,b</VALUE></VALUE.ARRAY>")), kInvalid, "IPARAMVALUE PropertyList: \"a,b\" is not a property name"},
        {keys("<KEYBINDING NAME=\"K\"><KEYVALUE>1</KEYVALUE></KEYBINDING><KEYBINDING NAME=\"k\"><KEYVALUE>2</KEYVALUE></KEYBINDING>"), kInvalid, "INSTANCENAME C: key k given twice"},
        {keys("<KEYBINDING><KEYVALUE>1</KEYVALUE></KEYBINDING>"), kInvalid, "KEYBINDING without NAME"},
        {getInstanceWith("<INSTANCENAME></INSTANCENAME>"), kInvalid, "INSTANCENAME without CLASSNAME"},
        {keys("<KEYVALUE>1</KEYVALUE>"), kNotSupported, "INSTANCENAME C: a key without KEYBINDING is not supported"},
        {keys("<KEYBINDING NAME=\"R\"><VALUE.REFERENCE></VALUE.REFERENCE></KEYBINDING>"), kNotSupported, "key R: reference keys are not supported"},
        {key("VALUETYPE=\"numeric\">12abc"), kInvalid, "key N: \"12abc\" is not a valid uint64"},
        {key("VALUETYPE=\"numeric\" TYPE=\"string\">1"), kInvalid, "key N: TYPE string does not go with VALUETYPE numeric"},
        {key("VALUETYPE=\"numeric\" TYPE=\"uint8\">256"), kInvalid, "key N: \"256\" is not a valid uint8"},
        {key("VALUETYPE=\"number\">1"), kInvalid, "key N: unknown VALUETYPE \"number\""},
        {key("><b>1</b>"), kInvalid, "KEYVALUE may hold text only"},
    });
}

TEST(DecodeRequest, WrongInstances) {
    auto p = [](const std::string& type, const std::string& value) {
        return props("<PROPERTY NAME=\"P\" TYPE=\"" + type + "\"><VALUE>" + value + "</VALUE></PROPERTY>");
    };
    expectRefusals({
        {p("uint16", "70000"), kInvalid, "property P: \"70000\" is not a valid uint16"},
        {p("uint64", "18446744073709551616"), kInvalid, "property P: \"18446744073709551616\" is not a valid uint64"},
        {p("real32", "1e39"), kInvalid, "property P: \"1e39\" is not a valid real32"},
        {p("real64", "inf"), kInvalid, "property P: \"inf\" is not a valid real64"},
        {p("boolean", "1"), kInvalid, "property P: \"1\" is not a boolean"},
        {p("datetime", "2023051412000x.000000+060"), kInvalid, "property P: \"2023051412000x.000000+060\" is not a valid datetime"},
        {p("datetime", "00000001020304.000005:060"), kInvalid, "property P: \"00000001020304.000005:060\" is not a valid datetime"},  // an interval with an offset
        {props("<PROPERTY.ARRAY NAME=\"A\" TYPE=\"uint8\"><VALUE.ARRAY><VALUE>1</VALUE><VALUE>x</VALUE></VALUE.ARRAY></PROPERTY.ARRAY>"), kInvalid, "property A: \"x\" is not a valid uint8"},
        {props("<PROPERTY.ARRAY NAME=\"A\" TYPE=\"uint8\"><VALUE.ARRAY><VALUE.NULL/></VALUE.ARRAY></PROPERTY.ARRAY>"), kNotSupported, "property A: NULL array elements are not supported"},
        {props("<PROPERTY NAME=\"A\" TYPE=\"uint8\"><VALUE.ARRAY></VALUE.ARRAY></PROPERTY>"), kInvalid, "PROPERTY A may hold QUALIFIERs and one VALUE, not VALUE.ARRAY"},
        {props("<PROPERTY NAME=\"A\" TYPE=\"string\"><VALUE>1</VALUE><VALUE>2</VALUE></PROPERTY>"), kInvalid, "PROPERTY A may hold QUALIFIERs and one VALUE, not VALUE"},
        {props("<PROPERTY NAME=\"A\"><VALUE>1</VALUE></PROPERTY>"), kInvalid, "PROPERTY without TYPE"},
        {p("int", "1"), kInvalid, "property P: unknown PROPERTY type \"int\""},
        {p("char16", "x"), kNotSupported, "property P: values of type char16 are not supported"},
        {props("<PROPERTY NAME=\"A\" TYPE=\"string\" EMBEDDEDOBJECT=\"object\"></PROPERTY>"), kNotSupported, "property A: embedded objects are not supported"},
        {props("<PROPERTY.REFERENCE NAME=\"Owner\"></PROPERTY.REFERENCE>"), kNotSupported, "property \"Owner\": reference properties (PROPERTY.REFERENCE) are not supported"},
        {props("<PROPERTY NAME=\"A\" TYPE=\"string\"></PROPERTY><PROPERTY NAME=\"a\" TYPE=\"string\"></PROPERTY>"), kInvalid, "INSTANCE QVX_Z64Chassis: property a given twice"},
        {modifyWith("<INSTANCE CLASSNAME=\"Other\"></INSTANCE>"), kInvalid, "IPARAMVALUE ModifiedInstance: INSTANCENAME of class QVX_Z64Chassis names an INSTANCE of class Other"},
        {imethod("ModifyInstance", iparam("ModifiedInstance", "<VALUE.NAMEDINSTANCE>" + chassisName() + "</VALUE.NAMEDINSTANCE>")), kInvalid, "IPARAMVALUE ModifiedInstance: VALUE.NAMEDINSTANCE needs INSTANCENAME and INSTANCE"},
        {props("<METHOD NAME=\"M\"/>"), kInvalid, "unexpected METHOD in INSTANCE QVX_Z64Chassis"},
    });
}

std::string cmWith(const std::string& params) {
    std::string body = readFile(std::string(QVX_CIMXML_CORPUS) + "/ok-cm.xml");
    size_t from = body.find("<PARAMVALUE");
    return body.replace(from, body.find("</METHODCALL>") - from, params);
}

TEST(DecodeRequest, WrongMethodParameters) {
    expectRefusals({
        {cmWith("<PARAMVALUE><VALUE>1</VALUE></PARAMVALUE>"), kInvalid, "PARAMVALUE without NAME"},
        {cmWith("<PARAMVALUE NAME=\"D\" PARAMTYPE=\"uint32\"><VALUE>soon</VALUE></PARAMVALUE>"), kInvalid, "PARAMVALUE D: \"soon\" is not a valid uint32"},
        {cmWith("<PARAMVALUE NAME=\"R\" PARAMTYPE=\"reference\"></PARAMVALUE>"), kNotSupported, "PARAMVALUE R: reference values are not supported"},
        {cmWith("<PARAMVALUE NAME=\"R\"><VALUE.REFERENCE></VALUE.REFERENCE></PARAMVALUE>"), kNotSupported, "PARAMVALUE R: VALUE.REFERENCE values are not supported"},
        {cmWith("<PARAMVALUE NAME=\"P\"></PARAMVALUE><PARAMVALUE NAME=\"p\"></PARAMVALUE>"), kInvalid, "PARAMVALUE p given twice"},
        {cmWith(iparam("P", "")), kInvalid, "expected PARAMVALUE, found IPARAMVALUE"},
    });
}

// What the start of the body told is kept for the error response, even when
// the rest is not XML; an ID that does not read plainly is not guessed at.
TEST(DecodeRequest, ErrorsCarryIdAndMethod) {
    struct Row {
        std::string body, id, method;
        bool extrinsic;
    } rows[] = {
        {readFile(std::string(QVX_CIMXML_CORPUS) + "/bad-mi-unescaped.xml"), "4715", "ModifyInstance", false},
        {cmWith("<PARAMVALUE NAME=\"Owner\"><VALUE>a<b</VALUE></PARAMVALUE>"), "4720", "SetOwner", true},
        {cmWith("<PARAMVALUE NAME=\"D\" PARAMTYPE=\"uint32\"><VALUE>x</VALUE></PARAMVALUE>"), "4720", "SetOwner", true},
        {imethod("EnumerateInstances", "", "77"), "77", "EnumerateInstances", false},
        {"<CIM><MESSAGE ID=\"a&amp;b\" PROTOCOLVERSION=\"1.0\"><", "", "", false},
    };
    for (const Row& row : rows) {
        CimXmlError e = decodeError(row.body);
        EXPECT_EQ(row.id, e.messageId) << e.description;
        EXPECT_EQ(row.method, e.method) << e.description;
        EXPECT_EQ(row.extrinsic, e.extrinsic) << e.description;
    }
}

// ------------------------------------------------------------ responses

CIMInstance smallInstance() {
    CIMInstance inst("QVX_Z64Chassis");
    inst.setProperty("Tag", CIMValue("Chassis"));
    inst.setProperty("UserTracking", CIMValue(UInt16(7)));
    inst.setProperty("CanBeFRUed", CIMValue(true));
    inst.setProperty("ManufactureDate", CIMValue(CIMDateTime(String("20230514120000.000000+060"))));
    inst.setProperty(CIMProperty("OwnerName", CIMDataType(CIMDataType::STRING)));
    inst.setProperty("Model", CIMValue("Z64 <\"rev\" 'B'> & more"));
    Int32Array temps(1, -5);
    temps.push_back(40);
    inst.setProperty("Temperatures", CIMValue(temps));
    return inst;
}

CIMQualifier qualifier(const char* name, const CIMValue& v) {
    CIMQualifier q(name);
    q.setValue(v);
    return q;
}

// A Key-qualified property names the instance in VALUE.NAMEDINSTANCE.
CIMProperty keyProperty(const char* name, const CIMValue& v) {
    CIMProperty p(name, v);
    p.setQualifier(qualifier(CIMQualifier::CIM_QUAL_KEY, CIMValue(true)));
    return p;
}

CIMObjectPath chassisPath() {
    CIMObjectPath p("QVX_Z64Chassis", "root/cimv2");
    p.setKeyValue("Tag", CIMValue("Chassis"));
    p.setKeyValue("Slot", CIMValue(UInt8(3)));
    p.setKeyValue("Spare", CIMValue(false));
    return p;
}

const std::string kChassisNameXml = R"(<INSTANCENAME CLASSNAME="QVX_Z64Chassis"><KEYBINDING NAME="Tag"><KEYVALUE VALUETYPE="string">Chassis</KEYVALUE></KEYBINDING><KEYBINDING NAME="Slot"><KEYVALUE VALUETYPE="numeric">3</KEYVALUE></KEYBINDING><KEYBINDING NAME="Spare"><KEYVALUE VALUETYPE="boolean">false</KEYVALUE></KEYBINDING></INSTANCENAME>)";

const std::string kSmallInstanceXml = R"(<INSTANCE CLASSNAME="QVX_Z64Chassis"><PROPERTY NAME="Tag" TYPE="string" ><VALUE>Chassis</VALUE></PROPERTY><PROPERTY NAME="UserTracking" TYPE="uint16" ><VALUE>7</VALUE></PROPERTY><PROPERTY NAME="CanBeFRUed" TYPE="boolean" ><VALUE>true</VALUE></PROPERTY><PROPERTY NAME="ManufactureDate" TYPE="datetime" ><VALUE>20230514120000.000000+060</VALUE></PROPERTY><PROPERTY NAME="OwnerName" TYPE="string" ></PROPERTY><PROPERTY NAME="Model" TYPE="string" ><VALUE>Z64 &lt;&quot;rev&quot; &apos;B&apos;&gt; &amp; more</VALUE></PROPERTY><PROPERTY.ARRAY NAME="Temperatures" TYPE="sint32" ><VALUE.ARRAY><VALUE>-5</VALUE><VALUE>40</VALUE></VALUE.ARRAY></PROPERTY.ARRAY></INSTANCE>)";

std::string response(const std::string& id, const std::string& inner) {
    return "<?xml version=\"1.0\" ?><CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"" +
           id + "\" PROTOCOLVERSION=\"1.0\"><SIMPLERSP>" + inner + "</SIMPLERSP></MESSAGE></CIM>\r\n";
}

// An intrinsic response holding one return value.
std::string returning(const std::string& id, const std::string& method, const std::string& value) {
    return response(id, "<IMETHODRESPONSE NAME=\"" + method + "\"><IRETURNVALUE>" + value +
                            "</IRETURNVALUE></IMETHODRESPONSE>");
}

TEST(Encode, ExactTexts) {
    CIMParamValueArray out(1, CIMParamValue("Previous", CIMValue("Lab 2")));
    out.push_back(CIMParamValue("Missing"));
    out.push_back(CIMParamValue("Codes", CIMValue(UInt16Array(2, UInt16(1)))));
    CIMInstance nulls("C");  // the declared type names a NULL property
    nulls.setProperty(CIMProperty("N", CIMDataType(CIMDataType::UINT32)));
    nulls.setProperty(CIMProperty("A", CIMDataType(CIMDataType::STRING, 0)));
    nulls.setProperty(CIMProperty("F", CIMDataType(CIMDataType::UINT8, 4)));
    nulls.setProperty(CIMProperty("Untyped"));
    CIMInstance keyed("QVX_Z64Chassis");
    keyed.setProperty(keyProperty("Tag", CIMValue("Chassis")));
    keyed.setProperty(keyProperty("Slot", CIMValue(UInt8(3))));
    keyed.setProperty("Model", CIMValue("Z64"));
    const std::string special = "bad <value> & \"quotes\" 'too'\nGr\xC3\xBC\xC3\x9F" "e";
    struct Row {
        std::string actual, expected;
    } rows[] = {
        {encodeInstance("4713", "GetInstance", smallInstance(), false, false), returning("4713", "GetInstance", kSmallInstanceXml)},
        {encodeInstanceNames("1", "EnumerateInstanceNames", {chassisPath(), chassisPath()}), returning("1", "EnumerateInstanceNames", kChassisNameXml + kChassisNameXml)},
        {encodeInstanceNames("2", "EnumerateInstanceNames", {}), returning("2", "EnumerateInstanceNames", "")},
        {encodeNamedInstances("3", "EnumerateInstances", {keyed, smallInstance()}, false, false), returning("3", "EnumerateInstances", R"(<VALUE.NAMEDINSTANCE><INSTANCENAME CLASSNAME="QVX_Z64Chassis"><KEYBINDING NAME="Tag"><KEYVALUE VALUETYPE="string">Chassis</KEYVALUE></KEYBINDING><KEYBINDING NAME="Slot"><KEYVALUE VALUETYPE="numeric">3</KEYVALUE></KEYBINDING></INSTANCENAME><INSTANCE CLASSNAME="QVX_Z64Chassis"><PROPERTY NAME="Tag" TYPE="string" ><VALUE>Chassis</VALUE></PROPERTY><PROPERTY NAME="Slot" TYPE="uint8" ><VALUE>3</VALUE></PROPERTY><PROPERTY NAME="Model" TYPE="string" ><VALUE>Z64</VALUE></PROPERTY></INSTANCE></VALUE.NAMEDINSTANCE><VALUE.NAMEDINSTANCE><INSTANCENAME CLASSNAME="QVX_Z64Chassis"></INSTANCENAME>)" + kSmallInstanceXml + "</VALUE.NAMEDINSTANCE>")},
        // Qualifiers as the provider set them, when asked for.
        {encodeInstance("3", "GetInstance", keyed, true, false), returning("3", "GetInstance", R"(<INSTANCE CLASSNAME="QVX_Z64Chassis"><PROPERTY NAME="Tag" TYPE="string" ><QUALIFIER NAME="Key" TYPE="boolean" ><VALUE>true</VALUE></QUALIFIER><VALUE>Chassis</VALUE></PROPERTY><PROPERTY NAME="Slot" TYPE="uint8" ><QUALIFIER NAME="Key" TYPE="boolean" ><VALUE>true</VALUE></QUALIFIER><VALUE>3</VALUE></PROPERTY><PROPERTY NAME="Model" TYPE="string" ><VALUE>Z64</VALUE></PROPERTY></INSTANCE>)")},
        {encodeInstanceName("4", "CreateInstance", chassisPath()), returning("4", "CreateInstance", kChassisNameXml)},
        {encodeEmpty("5", "ModifyInstance"), response("5", "<IMETHODRESPONSE NAME=\"ModifyInstance\"></IMETHODRESPONSE>")},
        {encodeValue("5", "GetProperty", CIMValue(CIMNULL)), returning("5", "GetProperty", "")},
        {encodeValue("5", "GetProperty", CIMValue(UInt16Array(2, UInt16(1)))), returning("5", "GetProperty", "<VALUE.ARRAY><VALUE>1</VALUE><VALUE>1</VALUE></VALUE.ARRAY>")},
        {encodeClassNames("6", "EnumerateClassNames", {"QVX_A", "QVX_B"}), returning("6", "EnumerateClassNames", "<CLASSNAME NAME=\"QVX_A\"/><CLASSNAME NAME=\"QVX_B\"/>")},
        {encodeInstance("7", "GetInstance", nulls, false, false), returning("7", "GetInstance", R"(<INSTANCE CLASSNAME="C"><PROPERTY NAME="N" TYPE="uint32" ></PROPERTY><PROPERTY.ARRAY NAME="A" TYPE="string" ></PROPERTY.ARRAY><PROPERTY.ARRAY NAME="F" TYPE="uint8" ARRAYSIZE="4" ></PROPERTY.ARRAY><PROPERTY NAME="Untyped" TYPE="string" ></PROPERTY></INSTANCE>)")},
        {encodeMethodResponse("9", "SetOwner", CIMValue(UInt32(0)), out), response("9", R"(<METHODRESPONSE NAME="SetOwner"><RETURNVALUE><VALUE>0</VALUE></RETURNVALUE><PARAMVALUE NAME="Previous"><VALUE>Lab 2</VALUE></PARAMVALUE><PARAMVALUE NAME="Missing"></PARAMVALUE><PARAMVALUE NAME="Codes"><VALUE.ARRAY><VALUE>1</VALUE><VALUE>1</VALUE></VALUE.ARRAY></PARAMVALUE></METHODRESPONSE>)")},
        {encodeMethodResponse("9", "Reset", CIMValue(CIMNULL), CIMParamValueArray()), response("9", "<METHODRESPONSE NAME=\"Reset\"></METHODRESPONSE>")},
        // Raw UTF-8 and a raw newline; no character reference.
        {encodeError("42", "Reset", true, CIMException::INVALID_PARAMETER, special), "<?xml version=\"1.0\" ?><CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"42\" PROTOCOLVERSION=\"1.0\"><SIMPLERSP>\r\n<METHODRESPONSE NAME=\"Reset\">\r\n<ERROR CODE=\"4\" DESCRIPTION=\"bad " "&lt;value&gt; &amp; &quot;quotes&quot; &apos;too&apos;\nGr\xC3\xBC\xC3\x9F" "e\"></ERROR>\r\n</METHODRESPONSE>\r\n</SIMPLERSP>\r\n</MESSAGE></CIM>\r\n"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.expected, row.actual);
        expectWellFormedResponse(row.actual, "");  // the ID is in the text
    }
    // A parser turns the newline into a space (attribute-value
    // normalisation); everything else comes back as it was.
    Doc doc = readXml(rows[std::size(rows) - 1].actual);
    ASSERT_TRUE(doc);
    std::string expected = special;
    expected[expected.find('\n')] = ' ';
    EXPECT_EQ(expected, attribute(findElement(xmlDocGetRootElement(doc.get()), "ERROR"), "DESCRIPTION"));
}

TEST(Encode, ValueTexts) {
    struct Row {
        CIMValue value;
        const char *type, *text;
    } rows[] = {
        {CIMValue(UInt64(UINT64_MAX)), "uint64", "18446744073709551615"},
        {CIMValue(Int64(INT64_MIN)), "sint64", "-9223372036854775808"},
        {CIMValue(Real32(0.1f)), "real32", "0.100000001"},
        {CIMValue(Real64(0.1)), "real64", "0.10000000000000001"},
        {CIMValue(Real64(1e300)), "real64", "1.0000000000000001e+300"},
        {CIMValue(false), "boolean", "false"},
        {CIMValue(CIMDateTime(String("00000001020304.000005:000"))), "datetime", "00000001020304.000005:000"},
        {CIMValue("tab\there\nnew line"), "string", "tab\there\nnew line"},
        {CIMValue("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80"), "string", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80"},
        // Not UTF-8, or not an XML character: U+FFFD each byte.
        {CIMValue("a\xFF" "b\xC3" "c\x01" "d\xED\xA0\x80"), "string", "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c\xEF\xBF\xBD" "d\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {CIMValue("\xEF\xBF\xBF"), "string", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const Row& row : rows) {
        CIMInstance inst("C");
        inst.setProperty("P", row.value);
        EXPECT_EQ(returning("1", "GetInstance",
                            std::string("<INSTANCE CLASSNAME=\"C\"><PROPERTY NAME=\"P\" TYPE=\"") +
                                row.type + "\" ><VALUE>" + row.text + "</VALUE></PROPERTY></INSTANCE>"),
                  encodeInstance("1", "GetInstance", inst, false, false));
    }
}

// The client's ModifyInstance copies GetInstance's properties byte for byte:
// what we write must read back to the same values.
TEST(Encode, InstanceReadsBackThroughModifyInstance) {
    CIMInstance original = smallInstance();
    Real64Array reals(1, 0.1);
    reals.push_back(-1e-300);
    original.setProperty("Reals", CIMValue(reals));
    original.setProperty("Big", CIMValue(UInt64(UINT64_MAX)));
    original.setProperty("Small", CIMValue(Int64(INT64_MIN)));
    original.setProperty("Float", CIMValue(Real32(3.14159274f)));
    original.setProperty("Text", CIMValue("line 1\nline 2\t<&>\"' Gr\xC3\xBC\xC3\x9F" "e"));
    std::string body = encodeInstance("1", "GetInstance", original, false, false);
    size_t from = body.find("<INSTANCE ");
    CimRequest r = decodeRequest(modifyWith(body.substr(from, body.find("</INSTANCE>") + 11 - from)));
    CIMPropertyArray expected = original.getProperties(), actual = r.instance.getProperties();
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(s(expected[i].getName()), s(actual[i].getName()));
        EXPECT_EQ(expected[i].getValue(), actual[i].getValue()) << s(actual[i].getValue().toString());
        EXPECT_EQ(expected[i].getDataType().getType(), actual[i].getDataType().getType());
    }
}

TEST(Encode, ClassWithFlags) {
    CIMClass cls("QVX_Z64Chassis");
    cls.setSuperClass("CIM_Chassis");
    cls.addQualifier(qualifier("Description", CIMValue("A chassis")));
    CIMProperty tag("Tag", CIMDataType(CIMDataType::STRING));
    tag.setQualifier(qualifier(CIMQualifier::CIM_QUAL_KEY, CIMValue(true)));
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
    const std::string open = R"(<CLASS NAME="QVX_Z64Chassis" SUPERCLASS="CIM_Chassis">)";
    const std::string tagPlain = R"(<PROPERTY NAME="Tag" TYPE="string" ></PROPERTY>)";
    const std::string ownerPlain = R"(<PROPERTY NAME="OwnerName" TYPE="string" ></PROPERTY>)";
    const std::string slotsPlain = R"(<PROPERTY.ARRAY NAME="Slots" TYPE="uint16" ><VALUE.ARRAY><VALUE>1</VALUE><VALUE>1</VALUE></VALUE.ARRAY></PROPERTY.ARRAY>)";
    QualifierFlavorTable flavors;
    flavors["key"].overridable = false;
    flavors["description"].translatable = true;
    flavors["write"].toSubclass = false;
    std::vector<std::string> list = {"slots", "Unknown", "TAG"}, none;
    struct Row {
        bool localOnly, qualifiers, origin;
        const std::vector<std::string>* list;
        std::string expected;
    } rows[] = {
        {false, false, false, nullptr, open + tagPlain + ownerPlain + slotsPlain},
        // The class's own properties name it as their origin.
        {false, true, true, nullptr, open + R"(<QUALIFIER NAME="Description" TYPE="string" TRANSLATABLE="true" ><VALUE>A chassis</VALUE></QUALIFIER><PROPERTY NAME="Tag" TYPE="string" CLASSORIGIN="CIM_PhysicalElement" PROPAGATED="true" ><QUALIFIER NAME="Key" TYPE="boolean" OVERRIDABLE="false" ><VALUE>true</VALUE></QUALIFIER></PROPERTY><PROPERTY NAME="OwnerName" TYPE="string" CLASSORIGIN="QVX_Z64Chassis" ><QUALIFIER NAME="Write" TYPE="boolean" TOSUBCLASS="false" ><VALUE>true</VALUE></QUALIFIER></PROPERTY><PROPERTY.ARRAY NAME="Slots" TYPE="uint16" CLASSORIGIN="QVX_Z64Chassis" ><VALUE.ARRAY><VALUE>1</VALUE><VALUE>1</VALUE></VALUE.ARRAY></PROPERTY.ARRAY>)"},
        {true, false, false, nullptr, open + ownerPlain + slotsPlain},  // drops what the superclass brought
        {false, false, false, &list, open + tagPlain + slotsPlain},
        {false, false, false, &none, open},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(returning("1", "GetClass", row.expected + "</CLASS>"),
                  encodeClass("1", "GetClass", cls, row.localOnly, row.qualifiers, row.origin, row.list, flavors));
    }
}

}  // namespace
