// Calls the seven request operations of a loaded provider with the argument
// types the object manager uses, and turns exceptions into a status.
#ifndef QVX_CIMOM_DISPATCHER_HPP
#define QVX_CIMOM_DISPATCHER_HPP

#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMParamValue.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CppProviderBaseIFC.hpp"
#include "OW_ProviderEnvironmentIFC.hpp"

#include <string>
#include <vector>

namespace qvx_cimom {

// DMTF name of a CIM status code: "CIM_ERR_FAILED" for 1 ... up to
// "CIM_ERR_METHOD_NOT_FOUND" for 17; "CIM_ERR_UNKNOWN_<n>" otherwise.
std::string cimStatusName(int code);

struct Status {
    int code = 0;  // 0: success
    std::string name;
    std::string description;

    bool ok() const { return code == 0; }
    // "NAME: description", or the name alone without a description.
    std::string text() const;
};

class Dispatcher {
public:
    static const char* const kNamespace;

    Dispatcher(OpenWBEM::CppProviderBaseIFC& provider, OpenWBEM::ProviderEnvironmentIFCRef env);

    Status enumInstanceNames(const std::string& className,
                             std::vector<OpenWBEM::CIMObjectPath>& out);
    Status enumInstances(const std::string& className, std::vector<OpenWBEM::CIMInstance>& out);
    Status getInstance(const OpenWBEM::CIMObjectPath& path, OpenWBEM::CIMInstance& out);
    // propertyList null: all properties.
    Status modifyInstance(const OpenWBEM::CIMInstance& modified,
                          const OpenWBEM::CIMInstance& previous,
                          const std::vector<std::string>* propertyList = nullptr);
    Status createInstance(const OpenWBEM::CIMInstance& instance, OpenWBEM::CIMObjectPath& out);
    Status deleteInstance(const OpenWBEM::CIMObjectPath& path);
    Status invokeMethod(const OpenWBEM::CIMObjectPath& path, const std::string& method,
                        const OpenWBEM::CIMParamValueArray& in, OpenWBEM::CIMParamValueArray& out,
                        OpenWBEM::CIMValue& result);

private:
    template <class Call>
    Status instanceCall(Call call);
    template <class Call>
    Status guarded(Call call);

    OpenWBEM::CppProviderBaseIFC& m_provider;
    OpenWBEM::ProviderEnvironmentIFCRef m_env;
};

}  // namespace qvx_cimom

#endif
