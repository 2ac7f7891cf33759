// The composite provider as the object manager drives it: routing by exact
// class name, the refusals, the guard of each class and the logger it takes
// in initialize.
#include "ProviderTest.hpp"

#include <stdexcept>

using namespace qvx_test;

namespace {

struct Served {
    const char* className;
    const char* file;  // the provider unit that refuses and guards
};
const Served kServed[] = {
    {"QVX_Z64Chassis", "QVX_Z64ChassisProvider.cpp"},
    {"QVX_Z64ExpansionChassis", "QVX_Z64ExpansionChassisProviderNew.cpp"},
    {"QVX_MBMLogicalModule", "QVX_MBMProvider.cpp"},
};

// A request handler that fails the way a faulty object manager could.
template <class T>
class ThrowingCollector : public ResultHandlerIFC<T> {
protected:
    void doHandle(const T&) override { throw std::runtime_error("handler broke"); }
};

class RoutingTest : public ProviderTest {
protected:
    // Every operation on the class: create, delete and invoke first.
    std::vector<std::function<void()>> operations(const char* cls) {
        CIMObjectPath path(cls, "root/cimv2");
        CIMInstance inst(cls);
        auto i = provider->getInstanceProvider();
        return {[=] { i->createInstance(env(), "root/cimv2", inst); },
                [=] { i->deleteInstance(env(), "root/cimv2", path); },
                [=] {
                    CIMParamValueArray out;
                    provider->getMethodProvider()->invokeMethod(env(), "root/cimv2", path, "Reset",
                                                                CIMParamValueArray(), out);
                },
                [=] { names(cls); },
                [=] { instances(cls); },
                [=] { get(path); },
                [=] { modify(inst); }};
    }
};

// Unserved names, also served ones in another letter case, are INVALID_CLASS
// for every operation; create, delete and invoke are NOT_SUPPORTED for served ones.
TEST_F(RoutingTest, RefusedOperations) {
    for (const char* name : {"QVX_Chassis", "qvx_z64chassis", "QVX_Z64EXPANSIONCHASSIS",
                             "qvx_mbmlogicalmodule", "QVX_MBMLogicalModule ", ""}) {
        for (auto& op : operations(name)) {
            EXPECT_EQ(error(CIMException::INVALID_CLASS, "QVX_InventoryProvider.cpp"),
                      describe(cimError(op)))
                << name;
        }
    }
    for (const Served& s : kServed) {
        std::vector<std::function<void()>> ops = operations(s.className);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(error(CIMException::NOT_SUPPORTED, s.file), describe(cimError(ops[i])));
        }
    }
    EXPECT_TRUE(logged().empty());
    EXPECT_TRUE(platform().calls().empty());
}

// What fails inside each class's guard names the operation and its subject,
// logged to the request's logger.
TEST_F(RoutingTest, EachClassGuardsEachOperation) {
    for (const Served& s : kServed) {
        const CIMObjectPath path = names(s.className).at(0);
        CIMInstance change = get(path);
        change.setProperty("UserTracking", CIMValue("x"));
        const struct {
            const char* operation;
            String subject;
            const char* breaks;  // throws "<breaks> broke": a platform call or the handler
            std::function<void(const Client&)> run;
        } rows[] = {
            {"enumInstanceNames", s.className, "handler",
             [&](const Client& c) {
                 ThrowingCollector<CIMObjectPath> handler;
                 c.provider->getInstanceProvider()->enumInstanceNames(
                     c.env(), "root/cimv2", s.className, handler, CIMClass(CIMNULL));
             }},
            {"enumInstances", s.className, "handler",
             [&](const Client& c) {
                 ThrowingCollector<CIMInstance> handler;
                 c.instancesInto(s.className, handler);
             }},
            {"getInstance", path.toString(), "KduGetRegEntryString",
             [&](const Client& c) { c.get(path); }},
            {"modifyInstance", change.toString(), "KduSetRegEntryString",
             [&](const Client& c) { c.modify(change); }},
        };
        for (const auto& row : rows) {
            platform().reset();
            platform().throwFrom(row.breaks);  // no platform call is named "handler"
            const Client request(provider);
            const std::string message =
                guardMessage(row.operation, row.subject, row.breaks + std::string(" broke\n"));
            EXPECT_EQ(error(CIMException::FAILED, s.file, message),
                      describe(cimError([&] { row.run(request); })));
            EXPECT_EQ(std::vector<std::string>{"ERROR: " + message},
                      request.harness.logger->lines());
        }
        // modify looks its keys up before the guard: what is not a CIM error
        // there passes through as it is, unlogged. Keys that are not text
        // cannot be read as such.
        CIMInstance numeric(s.className);
        for (const CIMProperty& k : path.getKeys()) {
            numeric.setProperty(k.getName(), CIMValue(UInt8(3)));
        }
        bool passedThrough = false;
        try {
            modify(numeric);
        } catch (const CIMException&) {
        } catch (const std::exception&) {
            passedThrough = true;
        }
        EXPECT_TRUE(passedThrough) << s.className;
    }
    EXPECT_TRUE(logged().empty());
}

// The object manager applies no property list and no flag for the provider,
// and the provider applies none either: every property comes back, and a
// modify writes whatever the list says.
TEST_F(RoutingTest, FlagsAndPropertyListsChangeNothing) {
    const StringArray onlyTag(1, String("Tag"));
    const StringArray none;
    for (const Served& s : kServed) {
        std::vector<CIMInstance> plain = instances(s.className);
        InstanceCollector flagged;
        provider->getInstanceProvider()->enumInstances(
            env(), "root/cimv2", s.className, flagged, E_LOCAL_ONLY, E_SHALLOW,
            E_INCLUDE_QUALIFIERS, E_INCLUDE_CLASS_ORIGIN, &onlyTag, CIMClass(CIMNULL),
            CIMClass(CIMNULL));
        ASSERT_EQ(plain.size(), flagged.items.size());
        CIMObjectPath path = names(s.className).at(0);
        CIMInstance got = provider->getInstanceProvider()->getInstance(
            env(), "root/cimv2", path, E_LOCAL_ONLY, E_INCLUDE_QUALIFIERS, E_INCLUDE_CLASS_ORIGIN,
            &onlyTag, CIMClass(CIMNULL));
        EXPECT_EQ(plain[0].toString(), flagged.items[0].toString());
        EXPECT_EQ(plain[0].toString(), got.toString());

        got.setProperty("UserTracking", CIMValue("listed nowhere"));
        provider->getInstanceProvider()->modifyInstance(
            env(), "root/cimv2", got, got, E_INCLUDE_QUALIFIERS, &none, CIMClass(CIMNULL));
        EXPECT_EQ("string listed nowhere", typedProperty(get(path), "UserTracking"));
    }
}

TEST_F(RoutingTest, EachFactoryCallMakesAProviderSharingTheLogger) {
    Reference<CppProviderBaseIFC> second(createProviderQVXInventoryProvider());
    EXPECT_NE(provider.getPtr(), second.getPtr());
    // A later initialize replaces the shared logger for every composite.
    Harness later;
    second->initialize(later.env);
    platform().fail("osGetSerialNumber", 9);
    cimError([&] { instances("QVX_Z64Chassis"); });
    EXPECT_TRUE(logged().empty());
    EXPECT_EQ(std::vector<std::string>{"ERROR: Failed to retrieve property SerialNumber: "
                                       "osGetSerialNumber() failed 9"},
              later.logger->lines());
}

}  // namespace
