#ifndef OW_ARRAY_HPP_INCLUDE_GUARD_
#define OW_ARRAY_HPP_INCLUDE_GUARD_
#include "OW_config.h"
#include "OW_ArrayFwd.hpp"
#include "OW_Exception.hpp"
#include "OW_COWReference.hpp"

#include <algorithm>
#include <string>
#include <vector>

namespace OpenWBEM {

OW_DECLARE_EXCEPTION(OutOfBounds);

[[noreturn]] void throwArrayOutOfBounds(size_t size, size_t index);

// A copy-on-write vector: copies share storage until one of them changes.
template <class T>
class Array {
    typedef std::vector<T> V;
    struct Rep : COWReferenceCountable {
        Rep() {}
        explicit Rep(const V& x) : v(x) {}
        V v;
    };

public:
    typedef typename V::value_type value_type;
    typedef typename V::pointer pointer;
    typedef typename V::const_pointer const_pointer;
    typedef typename V::iterator iterator;
    typedef typename V::const_iterator const_iterator;
    typedef typename V::reference reference;
    typedef typename V::const_reference const_reference;
    typedef typename V::size_type size_type;
    typedef typename V::difference_type difference_type;
    typedef typename V::reverse_iterator reverse_iterator;
    typedef typename V::const_reverse_iterator const_reverse_iterator;

    Array() {}
    explicit Array(size_type n) : m_impl(new Rep(V(n))) {}
    Array(size_type n, const T& value) : m_impl(new Rep(V(n, value))) {}
    template <class InputIterator>
    Array(InputIterator first, InputIterator last) : m_impl(new Rep(V(first, last))) {}

    size_type size() const { return m_impl.isNull() ? 0 : m_impl.read().v.size(); }
    bool empty() const { return size() == 0; }
    size_type capacity() const { return m_impl.isNull() ? 0 : m_impl.read().v.capacity(); }

    reference operator[](size_type n) {
        check(n);
        return (*mut())[n];
    }
    const_reference operator[](size_type n) const {
        check(n);
        return m_impl.read().v[n];
    }
    reference front() { return (*this)[0]; }
    const_reference front() const { return (*this)[0]; }
    reference back() { return (*this)[size() - 1]; }
    const_reference back() const { return (*this)[size() - 1]; }

    iterator begin() { return mut()->begin(); }
    iterator end() { return mut()->end(); }
    const_iterator begin() const { return vec().cbegin(); }
    const_iterator end() const { return vec().cend(); }

    void push_back(const T& x) { mut()->push_back(x); }
    void append(const T& x) { push_back(x); }
    Array<T>& operator+=(const T& x) {
        push_back(x);
        return *this;
    }
    void appendArray(const Array<T>& x) {
        if (x.empty()) return;
        V copy(x.begin(), x.end());  // x may share storage with *this
        V& v = *mut();
        v.insert(v.end(), copy.begin(), copy.end());
    }
    void pop_back() { mut()->pop_back(); }
    iterator insert(iterator position, const T& x) { return mut()->insert(position, x); }
    void insert(size_type position, const T& x) {
        if (position > size()) throwArrayOutOfBounds(size(), position);
        V& v = *mut();
        v.insert(v.begin() + position, x);
    }
    iterator erase(iterator position) { return mut()->erase(position); }
    iterator erase(iterator first, iterator last) { return mut()->erase(first, last); }
    void remove(size_type index) {
        check(index);
        V& v = *mut();
        v.erase(v.begin() + index);
    }
    void remove(size_type begin, size_type end) {
        if (begin > end || end > size()) throwArrayOutOfBounds(size(), end);
        V& v = *mut();
        v.erase(v.begin() + begin, v.begin() + end);
    }
    void clear() { COWReference<Rep>().swap(m_impl); }
    void reserve(size_type n) { mut()->reserve(n); }
    void resize(size_type n, T x = T()) { mut()->resize(n, x); }
    void swap(Array<T>& x) { m_impl.swap(x.m_impl); }

    friend bool operator==(const Array<T>& a, const Array<T>& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }
    friend bool operator!=(const Array<T>& a, const Array<T>& b) { return !(a == b); }
    friend bool operator<(const Array<T>& a, const Array<T>& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    const V& vec() const {
        static const V empty;
        return m_impl.isNull() ? empty : m_impl.read().v;
    }
    void check(size_type n) const {
#ifdef OW_CHECK_ARRAY_INDEXING
        if (n >= size()) throwArrayOutOfBounds(size(), n);
#endif
    }
    V* mut() {
        if (m_impl.isNull()) COWReference<Rep>(new Rep).swap(m_impl);
        return &m_impl.write().v;
    }
    COWReference<Rep> m_impl;
};

template <class T>
void swap(Array<T>& a, Array<T>& b) {
    a.swap(b);
}

typedef Array<UInt8> UInt8Array;
typedef Array<Int8> Int8Array;
typedef Array<UInt16> UInt16Array;
typedef Array<Int16> Int16Array;
typedef Array<UInt32> UInt32Array;
typedef Array<Int32> Int32Array;
typedef Array<UInt64> UInt64Array;
typedef Array<Int64> Int64Array;
typedef Array<Real32> Real32Array;
typedef Array<Real64> Real64Array;

}  // namespace OpenWBEM

#endif
