#ifndef OW_LOGGER_HPP_INCLUDE_GUARD_
#define OW_LOGGER_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_CommonFwd.hpp"
#include "OW_IntrusiveCountableBase.hpp"
#include "OW_IntrusiveReference.hpp"
#include "OW_LogLevel.hpp"
#include "OW_LogMessage.hpp"
#include "OW_String.hpp"

#include <atomic>

namespace OpenWBEM {

// A host derives from Logger, calls the protected (component, level)
// constructor and implements doProcessLogMessage and doClone.
class Logger : public IntrusiveCountableBase {
public:
    static const String STR_NONE_CATEGORY;
    static const String STR_FATAL_CATEGORY;
    static const String STR_ERROR_CATEGORY;
    static const String STR_INFO_CATEGORY;
    static const String STR_DEBUG_CATEGORY;
    static const String STR_ALL_CATEGORY;
    static const String STR_DEFAULT_COMPONENT;

    void logFatalError(const String& message, const char* filename = 0, int fileline = -1,
                       const char* methodname = 0) const;
    void logError(const String& message, const char* filename = 0, int fileline = -1,
                  const char* methodname = 0) const;
    void logInfo(const String& message, const char* filename = 0, int fileline = -1,
                 const char* methodname = 0) const;
    void logDebug(const String& message, const char* filename = 0, int fileline = -1,
                  const char* methodname = 0) const;
    void logMessage(const String& component, const String& category, const String& message) const;
    void logMessage(const String& component, const String& category, const String& message,
                    const char* filename, int fileline, const char* methodname) const;
    void logMessage(const String& category, const String& message) const;
    void logMessage(const String& category, const String& message, const char* filename,
                    int fileline, const char* methodname) const;
    void logMessage(const LogMessage& message) const;
    void setDefaultComponent(const String& component);
    String getDefaultComponent() const;
    ELogLevel getLogLevel() const { return m_logLevel.load(std::memory_order_relaxed); }
    void setLogLevel(ELogLevel logLevel);
    void setLogLevel(const String& logLevel);
    bool categoryIsEnabled(const String& category) const;
    bool componentAndCategoryAreEnabled(const String& component, const String& category) const;
    LoggerRef clone() const;
    virtual ~Logger();

protected:
    Logger() OW_DEPRECATED;
    Logger(const ELogLevel l) OW_DEPRECATED;
    Logger(const String& defaultComponent, const ELogLevel logLevel);
    virtual void doProcessLogMessage(const LogMessage& message) const = 0;
    virtual bool doCategoryIsEnabled(const String& category) const;
    virtual bool doComponentAndCategoryAreEnabled(const String& component,
                                                  const String& category) const;
    virtual LoggerRef doClone() const = 0;
    Logger(const Logger&);
    Logger& operator=(const Logger&);
    void swap(Logger& x);

private:
    void logAt(ELogLevel level, const String& category, const String& message,
               const char* filename, int fileline, const char* methodname) const;
    String m_defaultComponent;
    std::atomic<ELogLevel> m_logLevel;
};

}  // namespace OpenWBEM

#define OW_LOG_DEBUG(logger, message)                                                          \
    do {                                                                                       \
        if ((logger)->getLogLevel() >= ::OpenWBEM::E_DEBUG_LEVEL)                              \
            (logger)->logMessage(::OpenWBEM::Logger::STR_DEBUG_CATEGORY, (message), __FILE__,  \
                                 __LINE__, __func__);                                          \
    } while (0)
#define OW_LOG_INFO(logger, message)                                                           \
    do {                                                                                       \
        if ((logger)->getLogLevel() >= ::OpenWBEM::E_INFO_LEVEL)                               \
            (logger)->logMessage(::OpenWBEM::Logger::STR_INFO_CATEGORY, (message), __FILE__,   \
                                 __LINE__, __func__);                                          \
    } while (0)
#define OW_LOG_ERROR(logger, message)                                                          \
    do {                                                                                       \
        if ((logger)->getLogLevel() >= ::OpenWBEM::E_ERROR_LEVEL)                              \
            (logger)->logMessage(::OpenWBEM::Logger::STR_ERROR_CATEGORY, (message), __FILE__,  \
                                 __LINE__, __func__);                                          \
    } while (0)
#define OW_LOG_FATAL_ERROR(logger, message)                                                    \
    do {                                                                                       \
        if ((logger)->getLogLevel() >= ::OpenWBEM::E_FATAL_ERROR_LEVEL)                        \
            (logger)->logMessage(::OpenWBEM::Logger::STR_FATAL_CATEGORY, (message), __FILE__,  \
                                 __LINE__, __func__);                                          \
    } while (0)

#endif
