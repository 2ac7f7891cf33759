// Platform libraries that answer at once from constants: what is left of a
// request's cost with these is the provider's own.
#include "platform/SblimUtilities.h"
#include "platform/osa.h"

#include <cstring>

namespace {

int32_t text(const char* value, char* buf, int32_t size) {
    if (!buf || size <= 0) return 1;
    size_t n = std::strlen(value);
    if (n >= static_cast<size_t>(size)) n = static_cast<size_t>(size) - 1;
    std::memcpy(buf, value, n);
    buf[n] = '\0';
    return 0;
}

int32_t number(uint16_t* out, uint16_t value) {
    if (!out) return 1;
    *out = value;
    return 0;
}

}  // namespace

extern "C" {
int32_t osGetSystemSubType(uint16_t* v) {
    return number(v, 2);
}
int32_t osGetHardwareType(uint16_t* v) {
    return number(v, 1);
}
int32_t osGetHardwareRevision(uint16_t* v) {
    return number(v, 10);
}
int32_t osGetSecsiRegion(uint16_t* v) {
    return number(v, 1);
}
int32_t osGetManfId(uint16_t* v) {
    return number(v, 42);
}
int32_t osGetSerialNumber(char* b, int32_t s) {
    return text("QVX64-000123", b, s);
}
int32_t osGetSystemId(char* b, int32_t s) {
    return text("SYS-4711", b, s);
}
int32_t osGetPartNumber(char* b, int32_t s) {
    return text("PN-100-2000-03", b, s);
}
int32_t osGetPCBASerialNumber(char* b, int32_t s) {
    return text("PCBA-77001", b, s);
}
int32_t osGetHDSerialNumber(char* b, int32_t s) {
    return text("HD-55021", b, s);
}
int32_t osGetCNICOneSerialNumber(char* b, int32_t s) {
    return text("CNIC-9001", b, s);
}
int32_t osGetCSCSerialNumber(char* b, int32_t s) {
    return text("CSC-3001", b, s);
}
int32_t osGetManfInfo(char* b, int32_t s) {
    return text("Line 3", b, s);
}
int32_t osGetEth1Addr(char* b, int32_t s) {
    return text("00:11:22:33:44:55", b, s);
}
int32_t osGetEth2Addr(char* b, int32_t s) {
    return text("00:11:22:33:44:56", b, s);
}
int32_t osGetEth3Addr(char* b, int32_t s) {
    return text("00:11:22:33:44:57", b, s);
}
int32_t osGetManfDate(char* b, int32_t s) {
    return text("2005 11 30 14 05", b, s);
}
int32_t osIsChasisPresent(int32_t index, uint8_t* present) {
    if (!present) return 1;
    *present = index == 0 ? 1 : 0;
    return 0;
}
int32_t KduGetRegEntryString(const char*, const char*, const char*, char* buf, int32_t size) {
    return text("rack 4, slot 2", buf, size);
}
int32_t KduSetRegEntryString(const char*, const char*, const char*, const char*) {
    return 0;
}
int32_t KduSetRegEntryInt(const char*, const char*, const char*, int32_t) {
    return 0;
}
}
