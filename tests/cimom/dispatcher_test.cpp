// The dispatcher's status names, what it hands an in-process provider, and
// its mapping of what the provider throws; the real provider through it is
// the CLI test's.
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

TEST(StatusName, AllCodes) {
    std::string names;
    for (int code = 0; code <= 18; ++code) names += cimStatusName(code) + " ";
    EXPECT_EQ(
        "CIM_ERR_UNKNOWN_0 CIM_ERR_FAILED CIM_ERR_ACCESS_DENIED CIM_ERR_INVALID_NAMESPACE "
        "CIM_ERR_INVALID_PARAMETER CIM_ERR_INVALID_CLASS CIM_ERR_NOT_FOUND CIM_ERR_NOT_SUPPORTED "
        "CIM_ERR_CLASS_HAS_CHILDREN CIM_ERR_CLASS_HAS_INSTANCES CIM_ERR_INVALID_SUPERCLASS "
        "CIM_ERR_ALREADY_EXISTS CIM_ERR_NO_SUCH_PROPERTY CIM_ERR_TYPE_MISMATCH "
        "CIM_ERR_QUERY_LANGUAGE_NOT_SUPPORTED CIM_ERR_INVALID_QUERY CIM_ERR_METHOD_NOT_AVAILABLE "
        "CIM_ERR_METHOD_NOT_FOUND CIM_ERR_UNKNOWN_18 ",
        names);
}

// Throws by class name; notes in `seen` the namespace and whether the class
// and property list came as null, for each operation.
class ThrowingProvider : public CppInstanceProviderIFC, public CppMethodProviderIFC {
public:
    std::string seen;
    void note(const String& ns, const String& cls, bool nulls) {
        seen += std::string(ns.c_str()) + (nulls ? " " : " non-null ");
        if (cls == "Failed") OW_THROWCIMMSG(CIMException::FAILED, "it broke");
        if (cls == "NotFound") OW_THROWCIM(CIMException::NOT_FOUND);
        if (cls == "Std") throw std::runtime_error("plain error");
        if (cls == "Odd") throw 42;
    }
    void enumInstanceNames(const ProviderEnvironmentIFCRef&, const String& ns, const String& cls,
                           CIMObjectPathResultHandlerIFC& result, const CIMClass& c) override {
        note(ns, cls, !c);
        result.handle(CIMObjectPath(cls.c_str(), ns));
    }
    CIMInstance getInstance(const ProviderEnvironmentIFCRef&, const String& ns,
                            const CIMObjectPath& path, WBEMFlags::ELocalOnlyFlag,
                            WBEMFlags::EIncludeQualifiersFlag, WBEMFlags::EIncludeClassOriginFlag,
                            const StringArray* list, const CIMClass& c) override {
        note(ns, path.getClassName(), !c && !list);
        return CIMInstance(path.getClassName().c_str());
    }
    CIMObjectPath createInstance(const ProviderEnvironmentIFCRef&, const String& ns,
                                 const CIMInstance& i) override {
        note(ns, i.getClassName(), true);
        return CIMObjectPath(i.getClassName().c_str());
    }
    void modifyInstance(const ProviderEnvironmentIFCRef&, const String& ns, const CIMInstance& i,
                        const CIMInstance&, WBEMFlags::EIncludeQualifiersFlag,
                        const StringArray* list, const CIMClass& c) override {
        note(ns, i.getClassName(), !c && !list);
    }
    void deleteInstance(const ProviderEnvironmentIFCRef&, const String& ns,
                        const CIMObjectPath& p) override {
        note(ns, p.getClassName(), true);
    }
    CIMValue invokeMethod(const ProviderEnvironmentIFCRef&, const String& ns,
                          const CIMObjectPath& p, const String& method, const CIMParamValueArray&,
                          CIMParamValueArray&) override {
        note(ns, p.getClassName(), true);
        return CIMValue(method);
    }
};

TEST(Dispatcher, EachOperationReachesTheProvider) {
    Reference<ThrowingProvider> p(new ThrowingProvider);
    Harness h;
    Dispatcher d(*p, h.env);
    CIMObjectPath path("Fine", "root/cimv2"), made(CIMNULL);
    CIMInstance inst("Fine"), got(CIMNULL);
    std::vector<CIMObjectPath> paths;
    std::vector<CIMInstance> all;
    CIMParamValueArray in, out;
    CIMValue ret(CIMNULL);
    for (const Status& s :
         {d.enumInstanceNames("Fine", paths), d.enumInstances("Fine", all),
          d.getInstance(path, got), d.modifyInstance(inst, inst), d.createInstance(inst, made),
          d.deleteInstance(path), d.invokeMethod(path, "Reset", in, out, ret)})
        EXPECT_EQ(0, s.code) << s.text();
    // EnumInstances goes through the provider's enumInstanceNames and getInstance.
    std::string expected;
    for (int i = 0; i < 8; ++i) expected += "root/cimv2 ";
    EXPECT_EQ(expected, p->seen);
    ASSERT_EQ(1u, paths.size());
    ASSERT_EQ(1u, all.size());
    EXPECT_EQ(String("Fine"), all[0].getClassName());
    EXPECT_EQ(String("Fine"), got.getClassName());
    EXPECT_EQ(String("Fine"), made.getClassName());
    EXPECT_EQ(String("Reset"), ret.toString());
}

TEST(Dispatcher, ExceptionsBecomeStatus) {
    Reference<ThrowingProvider> p(new ThrowingProvider);
    Harness h;
    Dispatcher d(*p, h.env);
    const char* cases[][2] = {{"Failed", "CIM_ERR_FAILED: it broke"},
                              {"NotFound", "CIM_ERR_NOT_FOUND"},
                              {"Std", "CIM_ERR_FAILED: plain error"},
                              {"Odd", "CIM_ERR_FAILED: exception of unknown type"}};
    for (const auto& c : cases) {
        CIMObjectPath path(c[0], "root/cimv2");
        CIMInstance got(CIMNULL);
        CIMParamValueArray in, out;
        CIMValue ret(CIMNULL);
        for (const Status& s : {d.getInstance(path, got), d.invokeMethod(path, "M", in, out, ret)})
            EXPECT_EQ(c[1], s.text());
    }
}

}  // namespace
