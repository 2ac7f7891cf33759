#include "CimXml.hpp"
#include "CimXmlTypes.hpp"

#include "OW_Bool.hpp"
#include "OW_CIMDataType.hpp"
#include "OW_CIMDateTime.hpp"
#include "OW_CIMMethod.hpp"
#include "OW_CIMParameter.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace qvx_cimom {

using namespace OpenWBEM;

namespace {

using cimxml::withValueType;

// ---------------------------------------------------------------- encoding

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// Length of the valid UTF-8 sequence at s[i] that XML may carry, or 0.
size_t xmlCharLength(const char* s, size_t size, size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') ? 1 : 0;
    size_t n;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > size) return 0;
    for (size_t k = 1; k < n; ++k) {
        unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) return 0;
    return n;
}

bool plainAscii(char c) {
    return c >= 0x20 && c < 0x7F && c != '&' && c != '<' && c != '>' && c != '"' && c != '\'';
}

// Text or attribute content: the five named entities, raw UTF-8 otherwise.
// Runs of plain ASCII, nearly all of any reply, are copied in one go.
void escape(std::string& out, const char* s, size_t size) {
    size_t i = 0;
    while (i < size) {
        size_t run = i;
        while (run < size && plainAscii(s[run])) ++run;
        out.append(s + i, run - i);
        if (run == size) break;
        i = run;
        size_t n = xmlCharLength(s, size, i);
        if (n == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(s + i, n);
        } else {
            switch (s[i]) {
                case '&':
                    out += "&amp;";
                    break;
                case '<':
                    out += "&lt;";
                    break;
                case '>':
                    out += "&gt;";
                    break;
                case '"':
                    out += "&quot;";
                    break;
                case '\'':
                    out += "&apos;";
                    break;
                default:
                    out += s[i];
            }
        }
        i += n;
    }
}
void escape(std::string& out, const std::string& s) {
    escape(out, s.data(), s.size());
}
void escape(std::string& out, const String& s) {
    escape(out, s.c_str(), s.length());
}

// ` NAME="value"`, escaped.
template <class Text>
void putAttr(std::string& o, const char* name, const Text& value) {
    o += ' ';
    o += name;
    o += "=\"";
    escape(o, value);
    o += '"';
}

// `<ELEMENT NAME="value"`, left open for more attributes.
template <class Text>
void openNamed(std::string& o, const char* element, const Text& name) {
    o += '<';
    o += element;
    putAttr(o, "NAME", name);
}

std::string realText(double v, int digits) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    return buf;
}

template <class Int>
void putInteger(std::string& o, Int x) {
    char buf[24];
    std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, x);
    o.append(buf, r.ptr);
}

// The text of one element of a value, escaped where it can need it.
void putText(std::string& o, Bool x) {
    o += x ? "true" : "false";
}
void putText(std::string& o, OpenWBEM::UInt8 x) {
    putInteger(o, unsigned(x));
}
void putText(std::string& o, OpenWBEM::Int8 x) {
    putInteger(o, int(x));
}
void putText(std::string& o, OpenWBEM::UInt16 x) {
    putInteger(o, unsigned(x));
}
void putText(std::string& o, OpenWBEM::Int16 x) {
    putInteger(o, int(x));
}
void putText(std::string& o, OpenWBEM::UInt32 x) {
    putInteger(o, x);
}
void putText(std::string& o, OpenWBEM::Int32 x) {
    putInteger(o, x);
}
void putText(std::string& o, OpenWBEM::UInt64 x) {
    putInteger(o, x);
}
void putText(std::string& o, OpenWBEM::Int64 x) {
    putInteger(o, x);
}
void putText(std::string& o, OpenWBEM::Real32 x) {
    o += realText(x, 9);
}
void putText(std::string& o, OpenWBEM::Real64 x) {
    o += realText(x, 17);
}
void putText(std::string& o, const String& x) {
    escape(o, x);
}
void putText(std::string& o, const CIMDateTime& x) {
    escape(o, x.toString());
}

