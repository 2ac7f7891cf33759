#include "OW_CIMQualifier.hpp"
#include "OW_Array.hpp"
#include "OW_CIMValue.hpp"

#include "QualifierList.hpp"

#include "OW_Bool.hpp"

namespace OpenWBEM {

struct CIMQualifier::Impl : COWReferenceCountable {
    Impl(const String& n, const CIMValue& v) : name(n), value(v) {}
    String name;
    CIMValue value;
};

const char* const CIMQualifier::CIM_QUAL_KEY = "Key";
const char* const CIMQualifier::CIM_QUAL_WRITE = "Write";
const char* const CIMQualifier::CIM_QUAL_PROVIDER = "Provider";
const char* const CIMQualifier::CIM_QUAL_DESCRIPTION = "Description";

CIMQualifier::CIMQualifier() : m_impl(new Impl(String(), CIMValue(CIMNULL))) {}
CIMQualifier::CIMQualifier(CIMNULL_t) {}
CIMQualifier::CIMQualifier(const String& name)
    : m_impl(new Impl(name.toString(), CIMValue(CIMNULL))) {}
CIMQualifier::CIMQualifier(const char* name) : m_impl(new Impl(String(name), CIMValue(CIMNULL))) {}
CIMQualifier::CIMQualifier(const CIMQualifier& x) : m_impl(x.m_impl) {}
CIMQualifier::~CIMQualifier() {}
CIMQualifier& CIMQualifier::operator=(const CIMQualifier& x) {
    m_impl = x.m_impl;
    return *this;
}

String CIMQualifier::getName() const {
    return m_impl.read().name;
}
void CIMQualifier::setName(const String& name) {
    m_impl.write().name = name.toString();
}
CIMValue CIMQualifier::getValue() const {
    return m_impl.read().value;
}
CIMQualifier& CIMQualifier::setValue(const CIMValue& value) {
    m_impl.write().value = value;
    return *this;
}

String CIMQualifier::toString() const {
    return toMOF();
}

String CIMQualifier::toMOF() const {
    const Impl& i = m_impl.read();
    String out(i.name);
    if (i.value) {
        if (i.value.isArray()) {
            out += i.value.toMOF();
        } else {
            out += "(" + i.value.toMOF() + ")";
        }
    }
    return out;
}

}  // namespace OpenWBEM

namespace OpenWBEM {
namespace internal {

CIMQualifier findQualifier(const CIMQualifierArray& quals, const String& name) {
    for (const CIMQualifier& q : quals) {
        if (q.getName().equalsIgnoreCase(name)) return q;
    }
    return CIMQualifier(CIMNULL);
}

void putQualifier(CIMQualifierArray& quals, const CIMQualifier& qual) {
    if (!qual) return;
    for (CIMQualifier& q : quals) {
        if (q.getName().equalsIgnoreCase(qual.getName())) {
            q = qual;
            return;
        }
    }
    quals.push_back(qual);
}

bool isTrue(const CIMQualifier& q) {
    if (!q) return false;
    CIMValue v = q.getValue();
    if (!v) return true;
    return v.getType() == CIMDataType::BOOLEAN && !v.isArray() && v.toBool();
}

}  // namespace internal
}  // namespace OpenWBEM
