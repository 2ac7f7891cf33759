/* Result codes of the stand-in platform libraries.
 *
 * Both libraries return 0 for success. The codes below are the ones they
 * produce themselves; libosa additionally returns whatever code a `faults:`
 * entry of the appliance file asks for, which may be any int32 value. */
#ifndef QVX_SIMULATOR_RESULT_CODES_H
#define QVX_SIMULATOR_RESULT_CODES_H

enum {
    /* A null pointer, a size <= 0, or (libosa) an expansion-chassis index
     * other than 0 or 1. Nothing is written through a null pointer. */
    QVXSIM_BAD_ARGUMENT = 1,
    /* KduGetRegEntryString: no entry under these three names. */
    QVXSIM_NOT_FOUND = 2,
    /* The backing file cannot be used: libosa's appliance file is missing,
     * unreadable or invalid; libSblimUtilities' database cannot be opened
     * or set up. */
    QVXSIM_BAD_BACKING_FILE = 3,
    /* libSblimUtilities: SQLite failed a read or a write (busy for longer
     * than the timeout, I/O error, corrupt file). */
    QVXSIM_STORAGE_ERROR = 4
};

#endif
