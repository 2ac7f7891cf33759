#include "mbm/QVX_MBMPDRAPI.hpp"

#include "frame/QVX_Tags.hpp"

using namespace OpenWBEM;

namespace {

const char* const kProvider = "QVX_MBMProvider";

}  // namespace

int QVX_MBMPDRAPI::getUserTracking(const String& tag, String& value) {
    return QVX_readUserTracking(kProvider, tag, value);
}

int QVX_MBMPDRAPI::setUserTracking(const String& tag, String value) {
    return QVX_writeUserTracking(kProvider, tag, value);
}
