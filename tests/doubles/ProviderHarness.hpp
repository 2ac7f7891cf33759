// What the object manager hands a provider, recorded for tests: a logger
// that keeps its lines, an environment around it, and result collectors.
#ifndef QVX_TESTS_PROVIDERHARNESS_HPP
#define QVX_TESTS_PROVIDERHARNESS_HPP

#include "OW_CIMInstance.hpp"
#include "OW_CIMObjectPath.hpp"
#include "OW_Logger.hpp"
#include "OW_ProviderEnvironmentIFC.hpp"
#include "OW_ResultHandlerIFC.hpp"

#include <mutex>
#include <string>
#include <vector>

namespace qvx_test {

// Keeps "CATEGORY: message" lines.
class RecordingLogger : public OpenWBEM::Logger {
public:
    RecordingLogger() : OpenWBEM::Logger(OpenWBEM::E_ERROR_LEVEL) {}
    std::vector<std::string> lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }

protected:
    void doLogMessage(const OpenWBEM::String& message,
                      const OpenWBEM::ELogLevel level) const override {
        static const char* const kNames[] = {"FATAL", "ERROR", "INFO", "DEBUG"};
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(std::string(kNames[level]) + ": " + message.c_str());
    }

private:
    mutable std::mutex m_mutex;
    mutable std::vector<std::string> m_lines;
};

class TestEnvironment : public OpenWBEM::ProviderEnvironmentIFC {
public:
    explicit TestEnvironment(OpenWBEM::Reference<RecordingLogger> logger) : m_logger(logger) {}
    OpenWBEM::CIMOMHandleIFCRef getCIMOMHandle() const override { return {}; }
    OpenWBEM::CIMOMHandleIFCRef getRepositoryCIMOMHandle() const override { return {}; }
    OpenWBEM::RepositoryIFCRef getRepository() const override { return {}; }
    OpenWBEM::LoggerRef getLogger() const override { return m_logger; }
    OpenWBEM::String getConfigItem(const OpenWBEM::String&,
                                   const OpenWBEM::String& def) const override {
        return def;
    }
    OpenWBEM::String getUserName() const override { return "test"; }
    OpenWBEM::OperationContext& getOperationContext() override { return m_context; }

private:
    OpenWBEM::Reference<RecordingLogger> m_logger;
    OpenWBEM::OperationContext m_context;
};

// A logger and an environment wrapping it, as one request would see them.
struct Harness {
    Harness() : logger(new RecordingLogger), env(new TestEnvironment(logger)) {}
    OpenWBEM::Reference<RecordingLogger> logger;
    OpenWBEM::ProviderEnvironmentIFCRef env;
};

template <class T>
class Collector : public OpenWBEM::ResultHandlerIFC<T> {
public:
    std::vector<T> items;

protected:
    void doHandle(const T& x) override { items.push_back(x); }
};
typedef Collector<OpenWBEM::CIMObjectPath> PathCollector;
typedef Collector<OpenWBEM::CIMInstance> InstanceCollector;

}  // namespace qvx_test

#endif
