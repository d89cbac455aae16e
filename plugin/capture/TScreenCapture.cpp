#include "plugin/capture/TScreenCapture.h"

#include <sys/stat.h>
#include <unistd.h>

#include "plugin/capture/CaptureFile.h"
#include "plugin/platform/ChildProcess.h"
#include "src/ScriptingCore/utf8_tools.h"

TScreenCapture::TScreenCapture(const std::string& basePath,
                               const boost::weak_ptr<TAddExternUploadItemInterface>& uploader)
    : TToolPluginBase(basePath, "screencapture", uploader) {
    registerProperty("supportCapture",
                     FB::make_property(this, &TScreenCapture::get_supportCapture));
    registerProperty("supportClipboard",
                     FB::make_property(this, &TScreenCapture::get_supportClipboard));
    registerProperty("execpath", FB::make_property(static_cast<TToolPluginBase*>(this),
                                                   &TToolPluginBase::get_execpath));
    registerMethod("capture", FB::make_method(this, &TScreenCapture::capture));
    registerMethod("clipboard", FB::make_method(this, &TScreenCapture::clipboard));
    registerMethod("upload", FB::make_method(this, &TScreenCapture::upload));
}

bool TScreenCapture::get_supportCapture() {
    // Without a folder the name would be looked up relative to wherever the browser runs.
    struct stat status;
    return m_execpath.find('/') != std::string::npos && stat(m_execpath.c_str(), &status) == 0 &&
           S_ISREG(status.st_mode) && access(m_execpath.c_str(), X_OK) == 0;
}

bool TScreenCapture::get_supportClipboard() {
    return true;
}

std::wstring TScreenCapture::capture() {
    return runCompanion("capture");
}

std::wstring TScreenCapture::clipboard() {
    return runCompanion("clipboard");
}

FB::VariantList TScreenCapture::upload() {
    return addUploadFile(m_result);
}

std::wstring TScreenCapture::runCompanion(const std::string& action) {
    m_result.clear();
    std::string output = NVCapture::newCapturePath();
    if (output.empty() || !get_supportCapture()) {
        return m_result;
    }
    // An argument vector, not a command line: the paths reach the companion as they are, whatever
    // quotes or blanks the folders hold. The companion's display and session bus come from the
    // browser's environment.
    std::vector<std::string> environment;
    for (char** entry = NVPlatform::processEnvironment(); *entry; ++entry) {
        environment.emplace_back(*entry);
    }
    NVPlatform::runProgram({m_execpath, action, output}, environment);
    if (NVCapture::isOwnNewFile(output)) {
        m_result = FB::utf8_to_wstring(output);
    }
    return m_result;
}
