#ifndef OW_LOGGER_HPP_INCLUDE_GUARD_
#define OW_LOGGER_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_Exception.hpp"
#include "OW_LogLevel.hpp"
#include "OW_Reference.hpp"
#include "OW_String.hpp"

namespace OpenWBEM {

OW_DECLARE_EXCEPTION(Logger);

// A host derives from Logger and implements doLogMessage; messages above
// the logger's level never reach it. Calls are serialised process-wide.
class Logger {
public:
    void logFatalError(const String& message) const;
    void logError(const String& message) const;
    void logInfo(const String& message) const;
    void logDebug(const String& message) const;
    void setLogLevel(const ELogLevel logLevel);
    // "info", "debug" or "error" in any case; any other text means fatal
    // errors only.
    void setLogLevel(const String& logLevel);
    ELogLevel getLogLevel();
    virtual ~Logger();

protected:
    Logger();
    Logger(const ELogLevel logLevel);
    virtual void doLogMessage(const String& message, const ELogLevel level) const = 0;

private:
    void logMessage(const ELogLevel level, const String& message) const;
    ELogLevel m_logLevel;
};

typedef Reference<Logger> LoggerRef;

}  // namespace OpenWBEM

#endif
