#include "Dispatcher.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMException.hpp"
#include "OW_CppInstanceProviderIFC.hpp"
#include "OW_CppMethodProviderIFC.hpp"
#include "OW_ResultHandlerIFC.hpp"
#include "OW_WBEMFlags.hpp"

#include <exception>

using namespace OpenWBEM;

namespace qvx_cimom {

namespace {

const char* const kStatusNames[] = {"CIM_ERR_FAILED",
                                    "CIM_ERR_ACCESS_DENIED",
                                    "CIM_ERR_INVALID_NAMESPACE",
                                    "CIM_ERR_INVALID_PARAMETER",
                                    "CIM_ERR_INVALID_CLASS",
                                    "CIM_ERR_NOT_FOUND",
                                    "CIM_ERR_NOT_SUPPORTED",
                                    "CIM_ERR_CLASS_HAS_CHILDREN",
                                    "CIM_ERR_CLASS_HAS_INSTANCES",
                                    "CIM_ERR_INVALID_SUPERCLASS",
                                    "CIM_ERR_ALREADY_EXISTS",
                                    "CIM_ERR_NO_SUCH_PROPERTY",
                                    "CIM_ERR_TYPE_MISMATCH",
                                    "CIM_ERR_QUERY_LANGUAGE_NOT_SUPPORTED",
                                    "CIM_ERR_INVALID_QUERY",
                                    "CIM_ERR_METHOD_NOT_AVAILABLE",
                                    "CIM_ERR_METHOD_NOT_FOUND"};
const int kStatusCount = sizeof kStatusNames / sizeof kStatusNames[0];

Status failure(int code, const std::string& description) {
    Status s;
    s.code = code;
    s.name = cimStatusName(code);
    s.description = description;
    return s;
}

template <class T>
class VectorHandler : public ResultHandlerIFC<T> {
public:
    explicit VectorHandler(std::vector<T>& out) : m_out(out) {}

protected:
    void doHandle(const T& x) override { m_out.push_back(x); }

private:
    std::vector<T>& m_out;
};

}  // namespace

std::string cimStatusName(int code) {
    if (code >= 1 && code <= kStatusCount) return kStatusNames[code - 1];
    return "CIM_ERR_UNKNOWN_" + std::to_string(code);
}

std::string Status::text() const {
    return description.empty() ? name : name + ": " + description;
}

const char* const Dispatcher::kNamespace = "root/cimv2";

Dispatcher::Dispatcher(CppProviderBaseIFC& provider, ProviderEnvironmentIFCRef env)
    : m_provider(provider), m_env(env) {}

template <class Call>
Status Dispatcher::guarded(Call call) {
    try {
        call();
        return Status();
    } catch (const CIMException& e) {
        return failure(e.getErrNo(), e.Exception::getMessage());
    } catch (const std::exception& e) {
        return failure(CIMException::FAILED, e.what());
    } catch (...) {
        return failure(CIMException::FAILED, "exception of unknown type");
    }
}

template <class Call>
Status Dispatcher::instanceCall(Call call) {
    return guarded([&] {
        CppInstanceProviderIFC* p = m_provider.getInstanceProvider();
        if (!p) OW_THROWCIMMSG(CIMException::NOT_SUPPORTED, "not an instance provider");
        call(*p);
    });
}

Status Dispatcher::enumInstanceNames(const std::string& className,
                                     std::vector<CIMObjectPath>& out) {
    VectorHandler<CIMObjectPath> handler(out);
    return instanceCall([&](CppInstanceProviderIFC& p) {
        p.enumInstanceNames(m_env, kNamespace, className.c_str(), handler, CIMClass(CIMNULL));
    });
}

Status Dispatcher::enumInstances(const std::string& className, std::vector<CIMInstance>& out) {
    VectorHandler<CIMInstance> handler(out);
    return instanceCall([&](CppInstanceProviderIFC& p) {
        p.enumInstances(m_env, kNamespace, className.c_str(), handler, WBEMFlags::E_NOT_LOCAL_ONLY,
                        WBEMFlags::E_DEEP, WBEMFlags::E_EXCLUDE_QUALIFIERS,
                        WBEMFlags::E_EXCLUDE_CLASS_ORIGIN, nullptr, CIMClass(CIMNULL),
                        CIMClass(CIMNULL));
    });
}

Status Dispatcher::getInstance(const CIMObjectPath& path, CIMInstance& out) {
    return instanceCall([&](CppInstanceProviderIFC& p) {
        out = p.getInstance(m_env, kNamespace, path, WBEMFlags::E_NOT_LOCAL_ONLY,
                            WBEMFlags::E_EXCLUDE_QUALIFIERS, WBEMFlags::E_EXCLUDE_CLASS_ORIGIN,
                            nullptr, CIMClass(CIMNULL));
    });
}

Status Dispatcher::modifyInstance(const CIMInstance& modified, const CIMInstance& previous,
                                  const std::vector<std::string>* propertyList) {
    StringArray names;
    if (propertyList) {
        for (const std::string& n : *propertyList) names.push_back(String(n.c_str()));
    }
    return instanceCall([&](CppInstanceProviderIFC& p) {
        p.modifyInstance(m_env, kNamespace, modified, previous, WBEMFlags::E_EXCLUDE_QUALIFIERS,
                         propertyList ? &names : nullptr, CIMClass(CIMNULL));
    });
}

Status Dispatcher::createInstance(const CIMInstance& instance, CIMObjectPath& out) {
    return instanceCall(
        [&](CppInstanceProviderIFC& p) { out = p.createInstance(m_env, kNamespace, instance); });
}

Status Dispatcher::deleteInstance(const CIMObjectPath& path) {
    return instanceCall(
        [&](CppInstanceProviderIFC& p) { p.deleteInstance(m_env, kNamespace, path); });
}

Status Dispatcher::invokeMethod(const CIMObjectPath& path, const std::string& method,
                                const CIMParamValueArray& in, CIMParamValueArray& out,
                                CIMValue& result) {
    return guarded([&] {
        CppMethodProviderIFC* p = m_provider.getMethodProvider();
        if (!p) OW_THROWCIMMSG(CIMException::NOT_SUPPORTED, "not a method provider");
        result = p->invokeMethod(m_env, kNamespace, path, method.c_str(), in, out);
    });
}

}  // namespace qvx_cimom
