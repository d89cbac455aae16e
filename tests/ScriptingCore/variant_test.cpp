#include "src/ScriptingCore/variant.h"

#include <climits>
#include <map>
#include <set>

#include <gtest/gtest.h>
#include <utf8cpp/utf8.h>

#include "src/ScriptingCore/JSAPIAuto.h"
#include "src/ScriptingCore/utf8_tools.h"
#include "tests/support/TestBrowserHost.h"

using FB::variant;

namespace {

template <class T> void expectBadCast(const variant& v) {
    try {
        v.convert_cast<T>();
        FAIL() << "conversion to " << typeid(T).name() << " succeeded";
    } catch (const FB::bad_variant_cast& e) {
        EXPECT_STREQ(e.from, v.get_type().name());
        EXPECT_STREQ(e.to, typeid(T).name());
        EXPECT_STREQ(e.what(), "bad cast");
    }
}

} // namespace

TEST(Variant, ConstructionPicksTheSystemTypes) {
    EXPECT_TRUE(variant("text").is_of_type<std::string>());
    EXPECT_TRUE(variant(L"text").is_of_type<std::wstring>());
    char buffer[] = "mutable";
    EXPECT_TRUE(variant(buffer).is_of_type<std::string>());
    EXPECT_TRUE(variant(boost::logic::tribool(boost::logic::indeterminate)).is_of_type<bool>());
    EXPECT_FALSE(variant(boost::logic::tribool(boost::logic::indeterminate)).cast<bool>());
    EXPECT_TRUE(variant(boost::logic::tribool(true)).cast<bool>());

    variant nullObject = FB::JSObjectPtr();
    EXPECT_TRUE(nullObject.is_null());
    EXPECT_FALSE(nullObject.empty());
    EXPECT_FALSE(nullObject.convert_cast<FB::JSObjectPtr>());

    auto api = boost::make_shared<FB::JSAPIAuto>();
    variant fromDerived = boost::shared_ptr<FB::JSAPIAuto>(api);
    EXPECT_TRUE(fromDerived.is_of_type<FB::JSAPIPtr>());
    EXPECT_TRUE(variant(boost::shared_ptr<FB::JSAPIAuto>()).is_null());

    EXPECT_TRUE(variant().empty());
    EXPECT_FALSE(variant().is_null());
}

TEST(Variant, CastIsStrict) {
    variant v = 5;
    EXPECT_EQ(v.cast<int>(), 5);
    EXPECT_THROW(v.cast<long>(), FB::bad_variant_cast);
    EXPECT_EQ(v.convert_cast<long>(), 5L);
    EXPECT_EQ(v.cast<int>(), 5) << "a failed read leaves the value unchanged";
}

TEST(Variant, NumbersFromTextStopWhereTheNumberEnds) {
    EXPECT_EQ(variant(" 42").convert_cast<int>(), 42);
    EXPECT_EQ(variant("-5").convert_cast<int>(), -5);
    EXPECT_EQ(variant("4.7").convert_cast<int>(), 4);
    EXPECT_EQ(variant("12abc").convert_cast<int>(), 12);
    EXPECT_DOUBLE_EQ(variant("2.5e3").convert_cast<double>(), 2500.0);
    EXPECT_EQ(variant(L"77").convert_cast<unsigned long>(), 77UL);
    expectBadCast<int>(variant("abc"));
    expectBadCast<int>(variant(""));
    expectBadCast<double>(variant("x1"));
    expectBadCast<int>(variant("99999999999999999999"));
    expectBadCast<unsigned long>(variant("-1"));
    EXPECT_EQ(variant("200").convert_cast<unsigned char>(), 200) << "bytes read text as numbers";
    expectBadCast<unsigned char>(variant("300"));
}

TEST(Variant, FloatingToIntegerTruncatesInsideTheOpenRange) {
    EXPECT_EQ(variant(2147483647.9).convert_cast<int>(), INT_MAX);
    expectBadCast<int>(variant(2147483648.0));
    EXPECT_EQ(variant(-2147483648.9).convert_cast<int>(), INT_MIN);
    expectBadCast<int>(variant(-2147483649.0));
    EXPECT_EQ(variant(-0.9).convert_cast<unsigned long>(), 0UL);
    EXPECT_EQ(variant(-0.5).convert_cast<unsigned char>(), 0);
    expectBadCast<unsigned long>(variant(-1.0));
    expectBadCast<unsigned long long>(variant(18446744073709551616.0));
    expectBadCast<float>(variant(1e300));
    EXPECT_FLOAT_EQ(variant(1.5).convert_cast<float>(), 1.5f);
}

TEST(Variant, IntegerRangeChecks) {
    EXPECT_EQ(variant(255).convert_cast<unsigned char>(), 255);
    expectBadCast<unsigned int>(variant(-1));
    expectBadCast<unsigned char>(variant(256));
    expectBadCast<int>(variant(4294967296LL));
    EXPECT_EQ(variant(true).convert_cast<int>(), 1);
    EXPECT_EQ(variant(false).convert_cast<double>(), 0.0);
    expectBadCast<int>(variant());
    expectBadCast<int>(variant(FB::VariantList()));
}

TEST(Variant, BooleanRules) {
    for (const char* yes : {"Yes", "TRUE", "T", "1", "y"}) {
        EXPECT_TRUE(variant(yes).convert_cast<bool>()) << yes;
    }
    for (const char* no : {"on", "2", "", "false", "yess"}) {
        EXPECT_FALSE(variant(no).convert_cast<bool>()) << no;
    }
    EXPECT_TRUE(variant(L"YeS").convert_cast<bool>());
    EXPECT_TRUE(variant(2).convert_cast<bool>());
    EXPECT_FALSE(variant(0.0).convert_cast<bool>());
    EXPECT_FALSE(variant(0.5).convert_cast<bool>()) << "numbers are read as long first";
    expectBadCast<bool>(variant());
    expectBadCast<bool>(variant(FB::JSObjectPtr()));
}

