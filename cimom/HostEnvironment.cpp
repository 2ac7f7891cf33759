#include "HostEnvironment.hpp"

#include "CimomError.hpp"

#include <cerrno>
#include <cstring>
#include <utility>

using namespace OpenWBEM;

namespace qvx_cimom {

std::string formatLogLine(std::time_t when, ELogLevel level, const std::string& message) {
    static const char* const kLevels[] = {"FATAL", "ERROR", "INFO", "DEBUG"};
    std::tm utc{};
    char stamp[32] = "0000-00-00T00:00:00Z";
    if (gmtime_r(&when, &utc)) std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    const char* name =
        level >= E_FATAL_ERROR_LEVEL && level <= E_DEBUG_LEVEL ? kLevels[level] : "?";
    return std::string(stamp) + " " + name + " " + message;
}

HostLogger::HostLogger(ELogLevel level, Clock clock)
    : Logger(level), m_out(stderr), m_owned(false), m_clock(std::move(clock)) {
    if (!m_clock) m_clock = [] { return std::time(nullptr); };
}

HostLogger::HostLogger(const std::string& file, ELogLevel level, Clock clock)
    : HostLogger(level, std::move(clock)) {
    m_out = std::fopen(file.c_str(), "a");
    if (!m_out) throw CimomError(file + ": cannot open log file: " + std::strerror(errno));
    m_owned = true;
}

HostLogger::~HostLogger() {
    if (m_owned) std::fclose(m_out);
}

// Logger calls this under its own process-wide lock.
void HostLogger::doLogMessage(const String& message, const ELogLevel level) const {
    std::string line = formatLogLine(m_clock(), level, message.c_str());
    std::fprintf(m_out, "%s\n", line.c_str());
    std::fflush(m_out);
}

HostEnvironment::HostEnvironment(LoggerRef logger) : m_logger(logger) {}

CIMOMHandleIFCRef HostEnvironment::getCIMOMHandle() const {
    return CIMOMHandleIFCRef();
}
CIMOMHandleIFCRef HostEnvironment::getRepositoryCIMOMHandle() const {
    return CIMOMHandleIFCRef();
}
RepositoryIFCRef HostEnvironment::getRepository() const {
    return RepositoryIFCRef();
}
LoggerRef HostEnvironment::getLogger() const {
    return m_logger;
}

String HostEnvironment::getConfigItem(const String&, const String& defRetVal) const {
    return defRetVal;
}

String HostEnvironment::getUserName() const {
    return String();
}
OperationContext& HostEnvironment::getOperationContext() {
    return m_context;
}

}  // namespace qvx_cimom