template <class T, class Put>
void eachItemOf(const CIMValue& v, Put put) {
    if (v.isArray()) {
        Array<T> a;
        v.get(a);
        for (const T& x : a) put(x);
    } else {
        T x;
        v.get(x);
        put(x);
    }
}

// Calls put with each element (the one for a scalar) of a value of a plain
// type; anything else is passed as its text.
template <class Put>
void eachItem(const CIMValue& v, Put put) {
    bool plain = withValueType(v.getType(),
                               [&](auto tag) { eachItemOf<typename decltype(tag)::type>(v, put); });
    if (!plain) put(v.toString());
}

// The TYPE attribute: the declared type where there is one, else the value's.
const String& typeName(const CIMDataType& declared, const CIMValue& v) {
    static const std::vector<String> kNames = [] {
        std::vector<String> names;
        for (int t = 0; t < CIMDataType::MAXDATATYPE; ++t) {
            names.push_back(CIMDataType(static_cast<CIMDataType::Type>(t)).toString());
        }
        return names;
    }();
    CIMDataType::Type t = declared ? declared.getType() : (v ? v.getType() : CIMDataType::STRING);
    if (t == CIMDataType::REFERENCE || t == CIMDataType::EMBEDDEDCLASS ||
        t == CIMDataType::EMBEDDEDINSTANCE || t <= CIMDataType::CIMNULL ||
        t >= CIMDataType::MAXDATATYPE) {
        t = CIMDataType::STRING;
    }
    return kNames[t];
}

void putInstance(std::string& o, const CIMInstance& inst, bool qualifiers = false,
                 bool origin = false);
void putInstanceName(std::string& o, const CIMObjectPath& path);

template <class T>
void putValue(std::string& o, const T& x) {
    o += "<VALUE>";
    putText(o, x);
    o += "</VALUE>";
}

// VALUE, VALUE.ARRAY or VALUE.REFERENCE for a non-null value.
void putAnyValue(std::string& o, const CIMValue& v) {
    CIMDataType::Type t = v.getType();
    if (t == CIMDataType::REFERENCE && !v.isArray()) {
        o += "<VALUE.REFERENCE>";
        putInstanceName(o, v.toCIMObjectPath());
        o += "</VALUE.REFERENCE>";
        return;
    }
    if (t == CIMDataType::EMBEDDEDINSTANCE && !v.isArray()) {
        std::string inner;
        putInstance(inner, v.toCIMInstance());
        o += "<VALUE>";
        escape(o, inner);
        o += "</VALUE>";
        return;
    }
    if (v.isArray()) o += "<VALUE.ARRAY>";
    eachItem(v, [&o](const auto& x) { putValue(o, x); });
    if (v.isArray()) o += "</VALUE.ARRAY>";
}

// Flavors are written where they differ from DSP0201's defaults, from the
// qualifier's declaration.
void putQualifier(std::string& o, const CIMQualifier& q, const QualifierFlavorTable* flavors) {
    CIMValue v = q.getValue();
    openNamed(o, "QUALIFIER", q.getName());
    // A qualifier without a value is a true flag.
    putAttr(o, "TYPE", v ? typeName(CIMDataType(), v) : String("boolean"));
    if (flavors) {
        std::string key = q.getName().c_str();
        for (char& c : key) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        auto f = flavors->find(key);
        if (f != flavors->end()) {
            if (!f->second.overridable) o += " OVERRIDABLE=\"false\"";
            if (!f->second.toSubclass) o += " TOSUBCLASS=\"false\"";
            if (f->second.translatable) o += " TRANSLATABLE=\"true\"";
        }
    }
    o += " >";
    if (v) {
        putAnyValue(o, v);
    } else {
        o += "<VALUE>true</VALUE>";
    }
    o += "</QUALIFIER>";
}

void putQualifiers(std::string& o, const CIMQualifierArray& qs,
                   const QualifierFlavorTable* flavors = nullptr) {
    for (const CIMQualifier& q : qs) putQualifier(o, q, flavors);
}

