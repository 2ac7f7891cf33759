// Qualifier-list helpers the CIM element classes share. Not part of the
// provider API: only owapi's own units include this.
#ifndef OWAPI_QUALIFIER_LIST_HPP
#define OWAPI_QUALIFIER_LIST_HPP
#include "OW_CIMQualifier.hpp"
#include "OW_Array.hpp"

namespace OpenWBEM {
namespace internal {

// The qualifier of that name (compared without regard to case), or a null one.
CIMQualifier findQualifier(const CIMQualifierArray& quals, const String& name);
// Replaces the qualifier of the same name, or appends; a null one changes nothing.
void putQualifier(CIMQualifierArray& quals, const CIMQualifier& qual);
// A boolean qualifier that is true, or one without a value (as Key is written).
bool isTrue(const CIMQualifier& q);

}  // namespace internal
}  // namespace OpenWBEM

#endif
