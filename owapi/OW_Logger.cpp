#include "OW_Logger.hpp"

#include <mutex>

namespace OpenWBEM {

OW_DEFINE_EXCEPTION(Logger)

namespace {

std::recursive_mutex& logMutex() {
    static std::recursive_mutex m;
    return m;
}

}  // namespace

Logger::Logger() : m_logLevel(E_ERROR_LEVEL) {}
Logger::Logger(const ELogLevel logLevel) : m_logLevel(logLevel) {}
Logger::~Logger() {}

void Logger::logMessage(const ELogLevel level, const String& message) const {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    if (level <= m_logLevel) doLogMessage(message, level);
}

void Logger::logFatalError(const String& message) const {
    logMessage(E_FATAL_ERROR_LEVEL, message);
}
void Logger::logError(const String& message) const {
    logMessage(E_ERROR_LEVEL, message);
}
void Logger::logInfo(const String& message) const {
    logMessage(E_INFO_LEVEL, message);
}
void Logger::logDebug(const String& message) const {
    logMessage(E_DEBUG_LEVEL, message);
}

void Logger::setLogLevel(const ELogLevel logLevel) {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    m_logLevel = logLevel;
}

void Logger::setLogLevel(const String& logLevel) {
    if (logLevel.equalsIgnoreCase("info")) {
        setLogLevel(E_INFO_LEVEL);
    } else if (logLevel.equalsIgnoreCase("debug")) {
        setLogLevel(E_DEBUG_LEVEL);
    } else if (logLevel.equalsIgnoreCase("error")) {
        setLogLevel(E_ERROR_LEVEL);
    } else {
        setLogLevel(E_FATAL_ERROR_LEVEL);
    }
}

ELogLevel Logger::getLogLevel() {
    std::lock_guard<std::recursive_mutex> lock(logMutex());
    return m_logLevel;
}

}  // namespace OpenWBEM
