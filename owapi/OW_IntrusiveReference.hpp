#ifndef OW_INTRUSIVE_REFERENCE_HPP_INCLUDE_GUARD_
#define OW_INTRUSIVE_REFERENCE_HPP_INCLUDE_GUARD_
#include "OW_config.h"

#include <atomic>

namespace OpenWBEM {

// Base of objects that keep their own reference count. Not copyable: a
// count belongs to one object.
class IntrusiveCountableBase {
    IntrusiveCountableBase(const IntrusiveCountableBase&);
    IntrusiveCountableBase& operator=(const IntrusiveCountableBase&);

protected:
    IntrusiveCountableBase() : m_usecount(0) {}
    virtual ~IntrusiveCountableBase() {}

public:
    friend inline void IntrusiveReference_add_ref(IntrusiveCountableBase* p) {
        p->m_usecount.fetch_add(1, std::memory_order_relaxed);
    }
    friend inline void IntrusiveReference_release(IntrusiveCountableBase* p) {
        if (p->m_usecount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete p;
    }

private:
    std::atomic<int> m_usecount;
};

// A counted reference to an object that keeps its own count: never point
// one at a static, stack or member object.
template <class T>
class IntrusiveReference {
    struct dummy {
        void nonnull() {}
    };
    typedef void (dummy::*safe_bool)();

public:
    typedef T element_type;

    IntrusiveReference() : m_pObj(0) {}
    IntrusiveReference(T* p, bool add_ref = true) : m_pObj(p) {
        if (m_pObj != 0 && add_ref) IntrusiveReference_add_ref(m_pObj);
    }
    template <class U>
    IntrusiveReference(const IntrusiveReference<U>& rhs) : m_pObj(rhs.get()) {
        if (m_pObj != 0) IntrusiveReference_add_ref(m_pObj);
    }
    IntrusiveReference(const IntrusiveReference& rhs) : m_pObj(rhs.m_pObj) {
        if (m_pObj != 0) IntrusiveReference_add_ref(m_pObj);
    }
    ~IntrusiveReference() {
        if (m_pObj != 0) IntrusiveReference_release(m_pObj);
    }
    IntrusiveReference& operator=(const IntrusiveReference& rhs) {
        IntrusiveReference(rhs).swap(*this);
        return *this;
    }
    IntrusiveReference& operator=(T* rhs) {
        IntrusiveReference(rhs).swap(*this);
        return *this;
    }
    T* get() const { return m_pObj; }
    T& operator*() const { return *m_pObj; }
    T* operator->() const { return m_pObj; }
    operator safe_bool() const { return m_pObj ? &dummy::nonnull : 0; }
    bool operator!() const { return m_pObj == 0; }
    void swap(IntrusiveReference& rhs) {
        T* tmp = m_pObj;
        m_pObj = rhs.m_pObj;
        rhs.m_pObj = tmp;
    }

private:
    T* m_pObj;
};

}  // namespace OpenWBEM

#endif
