// Numbered records (expansion chassis, MBM modules) share three things: the
// tag of record i is prefix + i, each record keeps one user-tracking text in
// the registry under tag + "UserTracking", and keys are looked up by creation
// class name first, then by tag. The callers pass their own prefix, provider
// and source, so exceptions keep naming the calling unit.
#ifndef QVX_FRAME_TAGS_HPP
#define QVX_FRAME_TAGS_HPP

#include "frame/QVX_ProviderFrame.hpp"
#include "platform/SblimUtilities.h"

#include "OW_String.hpp"

#include <cstddef>
#include <cstdio>

// Tags are formatted into an area of this size, as the keys always were.
const size_t QVX_TAG_SIZE = 32;

inline OpenWBEM::String QVX_formatTag(const char* prefix, int index) {
    char tag[QVX_TAG_SIZE];
    std::snprintf(tag, sizeof(tag), "%s%d", prefix, index);
    return OpenWBEM::String(tag);
}

// Index of the record whose tag is exactly tag, or -1.
inline int QVX_findTag(const char* prefix, int count, const OpenWBEM::String& tag) {
    for (int i = 0; i < count; ++i) {
        if (QVX_formatTag(prefix, i).equals(tag)) return i;
    }
    return -1;
}

// Keyed lookup: the creation class name is checked before the tag, and
// either mismatch fails with CIM_ERR_NOT_FOUND without message.
inline int QVX_indexForKeys(const char* creationClassName, const OpenWBEM::String& givenClassName,
                            const char* prefix, int count, const OpenWBEM::String& tag,
                            QVX_Source source) {
    if (!givenClassName.equals(creationClassName)) QVX_throwNotFound(source);
    int index = QVX_findTag(prefix, count, tag);
    if (index < 0) QVX_throwNotFound(source);
    return index;
}

// Registry entries of one record's user-tracking text.
const char* const QVX_REGISTRY_SECTION = "Providers";
const size_t QVX_REGISTRY_TEXT_SIZE = 256;

inline OpenWBEM::String QVX_userTrackingName(const OpenWBEM::String& tag) {
    return tag + "UserTracking";
}

// The value is whatever text the registry left, also on failure (then "").
inline int QVX_readUserTracking(const char* provider, const OpenWBEM::String& tag,
                                OpenWBEM::String& value) {
    value = "";
    char buf[QVX_REGISTRY_TEXT_SIZE];
    buf[0] = '\0';
    int rc = KduGetRegEntryString(QVX_REGISTRY_SECTION, provider, QVX_userTrackingName(tag).c_str(),
                                  buf, static_cast<int32_t>(sizeof(buf)));
    buf[sizeof(buf) - 1] = '\0';
    value = buf;
    return rc;
}

// Written unchanged, whatever its length. Stamping is the record's job.
inline int QVX_writeUserTracking(const char* provider, const OpenWBEM::String& tag,
                                 const OpenWBEM::String& value) {
    return KduSetRegEntryString(QVX_REGISTRY_SECTION, provider, QVX_userTrackingName(tag).c_str(),
                                value.c_str());
}

#endif
