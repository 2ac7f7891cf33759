#include "CimXml.hpp"
#include "CimXmlTypes.hpp"

#include "OW_Bool.hpp"
#include "OW_CIMDataType.hpp"
#include "OW_CIMDateTime.hpp"
#include "OW_CIMMethod.hpp"
#include "OW_CIMParameter.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_Exception.hpp"

#include <expat.h>

#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <utility>

namespace qvx_cimom {

using namespace OpenWBEM;

CimXmlError::CimXmlError(CIMException::ErrNoType c, const std::string& d)
    : std::runtime_error(d), code(c), description(d) {}

CimXmlError::CimXmlError(int status, const char* header, const std::string& d)
    : std::runtime_error(d),
      code(CIMException::FAILED),
      description(d),
      httpStatus(status),
      cimError(header) {}

namespace {

using cimxml::withValueType;

typedef CIMException::ErrNoType Code;

// ---------------------------------------------------------------- common

std::string str(const String& s) {
    return std::string(s.c_str(), s.length());
}
String owString(const std::string& s) {
    return String(s.c_str(), s.size());
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool iequals(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

std::string lower(std::string s) {
    for (char& c : s) c = lowerAscii(c);
    return s;
}

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && isXmlSpace(s[b])) ++b;
    while (e > b && isXmlSpace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// ---------------------------------------------------------------- decoding

[[noreturn]] void fail(Code code, const std::string& text) {
    throw CimXmlError(code, text);
}
[[noreturn]] void bad(const std::string& text) {
    fail(CIMException::INVALID_PARAMETER, text);
}
[[noreturn]] void unsupported(const std::string& text) {
    fail(CIMException::NOT_SUPPORTED, text);
}
// Not a CIM-XML request at all: refused on the HTTP level.
[[noreturn]] void notLooselyValid(const std::string& text) {
    throw CimXmlError(400, "request-not-loosely-valid", text);
}

// Input quoted in an error text, cut short on a character boundary.
std::string quote(const std::string& s) {
    const size_t kMax = 64;
    if (s.size() <= kMax) return "\"" + s + "\"";
    size_t n = kMax;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return "\"" + s.substr(0, n) + "...\" (" + std::to_string(s.size()) + " bytes)";
}

// A CIM identifier: a letter or '_' first, then letters, digits and '_';
// bytes of non-ASCII UTF-8 characters count as letters.
bool isIdentifier(const std::string& s) {
    if (s.empty() || s.size() > kCimXmlMaxNameBytes) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        bool ok = c >= 0x80 || c == '_' || std::isalpha(c) || (i > 0 && std::isdigit(c));
        if (!ok) return false;
    }
    return true;
}

// ---- the request as a tree

// Expat joins a namespace URI, the local name and the prefix with this.
const char kNsSeparator = '\x01';

// An element: its name, attributes, element children and the character data
// directly inside it. Comments and processing instructions are dropped.
struct Node {
    const char* name = "";
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<const Node*> elements;
    std::string text;
};

bool isNamed(const Node* n, const char* name) {
    return std::strcmp(n->name, name) == 0;
}

// For error texts: a name in a namespace as prefix:local.
std::string elementName(const Node* n) {
    std::string s(n->name);
    std::string::size_type local = s.find(kNsSeparator);
    if (local != std::string::npos) {
        std::string::size_type prefix = s.find(kNsSeparator, local + 1);
        std::string name =
            s.substr(local + 1, prefix == std::string::npos ? prefix : prefix - local - 1);
        s = prefix == std::string::npos ? name : s.substr(prefix + 1) + ":" + name;
    }
    return s.size() > 64 ? quote(s) : s;
}

// The element children, refusing text other than white space between them.
const std::vector<const Node*>& children(const Node* n) {
    for (char c : n->text) {
        if (!isXmlSpace(c)) bad("unexpected text in " + elementName(n));
    }
    return n->elements;
}

// The text of an element that may hold text only.
const std::string& textOf(const Node* n) {
    if (!n->elements.empty()) bad(elementName(n) + " may hold text only");
    return n->text;
}

bool attr(const Node* n, const char* name, std::string& out) {
    for (const auto& a : n->attributes) {
        if (a.first == name) {
            out = a.second;
            return true;
        }
    }
    return false;
}

std::string requiredAttr(const Node* n, const char* name) {
    std::string v;
    if (!attr(n, name, v)) bad(elementName(n) + " without " + name);
    return v;
}

// A NAME-like attribute that must be a CIM identifier.
std::string nameAttr(const Node* n, const char* name) {
    std::string v = requiredAttr(n, name);
    if (v.size() > kCimXmlMaxNameBytes) {
        bad(elementName(n) + " " + name + " longer than " + std::to_string(kCimXmlMaxNameBytes) +
            " bytes");
    }
    if (!isIdentifier(v)) bad(elementName(n) + " " + name + " " + quote(v) + " is not a CIM name");
    return v;
}

void expectElement(const Node* n, const char* name) {
    if (!isNamed(n, name)) bad("expected " + std::string(name) + ", found " + elementName(n));
}

// ---- scalar values

bool parseInteger(const std::string& s, bool& negative, uint64_t& magnitude) {
    size_t i = 0;
    negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    unsigned base = 10;
    if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size()) return false;
    magnitude = 0;
    for (; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        unsigned d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (base == 16 && std::isxdigit(c)) {
            d = static_cast<unsigned>(std::tolower(c) - 'a' + 10);
        } else {
            return false;
        }
        if (magnitude > (std::numeric_limits<uint64_t>::max() - d) / base) return false;
        magnitude = magnitude * base + d;
    }
    return true;
}

template <class T>
CIMValue integerValue(const std::string& text, const std::string& what, const char* type) {
    bool negative = false;
    uint64_t m = 0;
    std::string s = trim(text);
    bool ok = parseInteger(s, negative, m);
    T value = 0;
    if (ok && std::numeric_limits<T>::is_signed) {
        const uint64_t maxPos = static_cast<uint64_t>(std::numeric_limits<T>::max());
        if (!negative) {
            ok = m <= maxPos;
            value = static_cast<T>(m);
        } else {
            ok = m <= maxPos + 1;
            if (ok) value = m == 0 ? 0 : static_cast<T>(-static_cast<int64_t>(m - 1) - 1);
        }
    } else if (ok) {
        ok = (!negative || m == 0) && m <= static_cast<uint64_t>(std::numeric_limits<T>::max());
        value = static_cast<T>(m);
    }
    if (!ok) bad(what + ": " + quote(text) + " is not a valid " + type);
    return CIMValue(value);
}

CIMValue realValue(const std::string& text, const std::string& what, bool single) {
    std::string s = trim(text);
    const char* type = single ? "real32" : "real64";
    size_t start = (!s.empty() && s[0] == '+') ? 1 : 0;
    bool plain = start < s.size();
    for (size_t i = start; i < s.size(); ++i) {
        char c = s[i];
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == 'e' || c == 'E' ||
              c == '+' || c == '-')) {
            plain = false;
        }
    }
    double v = 0;
    if (plain) {
        const char* b = s.data() + start;
        const char* e = s.data() + s.size();
        std::from_chars_result r = std::from_chars(b, e, v);
        plain = r.ec == std::errc() && r.ptr == e && std::isfinite(v);
    }
    if (plain && single) plain = std::fabs(v) <= FLT_MAX;
    if (!plain) bad(what + ": " + quote(text) + " is not a valid " + type);
    if (single) return CIMValue(static_cast<OpenWBEM::Real32>(v));
    return CIMValue(static_cast<OpenWBEM::Real64>(v));
}

