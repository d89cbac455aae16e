#include "tests/support/npapi/FakeBrowser.h"

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace nvtest::npapi {
namespace {

// A plug-in class that counts its deallocations.
int g_deallocations = 0;
int g_constructs = 0;

NPObject* allocateCounted(NPP, NPClass*) {
    return new NPObject();
}
void deallocateCounted(NPObject* object) {
    ++g_deallocations;
    delete object;
}
bool constructCounted(NPObject*, const NPVariant*, uint32_t, NPVariant*) {
    ++g_constructs;
    return true;
}

NPClass countedClass(uint32_t structVersion) {
    NPClass counted{};
    counted.structVersion = structVersion;
    counted.allocate = &allocateCounted;
    counted.deallocate = &deallocateCounted;
    counted.construct = &constructCounted;
    return counted;
}

class FakeBrowserTest : public ::testing::Test {
protected:
    FakeBrowserTest() {
        g_deallocations = 0;
        g_constructs = 0;
    }

    std::string text(const NPVariant& variant) {
        const NPString& value = NPVARIANT_TO_STRING(variant);
        return std::string(value.UTF8Characters, value.UTF8Length);
    }

    NPObject* windowObject() {
        NPObject* window = nullptr;
        EXPECT_EQ(npn.getvalue(npp, NPNVWindowNPObject, &window), NPERR_NO_ERROR);
        return window;
    }

    FakeBrowser browser;
    NPNetscapeFuncs& npn = browser.funcs();
    NPP npp = browser.addInstance();
};

TEST_F(FakeBrowserTest, ObjectLivesUntilItsLastReleaseAndIsDeallocatedThroughItsClass) {
    NPClass counted = countedClass(NP_CLASS_STRUCT_VERSION);
    NPObject* object = npn.createobject(npp, &counted);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->_class, &counted);
    EXPECT_EQ(object->referenceCount, 1u);
    EXPECT_EQ(npn.retainobject(object), object);
    EXPECT_EQ(object->referenceCount, 2u);

    npn.releaseobject(object);
    EXPECT_EQ(g_deallocations, 0);
    EXPECT_EQ(browser.liveObjectCount(counted), 1u);
    npn.releaseobject(object);
    EXPECT_EQ(g_deallocations, 1);
    EXPECT_EQ(browser.liveObjectCount(counted), 0u);

    // A release too many must neither deallocate twice nor read the freed object.
    npn.releaseobject(object);
    EXPECT_EQ(g_deallocations, 1);
    EXPECT_EQ(browser.misuses(),
              std::vector<std::string>{"NPN_ReleaseObject on an object that is not alive"});

    // Without allocate and deallocate slots the browser allocates and frees the header itself.
    NPClass bare{};
    bare.structVersion = NP_CLASS_STRUCT_VERSION;
    const size_t before = browser.liveObjectCount();
    npn.releaseobject(npn.createobject(npp, &bare));
    EXPECT_EQ(browser.liveObjectCount(), before);
}

TEST_F(FakeBrowserTest, ConstructReachesOnlyClassesOfStructureVersionThree) {
    NPClass older = countedClass(NP_CLASS_STRUCT_VERSION_ENUM);
    NPClass current = countedClass(NP_CLASS_STRUCT_VERSION_CTOR);
    NPObject* oldObject = npn.createobject(npp, &older);
    NPObject* newObject = npn.createobject(npp, &current);
    NPVariant result;

    EXPECT_FALSE(npn.construct(npp, oldObject, nullptr, 0, &result));
    EXPECT_EQ(g_constructs, 0);
    EXPECT_TRUE(npn.construct(npp, newObject, nullptr, 0, &result));
    EXPECT_EQ(g_constructs, 1);

    npn.releaseobject(oldObject);
    npn.releaseobject(newObject);
}

TEST_F(FakeBrowserTest, IdentifiersAreInternedPerNameAndKind) {
    NPIdentifier upload = npn.getstringidentifier("upload");
    EXPECT_EQ(npn.getstringidentifier("upload"), upload);
    const NPUTF8* names[] = {"upload", "1"};
    NPIdentifier ids[2] = {};
    npn.getstringidentifiers(names, 2, ids);
    EXPECT_EQ(ids[0], upload);

    NPIdentifier one = npn.getintidentifier(1);
    EXPECT_EQ(npn.getintidentifier(1), one);
    EXPECT_NE(ids[1], one);
    EXPECT_TRUE(npn.identifierisstring(ids[1]));
    EXPECT_FALSE(npn.identifierisstring(one));
    EXPECT_EQ(npn.intfromidentifier(one), 1);
    EXPECT_EQ(npn.utf8fromidentifier(one), nullptr);

    NPUTF8* name = npn.utf8fromidentifier(upload);
    EXPECT_STREQ(name, "upload");
    EXPECT_EQ(browser.outstandingAllocations(), 1u);
    npn.memfree(name);
    EXPECT_EQ(browser.outstandingAllocations(), 0u);

    int notAnIdentifier = 0;
    EXPECT_FALSE(npn.identifierisstring(&notAnIdentifier));
    EXPECT_EQ(browser.misuses(),
              std::vector<std::string>{"NPN_IdentifierIsString with an unknown identifier"});
}

TEST_F(FakeBrowserTest, ReleasingAVariantFreesItsStringAndDropsItsObjectReference) {
    ObjectRef folder = browser.newObject();
    browser.window().set("title", std::string("Inbox"));
    browser.window().set("folder", folder);
    NPObject* window = windowObject();

    NPVariant title;
    NPVariant folderValue;
    ASSERT_TRUE(npn.getproperty(npp, window, npn.getstringidentifier("title"), &title));
    ASSERT_TRUE(npn.getproperty(npp, window, npn.getstringidentifier("folder"), &folderValue));
    ASSERT_TRUE(NPVARIANT_IS_STRING(title));
    EXPECT_EQ(text(title), "Inbox");
    EXPECT_EQ(browser.outstandingAllocations(), 1u);
    ASSERT_TRUE(NPVARIANT_IS_OBJECT(folderValue));
    EXPECT_EQ(NPVARIANT_TO_OBJECT(folderValue), folder.get());
    EXPECT_EQ(folder.get()->referenceCount, 3u); // ours, the window's, the variant's

    npn.releasevariantvalue(&title);
    npn.releasevariantvalue(&folderValue);
    EXPECT_TRUE(NPVARIANT_IS_VOID(title));
    EXPECT_TRUE(NPVARIANT_IS_VOID(folderValue));
    EXPECT_EQ(browser.outstandingAllocations(), 0u);
    EXPECT_EQ(folder.get()->referenceCount, 2u);

    // A string the browser never allocated is reported, not handed to free().
    NPVariant foreign;
    STRINGZ_TO_NPVARIANT("mine", foreign);
    npn.releasevariantvalue(&foreign);
    EXPECT_EQ(browser.misuses(),
              std::vector<std::string>{"NPN_MemFree of memory the browser did not allocate"});
    npn.releaseobject(window);
}

TEST_F(FakeBrowserTest, ArraysMadeThroughTheWindowGrowByPushAndReadByIndex) {
    NPObject* window = windowObject();
    NPVariant array;
    ASSERT_TRUE(npn.invoke(npp, window, npn.getstringidentifier("Array"), nullptr, 0, &array));
    ASSERT_TRUE(NPVARIANT_IS_OBJECT(array));
    NPObject* arrayObject = NPVARIANT_TO_OBJECT(array);

    NPVariant element;
    NPVariant length;
    STRINGZ_TO_NPVARIANT("a.txt", element);
    ASSERT_TRUE(
        npn.invoke(npp, arrayObject, npn.getstringidentifier("push"), &element, 1, &length));
    EXPECT_EQ(NPVARIANT_TO_INT32(length), 1);
    ASSERT_TRUE(npn.getproperty(npp, arrayObject, npn.getintidentifier(0), &element));
    EXPECT_EQ(text(element), "a.txt");
    npn.releasevariantvalue(&element);
    ASSERT_TRUE(npn.getproperty(npp, arrayObject, npn.getstringidentifier("length"), &length));
    EXPECT_EQ(NPVARIANT_TO_INT32(length), 1);

    const size_t before = browser.liveObjectCount();
    npn.releasevariantvalue(&array);
    npn.releaseobject(window);
    EXPECT_EQ(browser.liveObjectCount(), before - 1);
    EXPECT_EQ(browser.outstandingAllocations(), 0u);
    EXPECT_TRUE(browser.misuses().empty());
}

TEST_F(FakeBrowserTest, PageFunctionsRecordTheirCallsAndABodyWithoutAnswerFailsTheCall) {
    ObjectRef callback = browser.newFunction([](const PageArgs& args) -> std::optional<PageValue> {
        if (args.empty()) {
            return std::nullopt;
        }
        return PageValue(std::string("seen"));
    });
    browser.window().set("onUpload", callback);
    NPObject* window = windowObject();
    NPIdentifier onUpload = npn.getstringidentifier("onUpload");
    NPVariant args[2];
    INT32_TO_NPVARIANT(3, args[0]);
    STRINGZ_TO_NPVARIANT("done", args[1]);
    NPVariant result;

    EXPECT_TRUE(npn.hasmethod(npp, window, onUpload));
    ASSERT_TRUE(npn.invoke(npp, window, onUpload, args, 2, &result));
    EXPECT_EQ(text(result), "seen");
    npn.releasevariantvalue(&result);
    EXPECT_FALSE(npn.invokeDefault(npp, callback.get(), nullptr, 0, &result));
    EXPECT_TRUE(NPVARIANT_IS_VOID(result));
    EXPECT_FALSE(npn.invoke(npp, window, npn.getstringidentifier("missing"), nullptr, 0, &result));

    const std::vector<PageCall>& calls = FakePageObject::from(callback.get())->calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].args, (PageArgs{int32_t{3}, std::string("done")}));
    EXPECT_TRUE(calls[1].args.empty());
    npn.releaseobject(window);
    EXPECT_EQ(browser.outstandingAllocations(), 0u);
}

