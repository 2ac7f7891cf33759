#include "HostEnvironment.hpp"

#include "CimomError.hpp"

#include <cerrno>
#include <cstring>
#include <utility>

using namespace OpenWBEM;

namespace qvx_cimom {

std::string formatLogLine(std::time_t when, const std::string& category,
                          const std::string& component, const std::string& message) {
    std::tm utc{};
    char stamp[32] = "0000-00-00T00:00:00Z";
    if (gmtime_r(&when, &utc)) std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return std::string(stamp) + " " + category + " " + component + ": " + message;
}

HostLogger::Sink::~Sink() {
    if (owned && out) std::fclose(out);
}

HostLogger::HostLogger(ELogLevel level, Clock clock)
    : HostLogger(std::make_shared<Sink>(), level, std::move(clock)) {
    m_sink->out = stderr;
}

HostLogger::HostLogger(const std::string& file, ELogLevel level, Clock clock)
    : HostLogger(std::make_shared<Sink>(), level, std::move(clock)) {
    m_sink->out = std::fopen(file.c_str(), "a");
    if (!m_sink->out) throw CimomError(file + ": cannot open log file: " + std::strerror(errno));
    m_sink->owned = true;
}

HostLogger::HostLogger(std::shared_ptr<Sink> sink, ELogLevel level, Clock clock)
    : Logger("cimom", level), m_sink(std::move(sink)), m_clock(std::move(clock)) {
    if (!m_clock) m_clock = [] { return std::time(nullptr); };
}

void HostLogger::doProcessLogMessage(const LogMessage& message) const {
    std::string line = formatLogLine(m_clock(), message.category.c_str(), message.component.c_str(),
                                     message.message.c_str());
    std::lock_guard<std::mutex> lock(m_sink->mutex);
    std::fprintf(m_sink->out, "%s\n", line.c_str());
    std::fflush(m_sink->out);
}

LoggerRef HostLogger::doClone() const {
    HostLogger* copy = new HostLogger(m_sink, getLogLevel(), m_clock);
    LoggerRef ref(copy);
    copy->setDefaultComponent(getDefaultComponent());
    return ref;
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

LoggerRef HostEnvironment::getLogger(const String& componentName) const {
    LoggerRef named = m_logger->clone();
    named->setDefaultComponent(componentName);
    return named;
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