// "yyyymmddhhmmss.mmmmmmsutc" or "ddddddddhhmmss.mmmmmm:000", digits checked:
// the object model reads them without checking.
CIMValue dateTimeValue(const std::string& text, const std::string& what) {
    std::string s = trim(text);
    bool ok = s.size() == 25 && s[14] == '.' && (s[21] == '+' || s[21] == '-' || s[21] == ':');
    for (size_t i = 0; ok && i < s.size(); ++i) {
        if (i == 14 || i == 21) continue;
        ok = std::isdigit(static_cast<unsigned char>(s[i])) != 0;
    }
    if (ok && s[21] == ':') ok = s.compare(22, 3, "000") == 0;
    if (!ok) bad(what + ": " + quote(text) + " is not a valid datetime");
    return CIMValue(CIMDateTime(owString(s)));
}

CIMValue booleanValue(const std::string& text, const std::string& what) {
    std::string s = trim(text);
    if (iequals(s, "true")) return CIMValue(true);
    if (iequals(s, "false")) return CIMValue(false);
    bad(what + ": " + quote(text) + " is not a boolean");
}

CIMValue scalarValue(CIMDataType::Type t, const std::string& text, const std::string& what) {
    switch (t) {
        case CIMDataType::STRING:
            return CIMValue(owString(text));
        case CIMDataType::BOOLEAN:
            return booleanValue(text, what);
        case CIMDataType::UINT8:
            return integerValue<OpenWBEM::UInt8>(text, what, "uint8");
        case CIMDataType::SINT8:
            return integerValue<OpenWBEM::Int8>(text, what, "sint8");
        case CIMDataType::UINT16:
            return integerValue<OpenWBEM::UInt16>(text, what, "uint16");
        case CIMDataType::SINT16:
            return integerValue<OpenWBEM::Int16>(text, what, "sint16");
        case CIMDataType::UINT32:
            return integerValue<OpenWBEM::UInt32>(text, what, "uint32");
        case CIMDataType::SINT32:
            return integerValue<OpenWBEM::Int32>(text, what, "sint32");
        case CIMDataType::UINT64:
            return integerValue<OpenWBEM::UInt64>(text, what, "uint64");
        case CIMDataType::SINT64:
            return integerValue<OpenWBEM::Int64>(text, what, "sint64");
        case CIMDataType::REAL32:
            return realValue(text, what, true);
        case CIMDataType::REAL64:
            return realValue(text, what, false);
        case CIMDataType::DATETIME:
            return dateTimeValue(text, what);
        default:
            break;
    }
    unsupported(what + ": values of type " + str(CIMDataType(t).toString()) + " are not supported");
}

