#include "src/ScriptingCore/variant.h"

#include <climits>
#include <sstream>
#include <type_traits>

#include <gtest/gtest.h>
#include <utf8cpp/utf8.h>

#include "src/ScriptingCore/JSAPIAuto.h"
#include "src/ScriptingCore/utf8_tools.h"
#include "tests/support/TestBrowserHost.h"

using FB::variant;

namespace {

// What converting `v` to T gives, as text, or "bad cast".
template <class T> std::string as(const variant& v) {
    try {
        const T value = v.convert_cast<T>();
        std::ostringstream out;
        if constexpr (std::is_same_v<T, bool>) {
            out << (value ? "true" : "false");
        } else if constexpr (std::is_same_v<T, std::wstring>) {
            out << FB::wstring_to_utf8(value);
        } else if constexpr (std::is_arithmetic_v<T>) {
            out << +value;
        } else {
            out << value;
        }
        return out.str();
    } catch (const FB::bad_variant_cast&) {
        return "bad cast";
    }
}

const std::string bad = "bad cast";

} // namespace

TEST(Variant, ConstructionPicksTheSystemTypes) {
    char buffer[] = "mutable";
    EXPECT_TRUE(variant(buffer).is_of_type<std::string>());
    EXPECT_TRUE(variant(L"text").is_of_type<std::wstring>());
    EXPECT_TRUE(variant(boost::logic::tribool(boost::logic::indeterminate)).is_of_type<bool>());
    EXPECT_TRUE(variant(FB::JSObjectPtr()).is_null());
    EXPECT_TRUE(variant(boost::shared_ptr<FB::JSAPIAuto>()).is_null());
    auto api = boost::make_shared<FB::JSAPIAuto>();
    EXPECT_TRUE(variant(boost::shared_ptr<FB::JSAPIAuto>(api)).is_of_type<FB::JSAPIPtr>());
    EXPECT_THROW(variant(5).cast<long>(), FB::bad_variant_cast) << "cast reads the held type only";
}

TEST(Variant, ConversionsFollowThePagesRules) {
    const std::tuple<variant, std::string (*)(const variant&), std::string> cases[] = {
        // Numbers from text stop where the number ends.
        {" 42", as<int>, "42"},
        {"4.7", as<int>, "4"},
        {"12abc", as<int>, "12"},
        {"2.5e3", as<double>, "2500"},
        {L"77", as<unsigned long>, "77"},
        {"abc", as<int>, bad},
        {"", as<int>, bad},
        {"99999999999999999999", as<int>, bad},
        {"-1", as<unsigned long>, bad},
        {"200", as<unsigned char>, "200"},
        {"300", as<unsigned char>, bad},
        // Floating to integer truncates inside the open range.
        {2147483647.9, as<int>, "2147483647"},
        {2147483648.0, as<int>, bad},
        {-2147483648.9, as<int>, "-2147483648"},
        {-2147483649.0, as<int>, bad},
        {-0.9, as<unsigned long>, "0"},
        {-1.0, as<unsigned long>, bad},
        {18446744073709551616.0, as<unsigned long long>, bad},
        {1e300, as<float>, bad},
        {1.5, as<float>, "1.5"},
        // Integers are range-checked.
        {5, as<long>, "5"},
        {255, as<unsigned char>, "255"},
        {256, as<unsigned char>, bad},
        {-1, as<unsigned int>, bad},
        {4294967296LL, as<int>, bad},
        {true, as<int>, "1"},
        {variant(), as<int>, bad},
        {FB::VariantList(), as<int>, bad},
        // Booleans from words in any case, and from numbers read as long.
        {"Yes", as<bool>, "true"},
        {"TRUE", as<bool>, "true"},
        {"T", as<bool>, "true"},
        {"1", as<bool>, "true"},
        {L"YeS", as<bool>, "true"},
        {"on", as<bool>, "false"},
        {"yess", as<bool>, "false"},
        {2, as<bool>, "true"},
        {0.5, as<bool>, "false"},
        {variant(), as<bool>, bad},
        {FB::JSObjectPtr(), as<bool>, bad},
        // Text.
        {0.1, as<std::string>, "0.1"},
        {1234567.0, as<std::string>, "1.23457e+06"},
        {3.5f, as<std::string>, "3.5"},
        {'A', as<std::string>, "A"},
        {true, as<std::string>, "true"},
        {false, as<std::wstring>, "false"},
        {18446744073709551615ULL, as<std::string>, "18446744073709551615"},
        {L"\u00e9", as<std::string>, "\xc3\xa9"},
        {"\xe4\xb8\xad", as<std::wstring>, "\xe4\xb8\xad"},
        {FB::JSObjectPtr(), as<std::string>, bad},
        {variant(), as<std::string>, bad},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto& [input, convert, expected] = cases[row];
        EXPECT_EQ(convert(input), expected) << "row " << row;
    }
}

