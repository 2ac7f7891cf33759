/* Hardware-information library of the appliance (libosa.so).
 *
 * Every function returns 0 on success and any other value on failure; on
 * failure the outputs are not to be used. Text functions write a
 * NUL-terminated text of at most size bytes (NUL included) into buf. No
 * set-up call and no handle: each call asks the hardware afresh. */
#ifndef QVX_PLATFORM_OSA_H
#define QVX_PLATFORM_OSA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Model sub-type; 1, 2 and 3 are the known models. */
int32_t osGetSystemSubType(uint16_t* subType);
int32_t osGetHardwareType(uint16_t* type);
int32_t osGetHardwareRevision(uint16_t* revision);
int32_t osGetSecsiRegion(uint16_t* region);
int32_t osGetManfId(uint16_t* manfId);

/* Callers pass 21 bytes. */
int32_t osGetSerialNumber(char* buf, int32_t size);
/* Callers pass 13 bytes. */
int32_t osGetSystemId(char* buf, int32_t size);
/* Callers pass a 256-byte buffer and size 256. */
int32_t osGetPartNumber(char* buf, int32_t size);
int32_t osGetPCBASerialNumber(char* buf, int32_t size);
int32_t osGetHDSerialNumber(char* buf, int32_t size);
int32_t osGetCNICOneSerialNumber(char* buf, int32_t size);
/* Callers pass a 256-byte buffer and size 255. */
int32_t osGetCSCSerialNumber(char* buf, int32_t size);
int32_t osGetManfInfo(char* buf, int32_t size);
int32_t osGetEth1Addr(char* buf, int32_t size);
int32_t osGetEth2Addr(char* buf, int32_t size);
int32_t osGetEth3Addr(char* buf, int32_t size);
/* Callers pass 32 bytes. The text holds five decimal numbers separated by
 * white space: year (up to 4 digits), month, day, hour, minute. */
int32_t osGetManfDate(char* buf, int32_t size);

/* index is the expansion-chassis number minus 1 (0 or 1). Only *present == 1
 * means a chassis is plugged in. */
int32_t osIsChasisPresent(int32_t index, uint8_t* present);

#ifdef __cplusplus
}
#endif

#endif