template <class T>
CIMValue typedArray(const std::vector<CIMValue>& items) {
    Array<T> a;
    for (const CIMValue& v : items) {
        T x;
        v.get(x);
        a.push_back(x);
    }
    return CIMValue(a);
}

CIMValue arrayValue(CIMDataType::Type t, const std::vector<CIMValue>& items,
                    const std::string& what) {
    CIMValue array(CIMNULL);
    bool plain = withValueType(
        t, [&](auto tag) { array = typedArray<typename decltype(tag)::type>(items); });
    if (!plain) {
        unsupported(what + ": arrays of type " + str(CIMDataType(t).toString()) +
                    " are not supported");
    }
    return array;
}

// A VALUE.ARRAY of VALUEs, each read as type t.
CIMValue valueArray(const Node* n, CIMDataType::Type t, const std::string& what) {
    expectElement(n, "VALUE.ARRAY");
    std::vector<CIMValue> items;
    for (const Node* v : children(n)) {
        if (isNamed(v, "VALUE.NULL")) unsupported(what + ": NULL array elements are not supported");
        expectElement(v, "VALUE");
        items.push_back(scalarValue(t, textOf(v), what));
    }
    return arrayValue(t, items, what);
}

// A TYPE or PARAMTYPE attribute.
CIMDataType::Type typeAttr(const Node* n, const std::string& text, const std::string& what) {
    if (iequals(text, "reference") || iequals(text, "object")) {
        unsupported(what + ": " + text + " values are not supported");
    }
    CIMDataType::Type t = CIMDataType::strToSimpleType(owString(text));
    if (t == CIMDataType::INVALID)
        bad(what + ": unknown " + elementName(n) + " type " + quote(text));
    return t;
}

void refuseEmbeddedObject(const Node* n, const std::string& what) {
    std::string ignored;
    if (attr(n, "EMBEDDEDOBJECT", ignored))
        unsupported(what + ": embedded objects are not supported");
}

// ---- keys, instances

CIMValue keyValue(const Node* n, const std::string& key) {
    std::string what = "key " + key;
    std::string valueType = "string";
    attr(n, "VALUETYPE", valueType);
    std::string text = textOf(n);
    std::string type;
    bool typed = attr(n, "TYPE", type);
    if (iequals(valueType, "string")) {
        if (!typed) return CIMValue(owString(text));
        CIMDataType::Type t = typeAttr(n, type, what);
        if (t != CIMDataType::STRING && t != CIMDataType::DATETIME && t != CIMDataType::CHAR16) {
            bad(what + ": TYPE " + type + " does not go with VALUETYPE string");
        }
        return scalarValue(t, text, what);
    }
    if (iequals(valueType, "boolean")) {
        if (typed && typeAttr(n, type, what) != CIMDataType::BOOLEAN) {
            bad(what + ": TYPE " + type + " does not go with VALUETYPE boolean");
        }
        return booleanValue(text, what);
    }
    if (iequals(valueType, "numeric")) {
        if (typed) {
            CIMDataType::Type t = typeAttr(n, type, what);
            if (!CIMDataType(t).isNumericType()) {
                bad(what + ": TYPE " + type + " does not go with VALUETYPE numeric");
            }
            return scalarValue(t, text, what);
        }
        // Untyped: the widest integer of its sign, or a real.
        std::string s = trim(text);
        bool hex = s.find_first_of("xX") != std::string::npos;
        if (!hex && s.find_first_of(".eE") != std::string::npos) {
            return realValue(text, what, false);
        }
        if (!s.empty() && s[0] == '-') return integerValue<OpenWBEM::Int64>(text, what, "sint64");
        return integerValue<OpenWBEM::UInt64>(text, what, "uint64");
    }
    bad(what + ": unknown VALUETYPE " + quote(valueType));
}

CIMObjectPath instanceName(const Node* n, const std::string& nameSpace) {
    expectElement(n, "INSTANCENAME");
    std::string cls = nameAttr(n, "CLASSNAME");
    CIMPropertyArray keys;
    std::set<std::string> seen;
    for (const Node* k : children(n)) {
        if (isNamed(k, "KEYVALUE") || isNamed(k, "VALUE.REFERENCE")) {
            unsupported("INSTANCENAME " + cls + ": a key without KEYBINDING is not supported");
        }
        expectElement(k, "KEYBINDING");
        std::string key = nameAttr(k, "NAME");
        if (!seen.insert(lower(key)).second)
            bad("INSTANCENAME " + cls + ": key " + key + " given twice");
        const std::vector<const Node*>& kids = children(k);
        if (kids.size() != 1) bad("KEYBINDING " + key + " must hold exactly one KEYVALUE");
        if (isNamed(kids[0], "VALUE.REFERENCE")) {
            unsupported("key " + key + ": reference keys are not supported");
        }
        expectElement(kids[0], "KEYVALUE");
        keys.push_back(CIMProperty(owString(key), keyValue(kids[0], key)));
    }
    CIMObjectPath path{owString(cls), owString(nameSpace)};
    path.setKeys(keys);
    return path;
}

