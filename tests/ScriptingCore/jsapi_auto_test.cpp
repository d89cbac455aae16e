#include "src/ScriptingCore/JSAPIAuto.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "src/ScriptingCore/JSFunction.h"
#include "src/ScriptingCore/script_error.h"
#include "tests/support/ErrorText.h"

using nvtest::errorOf;

namespace {

// A scriptable object with members of every arity and parameter kind the application uses.
class Calculator : public FB::JSAPIAuto {
public:
    Calculator() {
        registerMethod("zero", FB::make_method(this, &Calculator::zero));
        registerMethod("one", FB::make_method(this, &Calculator::one));
        registerMethod("two", FB::make_method(this, &Calculator::two));
        registerMethod("optionalLast", FB::make_method(this, &Calculator::optionalLast));
        registerMethod("variantLast", FB::make_method(this, &Calculator::variantLast));
        registerMethod("six", FB::make_method(this, &Calculator::six));
        registerMethod("strict", FB::make_method(this, &Calculator::strict));
        registerMethod("bytes", FB::make_method(this, &Calculator::bytes));
        registerProperty("total", FB::make_property(this, &Calculator::getTotal));
        registerProperty("scale",
                         FB::make_property(this, &Calculator::getScale, &Calculator::setScale));
    }

    int zero() { return ++calls; }
    int one(int a) { return a * scale; }
    std::string two(int a, const std::string& b) { return std::to_string(a) + b; }
    bool optionalLast(int, const boost::optional<FB::JSObjectPtr>& callback) { return !!callback; }
    std::string variantLast(int, const FB::variant& v) { return v.empty() ? "empty" : "set"; }
    long six(int a, int b, int c, int d, int e, int f) { return a + b + c + d + e + f; }
    int strict(const FB::variant& v) { return v.cast<int>(); }
    size_t bytes(const std::vector<unsigned char>& data) { return data.size(); }
    unsigned long long getTotal() const { return 12; }
    int getScale() const { return scale; }
    void setScale(int value) { scale = value; }

    int calls = 0;
    int scale = 1;
};

class JSAPIAutoTest : public ::testing::Test {
protected:
    boost::shared_ptr<Calculator> calc = boost::make_shared<Calculator>();
};

} // namespace

TEST_F(JSAPIAutoTest, ArgumentCountErrors) {
    EXPECT_EQ(errorOf([&] { calc->Invoke("one", {1, 2}); }), "Too many arguments, expected 1.");
    EXPECT_EQ(errorOf([&] { calc->Invoke("two", {1}); }), "Error: Argument 2is not optional.");
    EXPECT_EQ(errorOf([&] { calc->Invoke("two", {}); }), "Error: Argument 1is not optional.");
    EXPECT_EQ(calc->Invoke("zero", {1, 2, 3}).cast<int>(), 1) << "no parameters: extras ignored";
    EXPECT_FALSE(calc->Invoke("optionalLast", {1}).cast<bool>());
    EXPECT_EQ(calc->Invoke("variantLast", {1}).cast<std::string>(), "empty");
    EXPECT_EQ(calc->Invoke("six", {1, 2, 3, 4, 5, 6}).cast<long>(), 21);
}

TEST_F(JSAPIAutoTest, ConversionErrorsNameTheTypesAndTheFirstBadArgument) {
    std::string expected = std::string("Invalid argument conversion from ") +
                           typeid(std::string).name() + " to " + typeid(int).name() + " at index 1";
    EXPECT_EQ(errorOf([&] { calc->Invoke("two", {"abc", FB::VariantList()}); }), expected);
    EXPECT_EQ(calc->Invoke("two", {"7", "x"}).cast<std::string>(), "7x");

    std::string strict = std::string("Could not convert from ") + typeid(double).name() + " to " +
                         typeid(int).name();
    EXPECT_EQ(errorOf([&] { calc->Invoke("strict", {2.0}); }), strict);
}

TEST_F(JSAPIAutoTest, MembersResolveByNameAndReportMissingOnes) {
    EXPECT_EQ(errorOf([&] { calc->Invoke("nope", {}); }),
              "The specified member does not exist: nope");
    EXPECT_EQ(errorOf([&] { calc->Construct({}); }),
              "The specified member does not exist: constructor");
    EXPECT_EQ(calc->Invoke("toString", {}).cast<std::string>(), "<JSAPI-Auto Javascript Object>");
    EXPECT_EQ(calc->GetProperty("value").cast<std::string>(), "<JSAPI-Auto Javascript Object>");
    EXPECT_TRUE(calc->GetProperty("valid").cast<bool>());
    EXPECT_EQ(calc->GetProperty("total").cast<unsigned long long>(), 12u);
}

TEST_F(JSAPIAutoTest, ReadOnlyPropertiesIgnoreWritesAndSettersConvert) {
    calc->SetProperty("valid", false);
    calc->SetProperty("value", "x");
    EXPECT_TRUE(calc->GetProperty("valid").cast<bool>());
    calc->SetProperty("scale", "3");
    EXPECT_EQ(calc->Invoke("one", {5}).cast<int>(), 15);
    std::string expected = std::string("Could not convert from ") + typeid(FB::VariantList).name() +
                           " to " + typeid(int).name();
    EXPECT_EQ(errorOf([&] { calc->SetProperty("scale", FB::VariantList()); }), expected);
}

