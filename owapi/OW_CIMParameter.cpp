#include "OW_CIMParameter.hpp"

#include <utility>

namespace OpenWBEM {

struct CIMParameter::Impl : COWReferenceCountable {
    Impl(const String& n, const CIMDataType& t) : name(n), type(t) {}
    String name;
    CIMDataType type;
    CIMQualifierArray qualifiers;
};

CIMParameter::CIMParameter() : m_impl(new Impl(String(), CIMDataType())) {}
CIMParameter::CIMParameter(CIMNULL_t) {}
CIMParameter::CIMParameter(const CIMName& name)
    : m_impl(new Impl(name.toString(), CIMDataType())) {}
CIMParameter::CIMParameter(const char* name) : CIMParameter(CIMName(name)) {}
CIMParameter::CIMParameter(const CIMName& name, const CIMDataType& type)
    : m_impl(new Impl(name.toString(), type)) {}
CIMParameter::CIMParameter(const CIMParameter& x) : m_impl(x.m_impl) {}
CIMParameter::CIMParameter(CIMParameter&& x) noexcept : m_impl(std::move(x.m_impl)) {}
CIMParameter::~CIMParameter() {}
CIMParameter& CIMParameter::operator=(const CIMParameter& x) {
    m_impl = x.m_impl;
    return *this;
}
CIMParameter& CIMParameter::operator=(CIMParameter&& x) noexcept {
    m_impl = std::move(x.m_impl);
    return *this;
}

String CIMParameter::getName() const {
    return m_impl.read().name;
}
void CIMParameter::setName(const CIMName& name) {
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
CIMQualifier CIMParameter::getQualifier(const CIMName& name) const {
    return findQualifier(m_impl.read().qualifiers, name);
}
CIMParameter& CIMParameter::setQualifier(const CIMQualifier& qual) {
    if (qual) putQualifier(m_impl.write().qualifiers, qual);
    return *this;
}
bool CIMParameter::hasTrueQualifier(const CIMName& name) const {
    CIMQualifier q = getQualifier(name);
    return q && q.isTrue();
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
    out += mofTypeName(i.type) + " " + i.name;
    if (i.type.isArrayType()) {
        out += "[";
        if (i.type.getSize() > 0) out += String(i.type.getSize());
        out += "]";
    }
    return out;
}

}  // namespace OpenWBEM