CIMProperty property(const Node* n) {
    std::string name = nameAttr(n, "NAME");
    std::string what = "property " + name;
    CIMDataType::Type t = typeAttr(n, requiredAttr(n, "TYPE"), what);
    refuseEmbeddedObject(n, what);
    CIMProperty p(owString(name), CIMDataType(t));
    bool haveValue = false;
    for (const Node* c : children(n)) {
        if (isNamed(c, "QUALIFIER")) continue;  // instances' qualifiers are not kept
        if (!isNamed(c, "VALUE") || haveValue) {
            bad("PROPERTY " + name + " may hold QUALIFIERs and one VALUE, not " + elementName(c));
        }
        haveValue = true;
        p.setValue(scalarValue(t, textOf(c), what));
    }
    return p;
}

CIMProperty propertyArray(const Node* n) {
    std::string name = nameAttr(n, "NAME");
    std::string what = "property " + name;
    CIMDataType::Type t = typeAttr(n, requiredAttr(n, "TYPE"), what);
    refuseEmbeddedObject(n, what);
    CIMProperty p(owString(name), CIMDataType(t, 0));
    bool haveValue = false;
    for (const Node* c : children(n)) {
        if (isNamed(c, "QUALIFIER")) continue;
        if (!isNamed(c, "VALUE.ARRAY") || haveValue) {
            bad("PROPERTY.ARRAY " + name + " may hold QUALIFIERs and one VALUE.ARRAY, not " +
                elementName(c));
        }
        haveValue = true;
        p.setValue(valueArray(c, t, what));
    }
    return p;
}

CIMInstance instance(const Node* n) {
    expectElement(n, "INSTANCE");
    std::string cls = nameAttr(n, "CLASSNAME");
    CIMPropertyArray props;
    std::set<std::string> seen;
    for (const Node* c : children(n)) {
        if (isNamed(c, "QUALIFIER")) continue;
        CIMProperty p(CIMNULL);
        if (isNamed(c, "PROPERTY")) {
            p = property(c);
        } else if (isNamed(c, "PROPERTY.ARRAY")) {
            p = propertyArray(c);
        } else if (isNamed(c, "PROPERTY.REFERENCE")) {
            std::string name;
            attr(c, "NAME", name);
            unsupported("property " + quote(name) +
                        ": reference properties (PROPERTY.REFERENCE) are not supported");
        } else {
            bad("unexpected " + elementName(c) + " in INSTANCE " + cls);
        }
        if (!seen.insert(lower(str(p.getName()))).second) {
            bad("INSTANCE " + cls + ": property " + str(p.getName()) + " given twice");
        }
        props.push_back(p);
    }
    CIMInstance inst{owString(cls)};
    inst.setProperties(props);
    return inst;
}

std::string namespacePath(const Node* n) {
    expectElement(n, "LOCALNAMESPACEPATH");
    std::string ns;
    for (const Node* c : children(n)) {
        expectElement(c, "NAMESPACE");
        std::string part = nameAttr(c, "NAME");
        if (!ns.empty()) ns += '/';
        ns += part;
        if (ns.size() > kCimXmlMaxNameBytes) {
            bad("namespace longer than " + std::to_string(kCimXmlMaxNameBytes) + " bytes");
        }
    }
    if (ns.empty()) bad("LOCALNAMESPACEPATH without NAMESPACE");
    return ns;
}

// ---- intrinsic parameters

enum Param : unsigned {
    P_CLASS_NAME = 1u << 0,
    P_INSTANCE_NAME = 1u << 1,
    P_MODIFIED_INSTANCE = 1u << 2,
    P_NEW_INSTANCE = 1u << 3,
    P_LOCAL_ONLY = 1u << 4,
    P_DEEP_INHERITANCE = 1u << 5,
    P_INCLUDE_QUALIFIERS = 1u << 6,
    P_INCLUDE_CLASS_ORIGIN = 1u << 7,
    P_PROPERTY_LIST = 1u << 8,
    P_PROPERTY_NAME = 1u << 9,
    P_NEW_VALUE = 1u << 10,
};

const struct {
    const char* name;
    Param param;
} kParams[] = {
    {"ClassName", P_CLASS_NAME},
    {"InstanceName", P_INSTANCE_NAME},
    {"ModifiedInstance", P_MODIFIED_INSTANCE},
    {"NewInstance", P_NEW_INSTANCE},
    {"LocalOnly", P_LOCAL_ONLY},
    {"DeepInheritance", P_DEEP_INHERITANCE},
    {"IncludeQualifiers", P_INCLUDE_QUALIFIERS},
    {"IncludeClassOrigin", P_INCLUDE_CLASS_ORIGIN},
    {"PropertyList", P_PROPERTY_LIST},
    {"PropertyName", P_PROPERTY_NAME},
    {"NewValue", P_NEW_VALUE},
};

// The parameters each method defines, those it needs, and the defaults of
// its flags (LocalOnly, DeepInheritance, IncludeQualifiers, IncludeClassOrigin).
struct MethodShape {
    const char* name;
    unsigned params;
    unsigned required;
    bool localOnly, deepInheritance, includeQualifiers, includeClassOrigin;
};

