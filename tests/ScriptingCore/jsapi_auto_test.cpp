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

std::string typeName(const std::type_info& type) {
    return type.name();
}

} // namespace

TEST_F(JSAPIAutoTest, CallsConvertTheirArgumentsOrFailWithThePagesText) {
    const std::string conversion = "Invalid argument conversion from " +
                                   typeName(typeid(std::string)) + " to " + typeName(typeid(int)) +
                                   " at index 1";
    const std::string strict =
        "Could not convert from " + typeName(typeid(double)) + " to " + typeName(typeid(int));
    const std::tuple<const char*, FB::VariantList, std::string> cases[] = {
        {"zero", {1, 2, 3}, "1"}, // no parameters: extras ignored
        {"two", {1}, "Error: Argument 2is not optional."},
        {"two", {"7", "x"}, "7x"},
        {"two", {"abc", FB::VariantList()}, conversion}, // the first bad argument is named
        {"optionalLast", {1}, "false"},
        {"variantLast", {1}, "empty"},
        {"six", {1, 2, 3, 4, 5, 6}, "21"},
        {"strict", {2.0}, strict},
        {"nope", {}, "The specified member does not exist: nope"},
        {"toString", {}, "<JSAPI-Auto Javascript Object>"},
    };
    for (const auto& [method, args, expected] : cases) {
        std::string outcome;
        try {
            outcome = calc->Invoke(method, args).convert_cast<std::string>();
        } catch (const FB::script_error& e) {
            outcome = e.what();
        }
        EXPECT_EQ(outcome, expected) << method;
    }
    EXPECT_EQ(errorOf([&] { calc->Construct({}); }),
              "The specified member does not exist: constructor");
}

TEST_F(JSAPIAutoTest, PropertiesReadOnlyOrConvertedOnWrite) {
    EXPECT_EQ(calc->GetProperty("value").cast<std::string>(), "<JSAPI-Auto Javascript Object>");
    EXPECT_EQ(calc->GetProperty("total").cast<unsigned long long>(), 12u);
    calc->SetProperty("valid", false);
    EXPECT_TRUE(calc->GetProperty("valid").cast<bool>());
    calc->SetProperty("scale", "3");
    EXPECT_EQ(calc->Invoke("one", {5}).cast<int>(), 15);
    std::string expected = "Could not convert from " + typeName(typeid(FB::VariantList)) + " to " +
                           typeName(typeid(int));
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

TEST_F(JSAPIAutoTest, MethodObjectsCallTheirMethod) {
    auto fn = calc->GetProperty("one").convert_cast<FB::JSAPIPtr>();
    ASSERT_TRUE(fn);
    EXPECT_EQ(fn, calc->GetMethodObject("one")) << "method objects are cached";
    EXPECT_EQ(fn->Invoke("call", {"this", 5}).cast<int>(), 5);
    EXPECT_EQ(fn->Invoke("apply", {"this", FB::VariantList{6}}).cast<int>(), 6);
    EXPECT_EQ(errorOf([&] { fn->Invoke("apply", {"this"}); }), "Error: Argument 1is not optional.")
        << "apply without an array passes nothing";
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
