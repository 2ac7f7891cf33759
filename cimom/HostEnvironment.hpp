// What the stand-in object manager hands a provider: a logger writing
// timestamped lines, no CIMOM handle or repository, configuration defaults.
#ifndef QVX_CIMOM_HOSTENVIRONMENT_HPP
#define QVX_CIMOM_HOSTENVIRONMENT_HPP

#include "OW_Logger.hpp"
#include "OW_OperationContext.hpp"
#include "OW_ProviderEnvironmentIFC.hpp"

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace qvx_cimom {

// "2026-12-05T21:40:00Z ERROR component: message" per message.
std::string formatLogLine(std::time_t when, const std::string& category,
                          const std::string& component, const std::string& message);

class HostLogger : public OpenWBEM::Logger {
public:
    typedef std::function<std::time_t()> Clock;

    // Writes to standard error.
    explicit HostLogger(OpenWBEM::ELogLevel level = OpenWBEM::E_ERROR_LEVEL, Clock clock = {});
    // Appends to the file; throws CimomError when it cannot be opened.
    HostLogger(const std::string& file, OpenWBEM::ELogLevel level = OpenWBEM::E_ERROR_LEVEL,
               Clock clock = {});

protected:
    void doProcessLogMessage(const OpenWBEM::LogMessage& message) const override;
    OpenWBEM::LoggerRef doClone() const override;

private:
    // Shared by clones, so they write to one place under one lock.
    struct Sink {
        std::FILE* out = nullptr;
        bool owned = false;
        std::mutex mutex;
        ~Sink();
    };
    HostLogger(std::shared_ptr<Sink> sink, OpenWBEM::ELogLevel level, Clock clock);
    std::shared_ptr<Sink> m_sink;
    Clock m_clock;
};

class HostEnvironment : public OpenWBEM::ProviderEnvironmentIFC {
public:
    explicit HostEnvironment(OpenWBEM::LoggerRef logger);
    OpenWBEM::CIMOMHandleIFCRef getCIMOMHandle() const override;
    OpenWBEM::CIMOMHandleIFCRef getRepositoryCIMOMHandle() const override;
    OpenWBEM::RepositoryIFCRef getRepository() const override;
    OpenWBEM::LoggerRef getLogger() const override;
    OpenWBEM::LoggerRef getLogger(const OpenWBEM::String& componentName) const override;
    OpenWBEM::String getConfigItem(const OpenWBEM::String& name,
                                   const OpenWBEM::String& defRetVal) const override;
    OpenWBEM::String getUserName() const override;
    OpenWBEM::OperationContext& getOperationContext() override;

private:
    OpenWBEM::LoggerRef m_logger;
    OpenWBEM::OperationContext m_context;
};

}  // namespace qvx_cimom

#endif