const unsigned kRead = P_LOCAL_ONLY | P_INCLUDE_QUALIFIERS | P_INCLUDE_CLASS_ORIGIN;
const MethodShape kMethods[] = {
    {"EnumerateInstanceNames", P_CLASS_NAME, P_CLASS_NAME, true, false, false, false},
    {"EnumerateInstances", P_CLASS_NAME | kRead | P_DEEP_INHERITANCE | P_PROPERTY_LIST,
     P_CLASS_NAME, true, true, false, false},
    {"GetInstance", P_INSTANCE_NAME | kRead | P_PROPERTY_LIST, P_INSTANCE_NAME, true, false, false,
     false},
    {"ModifyInstance", P_MODIFIED_INSTANCE | P_INCLUDE_QUALIFIERS | P_PROPERTY_LIST,
     P_MODIFIED_INSTANCE, true, false, true, false},
    {"CreateInstance", P_NEW_INSTANCE, P_NEW_INSTANCE, true, false, false, false},
    {"DeleteInstance", P_INSTANCE_NAME, P_INSTANCE_NAME, true, false, false, false},
    {"EnumerateClassNames", P_CLASS_NAME | P_DEEP_INHERITANCE, 0, true, false, false, false},
    {"EnumerateClasses", P_CLASS_NAME | kRead | P_DEEP_INHERITANCE, 0, true, false, true, false},
    {"GetClass", P_CLASS_NAME | kRead | P_PROPERTY_LIST, P_CLASS_NAME, true, false, true, false},
    {"GetProperty", P_INSTANCE_NAME | P_PROPERTY_NAME, P_INSTANCE_NAME | P_PROPERTY_NAME, true,
     false, false, false},
    {"SetProperty", P_INSTANCE_NAME | P_PROPERTY_NAME | P_NEW_VALUE,
     P_INSTANCE_NAME | P_PROPERTY_NAME, true, false, false, false},
};

const MethodShape* findMethod(const std::string& name) {
    for (const MethodShape& m : kMethods) {
        if (iequals(name, m.name)) return &m;
    }
    return nullptr;
}

bool boolParam(const Node* value, const std::string& what, bool fallback) {
    if (!value) return fallback;  // NULL: the default
    expectElement(value, "VALUE");
    return booleanValue(textOf(value), what).toBool();
}

void intrinsicParam(const Node* n, const std::string& name, Param p, CimRequest& req) {
    const std::vector<const Node*>& kids = children(n);
    if (kids.size() > 1) bad("IPARAMVALUE " + name + " holds more than one value");
    const Node* v = kids.empty() ? nullptr : kids[0];
    std::string what = "IPARAMVALUE " + name;
    switch (p) {
        case P_CLASS_NAME:
            if (v) {
                expectElement(v, "CLASSNAME");
                req.className = nameAttr(v, "NAME");
            }
            break;
        case P_INSTANCE_NAME:
            if (v) req.instanceName = instanceName(v, req.nameSpace);
            break;
        case P_MODIFIED_INSTANCE:
            if (v) {
                expectElement(v, "VALUE.NAMEDINSTANCE");
                const std::vector<const Node*>& parts = children(v);
                if (parts.size() != 2)
                    bad(what + ": VALUE.NAMEDINSTANCE needs INSTANCENAME and INSTANCE");
                req.instanceName = instanceName(parts[0], req.nameSpace);
                req.instance = instance(parts[1]);
                if (!req.instanceName.getClassName().equalsIgnoreCase(
                        req.instance.getClassName())) {
                    bad(what + ": INSTANCENAME of class " + str(req.instanceName.getClassName()) +
                        " names an INSTANCE of class " + str(req.instance.getClassName()));
                }
            }
            break;
        case P_NEW_INSTANCE:
            if (v) req.instance = instance(v);
            break;
        case P_LOCAL_ONLY:
            req.localOnly = boolParam(v, what, req.localOnly);
            break;
        case P_DEEP_INHERITANCE:
            req.deepInheritance = boolParam(v, what, req.deepInheritance);
            break;
        case P_INCLUDE_QUALIFIERS:
            req.includeQualifiers = boolParam(v, what, req.includeQualifiers);
            break;
        case P_INCLUDE_CLASS_ORIGIN:
            req.includeClassOrigin = boolParam(v, what, req.includeClassOrigin);
            break;
        case P_PROPERTY_LIST:
            if (v) {
                expectElement(v, "VALUE.ARRAY");
                req.hasPropertyList = true;
                for (const Node* e : children(v)) {
                    expectElement(e, "VALUE");
                    std::string prop = trim(textOf(e));
                    if (!isIdentifier(prop))
                        bad(what + ": " + quote(prop) + " is not a property name");
                    req.propertyList.push_back(prop);
                }
            }
            break;
        case P_PROPERTY_NAME:
            if (v) {
                expectElement(v, "VALUE");
                req.propertyName = trim(textOf(v));
                if (!isIdentifier(req.propertyName))
                    bad(what + ": " + quote(req.propertyName) + " is not a property name");
            }
            break;
        case P_NEW_VALUE:
            // Untyped here: the property's declaration gives the type.
            if (v && isNamed(v, "VALUE.ARRAY")) {
                req.newValueArray = true;
                for (const Node* e : children(v)) {
                    expectElement(e, "VALUE");
                    req.newValue.push_back(textOf(e));
                }
            } else if (v) {
                expectElement(v, "VALUE");
                req.newValue.push_back(textOf(v));
            }
            break;
    }
}