TEST_F(JSAPIAutoTest, DynamicAttributesAndReservedNames) {
    EXPECT_TRUE(calc->GetProperty("unknown").empty());
    EXPECT_TRUE(calc->HasProperty("unknown"));
    calc->SetProperty("unknown", 5);
    EXPECT_EQ(calc->getAttribute("unknown").cast<int>(), 5);
    std::vector<std::string> names;
    calc->getMemberNames(names);
    EXPECT_NE(std::find(names.begin(), names.end(), "unknown"), names.end());
    EXPECT_EQ(calc->getMemberCount(), names.size());

    EXPECT_FALSE(calc->HasProperty("style"));
    calc->SetProperty("style", "x");
    EXPECT_TRUE(calc->HasProperty("style"));

    calc->SetProperty(3, "three");
    EXPECT_EQ(calc->GetProperty(3).cast<std::string>(), "three");
    calc->RemoveProperty(3);
    EXPECT_TRUE(calc->GetProperty(3).empty());
}

TEST_F(JSAPIAutoTest, ReadOnlyAttributes) {
    calc->registerAttribute("fixed", 1, true);
    EXPECT_EQ(errorOf([&] {
                  calc->Invoke("setAttribute", {"fixed", 2});
              }),
              "Cannot set read-only property fixed");
    EXPECT_EQ(errorOf([&] { calc->unregisterAttribute("fixed"); }),
              "Cannot remove read-only property fixed");
    calc->RemoveProperty("fixed");
    EXPECT_EQ(calc->getAttribute("fixed").cast<int>(), 1)
        << "removing a read-only attribute is a no-op";
    calc->SetProperty("fixed", 3); // a page write replaces it with a writable attribute
    EXPECT_EQ(calc->Invoke("getAttribute", {"fixed"}).cast<int>(), 3);
    calc->unregisterAttribute("fixed");
    EXPECT_TRUE(calc->getAttribute("fixed").empty());
}

TEST_F(JSAPIAutoTest, MethodObjectsCallTheirMethod) {
    EXPECT_TRUE(calc->HasMethodObject("one"));
    FB::variant method = calc->GetProperty("one");
    auto fn = method.convert_cast<FB::JSAPIPtr>();
    ASSERT_TRUE(fn);
    EXPECT_EQ(fn, calc->GetMethodObject("one")) << "method objects are cached";
    EXPECT_EQ(fn->Invoke("", {4}).cast<int>(), 4);
    EXPECT_EQ(fn->Invoke("call", {"this", 5}).cast<int>(), 5);
    EXPECT_EQ(fn->Invoke("apply", {"this", FB::VariantList{6}}).cast<int>(), 6);
    EXPECT_EQ(errorOf([&] { fn->Invoke("apply", {"this"}); }), "Error: Argument 1is not optional.")
        << "apply without an array passes nothing";
    EXPECT_FALSE(fn->HasProperty("call"));
    EXPECT_TRUE(fn->HasMethod("apply"));
    EXPECT_EQ(fn->Invoke("toString", {}).cast<std::string>(), "one()");

    calc.reset();
    EXPECT_EQ(errorOf([&] { fn->Invoke("", {1}); }), "Invalid JSAPI object");
}

TEST_F(JSAPIAutoTest, InvalidatedObjectsRefuseEveryMember) {
    calc->invalidate();
    EXPECT_FALSE(calc->HasMethod("one"));
    EXPECT_FALSE(calc->HasProperty("total"));
    for (auto call : std::vector<std::function<void()>>{
             [&] { calc->Invoke("one", {1}); }, [&] { calc->GetProperty("total"); },
             [&] { calc->SetProperty("x", 1); }, [&] { calc->RemoveProperty("x"); },
             [&] { calc->GetMethodObject("one"); }}) {
        EXPECT_EQ(errorOf(call), "This object is no longer valid");
    }
}

TEST_F(JSAPIAutoTest, ZonesHideMembersRegisteredHigher) {
    calc->pushZone(5);
    calc->registerMethod("secret", FB::make_method(calc.get(), &Calculator::zero));
    calc->popZone();
    EXPECT_FALSE(calc->HasMethod("secret"));
    EXPECT_EQ(errorOf([&] { calc->Invoke("secret", {}); }),
              "The specified member does not exist: secret");
    std::vector<std::string> names;
    calc->getMemberNames(names);
    EXPECT_EQ(std::find(names.begin(), names.end(), "secret"), names.end());
    FB::scoped_zonelock zone(*calc, 5);
    EXPECT_TRUE(calc->HasMethod("secret"));
}

TEST_F(JSAPIAutoTest, ByteVectorParametersAcceptPageArrays) {
    EXPECT_EQ(calc->Invoke("bytes", {std::vector<unsigned char>{1, 2, 3}}).cast<size_t>(), 3u);
    EXPECT_EQ(
        errorOf([&] { calc->Invoke("bytes", {"abc"}); }).rfind("Invalid argument conversion", 0),
        0u);
}
