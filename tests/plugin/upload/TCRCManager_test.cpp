#include "plugin/upload/TCRCManager.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "src/ScriptingCore/script_error.h"
#include "tests/support/TestBrowserHost.h"

using nvtest::FakeJSObject;

// A page blob whose "getBytes" answers `bytes`; the checksum is driven by member name with script
// values, as a page does.
TEST(TCRCManagerTest, BadBlobsFailWithoutFeedingAnythingAndResetStartsOver) {
    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    auto blob = [&](double length, const FB::variant& bytes) {
        auto object = FakeJSObject::object(host, {{"length", length}});
        object->setMethod("getBytes", [bytes](const FB::VariantList&) { return bytes; });
        object->set("getBytes", true);
        return FB::JSObjectPtr(object);
    };
    auto crc = boost::make_shared<TCRCManager>(1);
    auto expectError = [&](const FB::VariantList& args, const std::string& text) {
        try {
            crc->Invoke("update_blob", args);
            ADD_FAILURE() << "no error for " << text;
        } catch (const FB::script_error& e) {
            EXPECT_EQ(e.what(), text);
        }
    };
    expectError({FB::JSObjectPtr(FakeJSObject::object(host, {{"length", 3}})), 1},
                "object does not have property getBytes");
    expectError({FB::JSObjectPtr(FakeJSObject::object(host, {})), 1},
                "object does not have property length");
    expectError({blob(3, FB::JSObjectPtr(FakeJSObject::array(host, {97, 98, 99}))), 0},
                "block size must be above 0");
    EXPECT_THROW(crc->Invoke("update_blob", {blob(3, FB::variant("nope")), 1}),
                 FB::invalid_arguments);

    crc->Invoke("update_blob", {blob(0, FB::variant()), 0});
    crc->Invoke("update_str", {"abc"});
    crc->Invoke("finish", {});
    crc->Invoke("finish", {});
    const std::string md5Abc = "900150983cd24fb0d6963f7d28e17f72";
    EXPECT_EQ(crc->Invoke("result", {}).cast<std::string>(), md5Abc)
        << "failed calls fed nothing; an empty blob is fine with any block size";
    crc->Invoke("reset", {});
    crc->Invoke("update_str", {"abc"});
    crc->Invoke("finish", {});
    EXPECT_EQ(crc->Invoke("result", {}).cast<std::string>(), md5Abc);
}