// Runs f over a part of the envelope (CIM, MESSAGE, SIMPLEREQ, the call and
// its namespace): a fault there means the body is no CIM-XML request, which
// is refused on the HTTP level; faults in parameters are CIM errors.
template <class F>
void envelope(F f) {
    try {
        f();
    } catch (CimXmlError& e) {
        if (e.httpStatus) throw;
        notLooselyValid(e.description);
    }
}

void intrinsicCall(const Node* call, CimRequest& req) {
    const std::vector<const Node*>* all = nullptr;
    envelope([&] {
        req.method = nameAttr(call, "NAME");
        all = &children(call);
        const std::vector<const Node*>& kids = *all;
        if (kids.empty() || !isNamed(kids[0], "LOCALNAMESPACEPATH")) {
            bad("IMETHODCALL " + req.method + " must start with LOCALNAMESPACEPATH");
        }
        req.nameSpace = namespacePath(kids[0]);
    });
    const std::vector<const Node*>& kids = *all;
    const MethodShape* shape = findMethod(req.method);
    if (shape) {
        req.localOnly = shape->localOnly;
        req.deepInheritance = shape->deepInheritance;
        req.includeQualifiers = shape->includeQualifiers;
        req.includeClassOrigin = shape->includeClassOrigin;
    }
    unsigned given = 0;
    for (size_t i = 1; i < kids.size(); ++i) {
        const Node* k = kids[i];
        if (isNamed(k, "RESPONSEDESTINATION")) unsupported("RESPONSEDESTINATION is not supported");
        expectElement(k, "IPARAMVALUE");
        std::string name = nameAttr(k, "NAME");
        // Parameters the method does not define are ignored, as unknown ones are.
        for (const auto& p : kParams) {
            if (!shape || !(shape->params & p.param) || !iequals(name, p.name)) continue;
            if (given & p.param) bad("IPARAMVALUE " + name + " given twice");
            given |= p.param;
            intrinsicParam(k, name, p.param, req);
        }
    }
    if (!shape) return;
    if ((shape->required & P_CLASS_NAME) && req.className.empty()) {
        bad(req.method + " needs the ClassName parameter");
    }
    if ((shape->required & P_INSTANCE_NAME) && !req.instanceName) {
        bad(req.method + " needs the InstanceName parameter");
    }
    if ((shape->required & P_MODIFIED_INSTANCE) && !req.instance) {
        bad(req.method + " needs the ModifiedInstance parameter");
    }
    if ((shape->required & P_PROPERTY_NAME) && req.propertyName.empty()) {
        bad(req.method + " needs the PropertyName parameter");
    }
    if ((shape->required & P_NEW_INSTANCE) && !req.instance) {
        bad(req.method + " needs the NewInstance parameter");
    }
}

// ---- extrinsic calls

CIMParamValue paramValue(const Node* n) {
    std::string name = nameAttr(n, "NAME");
    std::string what = "PARAMVALUE " + name;
    refuseEmbeddedObject(n, what);
    std::string type;
    CIMDataType::Type t =
        attr(n, "PARAMTYPE", type) ? typeAttr(n, type, what) : CIMDataType::STRING;
    const std::vector<const Node*>& kids = children(n);
    if (kids.empty()) return CIMParamValue(owString(name));
    if (kids.size() > 1) bad(what + " holds more than one value");
    if (isNamed(kids[0], "VALUE")) {
        return CIMParamValue(owString(name), scalarValue(t, textOf(kids[0]), what));
    }
    if (isNamed(kids[0], "VALUE.ARRAY")) {
        return CIMParamValue(owString(name), valueArray(kids[0], t, what));
    }
    unsupported(what + ": " + elementName(kids[0]) + " values are not supported");
}

void extrinsicCall(const Node* call, CimRequest& req) {
    req.extrinsic = true;
    const std::vector<const Node*>* all = nullptr;
    const Node* target = nullptr;
    envelope([&] {
        req.method = nameAttr(call, "NAME");
        all = &children(call);
        const std::vector<const Node*>& kids = *all;
        if (kids.empty())
            bad("METHODCALL " + req.method + " without LOCALINSTANCEPATH or LOCALCLASSPATH");
        target = kids[0];
        if (!isNamed(target, "LOCALINSTANCEPATH") && !isNamed(target, "LOCALCLASSPATH")) {
            bad("METHODCALL " + req.method +
                " must start with LOCALINSTANCEPATH or LOCALCLASSPATH");
        }
        if (children(target).size() != 2)
            bad(elementName(target) + " needs LOCALNAMESPACEPATH and a name");
        req.nameSpace = namespacePath(children(target)[0]);
    });
    const std::vector<const Node*>& kids = *all;
    const Node* name = children(target)[1];
    if (isNamed(target, "LOCALINSTANCEPATH")) {
        req.objectPath = instanceName(name, req.nameSpace);
    } else {
        expectElement(name, "CLASSNAME");
        req.objectPath = CIMObjectPath(owString(nameAttr(name, "NAME")), owString(req.nameSpace));
    }
    req.className = str(req.objectPath.getClassName());
    std::set<std::string> seen;
    for (size_t i = 1; i < kids.size(); ++i) {
        if (isNamed(kids[i], "RESPONSEDESTINATION"))
            unsupported("RESPONSEDESTINATION is not supported");
        expectElement(kids[i], "PARAMVALUE");
        CIMParamValue pv = paramValue(kids[i]);
        if (!seen.insert(lower(str(pv.getName()))).second) {
            bad("PARAMVALUE " + str(pv.getName()) + " given twice");
        }
        req.inParams.push_back(pv);
    }
}

