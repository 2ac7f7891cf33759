#ifndef OW_BOOL_HPP_INCLUDE_GUARD_
#define OW_BOOL_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_String.hpp"

namespace OpenWBEM {

class Bool {
public:
    Bool() : m_val(false) {}
    Bool(bool val) : m_val(val) {}
    operator bool() const { return m_val; }
    bool operator!() const { return !m_val; }
    bool operator==(const Bool& arg) const { return m_val == arg.m_val; }
    bool operator==(bool arg) const { return m_val == arg; }
    bool operator!=(const Bool& arg) const { return m_val != arg.m_val; }
    bool operator!=(bool arg) const { return m_val != arg; }
    String toString() const { return String(m_val ? "true" : "false"); }

private:
    // Stop pointers from turning into a Bool.
    Bool(const void*);
    Bool(void*);
    Bool(volatile const void*);
    Bool(volatile void*);
    bool m_val;
};

}  // namespace OpenWBEM

#endif
