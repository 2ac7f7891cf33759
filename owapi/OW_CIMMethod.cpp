#include "OW_CIMMethod.hpp"

#include <utility>

namespace OpenWBEM {

struct CIMMethod::Impl : COWReferenceCountable {
    Impl(const String& n, const CIMDataType& t) : name(n), returnType(t) {}
    String name;
    CIMDataType returnType;
    CIMQualifierArray qualifiers;
    CIMParameterArray parameters;
};

CIMMethod::CIMMethod() : m_impl(new Impl(String(), CIMDataType())) {}
CIMMethod::CIMMethod(CIMNULL_t) {}
CIMMethod::CIMMethod(const CIMName& name) : m_impl(new Impl(name.toString(), CIMDataType())) {}
CIMMethod::CIMMethod(const char* name) : CIMMethod(CIMName(name)) {}
CIMMethod::CIMMethod(const CIMName& name, const CIMDataType& returnType)
    : m_impl(new Impl(name.toString(), returnType)) {}
CIMMethod::CIMMethod(const CIMMethod& x) : m_impl(x.m_impl) {}
CIMMethod::CIMMethod(CIMMethod&& x) noexcept : m_impl(std::move(x.m_impl)) {}
CIMMethod::~CIMMethod() {}
CIMMethod& CIMMethod::operator=(const CIMMethod& x) {
    m_impl = x.m_impl;
    return *this;
}
CIMMethod& CIMMethod::operator=(CIMMethod&& x) noexcept {
    m_impl = std::move(x.m_impl);
    return *this;
}

String CIMMethod::getName() const {
    return m_impl.read().name;
}
void CIMMethod::setName(const CIMName& name) {
    m_impl.write().name = name.toString();
}
CIMDataType CIMMethod::getReturnType() const {
    return m_impl.read().returnType;
}
CIMMethod& CIMMethod::setReturnType(const CIMDataType& type) {
    m_impl.write().returnType = type;
    return *this;
}
CIMParameterArray CIMMethod::getParameters() const {
    return m_impl.read().parameters;
}
CIMParameter CIMMethod::getParameter(const CIMName& name) const {
    for (const CIMParameter& p : m_impl.read().parameters) {
        if (CIMName(p.getName()) == name) return p;
    }
    return CIMParameter(CIMNULL);
}
CIMMethod& CIMMethod::addParameter(const CIMParameter& param) {
    if (param) m_impl.write().parameters.push_back(param);
    return *this;
}
CIMMethod& CIMMethod::setParameters(const CIMParameterArray& params) {
    m_impl.write().parameters = params;
    return *this;
}
CIMQualifierArray CIMMethod::getQualifiers() const {
    return m_impl.read().qualifiers;
}
CIMQualifier CIMMethod::getQualifier(const CIMName& name) const {
    return findQualifier(m_impl.read().qualifiers, name);
}
CIMMethod& CIMMethod::setQualifier(const CIMQualifier& qual) {
    if (qual) putQualifier(m_impl.write().qualifiers, qual);
    return *this;
}
bool CIMMethod::hasTrueQualifier(const CIMName& name) const {
    CIMQualifier q = getQualifier(name);
    return q && q.isTrue();
}

String CIMMethod::toString() const {
    return toMOF();
}

String CIMMethod::toMOF() const {
    const Impl& i = m_impl.read();
    String out;
    if (!i.qualifiers.empty()) {
        out += "  [";
        for (size_t n = 0; n < i.qualifiers.size(); ++n) {
            if (n) out += ", ";
            out += i.qualifiers[n].toMOF();
        }
        out += "]\n";
    }
    out += "  " + mofTypeName(i.returnType) + " " + i.name + "(";
    for (size_t n = 0; n < i.parameters.size(); ++n) {
        out += n ? ",\n    " : "\n    ";
        out += i.parameters[n].toMOF();
    }
    out += ");\n";
    return out;
}

}  // namespace OpenWBEM
