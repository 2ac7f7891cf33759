#ifndef OW_INTRUSIVE_COUNTABLE_BASE_HPP_INCLUDE_GUARD_
#define OW_INTRUSIVE_COUNTABLE_BASE_HPP_INCLUDE_GUARD_
#include "OW_config.h"

#include <atomic>

namespace OpenWBEM {

// The reference count lives in the object; a new object counts 0 until the
// first IntrusiveReference takes it.
class IntrusiveCountableBase {
protected:
    IntrusiveCountableBase() : m_usecount(0) {}
    // A copy is a new object: its count starts again at 0.
    IntrusiveCountableBase(const IntrusiveCountableBase&) : m_usecount(0) {}
    IntrusiveCountableBase& operator=(const IntrusiveCountableBase&) { return *this; }
    virtual ~IntrusiveCountableBase();

public:
    friend inline void IntrusiveReferenceAddRef(IntrusiveCountableBase* p) {
        p->m_usecount.fetch_add(1, std::memory_order_relaxed);
    }
    friend inline void IntrusiveReferenceRelease(IntrusiveCountableBase* p) {
        if (p->m_usecount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete p;
    }

private:
    std::atomic<int> m_usecount;
};

void IntrusiveReferenceAddRef(IntrusiveCountableBase* p);
void IntrusiveReferenceRelease(IntrusiveCountableBase* p);

}  // namespace OpenWBEM

#endif
