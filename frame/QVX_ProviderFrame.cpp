#include "frame/QVX_ProviderFrame.hpp"

#include "frame/QVX_Globals.hpp"

using namespace OpenWBEM;

namespace {

const char* operationPiece(QVX_Operation operation) {
    switch (operation) {
        case QVX_ENUM_INSTANCE_NAMES:
            return " while performing enumInstanceNames operation on ";
        case QVX_ENUM_INSTANCES:
            return " while performing enumInstances operation on ";
        case QVX_GET_INSTANCE:
            return " while performing getInstance operation on ";
        case QVX_MODIFY_INSTANCE:
            break;
    }
    return " while performing modifyInstance operation on ";
}

}  // namespace

void QVX_logError(const String& message) {
    if (gLogger) gLogger->logError(message);
}

void QVX_guardFailed(const ProviderEnvironmentIFCRef& env, QVX_Source source,
                     QVX_Operation operation, const String& subject, const char* what) {
    String message("Unknown Error: ");
    message += operationPiece(operation);
    message += subject;
    message += "\n";
    if (what) {
        message += what;
        message += "\n";
    }
    if (env) {
        LoggerRef logger = env->getLogger();
        if (logger) logger->logError(message);
    }
    throw CIMException(source.file, source.line, CIMException::FAILED, message.c_str());
}

void QVX_throwNotSupported(QVX_Source source) {
    throw CIMException(source.file, source.line, CIMException::NOT_SUPPORTED);
}

void QVX_throwNotFound(QVX_Source source) {
    throw CIMException(source.file, source.line, CIMException::NOT_FOUND);
}

String QVX_keyText(const CIMProperty& key, QVX_Source source) {
    if (!key) QVX_throwNotFound(source);
    CIMValue value = key.getValue();
    if (!value) QVX_throwNotFound(source);
    String text;
    value.get(text);
    return text;
}

void QVX_modifyFailed(const CIMInstance& inst, const String& propertyName, bool resultCode,
                      QVX_Source source) {
    String m1("Failed to modify property  ");
    m1 += inst.toString();
    m1 += ".";
    m1 += propertyName;
    QVX_logError(m1 + ":  with return code: " + String(UInt32(resultCode)));
    String text = m1 + "#" + "PTM_ERROR_failedModifyProperty" + "#";
    throw CIMException(source.file, source.line, CIMException::FAILED, text.c_str());
}
