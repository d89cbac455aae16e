#include "plugin/upload/TCRCManager.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "src/ScriptingCore/script_error.h"
#include "tests/support/TestBrowserHost.h"

using nvtest::FakeJSObject;

namespace {

class TCRCManagerTest : public ::testing::Test {
protected:
    // Drives the object by member name with script values, as a page does.
    std::string checksum(int selector, const std::string& method, const FB::VariantList& args) {
        auto crc = boost::make_shared<TCRCManager>(selector);
        crc->Invoke(method, args);
        crc->Invoke("finish", {});
        return crc->Invoke("result", {}).cast<std::string>();
    }

    // A page blob: "length" and "getBytes"(offset, count) over `content`, recording each call.
    nvtest::FakeJSObjectPtr blob(const std::string& content) {
        auto object = FakeJSObject::object(host, {{"length", static_cast<double>(content.size())}});
        object->setMethod("getBytes", [this, content](const FB::VariantList& args) -> FB::variant {
            // Unsigned numbers reach the page as decimal text.
            auto offset = args[0].convert_cast<size_t>();
            auto count = args[1].convert_cast<size_t>();
            FB::VariantList bytes;
            for (size_t i = offset; i < offset + count && i < content.size(); ++i) {
                bytes.push_back(static_cast<int>(static_cast<unsigned char>(content[i])));
            }
            return FB::JSObjectPtr(FakeJSObject::array(host, bytes));
        });
        object->set("getBytes", true);
        return object;
    }

    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
};

const char* const kNvxAbc = "kAFQmDzST7DWlj99KOF/cqmZPjZHBoFquj4lcXhQwmyc0Nid";

} // namespace

TEST_F(TCRCManagerTest, SelectorsPickTheAlgorithm) {
    EXPECT_EQ(checksum(0, "update_str", {"123456789"}), "873187033");
    EXPECT_EQ(checksum(0, "update_str", {""}), "4294967295");
    EXPECT_EQ(checksum(1, "update_str", {"abc"}), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(checksum(2, "update_str", {"abc"}), "a9993e364706816aba3e25717850c26c9cd0d89d");
    for (int selector : {3, 7, -1}) {
        EXPECT_EQ(checksum(selector, "update_str", {"abc"}), kNvxAbc) << selector;
    }
}

TEST_F(TCRCManagerTest, PageArraysStringsAndBlobsGiveTheSameResult) {
    auto array = FakeJSObject::array(host, {97, 98.0, 99});
    EXPECT_EQ(checksum(3, "update", {FB::JSObjectPtr(array)}), kNvxAbc);
    EXPECT_EQ(checksum(3, "update", {std::vector<unsigned char>{'a', 'b', 'c'}}), kNvxAbc);
    EXPECT_EQ(checksum(3, "update_blob", {FB::JSObjectPtr(blob("abc")), 2}), kNvxAbc);
}

TEST_F(TCRCManagerTest, BlobsAreReadInBlocksOfTheGivenSize) {
    auto source = blob("0123456789");
    auto crc = boost::make_shared<TCRCManager>(0);
    crc->Invoke("update_blob", {FB::JSObjectPtr(source), 4});
    std::vector<std::pair<size_t, size_t>> requested;
    for (const auto& call : source->calls()) {
        requested.emplace_back(call.args[0].convert_cast<size_t>(),
                               call.args[1].convert_cast<size_t>());
    }
    EXPECT_EQ(requested, (std::vector<std::pair<size_t, size_t>>{{0, 4}, {4, 4}, {8, 2}}));
    crc->Invoke("finish", {});
    EXPECT_EQ(crc->Invoke("result", {}).cast<std::string>(),
              checksum(0, "update_str", {"0123456789"}));
}

TEST_F(TCRCManagerTest, BadBlobsFailWithoutFeedingAnything) {
    auto crc = boost::make_shared<TCRCManager>(1);
    auto noGetBytes = FakeJSObject::object(host, {{"length", 3}});
    auto expectError = [&](const FB::VariantList& args, const std::string& text) {
        try {
            crc->Invoke("update_blob", args);
            ADD_FAILURE() << "no error for " << text;
        } catch (const FB::script_error& e) {
            EXPECT_EQ(e.what(), text);
        }
    };
    expectError({FB::JSObjectPtr(noGetBytes), 1}, "object does not have property getBytes");
    expectError({FB::JSObjectPtr(FakeJSObject::object(host, {})), 1},
                "object does not have property length");
    expectError({FB::JSObjectPtr(blob("abc")), 0}, "block size must be above 0");
    auto garbage = blob("abc");
    garbage->setMethod("getBytes", [](const FB::VariantList&) { return FB::variant("nope"); });
    EXPECT_THROW(crc->Invoke("update_blob", {FB::JSObjectPtr(garbage), 1}), FB::invalid_arguments);

    crc->Invoke("update_blob", {FB::JSObjectPtr(blob("")), 0});
    crc->Invoke("finish", {});
    EXPECT_EQ(crc->Invoke("result", {}).cast<std::string>(), "d41d8cd98f00b204e9800998ecf8427e")
        << "failed calls fed nothing; an empty blob is fine with any block size";
}

TEST_F(TCRCManagerTest, FinishTwiceAndResetStartOver) {
    auto crc = boost::make_shared<TCRCManager>(1);
    crc->Invoke("update_str", {"abc"});
    crc->Invoke("finish", {});
    crc->Invoke("finish", {});
    std::string first = crc->Invoke("result", {}).cast<std::string>();
    EXPECT_EQ(first, "900150983cd24fb0d6963f7d28e17f72");
    crc->Invoke("reset", {});
    crc->Invoke("update_str", {"abc"});
    crc->Invoke("finish", {});
    EXPECT_EQ(crc->Invoke("result", {}).cast<std::string>(), first);
}
