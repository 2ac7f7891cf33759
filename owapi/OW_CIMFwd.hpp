#ifndef OW_CIMFWD_HPP_INCLUDE_GUARD_
#define OW_CIMFWD_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_ArrayFwd.hpp"

namespace OpenWBEM {

class String;
typedef Array<String> StringArray;
class Bool;
typedef Array<Bool> BoolArray;
class CIMDataType;
class CIMValue;
class CIMProperty;
class CIMQualifier;
class CIMInstance;
class CIMObjectPath;
class CIMDateTime;
class CIMClass;
class CIMParamValue;
class CIMMethod;
class CIMParameter;

typedef Array<CIMValue> CIMValueArray;
typedef Array<CIMProperty> CIMPropertyArray;
typedef Array<CIMQualifier> CIMQualifierArray;
typedef Array<CIMInstance> CIMInstanceArray;
typedef Array<CIMObjectPath> CIMObjectPathArray;
typedef Array<CIMDateTime> CIMDateTimeArray;
typedef Array<CIMClass> CIMClassArray;
typedef Array<CIMParamValue> CIMParamValueArray;
typedef Array<CIMMethod> CIMMethodArray;
typedef Array<CIMParameter> CIMParameterArray;

}  // namespace OpenWBEM

#endif