void appendTag(void* data) {
    static_cast<std::vector<int>*>(data)->push_back(1);
}

TEST_F(FakeBrowserTest, WorkerCallsAreRefusedExceptAsyncCallsWhichRunInOrderOnThePump) {
    std::vector<int> tags;
    NPIdentifier fromWorker = &tags;
    std::thread worker([&] {
        npn.pluginthreadasynccall(npp, &appendTag, &tags);
        npn.pluginthreadasynccall(
            npp, [](void* data) { static_cast<std::vector<int>*>(data)->push_back(2); }, &tags);
        fromWorker = npn.getstringidentifier("upload");
    });
    worker.join();

    EXPECT_EQ(fromWorker, nullptr);
    EXPECT_EQ(browser.misuses(),
              std::vector<std::string>{"NPN_GetStringIdentifier called off the main thread"});
    EXPECT_EQ(browser.pendingAsyncCalls(), 2u);
    EXPECT_EQ(browser.runAsyncCalls(), 2u);
    EXPECT_EQ(tags, (std::vector<int>{1, 2}));

    npn.pluginthreadasynccall(npp, &appendTag, &tags);
    browser.forgetInstance(npp);
    EXPECT_EQ(browser.runAsyncCalls(), 0u);
}

} // namespace
} // namespace nvtest::npapi
