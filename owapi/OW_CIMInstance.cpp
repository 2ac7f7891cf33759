#include "OW_CIMInstance.hpp"
#include "OW_Array.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_CIMValue.hpp"
#include "QualifierList.hpp"

#include "OW_NoSuchPropertyException.hpp"

#include "OW_Bool.hpp"

#include <utility>

namespace OpenWBEM {

struct CIMInstance::Impl : COWReferenceCountable {
    String className;
    CIMPropertyArray properties;
    CIMPropertyArray keys;
    CIMQualifierArray qualifiers;

    // Index of the property of that name, or -1. Most names differ in
    // length, which makes the case-insensitive scan cheap.
    long find(const String& name) const {
        for (size_t i = 0; i < properties.size(); ++i) {
            if (properties[i].getName().equalsIgnoreCase(name)) return static_cast<long>(i);
        }
        return -1;
    }
    void rebuildKeys() {
        CIMPropertyArray k;
        for (const CIMProperty& p : properties) {
            if (p.isKey()) k.push_back(p);
        }
        keys = k;
    }
};

CIMInstance::CIMInstance() : m_impl(new Impl) {}
CIMInstance::CIMInstance(CIMNULL_t) {}
CIMInstance::CIMInstance(const CIMInstance& arg) : m_impl(arg.m_impl) {}
CIMInstance::CIMInstance(const String& name) : m_impl(new Impl) {
    m_impl.write().className = name.toString();
}
CIMInstance::CIMInstance(const char* name) : CIMInstance(String(name)) {}
CIMInstance::~CIMInstance() {}
CIMInstance& CIMInstance::operator=(const CIMInstance& arg) {
    m_impl = arg.m_impl;
    return *this;
}

String CIMInstance::getClassName() const {
    return m_impl.read().className;
}
CIMInstance& CIMInstance::setClassName(const String& name) {
    m_impl.write().className = name.toString();
    return *this;
}
CIMInstance& CIMInstance::setKeys(const CIMPropertyArray& keys) {
    m_impl.write().keys = keys;
    return *this;
}
CIMPropertyArray CIMInstance::getKeyValuePairs() const {
    return m_impl.read().keys;
}

CIMPropertyArray CIMInstance::getProperties(Int32 valueDataType) const {
    const Impl& i = m_impl.read();
    if (valueDataType == CIMDataType::INVALID) return i.properties;
    CIMPropertyArray out;
    for (const CIMProperty& p : i.properties) {
        if (p.getDataType().getType() == valueDataType) out.push_back(p);
    }
    return out;
}

CIMInstance& CIMInstance::setProperties(const CIMPropertyArray& props) {
    Impl& i = m_impl.write();
    i.properties = props;
    i.rebuildKeys();
    return *this;
}

CIMProperty CIMInstance::getProperty(const String& name) const {
    const Impl& i = m_impl.read();
    long n = i.find(name);
    return n < 0 ? CIMProperty(CIMNULL) : i.properties[static_cast<size_t>(n)];
}

CIMProperty CIMInstance::getProperty(const String& name, const String& originClass) const {
    CIMProperty p = getProperty(name);
    if (p && !p.getOriginClass().equalsIgnoreCase(originClass)) return CIMProperty(CIMNULL);
    return p;
}

CIMProperty CIMInstance::getPropertyT(const String& name) const {
    CIMProperty p = getProperty(name);
    if (!p) OW_THROW(NoSuchPropertyException, name.c_str());
    return p;
}

CIMValue CIMInstance::getPropertyValue(const String& name) const {
    CIMProperty p = getProperty(name);
    return p ? p.getValue() : CIMValue(CIMNULL);
}

bool CIMInstance::propertyHasValue(const String& name) const {
    return static_cast<bool>(getPropertyValue(name));
}

CIMInstance& CIMInstance::setProperty(const String& name, const CIMValue& cv) {
    long n = m_impl.read().find(name.toString());
    Impl& i = m_impl.write();
    if (n < 0) {
        // Declared with the value's type; a first null value leaves it
        // CIMNULL for good.
        CIMProperty p = cv ? CIMProperty(name, cv) : CIMProperty(name);
        // Instances are built a property at a time: skip the first regrowths.
        if (i.properties.empty()) i.properties.reserve(16);
        i.properties.push_back(p);
        return *this;
    }
    CIMProperty& p = i.properties[static_cast<size_t>(n)];
    p.setValue(cv);
    if (p.isKey()) i.rebuildKeys();
    return *this;
}

CIMInstance& CIMInstance::setProperty(const CIMProperty& prop) {
    if (!prop) return *this;
    long n = m_impl.read().find(prop.getName());
    Impl& i = m_impl.write();
    bool wasKey = n >= 0 && i.properties[static_cast<size_t>(n)].isKey();
    if (n < 0) {
        i.properties.push_back(prop);
    } else {
        i.properties[static_cast<size_t>(n)] = prop;
    }
    if (wasKey || prop.isKey()) i.rebuildKeys();
    return *this;
}

CIMInstance& CIMInstance::removeProperty(const String& propName) {
    long n = m_impl.read().find(propName.toString());
    if (n >= 0) {
        Impl& i = m_impl.write();
        bool wasKey = i.properties[static_cast<size_t>(n)].isKey();
        i.properties.remove(static_cast<size_t>(n));
        if (wasKey) i.rebuildKeys();
    }
    return *this;
}

CIMQualifierArray CIMInstance::getQualifiers() const {
    return m_impl.read().qualifiers;
}
CIMInstance& CIMInstance::setQualifiers(const CIMQualifierArray& quals) {
    m_impl.write().qualifiers = quals;
    return *this;
}
CIMQualifier CIMInstance::getQualifier(const String& qualName) const {
    return internal::findQualifier(m_impl.read().qualifiers, qualName);
}
CIMInstance& CIMInstance::setQualifier(const CIMQualifier& qual) {
    if (qual) internal::putQualifier(m_impl.write().qualifiers, qual);
    return *this;
}

String CIMInstance::getName() const {
    return getClassName();
}
void CIMInstance::setName(const String& name) {
    setClassName(name);
}

String CIMInstance::toString() const {
    const Impl& i = m_impl.read();
    String out("instance of ");
    out += i.className;
    out += " {\n";
    for (const CIMProperty& p : i.properties) {
        CIMValue v = p.getValue();
        out += p.getName();
        out += " = ";
        out += v ? v.toString() : String("null");
        out += ";\n";
    }
    out += "}\n";
    return out;
}

String CIMInstance::toMOF() const {
    const Impl& i = m_impl.read();
    String out;
    if (!i.qualifiers.empty()) {
        out += "[";
        for (size_t n = 0; n < i.qualifiers.size(); ++n) {
            if (n) out += ",\n ";
            out += i.qualifiers[n].toMOF();
        }
        out += "]\n";
    }
    out += "INSTANCE OF " + i.className + "\n{\n";
    for (const CIMProperty& p : i.properties) {
        CIMQualifierArray qs = p.getQualifiers();
        if (!qs.empty()) {
            out += "  [";
            for (size_t n = 0; n < qs.size(); ++n) {
                if (n) out += ',';
                out += qs[n].toMOF();
            }
            out += "]\n";
        }
        CIMValue v = p.getValue();
        out += "  " + p.getName() + "=" + (v ? v.toMOF() : String("NULL")) + ";\n";
    }
    out += "};\n";
    return out;
}

}  // namespace OpenWBEM
