/* Persistent registry of the appliance (libSblimUtilities.so).
 *
 * An entry is named by three NUL-terminated texts: section, provider and
 * property. Every function returns 0 on success and any other value on
 * failure. */
#ifndef QVX_PLATFORM_SBLIMUTILITIES_H
#define QVX_PLATFORM_SBLIMUTILITIES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Reads a text entry into buf. Whatever the result, buf holds a
 * NUL-terminated text within size bytes afterwards: the value (cut to
 * size - 1 bytes), or the empty text when the entry is missing or the read
 * failed. A missing entry gives a non-zero result. */
int32_t KduGetRegEntryString(const char* section, const char* provider, const char* property,
                             char* buf, int32_t size);

/* Stores value, whatever its length. */
int32_t KduSetRegEntryString(const char* section, const char* provider, const char* property,
                             const char* value);

/* Stores a signed 32-bit integer. */
int32_t KduSetRegEntryInt(const char* section, const char* provider, const char* property,
                          int32_t value);

#ifdef __cplusplus
}
#endif

#endif