void putKeyBinding(std::string& o, const CIMProperty& key) {
    CIMValue v = key.getValue();
    openNamed(o, "KEYBINDING", key.getName());
    o += '>';
    CIMDataType::Type t = v ? v.getType() : key.getDataType().getType();
    if (v && t == CIMDataType::REFERENCE && !v.isArray()) {
        putAnyValue(o, v);
    } else {
        const char* valueType = t == CIMDataType::BOOLEAN        ? "boolean"
                                : CIMDataType(t).isNumericType() ? "numeric"
                                                                 : "string";
        o += "<KEYVALUE VALUETYPE=\"";
        o += valueType;
        o += "\">";
        if (v) {
            bool first = true;
            eachItem(v, [&](const auto& x) {
                if (!first) o += ',';
                first = false;
                putText(o, x);
            });
        }
        o += "</KEYVALUE>";
    }
    o += "</KEYBINDING>";
}

void putInstanceName(std::string& o, const CIMObjectPath& path) {
    o += "<INSTANCENAME";
    putAttr(o, "CLASSNAME", path.getClassName());
    o += '>';
    for (const CIMProperty& k : path.getKeys()) putKeyBinding(o, k);
    o += "</INSTANCENAME>";
}

void putProperty(std::string& o, const CIMProperty& p, bool qualifiers, bool origin,
                 const QualifierFlavorTable* flavors = nullptr) {
    CIMDataType dt = p.getDataType();
    CIMValue v = p.getValue();
    CIMDataType::Type t = dt ? dt.getType() : (v ? v.getType() : CIMDataType::STRING);
    auto putOrigin = [&] {
        if (!origin) return;
        String originClass = p.getOriginClass();
        if (!originClass.empty()) putAttr(o, "CLASSORIGIN", originClass);
        if (p.getPropagated()) o += " PROPAGATED=\"true\"";
    };
    const char* element;
    if (t == CIMDataType::REFERENCE && !(v && v.isArray())) {
        element = "PROPERTY.REFERENCE";
        openNamed(o, element, p.getName());
        String refClass = dt.getRefClassName();
        if (!refClass.empty()) putAttr(o, "REFERENCECLASS", refClass);
        putOrigin();
    } else if (v ? v.isArray() : dt.isArrayType()) {
        element = "PROPERTY.ARRAY";
        openNamed(o, element, p.getName());
        putAttr(o, "TYPE", typeName(dt, v));
        if (dt.isArrayType() && dt.getSize() > 0) {
            o += " ARRAYSIZE=\"";
            putInteger(o, dt.getSize());
            o += '"';
        }
        putOrigin();
    } else {
        element = "PROPERTY";
        openNamed(o, element, p.getName());
        putAttr(o, "TYPE", typeName(dt, v));
        putOrigin();
        if (t == CIMDataType::EMBEDDEDINSTANCE) o += " EMBEDDEDOBJECT=\"instance\"";
    }
    o += " >";
    if (qualifiers) putQualifiers(o, p.getQualifiers(), flavors);
    if (v) putAnyValue(o, v);
    o += "</";
    o += element;
    o += '>';
}

// As the provider built it: the host adds nothing from the class.
void putInstance(std::string& o, const CIMInstance& inst, bool qualifiers, bool origin) {
    o += "<INSTANCE";
    putAttr(o, "CLASSNAME", inst.getClassName());
    o += '>';
    if (qualifiers) putQualifiers(o, inst.getQualifiers());
    for (const CIMProperty& p : inst.getProperties()) putProperty(o, p, qualifiers, origin);
    o += "</INSTANCE>";
}

