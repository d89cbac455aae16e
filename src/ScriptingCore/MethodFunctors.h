// Call and property functors of scriptable objects, and the argument conversion rules that turn a
// page's argument list into a native member function's parameters.
//
// The texts of the conversion errors reach the page unchanged.
#pragma once

#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include <boost/function.hpp>
#include <boost/optional.hpp>

#include "src/ScriptingCore/script_error.h"
#include "src/ScriptingCore/variant.h"

namespace FB {

using CallMethodFunctor = boost::function<variant(const VariantList&)>;
using GetPropFunctor = boost::function<variant()>;
using SetPropFunctor = boost::function<void(const variant&)>;

struct MethodFunctors {
    CallMethodFunctor call;
};

struct PropertyFunctors {
    GetPropFunctor get;
    SetPropFunctor set;
};

namespace detail::methods {
template <class T> struct is_optional : std::false_type {};
template <class T> struct is_optional<boost::optional<T>> : std::true_type {};

std::string conversion_message(const bad_variant_cast& error, size_t index);
[[noreturn]] void throw_not_optional(size_t index);
[[noreturn]] void throw_too_many(size_t expected);
} // namespace detail::methods

// Converts argument `index` (1-based). Optional parameters and FB::variant accept a missing
// argument.
template <class T> T convertArgumentSoft(const VariantList& args, size_t index) {
    if (args.size() < index) {
        if constexpr (detail::methods::is_optional<T>::value || std::is_same_v<T, variant>) {
            return T();
        } else {
            detail::methods::throw_not_optional(index);
        }
    }
    try {
        return args[index - 1].convert_cast<T>();
    } catch (const bad_variant_cast& error) {
        throw invalid_arguments(detail::methods::conversion_message(error, index));
    }
}

namespace detail::methods {

template <class T> T convertLastArgument(const VariantList& args, size_t index) {
    if (args.size() > index) {
        throw_too_many(index);
    }
    return convertArgumentSoft<T>(args, index);
}

// Calls a member function with the page's arguments converted left to right, so the first bad
// argument decides the error. A function without parameters ignores any arguments.
template <class C, class F, class R, class... A> class method_wrapper {
public:
    method_wrapper(C* object, F function) : m_object(object), m_function(function) {}

    variant operator()(const VariantList& args) const {
        return call(args, std::index_sequence_for<A...>{});
    }

private:
    template <size_t... I> variant call(const VariantList& args, std::index_sequence<I...>) const {
        // Braced initialisation fixes the left-to-right order of the conversions.
        std::tuple<std::decay_t<A>...> converted{convertArgument<I, std::decay_t<A>>(args)...};
        (void)args;
        if constexpr (std::is_void_v<R>) {
            (m_object->*m_function)(std::get<I>(converted)...);
            return variant();
        } else {
            return variant((m_object->*m_function)(std::get<I>(converted)...));
        }
    }

    template <size_t I, class T> static T convertArgument(const VariantList& args) {
        if constexpr (I + 1 == sizeof...(A)) {
            return convertLastArgument<T>(args, I + 1);
        } else {
            return convertArgumentSoft<T>(args, I + 1);
        }
    }

    C* m_object;
    F m_function;
};

} // namespace detail::methods

template <class C, class R, class... A>
CallMethodFunctor make_method(C* object, R (C::*function)(A...)) {
    return detail::methods::method_wrapper<C, R (C::*)(A...), R, A...>(object, function);
}

template <class C, class R, class... A>
CallMethodFunctor make_method(C* object, R (C::*function)(A...) const) {
    return detail::methods::method_wrapper<C, R (C::*)(A...) const, R, A...>(object, function);
}

// Read-only property: writes are accepted and ignored.
template <class C, class R> PropertyFunctors make_property(C* object, R (C::*getter)()) {
    return {[object, getter] { return variant((object->*getter)()); }, [](const variant&) {}};
}

template <class C, class R> PropertyFunctors make_property(C* object, R (C::*getter)() const) {
    return {[object, getter] { return variant((object->*getter)()); }, [](const variant&) {}};
}

template <class C, class G, class A>
PropertyFunctors make_property(C* object, G getter, void (C::*setter)(A)) {
    PropertyFunctors functors = make_property(object, getter);
    functors.set = [object, setter](const variant& value) {
        (object->*setter)(value.convert_cast<std::decay_t<A>>());
    };
    return functors;
}

} // namespace FB
