// Small provider libraries for the loader's tests, one per variant. They
// link nothing of owapi: the loading test executable supplies those symbols,
// and qvxTestRecord, through which they report their life cycle.
#include "OW_CIMException.hpp"
#include "OW_CppProviderBaseIFC.hpp"

extern "C" void qvxTestRecord(const char* event);

using OpenWBEM::CIMException;

namespace {

class TestProvider : public OpenWBEM::CppProviderBaseIFC {
public:
    TestProvider() { qvxTestRecord("construct"); }
    ~TestProvider() override { qvxTestRecord("destroy"); }
    void initialize(const OpenWBEM::ProviderEnvironmentIFCRef&) override {
        qvxTestRecord("initialize");
#ifdef QVX_THROW_ON_INITIALIZE
        OW_THROWCIMMSG(CIMException::FAILED, "no hardware here");
#endif
    }
};

}  // namespace

#define QVX_FACTORY_NAMED(name)                                       \
    extern "C" OpenWBEM::CppProviderBaseIFC* createProvider##name() { \
        return QVX_FACTORY_RESULT;                                    \
    }
// A variant may make its factory hand back nothing.
#ifndef QVX_FACTORY_RESULT
#define QVX_FACTORY_RESULT new TestProvider
#endif
// One more level, so that the name macro is expanded before pasting.
#define QVX_FACTORY(name) QVX_FACTORY_NAMED(name)

#if defined(QVX_VERSION)
extern "C" const char* getOWVersion() {
    return QVX_VERSION;
}
#endif
#if defined(QVX_FACTORY_NAME)
QVX_FACTORY(QVX_FACTORY_NAME)
#endif
