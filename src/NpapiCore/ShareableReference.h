// FB::ShareableReference: a shared handle on a plain pointer, so that others can hold a weak
// reference that expires exactly when the pointed-to object (which owns the handle) goes away.
#pragma once

#include <boost/enable_shared_from_this.hpp>
#include <boost/noncopyable.hpp>

namespace FB {

template <class T>
class ShareableReference : public boost::enable_shared_from_this<ShareableReference<T>>,
                           private boost::noncopyable {
public:
    explicit ShareableReference(T* ptr) : m_ptr(ptr) {}
    T* getPtr() const { return m_ptr; }

private:
    T* m_ptr;
};

} // namespace FB
