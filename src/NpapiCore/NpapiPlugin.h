// FB::Npapi::NpapiPlugin: the NPAPI wrapper around one plug-in core: it hands the embed parameters
// to the core, makes it ready, answers NPP_GetValue (name, description, the scriptable object) and
// routes the browser's stream callbacks to the stream objects that asked for them.
// Main thread only.
#pragma once

#include <string>

#include "src/NpapiCore/BrowserPlugin.h"
#include "src/NpapiCore/npapi/npapi_all.h"

namespace FB::Npapi {

class NpapiBrowserHost;
class NPJavascriptObject;
class NpapiStream;

class NpapiPlugin : public FB::BrowserPlugin {
public:
    NpapiPlugin(const boost::shared_ptr<NpapiBrowserHost>& host, const std::string& mimetype);
    ~NpapiPlugin() override;

    // Clears the core's window and runs its shutdown.
    void shutdown() override;
    virtual void init(NPMIMEType pluginType, int16_t argc, char* argn[], char* argv[]);
    virtual bool setReady();
    virtual NPError SetWindow(NPWindow* window);
    virtual NPError NewStream(NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype);
    virtual NPError DestroyStream(NPStream* stream, NPReason reason);
    virtual int32_t WriteReady(NPStream* stream);
    virtual int32_t Write(NPStream* stream, int32_t offset, int32_t len, void* buffer);
    virtual void StreamAsFile(NPStream* stream, const char* fname);
    virtual void Print(NPPrint*) {}
    virtual int16_t HandleEvent(void* event);
    virtual void URLNotify(const char* url, NPReason reason, void* notifyData);
    virtual NPError GetValue(NPPVariable variable, void* value);
    virtual NPError SetValue(NPNVariable, void*) { return NPERR_NO_ERROR; }

    // The wrapper of the root object, made on the first request; retained for the caller.
    NPObject* getScriptableObject();

protected:
    NPJavascriptObject* m_scriptObject = nullptr;
    boost::shared_ptr<NpapiBrowserHost> m_host;
    bool m_retainScriptObject = true;
    bool m_ready = false;
    std::string m_mimeType;
    std::string m_name;
    std::string m_description;
};

// The stream object a browser stream belongs to, or null.
boost::shared_ptr<NpapiStream> streamOf(NPStream* stream);

} // namespace FB::Npapi
