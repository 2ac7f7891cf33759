// The dispatcher's status names and its mapping of what an in-process
// provider throws; the real provider through it is the CLI test's.
#include "Dispatcher.hpp"
#include "ProviderHarness.hpp"

#include "OW_CIMClass.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMProperty.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CIMParamValue.hpp"
#include "OW_CIMException.hpp"
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

// Throws by class name, and records what each operation was given.
class ThrowingProvider : public CppInstanceProviderIFC, public CppMethodProviderIFC {
public:
    String lastNamespace;
    bool sawNullClass = false;
    bool sawNullList = true;

    static void raise(const String& cls) {
        if (cls == "Failed") OW_THROWCIMMSG(CIMException::FAILED, "it broke");
        if (cls == "NotFound") OW_THROWCIM(CIMException::NOT_FOUND);
        if (cls == "Std") throw std::runtime_error("plain error");
        if (cls == "Odd") throw 42;
    }
    void enumInstanceNames(const ProviderEnvironmentIFCRef&, const String& ns, const String& cls,
                           CIMObjectPathResultHandlerIFC& result, const CIMClass& c) override {
        lastNamespace = ns;
        sawNullClass = !c;
        raise(cls);
        result.handle(CIMObjectPath(cls.c_str(), ns));
    }
    CIMInstance getInstance(const ProviderEnvironmentIFCRef&, const String& ns,
                            const CIMObjectPath& path, WBEMFlags::ELocalOnlyFlag,
                            WBEMFlags::EIncludeQualifiersFlag, WBEMFlags::EIncludeClassOriginFlag,
                            const StringArray* list, const CIMClass& c) override {
        lastNamespace = ns;
        sawNullClass = !c;
        sawNullList = list == nullptr;
        raise(path.getClassName());
        return CIMInstance(path.getClassName().c_str());
    }
    CIMObjectPath createInstance(const ProviderEnvironmentIFCRef&, const String&,
                                 const CIMInstance& i) override {
        raise(i.getClassName());
        return CIMObjectPath(i.getClassName().c_str());
    }
    void modifyInstance(const ProviderEnvironmentIFCRef&, const String&, const CIMInstance& i,
                        const CIMInstance&, WBEMFlags::EIncludeQualifiersFlag,
                        const StringArray* list, const CIMClass& c) override {
        sawNullClass = !c;
        sawNullList = list == nullptr;
        raise(i.getClassName());
    }
    void deleteInstance(const ProviderEnvironmentIFCRef&, const String&,
                        const CIMObjectPath& p) override {
        raise(p.getClassName());
    }
    CIMValue invokeMethod(const ProviderEnvironmentIFCRef&, const String&, const CIMObjectPath& p,
                          const String& method, const CIMParamValueArray&,
                          CIMParamValueArray&) override {
        raise(p.getClassName());
        return CIMValue(method);
    }
};

TEST(Dispatcher, ExceptionsBecomeStatus) {
    Reference<ThrowingProvider> p(new ThrowingProvider);
    Harness h;
    Dispatcher d(*p, h.env);
    struct Case {
        const char* cls;
        int code;
        const char* text;
    } cases[] = {{"Fine", 0, ""},
                 {"Failed", 1, "CIM_ERR_FAILED: it broke"},
                 {"NotFound", 6, "CIM_ERR_NOT_FOUND"},
                 {"Std", 1, "CIM_ERR_FAILED: plain error"},
                 {"Odd", 1, "CIM_ERR_FAILED: exception of unknown type"}};
    for (const Case& c : cases) {
        CIMObjectPath path(c.cls, "root/cimv2");
        CIMInstance inst(c.cls), got(CIMNULL);
        std::vector<CIMObjectPath> paths;
        std::vector<CIMInstance> all;
        CIMObjectPath made(CIMNULL);
        CIMParamValueArray in, out;
        CIMValue ret(CIMNULL);
        for (const Status& s : {d.enumInstanceNames(c.cls, paths), d.enumInstances(c.cls, all),
                                d.getInstance(path, got), d.modifyInstance(inst, inst),
                                d.createInstance(inst, made), d.deleteInstance(path),
                                d.invokeMethod(path, "Reset", in, out, ret)}) {
            EXPECT_EQ(c.code, s.code) << c.cls;
            if (c.code) {
                EXPECT_EQ(c.text, s.text()) << c.cls;
            }
        }
        if (c.code == 0) {
            ASSERT_EQ(1u, paths.size());
            ASSERT_EQ(1u, all.size());
            EXPECT_EQ(String("Fine"), all[0].getClassName());
            EXPECT_EQ(String("Fine"), got.getClassName());
            EXPECT_EQ(String("Reset"), ret.toString());
        }
        EXPECT_EQ(String("root/cimv2"), p->lastNamespace);
        EXPECT_TRUE(p->sawNullClass);
        EXPECT_TRUE(p->sawNullList);
    }
}

}  // namespace
