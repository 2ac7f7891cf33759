#include "expansion/QVX_Z64ExpansionChassisPDRAPI.hpp"

#include "frame/QVX_Tags.hpp"

using namespace OpenWBEM;

namespace {

const char* const kProvider = "QVX_Z64ExpansionChassisProvider";

}  // namespace

int QVX_Z64ExpansionChassisPDRAPI::getUserTracking(const String& tag, String& value) {
    return QVX_readUserTracking(kProvider, tag, value);
}

int QVX_Z64ExpansionChassisPDRAPI::setUserTracking(const String& tag, String value) {
    return QVX_writeUserTracking(kProvider, tag, value);
}
