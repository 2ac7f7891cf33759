// The dispatcher's status mapping against an in-process provider, and the
// real provider library loaded and listed through loader and dispatcher.
#include "Dispatcher.hpp"
#include "HostEnvironment.hpp"
#include "ProviderHarness.hpp"
#include "ProviderLoader.hpp"

#include "OW_CIMException.hpp"
#include "OW_CppInstanceProviderIFC.hpp"
#include "OW_CppMethodProviderIFC.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

using namespace OpenWBEM;
using namespace qvx_cimom;
using qvx_test::Harness;

namespace {

TEST(StatusName, AllCodes) {
    const char* names[] = {"CIM_ERR_FAILED",
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
    for (int code = 1; code <= 17; ++code) EXPECT_EQ(names[code - 1], cimStatusName(code));
    EXPECT_EQ("CIM_ERR_UNKNOWN_18", cimStatusName(18));
    EXPECT_EQ("CIM_ERR_UNKNOWN_0", cimStatusName(0));
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
    IntrusiveReference<ThrowingProvider> p(new ThrowingProvider);
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
        CIMInstance inst(c.cls);
        std::vector<CIMObjectPath> paths;
        std::vector<CIMInstance> all;
        CIMInstance got(CIMNULL);
        CIMObjectPath made(CIMNULL);
        CIMParamValueArray in, out;
        CIMValue ret(CIMNULL);
        Status results[] = {d.enumInstanceNames(c.cls, paths),
                            d.enumInstances(c.cls, all),
                            d.getInstance(path, got),
                            d.modifyInstance(inst, inst),
                            d.createInstance(inst, made),
                            d.deleteInstance(path),
                            d.invokeMethod(path, "Reset", in, out, ret)};
        for (const Status& s : results) {
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

// Real provider, real simulator libraries, own appliance file and registry.
class RealProvider : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("qvx-cimom-dispatch-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "appliance.yaml") << "expansion_chassis:\n"
                                                 "  - present: true\n"
                                                 "  - present: true\n";
        setenv("QVX_SIM_APPLIANCE", (dir / "appliance.yaml").c_str(), 1);
        setenv("QVX_SIM_REGISTRY", (dir / "registry.db").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("QVX_SIM_APPLIANCE");
        unsetenv("QVX_SIM_REGISTRY");
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::filesystem::path dir;
};

TEST_F(RealProvider, ListsAndReadsAllThreeClasses) {
    Harness h;
    ProviderLoader loader(QVX_PROVIDER_LIBRARY, h.env);
    loader.load();
    EXPECT_EQ("QVXInventoryProvider", loader.providerId());
    Dispatcher d(loader.provider(), h.env);
    struct Case {
        const char* cls;
        size_t count;
        size_t properties;
    } cases[] = {{"QVX_Z64Chassis", 1, 20},
                 {"QVX_Z64ExpansionChassis", 2, 9},
                 {"QVX_MBMLogicalModule", 2, 8}};
    for (const Case& c : cases) {
        std::vector<CIMObjectPath> paths;
        std::vector<CIMInstance> all;
        ASSERT_TRUE(d.enumInstanceNames(c.cls, paths).ok()) << c.cls;
        ASSERT_TRUE(d.enumInstances(c.cls, all).ok()) << c.cls;
        ASSERT_EQ(c.count, paths.size()) << c.cls;
        ASSERT_EQ(c.count, all.size()) << c.cls;
        for (size_t i = 0; i < paths.size(); ++i) {
            CIMInstance one(CIMNULL);
            ASSERT_TRUE(d.getInstance(paths[i], one).ok()) << c.cls;
            EXPECT_EQ(String(c.cls), one.getClassName());
            EXPECT_EQ(c.properties, one.getProperties().size()) << c.cls;
            EXPECT_EQ(all[i].toString(), one.toString());
        }
    }
    std::vector<CIMObjectPath> none;
    Status s = d.enumInstanceNames("QVX_Chassis", none);
    EXPECT_EQ("CIM_ERR_INVALID_CLASS", s.text());
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(h.logger->lines().empty());
    loader.shutdown();
}

}  // namespace
