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
#include <string>

namespace qvx_cimom {

// "2026-12-05T21:40:00Z ERROR message" per message.
std::string formatLogLine(std::time_t when, OpenWBEM::ELogLevel level, const std::string& message);

class HostLogger : public OpenWBEM::Logger {
public:
    typedef std::function<std::time_t()> Clock;

    // Writes to standard error.
    explicit HostLogger(OpenWBEM::ELogLevel level = OpenWBEM::E_ERROR_LEVEL, Clock clock = {});
    // Appends to the file; throws CimomError when it cannot be opened.
    HostLogger(const std::string& file, OpenWBEM::ELogLevel level = OpenWBEM::E_ERROR_LEVEL,
               Clock clock = {});

    ~HostLogger() override;

protected:
    void doLogMessage(const OpenWBEM::String& message,
                      const OpenWBEM::ELogLevel level) const override;

private:
    std::FILE* m_out;
    bool m_owned;
    Clock m_clock;
};

class HostEnvironment : public OpenWBEM::ProviderEnvironmentIFC {
public:
    explicit HostEnvironment(OpenWBEM::LoggerRef logger);
    OpenWBEM::CIMOMHandleIFCRef getCIMOMHandle() const override;
    OpenWBEM::CIMOMHandleIFCRef getRepositoryCIMOMHandle() const override;
    OpenWBEM::RepositoryIFCRef getRepository() const override;
    OpenWBEM::LoggerRef getLogger() const override;
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
