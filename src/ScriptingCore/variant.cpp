#include "src/ScriptingCore/variant.h"

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <sstream>

#include <boost/numeric/conversion/cast.hpp>

#include "src/ScriptingCore/JSObject.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace FB {
namespace detail {
namespace {

template <class T, class S> T numeric_from(const variant& v, S value) {
    try {
        return boost::numeric_cast<T>(value);
    } catch (const boost::numeric::bad_numeric_cast&) {
        throw bad_variant_cast(v.get_type(), typeid(T));
    }
}

// Integers are read through the widest signed or unsigned type and then range checked, so that a
// text such as "-1" fails for an unsigned target as the number -1 does, and "200" read as a byte
// is the number 200 rather than the character '2'.
template <class T> T parse_number(const variant& v, const std::string& text) {
    std::istringstream in(text);
    auto check = [&] {
        if (in.fail() || in.bad()) {
            throw bad_variant_cast(v.get_type(), typeid(T));
        }
    };
    if constexpr (std::is_integral_v<T>) {
        in >> std::ws;
        if (in.peek() == '-') {
            long long value = 0;
            in >> value;
            check();
            return numeric_from<T>(v, value);
        }
        unsigned long long value = 0;
        in >> value;
        check();
        return numeric_from<T>(v, value);
    } else {
        T value{};
        in >> value;
        check();
        return value;
    }
}

template <class T, class... Sources> bool read_number(const variant& v, T& out) {
    return ((v.get_type() == typeid(Sources) ? (out = numeric_from<T>(v, v.cast<Sources>()), true)
                                             : false) ||
            ...);
}

template <class Char> std::basic_string<Char> ascii_lower(std::basic_string<Char> text) {
    for (Char& ch : text) {
        if (ch >= 'A' && ch <= 'Z') {
            ch = static_cast<Char>(ch - 'A' + 'a');
        }
    }
    return text;
}

template <class Char> bool is_true_word(const std::basic_string<Char>& text) {
    static const char* const words[] = {"y", "1", "yes", "true", "t"};
    std::basic_string<Char> lower = ascii_lower(text);
    return std::any_of(std::begin(words), std::end(words), [&](const char* word) {
        return lower == std::basic_string<Char>(word, word + std::strlen(word));
    });
}

template <class Out, class T> bool write_streamed(const variant& v, Out& out) {
    if (v.get_type() != typeid(T)) {
        return false;
    }
    out << v.cast<T>();
    return true;
}

template <class Container> Container read_page_array(const variant& v) {
    Container values;
    JSObject::GetArrayValues(v.cast<JSObjectPtr>(), values);
    return values;
}

} // namespace

template <class T> T convert_to_number(const variant& v) {
    T out{};
    if (read_number<T, char, unsigned char, short, unsigned short, int, unsigned int, long,
                    unsigned long, long long, unsigned long long, float, double>(v, out)) {
        return out;
    }
    if (v.is_of_type<bool>()) {
        return v.cast<bool>() ? 1 : 0;
    }
    if (v.is_of_type<std::string>()) {
        return parse_number<T>(v, v.cast<std::string>());
    }
    if (v.is_of_type<std::wstring>()) {
        return parse_number<T>(v, wstring_to_utf8(v.cast<std::wstring>()));
    }
    throw bad_variant_cast(v.get_type(), typeid(T));
}

template char convert_to_number<char>(const variant&);
template unsigned char convert_to_number<unsigned char>(const variant&);
template short convert_to_number<short>(const variant&);
template unsigned short convert_to_number<unsigned short>(const variant&);
template int convert_to_number<int>(const variant&);
template unsigned int convert_to_number<unsigned int>(const variant&);
template long convert_to_number<long>(const variant&);
template unsigned long convert_to_number<unsigned long>(const variant&);
template long long convert_to_number<long long>(const variant&);
template unsigned long long convert_to_number<unsigned long long>(const variant&);
template float convert_to_number<float>(const variant&);
template double convert_to_number<double>(const variant&);

bool convert_to_bool(const variant& v) {
    if (v.is_of_type<bool>()) {
        return v.cast<bool>();
    }
    if (v.is_of_type<std::string>()) {
        return is_true_word(v.cast<std::string>());
    }
    if (v.is_of_type<std::wstring>()) {
        return is_true_word(v.cast<std::wstring>());
    }
    try {
        return convert_to_number<long>(v) != 0;
    } catch (const bad_variant_cast&) {
        throw bad_variant_cast(v.get_type(), typeid(bool));
    }
}

std::string convert_to_string(const variant& v) {
    if (v.is_of_type<std::string>()) {
        return v.cast<std::string>();
    }
    if (v.is_of_type<std::wstring>()) {
        return wstring_to_utf8(v.cast<std::wstring>());
    }
    if (v.is_of_type<bool>()) {
        return v.cast<bool>() ? "true" : "false";
    }
    if (v.is_of_type<char>()) {
        return std::string(1, v.cast<char>());
    }
    if (v.is_of_type<unsigned char>()) {
        return std::string(1, static_cast<char>(v.cast<unsigned char>()));
    }
    std::ostringstream out;
    if (write_streamed<std::ostringstream, double>(v, out) ||
        write_streamed<std::ostringstream, float>(v, out) ||
        write_streamed<std::ostringstream, int>(v, out) ||
        write_streamed<std::ostringstream, unsigned int>(v, out) ||
        write_streamed<std::ostringstream, long>(v, out) ||
        write_streamed<std::ostringstream, unsigned long>(v, out) ||
        write_streamed<std::ostringstream, short>(v, out) ||
        write_streamed<std::ostringstream, unsigned short>(v, out) ||
        write_streamed<std::ostringstream, long long>(v, out) ||
        write_streamed<std::ostringstream, unsigned long long>(v, out)) {
        return out.str();
    }
    throw bad_variant_cast(v.get_type(), typeid(std::string));
}

std::wstring convert_to_wstring(const variant& v) {
    if (v.is_of_type<std::wstring>()) {
        return v.cast<std::wstring>();
    }
    if (v.is_of_type<std::string>()) {
        return utf8_to_wstring(v.cast<std::string>());
    }
    if (v.is_of_type<bool>()) {
        return v.cast<bool>() ? L"true" : L"false";
    }
    if (v.is_of_type<char>()) {
        return std::wstring(1, static_cast<wchar_t>(static_cast<unsigned char>(v.cast<char>())));
    }
    if (v.is_of_type<unsigned char>()) {
        return std::wstring(1, static_cast<wchar_t>(v.cast<unsigned char>()));
    }
    // 64-bit "long long" values are not accepted for wide text; "long" is.
    std::wostringstream out;
    if (write_streamed<std::wostringstream, double>(v, out) ||
        write_streamed<std::wostringstream, float>(v, out) ||
        write_streamed<std::wostringstream, int>(v, out) ||
        write_streamed<std::wostringstream, unsigned int>(v, out) ||
        write_streamed<std::wostringstream, long>(v, out) ||
        write_streamed<std::wostringstream, unsigned long>(v, out) ||
        write_streamed<std::wostringstream, short>(v, out) ||
        write_streamed<std::wostringstream, unsigned short>(v, out)) {
        return out.str();
    }
    throw bad_variant_cast(v.get_type(), typeid(std::wstring));
}

VariantList convert_to_list(const variant& v) {
    if (v.is_of_type<VariantList>()) {
        return v.cast<VariantList>();
    }
    if (v.is_of_type<JSObjectPtr>()) {
        return read_page_array<VariantList>(v);
    }
    throw bad_variant_cast(v.get_type(), typeid(VariantList));
}

VariantMap convert_to_map(const variant& v) {
    if (v.is_of_type<VariantMap>()) {
        return v.cast<VariantMap>();
    }
    if (v.is_of_type<JSObjectPtr>()) {
        VariantMap values;
        JSObject::GetObjectValues(v.cast<JSObjectPtr>(), values);
        return values;
    }
    throw bad_variant_cast(v.get_type(), typeid(VariantMap));
}

std::vector<unsigned char> convert_to_bytes(const variant& v) {
    if (v.is_of_type<std::vector<unsigned char>>()) {
        return v.cast<std::vector<unsigned char>>();
    }
    if (v.is_of_type<JSObjectPtr>()) {
        return read_page_array<std::vector<unsigned char>>(v);
    }
    throw bad_variant_cast(v.get_type(), typeid(std::vector<unsigned char>));
}

std::vector<JSObjectPtr> convert_to_object_list(const variant& v) {
    if (v.is_of_type<std::vector<JSObjectPtr>>()) {
        return v.cast<std::vector<JSObjectPtr>>();
    }
    if (v.is_of_type<JSObjectPtr>()) {
        return read_page_array<std::vector<JSObjectPtr>>(v);
    }
    throw bad_variant_cast(v.get_type(), typeid(std::vector<JSObjectPtr>));
}

JSAPIPtr object_from_variant(const variant& v, const std::type_info& requested) {
    if (v.empty() || v.is_null()) {
        return JSAPIPtr();
    }
    if (v.is_of_type<JSObjectPtr>()) {
        return v.cast<JSObjectPtr>();
    }
    if (v.is_of_type<JSAPIWeakPtr>()) {
        return v.cast<JSAPIWeakPtr>().lock();
    }
    if (v.is_of_type<JSAPIPtr>()) {
        return v.cast<JSAPIPtr>();
    }
    throw bad_variant_cast(v.get_type(), requested);
}

JSAPIPtr inner_object(const JSAPIPtr& ptr) {
    if (JSObjectPtr handle = boost::dynamic_pointer_cast<JSObject>(ptr)) {
        return handle->getJSAPI();
    }
    return JSAPIPtr();
}

JSAPIPtr convert_to_jsapi(const variant& v) {
    return convert_object<JSAPI>(v);
}

JSObjectPtr convert_to_jsobject(const variant& v) {
    return convert_object<JSObject>(v);
}

} // namespace detail
} // namespace FB
