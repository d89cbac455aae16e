#include "src/NpapiCore/NpapiPlugin.h"

#include <cstring>

#include "src/NpapiCore/NPJavascriptObject.h"
#include "src/NpapiCore/NpapiBrowserHost.h"
#include "src/NpapiCore/NpapiStream.h"
#include "src/PluginCore/PluginCore.h"
#include "src/ScriptingCore/BrowserStreamRequest.h"
#include "src/ScriptingCore/logging.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace FB::Npapi {

namespace {
// Cache file names are UTF-8 on Linux; a name that is not is taken byte by byte.
std::wstring wideFileName(const char* name) {
    try {
        return utf8_to_wstring(name);
    } catch (const std::exception&) {
        std::wstring wide;
        for (const char* p = name; *p; ++p) {
            wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
        }
        return wide;
    }
}
} // namespace

boost::shared_ptr<NpapiStream> streamOf(NPStream* stream) {
    if (!stream || !stream->pdata) {
        return boost::shared_ptr<NpapiStream>();
    }
    auto* object = static_cast<NpapiStream*>(stream->pdata);
    return boost::static_pointer_cast<NpapiStream>(object->shared_ptr());
}

NpapiPlugin::NpapiPlugin(const boost::shared_ptr<NpapiBrowserHost>& host,
                         const std::string& mimetype)
    : FB::BrowserPlugin(mimetype), m_host(host), m_mimeType(mimetype) {
    FactoryBasePtr factory = getFactoryInstance();
    m_name = factory->getPluginName(mimetype);
    m_description = factory->getPluginDescription(mimetype);
    if (m_core) {
        m_core->SetHost(host);
    }
}

NpapiPlugin::~NpapiPlugin() {
    if (m_scriptObject && m_host) {
        m_host->ReleaseObject(m_scriptObject);
    }
}

void NpapiPlugin::shutdown() {
    if (m_core) {
        m_core->ClearWindow();
        m_core->shutdown();
    }
}

void NpapiPlugin::init(NPMIMEType, int16_t argc, char* argn[], char* argv[]) {
    VariantMap params;
    for (int16_t i = 0; i < argc; ++i) {
        if (argv && argv[i] && argn && argn[i]) {
            params[argn[i]] = std::string(argv[i]);
        }
    }
    m_core->setParams(params);
    m_core->isWindowless();
    setReady();
}

bool NpapiPlugin::setReady() {
    if (!m_ready) {
        m_ready = m_core->setReady();
    }
    return m_ready;
}

NPError NpapiPlugin::SetWindow(NPWindow*) {
    return 0;
}

int16_t NpapiPlugin::HandleEvent(void*) {
    return 0;
}

NPError NpapiPlugin::GetValue(NPPVariable variable, void* value) {
    switch (variable) {
    case NPPVpluginNameString:
        *static_cast<const char**>(value) = m_name.c_str();
        return NPERR_NO_ERROR;
    case NPPVpluginDescriptionString:
        *static_cast<const char**>(value) = m_description.c_str();
        return NPERR_NO_ERROR;
    case NPPVpluginScriptableNPObject:
        *static_cast<NPObject**>(value) = getScriptableObject();
        return NPERR_NO_ERROR;
    default:
        return NPERR_GENERIC_ERROR;
    }
}

NPObject* NpapiPlugin::getScriptableObject() {
    if (!m_scriptObject) {
        // The root object stays the core's; the wrapper only refers to it. It comes from the
        // host's cache so that the page sees one identity, also when "onload" handed it out first.
        m_scriptObject = static_cast<NPJavascriptObject*>(
            m_host->getJSAPIWrapper(m_core->getRootJSAPI(), false));
    }
    if (m_scriptObject && m_retainScriptObject) {
        m_host->RetainObject(m_scriptObject);
    }
    return m_scriptObject;
}

NPError NpapiPlugin::NewStream(NPMIMEType type, NPStream* stream, NPBool seekable,
                               uint16_t* stype) {
    if (!stream->pdata && stream->notifyData) {
        stream->pdata = stream->notifyData;
    }
    boost::shared_ptr<NpapiStream> s = streamOf(stream);
    if (!s) {
        // Nobody asked for this stream: offer it to the core, which declines it.
        BrowserStreamRequest request(stream->url ? stream->url : "", "GET");
        request.setBufferSize(kDefaultStreamBufferSize);
        m_core->handleUnsolicitedStream(request);
        return NPERR_NO_ERROR;
    }
    s->setMimeType(type ? type : "");
    s->setStream(stream);
    s->setLength(stream->end);
    s->setUrl(stream->url ? stream->url : "");
    if (stream->headers) {
        s->setHeaders(stream->headers);
    }
    s->setSeekableByServer(seekable != 0);
    if (s->isSeekableRequested() && !s->isSeekableByServer()) {
        s->signalFailedOpen();
        s->setStream(nullptr);
        return NPERR_STREAM_NOT_SEEKABLE;
    }
    *stype = s->isSeekable() ? NP_SEEK : s->isCached() ? NP_ASFILE : NP_NORMAL;
    if (!s->isCompleted()) {
        s->signalOpened();
    }
    return NPERR_NO_ERROR;
}

NPError NpapiPlugin::DestroyStream(NPStream* stream, NPReason reason) {
    boost::shared_ptr<NpapiStream> s = streamOf(stream);
    if (!s || s->getStream() != stream) {
        return NPERR_NO_ERROR;
    }
    s->setStream(nullptr);
    stream->pdata = nullptr;
    stream->notifyData = nullptr;
    if (!s->isCompleted()) {
        s->signalCompleted(reason == NPRES_DONE);
    }
    s->setDestroyed();
    return NPERR_NO_ERROR;
}

int32_t NpapiPlugin::WriteReady(NPStream* stream) {
    boost::shared_ptr<NpapiStream> s = streamOf(stream);
    return s ? static_cast<int32_t>(s->getInternalBufferSize()) : -1;
}

int32_t NpapiPlugin::Write(NPStream* stream, int32_t offset, int32_t len, void* buffer) {
    boost::shared_ptr<NpapiStream> s = streamOf(stream);
    return s ? s->signalDataArrived(buffer, len, offset) : -1;
}

void NpapiPlugin::StreamAsFile(NPStream* stream, const char* fname) {
    if (boost::shared_ptr<NpapiStream> s = streamOf(stream)) {
        s->signalCacheFilename(fname ? wideFileName(fname) : std::wstring());
    }
}

void NpapiPlugin::URLNotify(const char*, NPReason reason, void* notifyData) {
    if (!notifyData) {
        return;
    }
    auto* raw = static_cast<NpapiStream*>(notifyData);
    boost::shared_ptr<NpapiStream> s = boost::static_pointer_cast<NpapiStream>(raw->shared_ptr());
    s->signalCompleted(reason == NPRES_DONE);
    s->setNotified();
}

} // namespace FB::Npapi
