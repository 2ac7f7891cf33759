#ifndef OW_INTRUSIVE_REFERENCE_HPP_INCLUDE_GUARD_
#define OW_INTRUSIVE_REFERENCE_HPP_INCLUDE_GUARD_
#include "OW_config.h"

namespace OpenWBEM {

// A counted reference to an object that keeps its own count (see
// IntrusiveCountableBase). Never point one at a static, stack or member
// object: the last reference deletes what it points to.
template <class T>
class IntrusiveReference {
    typedef IntrusiveReference this_type;
    struct SafeBoolHelper {
        int x;
    };
    typedef int SafeBoolHelper::*safe_bool;

public:
    typedef T element_type;

    IntrusiveReference() : m_pObj(0) {}
    IntrusiveReference(T* p, bool add_ref = true) : m_pObj(p) {
        if (m_pObj != 0 && add_ref) IntrusiveReferenceAddRef(m_pObj);
    }
    template <class U>
    IntrusiveReference(IntrusiveReference<U> const& rhs) : m_pObj(rhs.getPtr()) {
        if (m_pObj != 0) IntrusiveReferenceAddRef(m_pObj);
    }
    IntrusiveReference(IntrusiveReference const& rhs) : m_pObj(rhs.m_pObj) {
        if (m_pObj != 0) IntrusiveReferenceAddRef(m_pObj);
    }
    ~IntrusiveReference() {
        if (m_pObj != 0) IntrusiveReferenceRelease(m_pObj);
    }
    template <class U>
    IntrusiveReference& operator=(IntrusiveReference<U> const& rhs) {
        this_type(rhs).swap(*this);
        return *this;
    }
    IntrusiveReference& operator=(IntrusiveReference const& rhs) {
        this_type(rhs).swap(*this);
        return *this;
    }
    IntrusiveReference& operator=(T* rhs) {
        this_type(rhs).swap(*this);
        return *this;
    }
    T* getPtr() const { return m_pObj; }
    T& operator*() const { return *m_pObj; }
    T* operator->() const { return m_pObj; }
    operator safe_bool() const { return m_pObj == 0 ? 0 : &SafeBoolHelper::x; }
    bool operator!() const { return m_pObj == 0; }
    OW_DEPRECATED bool isNull() const { return m_pObj == 0; }
    void swap(IntrusiveReference& rhs) {
        T* tmp = m_pObj;
        m_pObj = rhs.m_pObj;
        rhs.m_pObj = tmp;
    }
    template <class U>
    IntrusiveReference<U> cast_to() const {
        return IntrusiveReference<U>(dynamic_cast<U*>(m_pObj));
    }

private:
    T* m_pObj;
};

template <class T, class U>
inline bool operator==(IntrusiveReference<T> const& a, IntrusiveReference<U> const& b) {
    return a.getPtr() == b.getPtr();
}
template <class T, class U>
inline bool operator!=(IntrusiveReference<T> const& a, IntrusiveReference<U> const& b) {
    return a.getPtr() != b.getPtr();
}
template <class T>
inline bool operator==(IntrusiveReference<T> const& a, T* b) {
    return a.getPtr() == b;
}
template <class T>
inline bool operator!=(IntrusiveReference<T> const& a, T* b) {
    return a.getPtr() != b;
}
template <class T>
inline bool operator==(T* a, IntrusiveReference<T> const& b) {
    return a == b.getPtr();
}
template <class T>
inline bool operator!=(T* a, IntrusiveReference<T> const& b) {
    return a != b.getPtr();
}
template <class T>
inline bool operator<(IntrusiveReference<T> const& a, IntrusiveReference<T> const& b) {
    return a.getPtr() < b.getPtr();
}
template <class T>
void swap(IntrusiveReference<T>& lhs, IntrusiveReference<T>& rhs) {
    lhs.swap(rhs);
}
template <class T, class U>
IntrusiveReference<T> static_pointer_cast(IntrusiveReference<U> const& p) {
    return static_cast<T*>(p.getPtr());
}
template <class T, class U>
IntrusiveReference<T> const_pointer_cast(IntrusiveReference<U> const& p) {
    return const_cast<T*>(p.getPtr());
}
template <class T, class U>
IntrusiveReference<T> dynamic_pointer_cast(IntrusiveReference<U> const& p) {
    return dynamic_cast<T*>(p.getPtr());
}

}  // namespace OpenWBEM

#endif
