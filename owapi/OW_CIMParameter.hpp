#ifndef OW_CIMPARAMETER_HPP_INCLUDE_GUARD_
#define OW_CIMPARAMETER_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMFwd.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_COWReference.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

// A method parameter as a class declares it: name, type and qualifiers
// (IN, OUT, Description, ...). It carries no value.
class CIMParameter {
private:
    struct dummy {
        void nonnull() {}
    };
    typedef void (dummy::*safe_bool)();

public:
    CIMParameter();
    explicit CIMParameter(CIMNULL_t);
    explicit CIMParameter(const String& name);
    explicit CIMParameter(const char* name);
    CIMParameter(const CIMParameter& x);
    ~CIMParameter();
    CIMParameter& operator=(const CIMParameter& x);

    operator safe_bool() const { return m_impl.isNull() ? 0 : &dummy::nonnull; }
    safe_bool operator!() const { return m_impl.isNull() ? &dummy::nonnull : 0; }

    String getName() const;
    void setName(const String& name);
    CIMDataType getType() const;
    CIMParameter& setDataType(const CIMDataType& type);
    CIMQualifierArray getQualifiers() const;
    CIMParameter& setQualifiers(const CIMQualifierArray& quals);
    // Looked up ignoring case; a null qualifier when absent.
    CIMQualifier getQualifier(const String& name) const;
    bool hasTrueQualifier(const String& name) const;
    String toString() const;
    // "[IN, OUT] string Name[]" without a trailing separator.
    String toMOF() const;

    struct Impl;

private:
    COWReference<Impl> m_impl;
};

}  // namespace OpenWBEM

#endif
