#include "plugin/capture/TExtPluginBase.h"

TExtPluginBase::TExtPluginBase(const boost::weak_ptr<TAddExternUploadItemInterface>& uploader)
    : FB::JSAPIAuto("<JSAPI-Auto Javascript Object>"), m_uploader(uploader) {}

FB::VariantList TExtPluginBase::addUploadFile(const std::wstring& path) {
    boost::shared_ptr<TAddExternUploadItemInterface> uploader = m_uploader.lock();
    if (!uploader || path.empty()) {
        return FB::VariantList();
    }
    return FB::VariantList{uploader->addItem(path)};
}

TToolPluginBase::TToolPluginBase(const std::string& basePath, const std::string& toolName,
                                 const boost::weak_ptr<TAddExternUploadItemInterface>& uploader)
    : TExtPluginBase(uploader), m_execpath(toolPath(basePath, toolName)) {}

std::string TToolPluginBase::toolPath(const std::string& basePath, const std::string& toolName) {
    size_t slash = basePath.rfind('/');
    if (slash == std::string::npos) {
        return toolName;
    }
    return basePath.substr(0, slash + 1) + toolName;
}

std::string TToolPluginBase::get_execpath() {
    return m_execpath;
}
