// The cost of each request of each class through the composite provider.
// Built twice: against constant-answer platform libraries (the provider's own
// cost) and against the simulator libraries (adds the platform's cost).
#include "OW_CIMClass.hpp"
#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_CIMValue.hpp"
#include "OW_CppInstanceProviderIFC.hpp"
#include "OW_CppProviderBaseIFC.hpp"
#include "OW_Logger.hpp"
#include "OW_ProviderEnvironmentIFC.hpp"
#include "OW_Reference.hpp"
#include "OW_ResultHandlerIFC.hpp"

#include <algorithm>
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <iostream>

extern "C" OpenWBEM::CppProviderBaseIFC* createProviderQVXInventoryProvider();

using namespace OpenWBEM;

// Counts heap allocations, for allocations per delivered instance.
static std::atomic<long> gAllocations(0);
void* operator new(std::size_t n) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

class NullLogger : public Logger {
public:
    NullLogger() : Logger(E_ERROR_LEVEL) {}

protected:
    void doLogMessage(const String&, const ELogLevel) const override {}
};

class Environment : public ProviderEnvironmentIFC {
public:
    CIMOMHandleIFCRef getCIMOMHandle() const override { return {}; }
    CIMOMHandleIFCRef getRepositoryCIMOMHandle() const override { return {}; }
    RepositoryIFCRef getRepository() const override { return {}; }
    LoggerRef getLogger() const override { return m_logger; }
    String getConfigItem(const String&, const String& d) const override { return d; }
    String getUserName() const override { return "bench"; }
    OperationContext& getOperationContext() override { return m_context; }

private:
    LoggerRef m_logger{new NullLogger};
    OperationContext m_context;
};

template <class T>
class Sink : public ResultHandlerIFC<T> {
public:
    size_t count = 0;
    T last{CIMNULL};

protected:
    void doHandle(const T& x) override {
        ++count;
        last = x;
    }
};

struct Fixture {
    Fixture() : env(new Environment), provider(createProviderQVXInventoryProvider()) {
        provider->initialize(env);
    }
    ProviderEnvironmentIFCRef env;
    Reference<CppProviderBaseIFC> provider;
    CppInstanceProviderIFC& ip() { return *provider->getInstanceProvider(); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

const char* const kClasses[] = {"QVX_Z64Chassis", "QVX_Z64ExpansionChassis",
                                "QVX_MBMLogicalModule"};

CIMObjectPath firstPath(const char* className) {
    Sink<CIMObjectPath> sink;
    fixture().ip().enumInstanceNames(fixture().env, "root/cimv2", className, sink,
                                     CIMClass(CIMNULL));
    return sink.last;
}

void perItem(benchmark::State& state, size_t items, long allocationsBefore) {
    state.SetItemsProcessed(static_cast<int64_t>(items));
    state.counters["allocs_per_item"] = benchmark::Counter(
        static_cast<double>(gAllocations.load() - allocationsBefore) / static_cast<double>(items));
}

void EnumInstanceNames(benchmark::State& state) {
    const char* cls = kClasses[state.range(0)];
    state.SetLabel(cls);
    size_t items = 0;
    long before = gAllocations.load();
    for (auto _ : state) {
        Sink<CIMObjectPath> sink;
        fixture().ip().enumInstanceNames(fixture().env, "root/cimv2", cls, sink, CIMClass(CIMNULL));
        items += sink.count;
    }
    perItem(state, items, before);
}

void EnumInstances(benchmark::State& state) {
    const char* cls = kClasses[state.range(0)];
    state.SetLabel(cls);
    size_t items = 0;
    long before = gAllocations.load();
    using namespace WBEMFlags;
    for (auto _ : state) {
        Sink<CIMInstance> sink;
        fixture().ip().enumInstances(fixture().env, "root/cimv2", cls, sink, E_NOT_LOCAL_ONLY,
                                     E_DEEP, E_EXCLUDE_QUALIFIERS, E_EXCLUDE_CLASS_ORIGIN, 0,
                                     CIMClass(CIMNULL), CIMClass(CIMNULL));
        items += sink.count;
    }
    perItem(state, items, before);
}

void GetInstance(benchmark::State& state) {
    const char* cls = kClasses[state.range(0)];
    state.SetLabel(cls);
    CIMObjectPath path = firstPath(cls);
    size_t items = 0;
    long before = gAllocations.load();
    using namespace WBEMFlags;
    for (auto _ : state) {
        CIMInstance inst = fixture().ip().getInstance(fixture().env, "root/cimv2", path,
                                                      E_NOT_LOCAL_ONLY, E_EXCLUDE_QUALIFIERS,
                                                      E_EXCLUDE_CLASS_ORIGIN, 0, CIMClass(CIMNULL));
        benchmark::DoNotOptimize(inst);
        ++items;
    }
    perItem(state, items, before);
}

void ModifyInstance(benchmark::State& state) {
    const char* cls = kClasses[state.range(0)];
    state.SetLabel(cls);
    CIMObjectPath path = firstPath(cls);
    using namespace WBEMFlags;
    CIMInstance inst = fixture().ip().getInstance(fixture().env, "root/cimv2", path,
                                                  E_NOT_LOCAL_ONLY, E_EXCLUDE_QUALIFIERS,
                                                  E_EXCLUDE_CLASS_ORIGIN, 0, CIMClass(CIMNULL));
    inst.setProperty("UserTracking", CIMValue("bench"));
    size_t items = 0;
    long before = gAllocations.load();
    for (auto _ : state) {
        fixture().ip().modifyInstance(fixture().env, "root/cimv2", inst, CIMInstance(CIMNULL),
                                      E_EXCLUDE_QUALIFIERS, 0, CIMClass(CIMNULL));
        ++items;
    }
    perItem(state, items, before);
}

// The fastest repetition: on a shared machine, slower ones measure the neighbours.
double fastest(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

BENCHMARK(EnumInstanceNames)->DenseRange(0, 2)->ComputeStatistics("min", fastest);
BENCHMARK(EnumInstances)->DenseRange(0, 2)->ComputeStatistics("min", fastest);
BENCHMARK(GetInstance)->DenseRange(0, 2)->ComputeStatistics("min", fastest);
BENCHMARK(ModifyInstance)->DenseRange(0, 2)->ComputeStatistics("min", fastest);

}  // namespace

int main(int argc, char** argv) {
    // The chassis prints a line per MiscInfo read on standard output: drop
    // those, and report on standard error (and in --benchmark_out).
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::ConsoleReporter console;
    console.SetOutputStream(&std::cerr);
    console.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&console);
    benchmark::Shutdown();
    return 0;
}
