// The dispatcher's status names and its mapping of what the provider throws;
// the real provider through it is the CLI and wbemcli tests'.
#include "Dispatcher.hpp"
#include "ProviderHarness.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMException.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMParamValue.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CppInstanceProviderIFC.hpp"
#include "OW_CppMethodProviderIFC.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace OpenWBEM;
using namespace qvx_cimom;
using qvx_test::Harness;

namespace {

// Both ends of the table, and the codes outside it.
TEST(StatusName, EdgesOfTheTable) {
    std::string names;
    for (int code : {0, 1, 17, 18}) names += cimStatusName(code) + " ";
    EXPECT_EQ("CIM_ERR_UNKNOWN_0 CIM_ERR_FAILED CIM_ERR_METHOD_NOT_FOUND CIM_ERR_UNKNOWN_18 ",
              names);
}

// Throws what the class name asks for, from every operation.
class ThrowingProvider : public CppInstanceProviderIFC, public CppMethodProviderIFC {
public:
    static void raise(const String& cls) {
        if (cls == "Failed") OW_THROWCIMMSG(CIMException::FAILED, "it broke");
        if (cls == "NotFound") OW_THROWCIM(CIMException::NOT_FOUND);
        if (cls == "Std") throw std::runtime_error("plain error");
        throw 42;
    }
    void enumInstanceNames(const ProviderEnvironmentIFCRef&, const String&, const String& cls,
                           CIMObjectPathResultHandlerIFC&, const CIMClass&) override {
        raise(cls);
    }
    CIMInstance getInstance(const ProviderEnvironmentIFCRef&, const String&,
                            const CIMObjectPath& path, WBEMFlags::ELocalOnlyFlag,
                            WBEMFlags::EIncludeQualifiersFlag, WBEMFlags::EIncludeClassOriginFlag,
                            const StringArray*, const CIMClass&) override {
        raise(path.getClassName());
        return CIMInstance(CIMNULL);
    }
    CIMObjectPath createInstance(const ProviderEnvironmentIFCRef&, const String&,
                                 const CIMInstance& i) override {
        raise(i.getClassName());
        return CIMObjectPath(CIMNULL);
    }
    void modifyInstance(const ProviderEnvironmentIFCRef&, const String&, const CIMInstance& i,
                        const CIMInstance&, WBEMFlags::EIncludeQualifiersFlag, const StringArray*,
                        const CIMClass&) override {
        raise(i.getClassName());
    }
    void deleteInstance(const ProviderEnvironmentIFCRef&, const String&,
                        const CIMObjectPath& p) override {
        raise(p.getClassName());
    }
    CIMValue invokeMethod(const ProviderEnvironmentIFCRef&, const String&, const CIMObjectPath& p,
                          const String&, const CIMParamValueArray&, CIMParamValueArray&) override {
        raise(p.getClassName());
        return CIMValue(CIMNULL);
    }
};

// Each operation reports what the provider throws; what it hands the real
// provider is the wbemcli test's.
TEST(Dispatcher, ExceptionsBecomeStatus) {
    Reference<ThrowingProvider> p(new ThrowingProvider);
    Harness h;
    Dispatcher d(*p, h.env);
    const char* cases[][2] = {{"Failed", "CIM_ERR_FAILED: it broke"},
                              {"NotFound", "CIM_ERR_NOT_FOUND"},
                              {"Std", "CIM_ERR_FAILED: plain error"},
                              {"Odd", "CIM_ERR_FAILED: exception of unknown type"}};
    for (const auto& c : cases) {
        CIMObjectPath path(c[0], "root/cimv2"), made(CIMNULL);
        CIMInstance inst(c[0]), got(CIMNULL);
        std::vector<CIMObjectPath> paths;
        std::vector<CIMInstance> all;
        CIMParamValueArray in, out;
        CIMValue ret(CIMNULL);
        for (const Status& s :
             {d.enumInstanceNames(c[0], paths), d.enumInstances(c[0], all),
              d.getInstance(path, got), d.modifyInstance(inst, inst), d.createInstance(inst, made),
              d.deleteInstance(path), d.invokeMethod(path, "M", in, out, ret)})
            EXPECT_EQ(c[1], s.text());
    }
}

}  // namespace
