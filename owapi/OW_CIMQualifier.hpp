#ifndef OW_CIMQUALIFIER_HPP_INCLUDE_GUARD_
#define OW_CIMQUALIFIER_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMFwd.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_COWReference.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

// A qualifier as it stands on a class or property: a name and a value.
class CIMQualifier {
private:
    struct dummy {
        void nonnull() {}
    };
    typedef void (dummy::*safe_bool)();

public:
    static const char* const CIM_QUAL_KEY;          // "Key"
    static const char* const CIM_QUAL_WRITE;        // "Write"
    static const char* const CIM_QUAL_PROVIDER;     // "Provider"
    static const char* const CIM_QUAL_DESCRIPTION;  // "Description"

    CIMQualifier();
    explicit CIMQualifier(CIMNULL_t);
    CIMQualifier(const String& name);
    CIMQualifier(const char* name);
    CIMQualifier(const CIMQualifier& x);
    ~CIMQualifier();
    CIMQualifier& operator=(const CIMQualifier& x);

    String getName() const;
    void setName(const String& name);
    CIMValue getValue() const;
    CIMQualifier& setValue(const CIMValue& value);
    String toString() const;
    String toMOF() const;
    operator safe_bool() const { return m_impl.isNull() ? 0 : &dummy::nonnull; }
    safe_bool operator!() const { return m_impl.isNull() ? &dummy::nonnull : 0; }

    struct Impl;

private:
    COWReference<Impl> m_impl;
};

}  // namespace OpenWBEM

#endif
