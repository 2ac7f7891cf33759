#include "OW_CIMParameter.hpp"
#include "OW_Array.hpp"
#include "OW_CIMDataType.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_CIMValue.hpp"

#include "QualifierList.hpp"

namespace OpenWBEM {

struct CIMParameter::Impl : COWReferenceCountable {
    Impl(const String& n, const CIMDataType& t) : name(n), type(t) {}
    String name;
    CIMDataType type;
    CIMQualifierArray qualifiers;
};

CIMParameter::CIMParameter() : m_impl(new Impl(String(), CIMDataType())) {}
CIMParameter::CIMParameter(CIMNULL_t) {}
CIMParameter::CIMParameter(const String& name) : m_impl(new Impl(name.toString(), CIMDataType())) {}
CIMParameter::CIMParameter(const char* name) : CIMParameter(String(name)) {}
CIMParameter::CIMParameter(const CIMParameter& x) : m_impl(x.m_impl) {}
CIMParameter::~CIMParameter() {}
CIMParameter& CIMParameter::operator=(const CIMParameter& x) {
    m_impl = x.m_impl;
    return *this;
}

String CIMParameter::getName() const {
    return m_impl.read().name;
}
void CIMParameter::setName(const String& name) {
    m_impl.write().name = name.toString();
}
CIMDataType CIMParameter::getType() const {
    return m_impl.read().type;
}
CIMParameter& CIMParameter::setDataType(const CIMDataType& type) {
    m_impl.write().type = type;
    return *this;
}
CIMQualifierArray CIMParameter::getQualifiers() const {
    return m_impl.read().qualifiers;
}
CIMParameter& CIMParameter::setQualifiers(const CIMQualifierArray& quals) {
    m_impl.write().qualifiers = quals;
    return *this;
}
CIMQualifier CIMParameter::getQualifier(const String& name) const {
    return internal::findQualifier(m_impl.read().qualifiers, name);
}
bool CIMParameter::hasTrueQualifier(const String& name) const {
    CIMQualifier q = getQualifier(name);
    return internal::isTrue(q);
}

String CIMParameter::toString() const {
    return toMOF();
}

String CIMParameter::toMOF() const {
    const Impl& i = m_impl.read();
    String out;
    if (!i.qualifiers.empty()) {
        out += "[";
        for (size_t n = 0; n < i.qualifiers.size(); ++n) {
            if (n) out += ", ";
            out += i.qualifiers[n].toMOF();
        }
        out += "] ";
    }
    out += i.type.toMOF() + " " + i.name;
    if (i.type.isArrayType()) {
        out += "[";
        if (i.type.getSize() > 0) out += String(i.type.getSize());
        out += "]";
    }
    return out;
}

}  // namespace OpenWBEM
