// Short-lived script objects through the real plug-in in the fake browser, made the way QtWebKit
// makes them: the page reads a method's name as a property and calls the method object it gets.
// For N objects kept alive it prints the heap bytes each one holds (wrappers, method objects and
// the native object; the browser's own JS wrappers are not counted), and the time per object to
// make, use and drop them, so that the release's cost per object can be compared across N.
//
//     object_bench [N ...]      (default 1000 10000 100000)
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin/application/NVPluginAPI.h"
#include "src/NpapiCore/NPJavascriptObject.h"
#include "src/NpapiCore/npapi/npapi_all.h"
#include "tests/support/npapi/FakeBrowser.h"

extern "C" NPError NP_Initialize(NPNetscapeFuncs* browserFuncs, NPPluginFuncs* pluginFuncs);
extern "C" NPError NP_Shutdown();

using namespace nvtest::npapi;

namespace {

using Clock = std::chrono::steady_clock;

size_t heapInUse() {
    return mallinfo2().uordblks;
}

ObjectRef objectOf(const std::optional<PageValue>& value) {
    if (!value || !std::holds_alternative<ObjectRef>(*value)) {
        std::fprintf(stderr, "object_bench: the plug-in did not answer an object\n");
        std::exit(1);
    }
    return std::get<ObjectRef>(*value);
}

class Page {
public:
    Page() {
        if (NP_Initialize(&m_browser.funcs(), &m_plugin) != NPERR_NO_ERROR) {
            std::fprintf(stderr, "object_bench: NP_Initialize failed\n");
            std::exit(1);
        }
        m_npp = m_browser.addInstance();
        char mime[] = "application/x-nvplugin";
        m_plugin.newp(mime, m_npp, NP_EMBED, 0, nullptr, nullptr, nullptr);
        NPObject* root = nullptr;
        m_plugin.getvalue(m_npp, NPPVpluginScriptableNPObject, &root);
        m_root = ObjectRef::adopt(root);
    }

    ~Page() {
        m_root = ObjectRef();
        m_plugin.destroy(m_npp, nullptr);
        m_browser.forgetInstance(m_npp);
        NP_Shutdown();
    }

    // page: obj.member(args...)
    std::optional<PageValue> call(const ObjectRef& object, const std::string& member,
                                  const PageArgs& args) {
        ObjectRef method = objectOf(m_browser.getProperty(object.get(), member));
        return m_browser.invokeDefault(method.get(), args);
    }

    // var c = plugin.mycrc(1); c.update_str(text); c.finish(); c.result();
    ObjectRef checksumUsedOnce(const std::string& text) {
        ObjectRef crc = objectOf(call(m_root, "mycrc", {int32_t(1)}));
        call(crc, "update_str", {text});
        call(crc, "finish", {});
        call(crc, "result", {});
        return crc;
    }

    // A file the user dropped becomes an item (native side, as a drop does); the page then reads
    // var item = plugin.upload.item(i); item.name; item.state and drops its handle. The manager
    // keeps its items.
    ObjectRef uploadItemUsedOnce(const std::string& path) {
        if (!m_upload) {
            m_upload = objectOf(call(m_root, "upload", {}));
        }
        auto api = boost::dynamic_pointer_cast<NVPluginAPI>(
            static_cast<FB::Npapi::NPJavascriptObject*>(m_root.get())->getAPI());
        unsigned long index = api->addFile(std::wstring(path.begin(), path.end()));
        ObjectRef item = objectOf(call(m_upload, "item", {static_cast<int32_t>(index)}));
        m_browser.getProperty(item.get(), "name");
        m_browser.getProperty(item.get(), "state");
        return item;
    }

    void runAsyncCalls() { m_browser.runAsyncCalls(); }

private:
    FakeBrowser m_browser;
    NPPluginFuncs m_plugin{};
    NPP m_npp = nullptr;
    ObjectRef m_root;
    ObjectRef m_upload;
};

template <class Make> void measure(Page& page, const char* what, size_t count, Make make) {
    std::vector<ObjectRef> kept;
    kept.reserve(count);
    size_t before = heapInUse();
    Clock::time_point start = Clock::now();
    for (size_t i = 0; i < count; ++i) {
        kept.push_back(make(i));
    }
    Clock::time_point made = Clock::now();
    size_t held = heapInUse() - before;
    kept.clear();
    page.runAsyncCalls();
    Clock::time_point dropped = Clock::now();
    auto ns = [count](Clock::duration d) {
        return std::chrono::duration<double, std::nano>(d).count() / double(count);
    };
    std::printf("%-26s N=%-7zu heap/object %7.0f B   make+use %8.0f ns/object   drop %8.0f "
                "ns/object\n",
                what, count, double(held) / double(count), ns(made - start), ns(dropped - made));
}

} // namespace

int main(int argc, char** argv) {
    std::vector<size_t> counts;
    for (int i = 1; i < argc; ++i) {
        counts.push_back(std::strtoul(argv[i], nullptr, 10));
    }
    if (counts.empty()) {
        counts = {1000, 10000, 100000};
    }
    Page page;
    for (size_t count : counts) {
        measure(page, "checksum object, 3 calls", count,
                [&](size_t i) { return page.checksumUsedOnce("message-id-" + std::to_string(i)); });
        measure(page, "upload item, 2 reads", count, [&](size_t i) {
            return page.uploadItemUsedOnce("/tmp/attachment-" + std::to_string(i) + ".bin");
        });
    }
    return 0;
}
