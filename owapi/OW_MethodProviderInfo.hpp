#ifndef OW_METHODPROVIDERINFO_HPP_INCLUDE_GUARD_
#define OW_METHODPROVIDERINFO_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_ProviderInfoBase.hpp"

namespace OpenWBEM {

struct MethodProviderClassInfo {
    explicit MethodProviderClassInfo(String const& className_) : className(className_) {}
    MethodProviderClassInfo(String const& className_, StringArray const& namespaces_,
                            StringArray const& methods_)
        : className(className_), namespaces(namespaces_), methods(methods_) {}
    String className;
    StringArray namespaces;
    StringArray methods;
};

class MethodProviderInfo : public ProviderInfoBase<MethodProviderClassInfo> {};

}  // namespace OpenWBEM

#endif