void message(const Node* root, CimRequest& req) {
    if (!isNamed(root, "CIM")) {
        notLooselyValid("the root element is " + elementName(root) + ", not CIM");
    }
    const Node* call = nullptr;
    envelope([&] {
        std::string cimVersion = requiredAttr(root, "CIMVERSION");
        std::string dtdVersion = requiredAttr(root, "DTDVERSION");
        if (cimVersion.compare(0, 2, "2.") != 0) {
            throw CimXmlError(501, "unsupported-cim-version",
                              "CIMVERSION " + quote(cimVersion) + " is not supported");
        }
        if (dtdVersion.compare(0, 2, "2.") != 0) {
            throw CimXmlError(501, "unsupported-dtd-version",
                              "DTDVERSION " + quote(dtdVersion) + " is not supported");
        }
        if (children(root).size() != 1 || !isNamed(children(root)[0], "MESSAGE")) {
            notLooselyValid("CIM must hold one MESSAGE");
        }
        const Node* msg = children(root)[0];
        std::string id = requiredAttr(msg, "ID");
        if (id.empty() || id.size() > kCimXmlMaxNameBytes) {
            bad("MESSAGE ID must have 1 to " + std::to_string(kCimXmlMaxNameBytes) + " bytes");
        }
        req.messageId = id;
        std::string protocol = requiredAttr(msg, "PROTOCOLVERSION");
        if (protocol.compare(0, 2, "1.") != 0) {
            throw CimXmlError(501, "unsupported-protocol-version",
                              "PROTOCOLVERSION " + quote(protocol) + " is not supported");
        }
        const std::vector<const Node*>& kids = children(msg);
        if (kids.size() == 1 && isNamed(kids[0], "MULTIREQ")) {
            throw CimXmlError(501, "multiple-requests-unsupported",
                              "multiple requests (MULTIREQ) are not supported");
        }
        if (kids.size() != 1 || !isNamed(kids[0], "SIMPLEREQ")) {
            notLooselyValid("MESSAGE must hold one SIMPLEREQ");
        }
        for (const Node* c : children(kids[0])) {
            if (isNamed(c, "CORRELATOR")) continue;
            if (call || !(isNamed(c, "IMETHODCALL") || isNamed(c, "METHODCALL"))) {
                notLooselyValid("SIMPLEREQ must hold one IMETHODCALL or METHODCALL, not " +
                                elementName(c));
            }
            call = c;
        }
        if (!call) notLooselyValid("SIMPLEREQ holds no IMETHODCALL or METHODCALL");
    });
    if (isNamed(call, "IMETHODCALL")) {
        intrinsicCall(call, req);
    } else {
        extrinsicCall(call, req);
    }
}

// ---- expat, with DOCTYPE refused and nesting bounded

// The tree of one request; nodes keep their addresses as it grows.
struct Document {
    std::deque<Node> nodes;
    std::deque<std::string> names;  // each element name once
    std::vector<Node*> open;        // the elements being read, innermost last
    const Node* root = nullptr;
    bool tooDeep = false;
    bool doctype = false;
    XML_Parser parser = nullptr;

    const char* intern(const char* name) {
        for (const std::string& n : names) {
            if (n == name) return n.c_str();
        }
        return names.emplace_back(name).c_str();
    }
};

Document& documentOf(void* data) {
    return *static_cast<Document*>(data);
}

void XMLCALL onStartElement(void* data, const XML_Char* name, const XML_Char** attributes) {
    Document& d = documentOf(data);
    if (static_cast<int>(d.open.size()) >= kCimXmlMaxDepth) {
        d.tooDeep = true;
        XML_StopParser(d.parser, XML_FALSE);
        return;
    }
    Node& n = d.nodes.emplace_back();
    n.name = d.intern(name);
    for (const XML_Char** a = attributes; *a; a += 2) n.attributes.emplace_back(a[0], a[1]);
    if (d.open.empty()) {
        d.root = &n;
    } else {
        d.open.back()->elements.push_back(&n);
    }
    d.open.push_back(&n);
}

void XMLCALL onEndElement(void* data, const XML_Char*) {
    documentOf(data).open.pop_back();
}

void XMLCALL onText(void* data, const XML_Char* text, int length) {
    Document& d = documentOf(data);
    if (!d.open.empty()) d.open.back()->text.append(text, static_cast<std::size_t>(length));
}

// Called before any declaration inside the DOCTYPE is read.
void XMLCALL onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    Document& d = documentOf(data);
    d.doctype = true;
    XML_StopParser(d.parser, XML_FALSE);
}

struct ParserFree {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};

