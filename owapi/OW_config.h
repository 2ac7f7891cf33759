// Build configuration of the OpenWBEM-compatible provider API.
#ifndef OW_CONFIG_H_
#define OW_CONFIG_H_

// The provider-interface version; the appliance's object manager compares
// it with its own by exact text.
#define OW_VERSION "3.0.3"

#define OW_GNU_LINUX 1
#define OW_SIZEOF_SHORT_INT __SIZEOF_SHORT__
#define OW_SIZEOF_INT __SIZEOF_INT__
#define OW_SIZEOF_LONG_INT __SIZEOF_LONG__
#define OW_SIZEOF_LONG_LONG_INT __SIZEOF_LONG_LONG__
#define OW_SIZEOF_FLOAT __SIZEOF_FLOAT__
#define OW_SIZEOF_DOUBLE __SIZEOF_DOUBLE__

#define OW_CHECK_NULL_REFERENCES 1
#define OW_CHECK_ARRAY_INDEXING 1

#if defined(__GNUC__)
#define OW_DEPRECATED __attribute__((deprecated))
#else
#define OW_DEPRECATED
#endif

#endif
