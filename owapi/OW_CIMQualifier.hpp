#ifndef OW_CIMQUALIFIER_HPP_INCLUDE_GUARD_
#define OW_CIMQUALIFIER_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_Array.hpp"
#include "OW_CIMFwd.hpp"
#include "OW_CIMName.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_CIMValue.hpp"
#include "OW_COWReference.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

// A qualifier as it stands on a class or property: a name and a value.
class CIMQualifier {
public:
    static const char* const CIM_QUAL_KEY;          // "Key"
    static const char* const CIM_QUAL_WRITE;        // "Write"
    static const char* const CIM_QUAL_PROVIDER;     // "Provider"
    static const char* const CIM_QUAL_DESCRIPTION;  // "Description"

    CIMQualifier();
    explicit CIMQualifier(CIMNULL_t);
    explicit CIMQualifier(const CIMName& name);
    explicit CIMQualifier(const char* name);
    CIMQualifier(const CIMName& name, const CIMValue& value);
    CIMQualifier(const CIMQualifier& x);
    ~CIMQualifier();
    CIMQualifier& operator=(const CIMQualifier& x);

    String getName() const;
    void setName(const CIMName& name);
    CIMValue getValue() const;
    CIMQualifier& setValue(const CIMValue& value);
    // A boolean qualifier that is true, or one without a value.
    bool isTrue() const;
    String toString() const;
    String toMOF() const;
    explicit operator bool() const { return !m_impl.isNull(); }
    bool operator!() const { return m_impl.isNull(); }

    struct Impl;

private:
    COWReference<Impl> m_impl;
};

// Qualifier lists of the element classes. The qualifier of that name
// (compared without regard to case) in quals, or a null qualifier.
CIMQualifier findQualifier(const CIMQualifierArray& quals, const CIMName& name);
// Replaces the qualifier of the same name in quals, or appends it; a null
// qualifier changes nothing.
void putQualifier(CIMQualifierArray& quals, const CIMQualifier& qual);

}  // namespace OpenWBEM

#endif
