#include "OW_Logger.hpp"

namespace OpenWBEM {

const String Logger::STR_NONE_CATEGORY("NONE");
const String Logger::STR_FATAL_CATEGORY("FATAL");
const String Logger::STR_ERROR_CATEGORY("ERROR");
const String Logger::STR_INFO_CATEGORY("INFO");
const String Logger::STR_DEBUG_CATEGORY("DEBUG");
const String Logger::STR_ALL_CATEGORY("ALL");
const String Logger::STR_DEFAULT_COMPONENT("none");

IntrusiveCountableBase::~IntrusiveCountableBase() {}

Logger::Logger() : m_defaultComponent(STR_DEFAULT_COMPONENT), m_logLevel(E_ERROR_LEVEL) {}
Logger::Logger(const ELogLevel l) : m_defaultComponent(STR_DEFAULT_COMPONENT), m_logLevel(l) {}
Logger::Logger(const String& defaultComponent, const ELogLevel logLevel)
    : m_defaultComponent(defaultComponent), m_logLevel(logLevel) {}
Logger::Logger(const Logger& x)
    : IntrusiveCountableBase(x), m_defaultComponent(x.m_defaultComponent),
      m_logLevel(x.getLogLevel()) {}
Logger& Logger::operator=(const Logger& x) {
    m_defaultComponent = x.m_defaultComponent;
    m_logLevel.store(x.getLogLevel(), std::memory_order_relaxed);
    return *this;
}
void Logger::swap(Logger& x) {
    String c = m_defaultComponent;
    m_defaultComponent = x.m_defaultComponent;
    x.m_defaultComponent = c;
    ELogLevel l = getLogLevel();
    m_logLevel.store(x.getLogLevel(), std::memory_order_relaxed);
    x.m_logLevel.store(l, std::memory_order_relaxed);
}
Logger::~Logger() {}

void Logger::logAt(ELogLevel level, const String& category, const String& message,
                   const char* filename, int fileline, const char* methodname) const {
    if (getLogLevel() < level) return;
    doProcessLogMessage(
        LogMessage(m_defaultComponent, category, message, filename, fileline, methodname));
}

void Logger::logFatalError(const String& message, const char* filename, int fileline,
                           const char* methodname) const {
    logAt(E_FATAL_ERROR_LEVEL, STR_FATAL_CATEGORY, message, filename, fileline, methodname);
}
void Logger::logError(const String& message, const char* filename, int fileline,
                      const char* methodname) const {
    logAt(E_ERROR_LEVEL, STR_ERROR_CATEGORY, message, filename, fileline, methodname);
}
void Logger::logInfo(const String& message, const char* filename, int fileline,
                     const char* methodname) const {
    logAt(E_INFO_LEVEL, STR_INFO_CATEGORY, message, filename, fileline, methodname);
}
void Logger::logDebug(const String& message, const char* filename, int fileline,
                      const char* methodname) const {
    logAt(E_DEBUG_LEVEL, STR_DEBUG_CATEGORY, message, filename, fileline, methodname);
}

void Logger::logMessage(const String& component, const String& category,
                        const String& message) const {
    logMessage(LogMessage(component, category, message, 0, -1, 0));
}
void Logger::logMessage(const String& component, const String& category, const String& message,
                        const char* filename, int fileline, const char* methodname) const {
    logMessage(LogMessage(component, category, message, filename, fileline, methodname));
}
void Logger::logMessage(const String& category, const String& message) const {
    logMessage(LogMessage(m_defaultComponent, category, message, 0, -1, 0));
}
void Logger::logMessage(const String& category, const String& message, const char* filename,
                        int fileline, const char* methodname) const {
    logMessage(LogMessage(m_defaultComponent, category, message, filename, fileline, methodname));
}
void Logger::logMessage(const LogMessage& message) const { doProcessLogMessage(message); }

void Logger::setDefaultComponent(const String& component) { m_defaultComponent = component; }
String Logger::getDefaultComponent() const { return m_defaultComponent; }
void Logger::setLogLevel(ELogLevel logLevel) {
    m_logLevel.store(logLevel, std::memory_order_relaxed);
}
void Logger::setLogLevel(const String& logLevel) {
    static const struct {
        const String* name;
        ELogLevel level;
    } kLevels[] = {{&STR_NONE_CATEGORY, E_NONE_LEVEL},     {&STR_FATAL_CATEGORY, E_FATAL_ERROR_LEVEL},
                   {&STR_ERROR_CATEGORY, E_ERROR_LEVEL},   {&STR_INFO_CATEGORY, E_INFO_LEVEL},
                   {&STR_DEBUG_CATEGORY, E_DEBUG_LEVEL},   {&STR_ALL_CATEGORY, E_ALL_LEVEL}};
    for (const auto& l : kLevels) {
        if (logLevel.equalsIgnoreCase(*l.name)) setLogLevel(l.level);
    }
}
bool Logger::categoryIsEnabled(const String& category) const {
    return doCategoryIsEnabled(category);
}
bool Logger::componentAndCategoryAreEnabled(const String& component,
                                            const String& category) const {
    return doComponentAndCategoryAreEnabled(component, category);
}
LoggerRef Logger::clone() const { return doClone(); }
bool Logger::doCategoryIsEnabled(const String&) const { return true; }
bool Logger::doComponentAndCategoryAreEnabled(const String&, const String&) const { return true; }

}  // namespace OpenWBEM