// A parser made once a thread and reset for each request. The hash salt is
// set here: expat would otherwise ask the kernel for one on every reset.
XML_Parser threadParser() {
    thread_local std::unique_ptr<XML_ParserStruct, ParserFree> parser;
    thread_local unsigned long salt = std::random_device()();
    if (!parser) {
        parser.reset(XML_ParserCreateNS(nullptr, kNsSeparator));
        if (!parser) fail(CIMException::FAILED, "cannot create an XML parser");
    } else if (!XML_ParserReset(parser.get(), nullptr)) {
        fail(CIMException::FAILED, "cannot reset the XML parser");
    }
    XML_Parser p = parser.get();
    XML_SetHashSalt(p, salt);
    // Names in a namespace come as URI, local name and prefix.
    XML_SetReturnNSTriplet(p, 1);
    XML_SetElementHandler(p, onStartElement, onEndElement);
    XML_SetCharacterDataHandler(p, onText);
    XML_SetStartDoctypeDeclHandler(p, onDoctype);
    // No external entities or DTDs: expat reads none without a handler.
    XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
    return p;
}

void parse(const std::string& body, Document& doc) {
    XML_Parser p = threadParser();
    doc.parser = p;
    XML_SetUserData(p, &doc);
    XML_Status status = XML_Parse(p, body.data(), static_cast<int>(body.size()), XML_TRUE);
    if (doc.doctype) notLooselyValid("DOCTYPE declarations are not accepted");
    if (doc.tooDeep) {
        notLooselyValid("elements nested deeper than " + std::to_string(kCimXmlMaxDepth) +
                        " levels");
    }
    if (status != XML_STATUS_OK || !doc.root) {
        std::string message = XML_ErrorString(XML_GetErrorCode(p));
        message = "request is not well-formed XML (line " +
                  std::to_string(XML_GetCurrentLineNumber(p)) + "): " + message;
        // No element at all: not XML, as the appliance's object manager tells it.
        if (!doc.root) notLooselyValid(message);
        throw CimXmlError(400, "request-not-well-formed", message);
    }
}

// For a body the parser refused: an attribute from the start tag of the first
// element of that name, if it reads plainly. Bounded scan, no unescaping.
std::string salvageAttr(const std::string& body, const char* element, const char* name) {
    std::string open = std::string("<") + element;
    size_t pos = 0;
    while ((pos = body.find(open, pos)) != std::string::npos) {
        size_t p = pos + open.size();
        pos = p;
        if (p >= body.size() || !isXmlSpace(body[p])) continue;
        size_t close = body.find('>', p);
        if (close == std::string::npos || close - p > 4096) return "";
        std::string tag = body.substr(p, close - p);
        std::string key = std::string(name) + "=";
        for (size_t at = tag.find(key); at != std::string::npos; at = tag.find(key, at + 1)) {
            if (at == 0 || !isXmlSpace(tag[at - 1])) continue;
            size_t q = at + key.size();
            if (q >= tag.size() || (tag[q] != '"' && tag[q] != '\'')) return "";
            size_t end = tag.find(tag[q], q + 1);
            if (end == std::string::npos) return "";
            std::string v = tag.substr(q + 1, end - q - 1);
            if (v.empty() || v.size() > 64) return "";
            for (char c : v) {
                if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' ||
                      c == '.')) {
                    return "";
                }
            }
            return v;
        }
        return "";
    }
    return "";
}
}  // namespace

// ---------------------------------------------------------------- public

CimRequest decodeRequest(const std::string& body) {
    CimRequest req;
    try {
        Document doc;
        try {
            if (body.size() > kCimXmlMaxBodyBytes) {
                bad("request body of " + std::to_string(body.size()) +
                    " bytes exceeds the limit of " + std::to_string(kCimXmlMaxBodyBytes));
            }
            parse(body, doc);
        } catch (CimXmlError& e) {
            e.messageId = salvageAttr(body, "MESSAGE", "ID");
            e.method = salvageAttr(body, "IMETHODCALL", "NAME");
            if (e.method.empty()) {
                e.method = salvageAttr(body, "METHODCALL", "NAME");
                e.extrinsic = !e.method.empty();
            }
            throw;
        }
        message(doc.root, req);
    } catch (CimXmlError& e) {
        if (e.messageId.empty()) e.messageId = req.messageId;
        if (e.method.empty()) {
            e.method = req.method;
            e.extrinsic = req.extrinsic;
        }
        throw;
    } catch (const OpenWBEM::Exception& e) {
        CimXmlError err(CIMException::INVALID_PARAMETER, e.getMessage());
        err.messageId = req.messageId;
        err.method = req.method;
        err.extrinsic = req.extrinsic;
        throw err;
    }
    return req;
}

CIMValue decodeValue(CIMDataType type, const std::vector<std::string>& texts, bool array,
                     const std::string& what) {
    if (!array && texts.empty()) return CIMValue(CIMNULL);
    if (!array && texts.size() == 1) return scalarValue(type.getType(), texts[0], what);
    std::vector<CIMValue> items;
    for (const std::string& t : texts) items.push_back(scalarValue(type.getType(), t, what));
    return arrayValue(type.getType(), items, what);
}

}  // namespace qvx_cimom
