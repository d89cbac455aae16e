// FB::variant: the one value that crosses between page script and native code.
//
// A plain value: copy it freely between threads, but never change one variant object while another
// thread reads it. Copying a variant that holds an object pointer copies the shared pointer.
//
// Two ways to read a value back:
//  - cast<T>() succeeds only when the held type is exactly T;
//  - convert_cast<T>() converts by fixed rules (numbers with range checks, texts, booleans, page
//    arrays and objects, object pointers).
// Both raise FB::bad_variant_cast naming the held and the requested type as the platform spells
// them.
#pragma once

#include <cstring>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include <boost/any.hpp>
#include <boost/logic/tribool.hpp>
#include <boost/optional.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include "src/ScriptingCore/APITypes.h"

namespace FB {

namespace variant_detail {
// Script undefined, a missing optional argument, an absent attribute.
struct empty {
    bool operator<(const empty&) const { return false; }
};
// Script null, and a null object pointer.
struct null {
    bool operator<(const null&) const { return false; }
};
} // namespace variant_detail

struct bad_variant_cast : std::bad_cast {
    bad_variant_cast(const std::type_info& src, const std::type_info& dest)
        : from(src.name()), to(dest.name()) {}
    const char* what() const noexcept override { return "bad cast"; }
    const char* from;
    const char* to;
};

class variant;

namespace detail {
template <class T> struct converter;

template <class T, class = void> struct has_less : std::false_type {};
template <class T>
struct has_less<T, std::void_t<decltype(std::declval<const T&>() < std::declval<const T&>())>>
    : std::true_type {};

template <class T> bool less_than(const boost::any& a, const boost::any& b) {
    if constexpr (has_less<T>::value) {
        return *boost::any_cast<T>(&a) < *boost::any_cast<T>(&b);
    } else {
        (void)a;
        (void)b;
        return false;
    }
}
template <class T> bool less_than_weak(const boost::any& a, const boost::any& b) {
    return boost::any_cast<boost::weak_ptr<T>>(&a)->owner_before(
        *boost::any_cast<boost::weak_ptr<T>>(&b));
}
} // namespace detail

class variant {
public:
    variant()
        : m_object(variant_detail::empty()), m_lessthan(&detail::less_than<variant_detail::empty>) {
    }
    variant(const variant&) = default;
    variant(variant&&) = default;
    variant& operator=(const variant&) = default;
    variant& operator=(variant&&) = default;

    template <class T, class = std::enable_if_t<!std::is_same_v<std::decay_t<T>, variant>>>
    variant(const T& value) {
        assign(value);
    }
    template <class T, class = std::enable_if_t<!std::is_same_v<std::decay_t<T>, variant>>>
    variant& operator=(const T& value) {
        assign(value);
        return *this;
    }

    variant& assign(const char* text) { return store(std::string(text)); }
    variant& assign(char* text) { return store(std::string(text)); }
    variant& assign(const wchar_t* text) { return store(std::wstring(text)); }
    variant& assign(wchar_t* text) { return store(std::wstring(text)); }
    variant& assign(const boost::logic::tribool& value) { return store(bool(value == true)); }
    variant& assign(const variant& other) { return *this = other; }
    template <class T> variant& assign(const boost::shared_ptr<T>& ptr) {
        // Objects travel as the two system-wide pointer types so readers find them by one type.
        if (!ptr) {
            return store(variant_detail::null());
        }
        if constexpr (std::is_same_v<T, JSAPI> || std::is_same_v<T, JSObject>) {
            return store(ptr);
        } else if constexpr (std::is_base_of_v<JSObject, T>) {
            return store(JSObjectPtr(ptr));
        } else if constexpr (std::is_base_of_v<JSAPI, T>) {
            return store(JSAPIPtr(ptr));
        } else {
            return store(ptr);
        }
    }
    template <class T> variant& assign(const boost::weak_ptr<T>& ptr) {
        m_object = ptr;
        m_lessthan = &detail::less_than_weak<T>;
        return *this;
    }
    template <class T> variant& assign(const T& value) { return store(value); }

    const std::type_info& get_type() const { return m_object.type(); }
    bool empty() const {
        return m_object.empty() || m_object.type() == typeid(variant_detail::empty);
    }
    bool is_null() const { return m_object.type() == typeid(variant_detail::null); }
    template <class T> bool is_of_type() const { return m_object.type() == typeid(T); }
    void reset() { *this = variant(); }

    // Strict read: the held type must be exactly T.
    template <class T> T cast() const {
        if (m_object.type() != typeid(T)) {
            throw bad_variant_cast(m_object.type(), typeid(T));
        }
        return *boost::any_cast<T>(&m_object);
    }

