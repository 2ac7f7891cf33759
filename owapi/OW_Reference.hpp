#ifndef OW_REFERENCE_HPP_INCLUDE_GUARD_
#define OW_REFERENCE_HPP_INCLUDE_GUARD_
#include "OW_config.h"

#include <atomic>

namespace OpenWBEM {

// Throws NULLReferenceException ("NULL Reference dereferenced").
[[noreturn]] void throwNULLReference();

// A counted reference whose count lives in a block of its own, so any
// object can be shared this way; the last reference deletes the object.
template <class T>
class Reference {
    struct dummy {
        void nonnull() {}
    };
    typedef void (dummy::*safe_bool)();

public:
    Reference() : m_pObj(0), m_pRefCount(0) {}
    explicit Reference(T* ptr) : m_pObj(ptr), m_pRefCount(ptr ? new std::atomic<int>(1) : 0) {}
    Reference(const Reference& arg) : m_pObj(arg.m_pObj), m_pRefCount(arg.m_pRefCount) { incRef(); }
    template <class U>
    Reference(const Reference<U>& arg) : m_pObj(arg.getPtr()), m_pRefCount(arg.m_pRefCount) {
        incRef();
    }
    ~Reference() { decRef(); }
    Reference& operator=(Reference arg) {
        arg.swap(*this);
        return *this;
    }
    Reference& operator=(T* newObj) {
        Reference(newObj).swap(*this);
        return *this;
    }
    void swap(Reference& arg) {
        T* p = m_pObj;
        m_pObj = arg.m_pObj;
        arg.m_pObj = p;
        std::atomic<int>* c = m_pRefCount;
        m_pRefCount = arg.m_pRefCount;
        arg.m_pRefCount = c;
    }
    T* operator->() const {
#ifdef OW_CHECK_NULL_REFERENCES
        if (!m_pObj) throwNULLReference();
#endif
        return m_pObj;
    }
    T& operator*() const {
#ifdef OW_CHECK_NULL_REFERENCES
        if (!m_pObj) throwNULLReference();
#endif
        return *m_pObj;
    }
    T* getPtr() const {
        return m_pObj;
    }
    bool isNull() const {
        return m_pObj == 0;
    }
    operator safe_bool() const {
        return m_pObj ? &dummy::nonnull : 0;
    }
    safe_bool operator!() const {
        return m_pObj ? 0 : &dummy::nonnull;
    }
    // A reference to the same object as U, sharing this count; null when
    // the object is not a U.
    template <class U>
    Reference<U> cast_to() const {
        Reference<U> rval;
        rval.m_pObj = dynamic_cast<U*>(m_pObj);
        if (rval.m_pObj) {
            rval.m_pRefCount = m_pRefCount;
            rval.incRef();
        }
        return rval;
    }
    template <class U>
    void useRefCountOf(const Reference<U>& arg) {
        decRef();
        m_pRefCount = arg.m_pRefCount;
        incRef();
    }

private:
    template <class U>
    friend class Reference;
    void incRef() {
        if (m_pRefCount) m_pRefCount->fetch_add(1, std::memory_order_relaxed);
    }
    void decRef() {
        if (m_pRefCount && m_pRefCount->fetch_sub(1, std::memory_order_acq_rel) == 1) {
            delete m_pRefCount;
            delete m_pObj;
        }
        m_pObj = 0;
        m_pRefCount = 0;
    }

    T* m_pObj;
    std::atomic<int>* m_pRefCount;
};

template <class T, class U>
inline bool operator==(const Reference<T>& a, const Reference<U>& b) {
    return a.getPtr() == b.getPtr();
}
template <class T, class U>
inline bool operator!=(const Reference<T>& a, const Reference<U>& b) {
    return a.getPtr() != b.getPtr();
}

}  // namespace OpenWBEM

#endif