TEST(Variant, TextTargets) {
    EXPECT_EQ(variant(0.1).convert_cast<std::string>(), "0.1");
    EXPECT_EQ(variant(1234567.0).convert_cast<std::string>(), "1.23457e+06");
    EXPECT_EQ(variant(1e20).convert_cast<std::string>(), "1e+20");
    EXPECT_EQ(variant(3.5f).convert_cast<std::string>(), "3.5");
    EXPECT_EQ(variant('A').convert_cast<std::string>(), "A");
    EXPECT_EQ(variant(-12).convert_cast<std::string>(), "-12");
    EXPECT_EQ(variant(true).convert_cast<std::string>(), "true");
    EXPECT_EQ(variant(L"\u00e9").convert_cast<std::string>(), "\xc3\xa9");
    expectBadCast<std::string>(variant(FB::JSObjectPtr()));
    expectBadCast<std::string>(variant());

    EXPECT_EQ(variant(18446744073709551615ULL).convert_cast<std::string>(), "18446744073709551615");
    expectBadCast<std::wstring>(variant(18446744073709551615ULL));
    expectBadCast<std::wstring>(variant(5LL));
    EXPECT_EQ(variant(5L).convert_cast<std::wstring>(), L"5");
    EXPECT_EQ(variant("\xe4\xb8\xad").convert_cast<std::wstring>(), L"\u4e2d");
    EXPECT_EQ(variant(false).convert_cast<std::wstring>(), L"false");
}

TEST(Variant, TriboolAndOptionalTargets) {
    EXPECT_TRUE(boost::logic::indeterminate(variant().convert_cast<boost::logic::tribool>()));
    EXPECT_TRUE(boost::logic::indeterminate(
        variant(FB::JSObjectPtr()).convert_cast<boost::logic::tribool>()));
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
    expectBadCast<FB::VariantList>(variant("not an array"));
    expectBadCast<FB::VariantMap>(variant(3));
}

TEST(Variant, ObjectTargetsUnwrapOurOwnObjects) {
    auto host = nvtest::TestBrowserHost::create();
    auto api = boost::make_shared<FB::JSAPIAuto>();
    auto handle = boost::make_shared<nvtest::FakeJSObject>(host);
    handle->wrap(api);

    variant wrapped = FB::JSObjectPtr(handle);
    EXPECT_EQ(wrapped.convert_cast<boost::shared_ptr<FB::JSAPIAuto>>(), api);
    EXPECT_EQ(wrapped.convert_cast<FB::JSObjectPtr>(), handle);

    variant weak = FB::JSAPIWeakPtr(api);
    EXPECT_EQ(weak.convert_cast<FB::JSAPIPtr>(), api);

    variant plain = FB::JSAPIPtr(api);
    EXPECT_THROW(plain.convert_cast<FB::JSObjectPtr>(), FB::bad_variant_cast);
    EXPECT_THROW(variant(4).convert_cast<FB::JSAPIPtr>(), FB::bad_variant_cast);

    FB::JSAPIWeakPtr expired;
    {
        auto temporary = boost::make_shared<FB::JSAPIAuto>();
        expired = temporary;
    }
    EXPECT_FALSE(variant(expired).convert_cast<FB::JSAPIPtr>());
}

TEST(Variant, OrderingComparesByTypeNameThenValue) {
    EXPECT_TRUE(variant(1) < variant(2));
    EXPECT_FALSE(variant(2) < variant(1));
    EXPECT_TRUE(variant(std::string("a")) < variant(std::string("b")));
    bool intFirst = std::strcmp(typeid(int).name(), typeid(double).name()) < 0;
    EXPECT_EQ(variant(100) < variant(1.0), intFirst);
    EXPECT_EQ(variant(1.0) < variant(100), !intFirst);
    EXPECT_FALSE(variant() < variant());
    EXPECT_TRUE((variant(FB::VariantList{1, 2}) < variant(FB::VariantList{1, 3})));
    EXPECT_TRUE((variant(FB::VariantMap{{"a", 1}}) < variant(FB::VariantMap{{"b", 0}})));

    std::set<variant> keys{3, 1, 2, 1};
    EXPECT_EQ(keys.size(), 3u);
    std::map<variant, int> byValue{{variant("x"), 1}, {variant(7), 2}};
    EXPECT_EQ(byValue[variant(7)], 2);
}

TEST(Utf8, ConversionsRoundTripAndPassErrorsOn) {
    std::wstring wide = L"a\u00e9\u4e2d\U0001F600";
    EXPECT_EQ(FB::utf8_to_wstring(FB::wstring_to_utf8(wide)), wide);
    EXPECT_EQ(FB::wstring_to_utf8(L""), "");
    EXPECT_THROW(FB::utf8_to_wstring("\xc3"), utf8::not_enough_room);
    EXPECT_THROW(FB::utf8_to_wstring("\xc0\xaf"), utf8::invalid_utf8);
    EXPECT_THROW(FB::utf8_to_wstring("\xed\xa0\x80"), utf8::invalid_code_point);
    EXPECT_THROW(FB::wstring_to_utf8(std::wstring(1, wchar_t(0xD800))), utf8::invalid_code_point);
    EXPECT_THROW(FB::wstring_to_utf8(std::wstring(1, wchar_t(0x110000))), utf8::invalid_code_point);
    EXPECT_THROW(variant("\xff").convert_cast<std::wstring>(), utf8::exception);
}