// PARAMETER, PARAMETER.ARRAY or PARAMETER.REFERENCE, always with an end tag.
void putParameter(std::string& o, const OpenWBEM::CIMParameter& p, bool qualifiers,
                  const QualifierFlavorTable* flavors) {
    CIMDataType dt = p.getType();
    const char* element;
    if (dt.isReferenceType()) {
        element = dt.isArrayType() ? "PARAMETER.REFARRAY" : "PARAMETER.REFERENCE";
        openNamed(o, element, p.getName());
        if (!dt.getRefClassName().empty()) putAttr(o, "REFERENCECLASS", dt.getRefClassName());
    } else {
        element = dt.isArrayType() ? "PARAMETER.ARRAY" : "PARAMETER";
        openNamed(o, element, p.getName());
        putAttr(o, "TYPE", typeName(dt, CIMValue(CIMNULL)));
    }
    if (dt.isArrayType() && dt.getSize() > 0) {
        o += " ARRAYSIZE=\"";
        putInteger(o, dt.getSize());
        o += '"';
    }
    o += '>';
    if (qualifiers) putQualifiers(o, p.getQualifiers(), flavors);
    o += "</";
    o += element;
    o += '>';
}

void putMethod(std::string& o, const OpenWBEM::CIMMethod& m, bool qualifiers,
               const QualifierFlavorTable* flavors) {
    openNamed(o, "METHOD", m.getName());
    CIMDataType rt = m.getReturnType();
    if (rt) putAttr(o, "TYPE", typeName(rt, CIMValue(CIMNULL)));
    o += '>';
    if (qualifiers) putQualifiers(o, m.getQualifiers(), flavors);
    for (const OpenWBEM::CIMParameter& p : m.getParameters()) {
        putParameter(o, p, qualifiers, flavors);
    }
    o += "</METHOD>";
}

// The message up to the open response element; replies are a few KiB.
// Line ends as the appliance's object manager puts them: errors have more.
std::string header(const std::string& messageId, const char* element, const std::string& method,
                   const char* lineEnd = "") {
    std::string o;
    o.reserve(4096);
    o += "<?xml version=\"1.0\" ?><CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE";
    putAttr(o, "ID", messageId);
    o += " PROTOCOLVERSION=\"1.0\"><SIMPLERSP>";
    o += lineEnd;
    openNamed(o, element, method);
    o += '>';
    o += lineEnd;
    return o;
}

std::string trailer(std::string& o, const char* element, const char* lineEnd = "") {
    o += "</";
    o += element;
    o += '>';
    o += lineEnd;
    o += "</SIMPLERSP>";
    o += lineEnd;
    o += "</MESSAGE></CIM>\r\n";
    return std::move(o);
}

// An IMETHODRESPONSE whose IRETURNVALUE put writes.
template <class Put>
std::string intrinsicResponse(const std::string& id, const std::string& method, Put put) {
    std::string o = header(id, "IMETHODRESPONSE", method);
    o += "<IRETURNVALUE>";
    put(o);
    o += "</IRETURNVALUE>";
    return trailer(o, "IMETHODRESPONSE");
}

bool listed(const std::vector<std::string>* propertyList, const String& name) {
    if (!propertyList) return true;
    for (const std::string& n : *propertyList) {
        if (name.equalsIgnoreCase(n.c_str()) && n.size() == name.length()) return true;
    }
    return false;
}

}  // namespace

std::string encodeInstanceNames(const std::string& messageId, const std::string& method,
                                const std::vector<CIMObjectPath>& paths) {
    return intrinsicResponse(messageId, method, [&](std::string& o) {
        for (const CIMObjectPath& p : paths) putInstanceName(o, p);
    });
}

std::string encodeNamedInstances(const std::string& messageId, const std::string& method,
                                 const std::vector<CIMInstance>& instances, bool includeQualifiers,
                                 bool includeClassOrigin) {
    return intrinsicResponse(messageId, method, [&](std::string& o) {
        for (const CIMInstance& i : instances) {
            o += "<VALUE.NAMEDINSTANCE>";
            CIMObjectPath name(i.getClassName(), String());
            name.setKeys(i.getKeyValuePairs());
            putInstanceName(o, name);
            putInstance(o, i, includeQualifiers, includeClassOrigin);
            o += "</VALUE.NAMEDINSTANCE>";
        }
    });
}

