#ifndef OW_CIMNAME_HPP_INCLUDE_GUARD_
#define OW_CIMNAME_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_String.hpp"

namespace OpenWBEM {

// A CIM element name: compared without regard to letter case, keeping the
// spelling it was given.
class CIMName {
public:
    CIMName() {}
    CIMName(const String& name) : m_name(name) {}
    CIMName(const char* name) : m_name(name) {}
    String toString() const { return m_name; }
    bool isValid() const { return !m_name.empty(); }
    explicit operator bool() const { return isValid(); }
    bool operator!() const { return !isValid(); }

private:
    String m_name;
};

inline bool operator==(const CIMName& a, const CIMName& b) {
    return a.toString().equalsIgnoreCase(b.toString());
}
inline bool operator!=(const CIMName& a, const CIMName& b) { return !(a == b); }
inline bool operator<(const CIMName& a, const CIMName& b) {
    return a.toString().compareToIgnoreCase(b.toString()) < 0;
}
std::ostream& operator<<(std::ostream& ostr, const CIMName& name);

}  // namespace OpenWBEM

#endif
