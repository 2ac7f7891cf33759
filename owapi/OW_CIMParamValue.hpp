#ifndef OW_CIMPARAMVALUE_HPP_INCLUDE_GUARD_
#define OW_CIMPARAMVALUE_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CIMFwd.hpp"
#include "OW_CIMNULL.hpp"
#include "OW_COWReference.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

// A named method parameter value.
class CIMParamValue {
private:
    struct dummy {
        void nonnull() {}
    };
    typedef void (dummy::*safe_bool)();

public:
    CIMParamValue();
    explicit CIMParamValue(CIMNULL_t);
    CIMParamValue(const String& name, const CIMValue& val);
    explicit CIMParamValue(const String& name);
    CIMParamValue(const CIMParamValue& arg);
    ~CIMParamValue();
    CIMParamValue& operator=(const CIMParamValue& arg);

    String getName() const;
    CIMParamValue& setName(const String& name);
    CIMValue getValue() const;
    CIMParamValue& setValue(const CIMValue& val);
    // "CIMParamValue(" + name + "): " + value text.
    String toString() const;
    operator safe_bool() const { return m_impl.isNull() ? 0 : &dummy::nonnull; }
    safe_bool operator!() const { return m_impl.isNull() ? &dummy::nonnull : 0; }

    struct Impl;

private:
    COWReference<Impl> m_impl;
};

}  // namespace OpenWBEM

#endif
