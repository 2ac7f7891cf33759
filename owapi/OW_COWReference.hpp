#ifndef OW_COW_REFERENCE_HPP_INCLUDE_GUARD_
#define OW_COW_REFERENCE_HPP_INCLUDE_GUARD_
#include "OW_config.h"

#include <atomic>

namespace OpenWBEM {

// Shared, copy-on-write data of the CIM handle classes. A handle without
// data is a "null" object; touching its data throws
// NULLCOWReferenceException.
class COWReferenceCountable {
public:
    COWReferenceCountable() : m_cowCount(0) {}
    COWReferenceCountable(const COWReferenceCountable&) : m_cowCount(0) {}
    COWReferenceCountable& operator=(const COWReferenceCountable&) { return *this; }

private:
    template <class T>
    friend class COWReference;
    mutable std::atomic<int> m_cowCount;
};

[[noreturn]] void throwNULLCOWReference();

// Members that delete or copy T are instantiated only where T is complete,
// that is in the .cpp of each handle class.
template <class T>
class COWReference {
public:
    COWReference() : m_p(0) {}
    explicit COWReference(T* p) : m_p(p) {
        if (m_p) m_p->m_cowCount.fetch_add(1, std::memory_order_relaxed);
    }
    COWReference(const COWReference& o) : m_p(o.m_p) {
        if (m_p) m_p->m_cowCount.fetch_add(1, std::memory_order_relaxed);
    }
    ~COWReference() { release(); }
    COWReference& operator=(const COWReference& o) {
        COWReference(o).swap(*this);
        return *this;
    }
    void swap(COWReference& o) noexcept {
        T* t = m_p;
        m_p = o.m_p;
        o.m_p = t;
    }
    bool isNull() const { return m_p == 0; }
    const T* getPtr() const { return m_p; }
    const T& read() const {
        if (!m_p) throwNULLCOWReference();
        return *m_p;
    }
    // Gives this handle its own copy of shared data before a change.
    T& write() {
        if (!m_p) throwNULLCOWReference();
        if (m_p->m_cowCount.load(std::memory_order_acquire) > 1)
            COWReference(new T(*m_p)).swap(*this);
        return *m_p;
    }

private:
    void release() {
        if (m_p && m_p->m_cowCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete m_p;
        m_p = 0;
    }
    T* m_p;
};

}  // namespace OpenWBEM

#endif
