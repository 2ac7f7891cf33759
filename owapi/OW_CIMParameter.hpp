#ifndef OW_CIMPARAMETER_HPP_INCLUDE_GUARD_
#define OW_CIMPARAMETER_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_Array.hpp"
#include "OW_CIMDataType.hpp"
#include "OW_CIMFwd.hpp"
#include "OW_CIMName.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_CIMQualifier.hpp"
#include "OW_COWReference.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

// A method parameter as a class declares it: name, type and qualifiers
// (IN, OUT, Description, ...). It carries no value.
class CIMParameter {
public:
    CIMParameter();
    explicit CIMParameter(CIMNULL_t);
    explicit CIMParameter(const CIMName& name);
    explicit CIMParameter(const char* name);
    CIMParameter(const CIMName& name, const CIMDataType& type);
    CIMParameter(const CIMParameter& x);
    CIMParameter(CIMParameter&& x) noexcept;
    ~CIMParameter();
    CIMParameter& operator=(const CIMParameter& x);
    CIMParameter& operator=(CIMParameter&& x) noexcept;

    explicit operator bool() const { return !m_impl.isNull(); }
    bool operator!() const { return m_impl.isNull(); }

    String getName() const;
    void setName(const CIMName& name);
    CIMDataType getType() const;
    CIMParameter& setDataType(const CIMDataType& type);
    CIMQualifierArray getQualifiers() const;
    CIMParameter& setQualifiers(const CIMQualifierArray& quals);
    // Looked up ignoring case; a null qualifier when absent.
    CIMQualifier getQualifier(const CIMName& name) const;
    // Replaces a qualifier of the same name, else appends.
    CIMParameter& setQualifier(const CIMQualifier& qual);
    bool hasTrueQualifier(const CIMName& name) const;
    String toString() const;
    // "[IN, OUT] string Name[]" without a trailing separator.
    String toMOF() const;

    struct Impl;

private:
    COWReference<Impl> m_impl;
};

}  // namespace OpenWBEM

#endif