std::string encodeInstance(const std::string& messageId, const std::string& method,
                           const CIMInstance& instance, bool includeQualifiers,
                           bool includeClassOrigin) {
    return intrinsicResponse(messageId, method, [&](std::string& o) {
        putInstance(o, instance, includeQualifiers, includeClassOrigin);
    });
}

std::string encodeValue(const std::string& messageId, const std::string& method,
                        const CIMValue& value) {
    return intrinsicResponse(messageId, method, [&](std::string& o) {
        if (value) putAnyValue(o, value);
    });
}

std::string encodeInstanceName(const std::string& messageId, const std::string& method,
                               const CIMObjectPath& path) {
    return intrinsicResponse(messageId, method, [&](std::string& o) { putInstanceName(o, path); });
}

std::string encodeEmpty(const std::string& messageId, const std::string& method) {
    std::string o = header(messageId, "IMETHODRESPONSE", method);
    return trailer(o, "IMETHODRESPONSE");
}

std::string encodeClass(const std::string& messageId, const std::string& method,
                        const CIMClass& cls, bool localOnly, bool includeQualifiers,
                        bool includeClassOrigin, const std::vector<std::string>* propertyList,
                        const QualifierFlavorTable& flavors) {
    return intrinsicResponse(messageId, method, [&](std::string& o) {
        openNamed(o, "CLASS", cls.getName());
        if (!cls.getSuperClass().empty()) putAttr(o, "SUPERCLASS", cls.getSuperClass());
        o += '>';
        if (includeQualifiers) putQualifiers(o, cls.getQualifiers(), &flavors);
        for (const CIMProperty& p : cls.getAllProperties()) {
            if (!listed(propertyList, p.getName())) continue;
            String origin = p.getOriginClass();
            bool inherited =
                p.getPropagated() || (!origin.empty() && !origin.equalsIgnoreCase(cls.getName()));
            if (localOnly && inherited) continue;
            if (includeClassOrigin && p.getOriginClass().empty()) {
                CIMProperty own(p);
                own.setOriginClass(cls.getName());
                putProperty(o, own, includeQualifiers, true, &flavors);
            } else {
                putProperty(o, p, includeQualifiers, includeClassOrigin, &flavors);
            }
        }
        for (const OpenWBEM::CIMMethod& m : cls.getAllMethods()) {
            putMethod(o, m, includeQualifiers, &flavors);
        }
        o += "</CLASS>";
    });
}

std::string encodeClassNames(const std::string& messageId, const std::string& method,
                             const std::vector<std::string>& classNames) {
    return intrinsicResponse(messageId, method, [&](std::string& o) {
        for (const std::string& n : classNames) {
            openNamed(o, "CLASSNAME", n);
            o += "/>";
        }
    });
}

std::string encodeMethodResponse(const std::string& messageId, const std::string& method,
                                 const CIMValue& returnValue, const CIMParamValueArray& outParams) {
    std::string o = header(messageId, "METHODRESPONSE", method);
    if (returnValue) {
        o += "<RETURNVALUE>";
        putAnyValue(o, returnValue);
        o += "</RETURNVALUE>";
    }
    for (const CIMParamValue& p : outParams) {
        openNamed(o, "PARAMVALUE", p.getName());
        o += '>';
        CIMValue v = p.getValue();
        if (v) putAnyValue(o, v);
        o += "</PARAMVALUE>";
    }
    return trailer(o, "METHODRESPONSE");
}

std::string encodeError(const std::string& messageId, const std::string& method, bool extrinsic,
                        CIMException::ErrNoType code, const std::string& description) {
    const char* element = extrinsic ? "METHODRESPONSE" : "IMETHODRESPONSE";
    std::string o = header(messageId, element, method, "\r\n");
    o += "<ERROR CODE=\"";
    putInteger(o, static_cast<int>(code));
    o += '"';
    putAttr(o, "DESCRIPTION", description);
    o += "></ERROR>\r\n";
    return trailer(o, element, "\r\n");
}

}  // namespace qvx_cimom