TEST(Variant, TriboolAndOptionalTargets) {
    EXPECT_TRUE(boost::logic::indeterminate(variant().convert_cast<boost::logic::tribool>()));
    EXPECT_TRUE(variant("yes").convert_cast<boost::logic::tribool>() == true);
    EXPECT_FALSE(variant().convert_cast<boost::optional<FB::JSObjectPtr>>());
    EXPECT_THROW(variant(5).convert_cast<boost::optional<FB::JSObjectPtr>>(), FB::bad_variant_cast);
}

TEST(Variant, PageArraysAndObjectsConvertThroughTheHandle) {
    auto host = nvtest::TestBrowserHost::create();
    auto array = nvtest::FakeJSObject::array(host, {97, 98.0, "99"});
    variant v = FB::JSObjectPtr(array);
    EXPECT_EQ(v.convert_cast<std::vector<unsigned char>>(),
              (std::vector<unsigned char>{'a', 'b', 'c'}));
    FB::VariantList list = v.convert_cast<FB::VariantList>();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[2].cast<std::string>(), "99");

    auto object = nvtest::FakeJSObject::object(host, {{"a", 1}, {"b", "two"}});
    FB::VariantMap map = variant(FB::JSObjectPtr(object)).convert_cast<FB::VariantMap>();
    EXPECT_EQ(map.size(), 2u);
    EXPECT_EQ(map["b"].cast<std::string>(), "two");

    auto bad = nvtest::FakeJSObject::array(host, {1, FB::VariantList()});
    EXPECT_THROW(variant(FB::JSObjectPtr(bad)).convert_cast<std::vector<unsigned char>>(),
                 FB::bad_variant_cast);
    EXPECT_THROW(variant("not an array").convert_cast<FB::VariantList>(), FB::bad_variant_cast);
    EXPECT_THROW(variant(3).convert_cast<FB::VariantMap>(), FB::bad_variant_cast);
}

TEST(Variant, ObjectTargetsUnwrapOurOwnObjects) {
    auto host = nvtest::TestBrowserHost::create();
    auto api = boost::make_shared<FB::JSAPIAuto>();
    auto handle = boost::make_shared<nvtest::FakeJSObject>(host);
    handle->wrap(api);

    variant wrapped = FB::JSObjectPtr(handle);
    EXPECT_EQ(wrapped.convert_cast<boost::shared_ptr<FB::JSAPIAuto>>(), api);
    EXPECT_EQ(wrapped.convert_cast<FB::JSObjectPtr>(), handle);
    EXPECT_EQ(variant(FB::JSAPIWeakPtr(api)).convert_cast<FB::JSAPIPtr>(), api);
    EXPECT_THROW(variant(FB::JSAPIPtr(api)).convert_cast<FB::JSObjectPtr>(), FB::bad_variant_cast);
    EXPECT_THROW(variant(4).convert_cast<FB::JSAPIPtr>(), FB::bad_variant_cast);

    FB::JSAPIWeakPtr expired = boost::make_shared<FB::JSAPIAuto>();
    EXPECT_FALSE(variant(expired).convert_cast<FB::JSAPIPtr>());
}

TEST(Utf8, ConversionsRoundTripAndPassErrorsOn) {
    std::wstring wide = L"a\u00e9\u4e2d\U0001F600";
    EXPECT_EQ(FB::utf8_to_wstring(FB::wstring_to_utf8(wide)), wide);
    EXPECT_THROW(FB::utf8_to_wstring("\xc3"), utf8::not_enough_room);
    EXPECT_THROW(FB::utf8_to_wstring("\xc0\xaf"), utf8::invalid_utf8);
    EXPECT_THROW(FB::utf8_to_wstring("\xed\xa0\x80"), utf8::invalid_code_point);
    EXPECT_THROW(FB::wstring_to_utf8(std::wstring(1, wchar_t(0xD800))), utf8::invalid_code_point);
    EXPECT_THROW(FB::wstring_to_utf8(std::wstring(1, wchar_t(0x110000))), utf8::invalid_code_point);
    EXPECT_THROW(variant("\xff").convert_cast<std::wstring>(), utf8::exception);
}