    // Lenient read by the conversion rules (see converter<> below and variant.cpp).
    template <class T> T convert_cast() const { return detail::converter<T>::convert(*this); }

    // Variants with the same held type compare by value; otherwise by the type names, byte-wise.
    bool operator<(const variant& rh) const {
        if (get_type() == rh.get_type()) {
            return m_lessthan(m_object, rh.m_object);
        }
        return std::strcmp(get_type().name(), rh.get_type().name()) < 0;
    }

private:
    template <class T> variant& store(const T& value) {
        m_object = value;
        m_lessthan = &detail::less_than<T>;
        return *this;
    }

    boost::any m_object;
    bool (*m_lessthan)(const boost::any&, const boost::any&);
};

namespace detail {

// Non-template conversion rules, kept out of line so that every user of variant does not pay for
// them.
template <class T> T convert_to_number(const variant& v);
bool convert_to_bool(const variant& v);
std::string convert_to_string(const variant& v);
std::wstring convert_to_wstring(const variant& v);
VariantList convert_to_list(const variant& v);
VariantMap convert_to_map(const variant& v);
std::vector<unsigned char> convert_to_bytes(const variant& v);
std::vector<JSObjectPtr> convert_to_object_list(const variant& v);
// The native object a held value designates (null for null/empty/expired), or bad_variant_cast.
JSAPIPtr object_from_variant(const variant& v, const std::type_info& requested);
// The scriptable object of this program that a page-object handle wraps, or null.
JSAPIPtr inner_object(const JSAPIPtr& ptr);
// The two system-wide object types, converted where their classes are complete.
JSAPIPtr convert_to_jsapi(const variant& v);
JSObjectPtr convert_to_jsobject(const variant& v);

template <class T>
struct is_number : std::bool_constant<std::is_arithmetic_v<T> && !std::is_same_v<T, bool>> {};

template <class T> struct converter {
    static T convert(const variant& v) {
        if constexpr (is_number<T>::value) {
            return convert_to_number<T>(v);
        } else {
            return v.template cast<T>();
        }
    }
};
template <> struct converter<void> {
    static void convert(const variant&) {}
};
template <> struct converter<variant> {
    static variant convert(const variant& v) { return v; }
};
template <> struct converter<bool> {
    static bool convert(const variant& v) { return convert_to_bool(v); }
};
template <> struct converter<std::string> {
    static std::string convert(const variant& v) { return convert_to_string(v); }
};
template <> struct converter<std::wstring> {
    static std::wstring convert(const variant& v) { return convert_to_wstring(v); }
};
template <> struct converter<boost::logic::tribool> {
    static boost::logic::tribool convert(const variant& v) {
        if (v.empty() || v.is_null()) {
            return boost::logic::indeterminate;
        }
        return convert_to_bool(v);
    }
};
template <class T> struct converter<boost::optional<T>> {
    static boost::optional<T> convert(const variant& v) {
        if (v.empty() || v.is_null()) {
            return boost::none;
        }
        return converter<T>::convert(v);
    }
};
template <> struct converter<VariantList> {
    static VariantList convert(const variant& v) { return convert_to_list(v); }
};
template <> struct converter<VariantMap> {
    static VariantMap convert(const variant& v) { return convert_to_map(v); }
};
template <> struct converter<std::vector<unsigned char>> {
    static std::vector<unsigned char> convert(const variant& v) { return convert_to_bytes(v); }
};
template <> struct converter<std::vector<JSObjectPtr>> {
    static std::vector<JSObjectPtr> convert(const variant& v) { return convert_to_object_list(v); }
};
template <> struct converter<JSAPIPtr> {
    static JSAPIPtr convert(const variant& v) { return convert_to_jsapi(v); }
};
template <> struct converter<JSObjectPtr> {
    static JSObjectPtr convert(const variant& v) { return convert_to_jsobject(v); }
};
template <class T> boost::shared_ptr<T> convert_object(const variant& v) {
    if constexpr (std::is_base_of_v<JSAPI, T>) {
        JSAPIPtr ptr = object_from_variant(v, typeid(T));
        if (!ptr) {
            return boost::shared_ptr<T>();
        }
        // A page handle that wraps one of our own objects stands for that object.
        if (boost::shared_ptr<T> inner = boost::dynamic_pointer_cast<T>(inner_object(ptr))) {
            return inner;
        }
        boost::shared_ptr<T> result = boost::dynamic_pointer_cast<T>(ptr);
        if (!result) {
            throw bad_variant_cast(v.get_type(), typeid(T));
        }
        return result;
    } else {
        return v.template cast<boost::shared_ptr<T>>();
    }
}
template <class T> struct converter<boost::shared_ptr<T>> {
    static boost::shared_ptr<T> convert(const variant& v) { return convert_object<T>(v); }
};

} // namespace detail

} // namespace FB
