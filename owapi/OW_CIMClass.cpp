#include "OW_CIMClass.hpp"
#include "OW_Array.hpp"
#include "OW_CIMMethod.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_CIMValue.hpp"
#include "QualifierList.hpp"

#include "OW_CIMInstance.hpp"

namespace OpenWBEM {

struct CIMClass::Impl : COWReferenceCountable {
    String name;
    String superClass;
    CIMQualifierArray qualifiers;
    CIMPropertyArray properties;
    CIMMethodArray methods;
};

CIMClass::CIMClass() : m_impl(new Impl) {}
CIMClass::CIMClass(CIMNULL_t) {}
CIMClass::CIMClass(const String& name) : m_impl(new Impl) {
    m_impl.write().name = name.toString();
}
CIMClass::CIMClass(const char* name) : CIMClass(String(name)) {}
CIMClass::CIMClass(const CIMClass& x) : m_impl(x.m_impl) {}
CIMClass::~CIMClass() {}
CIMClass& CIMClass::operator=(const CIMClass& x) {
    m_impl = x.m_impl;
    return *this;
}

String CIMClass::getName() const {
    return m_impl.read().name;
}
void CIMClass::setName(const String& name) {
    m_impl.write().name = name.toString();
}
String CIMClass::getSuperClass() const {
    return m_impl.read().superClass;
}
CIMClass& CIMClass::setSuperClass(const String& name) {
    m_impl.write().superClass = name.toString();
    return *this;
}
CIMQualifierArray CIMClass::getQualifiers() const {
    return m_impl.read().qualifiers;
}
CIMQualifier CIMClass::getQualifier(const String& name) const {
    return internal::findQualifier(m_impl.read().qualifiers, name);
}
CIMClass& CIMClass::addQualifier(const CIMQualifier& qual) {
    if (qual) m_impl.write().qualifiers.push_back(qual);
    return *this;
}
CIMPropertyArray CIMClass::getAllProperties() const {
    return m_impl.read().properties;
}
CIMProperty CIMClass::getProperty(const String& name) const {
    for (const CIMProperty& p : m_impl.read().properties) {
        if (p.getName().equalsIgnoreCase(name)) return p;
    }
    return CIMProperty(CIMNULL);
}
CIMClass& CIMClass::addProperty(const CIMProperty& prop) {
    if (prop) m_impl.write().properties.push_back(prop);
    return *this;
}
CIMMethodArray CIMClass::getAllMethods() const {
    return m_impl.read().methods;
}
CIMMethod CIMClass::getMethod(const String& name) const {
    for (const CIMMethod& m : m_impl.read().methods) {
        if (m.getName().equalsIgnoreCase(name)) return m;
    }
    return CIMMethod(CIMNULL);
}
CIMClass& CIMClass::addMethod(const CIMMethod& method) {
    if (method) m_impl.write().methods.push_back(method);
    return *this;
}
CIMPropertyArray CIMClass::getKeys() const {
    CIMPropertyArray keys;
    for (const CIMProperty& p : m_impl.read().properties) {
        if (p.isKey()) keys.push_back(p);
    }
    return keys;
}
bool CIMClass::isKeyed() const {
    return !getKeys().empty();
}

CIMInstance CIMClass::newInstance() const {
    CIMInstance inst(getName());
    CIMPropertyArray props;
    for (CIMProperty p : m_impl.read().properties) {
        p.setValue(CIMValue(CIMNULL));
        props.push_back(p);
    }
    inst.setProperties(props);
    return inst;
}

String CIMClass::toString() const {
    return toMOF();
}

String CIMClass::toMOF() const {
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
    out += "class " + i.name;
    if (!i.superClass.empty()) out += " : " + i.superClass;
    out += "\n{\n";
    for (const CIMProperty& p : i.properties) out += p.toMOF();
    for (const CIMMethod& m : i.methods) out += m.toMOF();
    out += "};\n";
    return out;
}

}  // namespace OpenWBEM
