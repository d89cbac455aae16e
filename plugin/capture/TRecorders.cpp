#include "plugin/capture/TRecorders.h"

TSoundRecorder::TSoundRecorder(const std::string& basePath,
                               const boost::weak_ptr<TAddExternUploadItemInterface>& uploader)
    : TToolPluginBase(basePath, "Tavisk.dll", uploader) {
    registerProperty("wavDeviceNum", FB::make_property(this, &TSoundRecorder::get_zero));
    registerProperty("state", FB::make_property(this, &TSoundRecorder::get_zero));
    registerProperty("errorInfo", FB::make_property(this, &TSoundRecorder::get_errorInfo));
    registerProperty("filename", FB::make_property(this, &TSoundRecorder::get_filename));
    registerMethod("init", FB::make_method(this, &TSoundRecorder::init));
    registerMethod("wavDeviceDesc", FB::make_method(this, &TSoundRecorder::wavDeviceDesc));
    registerMethod("start", FB::make_method(this, &TSoundRecorder::refuse));
    registerMethod("stop", FB::make_method(this, &TSoundRecorder::refuse));
    registerMethod("pause", FB::make_method(this, &TSoundRecorder::refuse));
    registerMethod("closeAll", FB::make_method(this, &TSoundRecorder::refuse));
    registerMethod("upload", FB::make_method(this, &TSoundRecorder::upload));
}

int TSoundRecorder::get_zero() {
    return 0;
}

std::string TSoundRecorder::get_errorInfo() {
    return std::string();
}

std::wstring TSoundRecorder::get_filename() {
    return std::wstring();
}

int TSoundRecorder::init(int, int, int) {
    return 0;
}

std::wstring TSoundRecorder::wavDeviceDesc(int) {
    return std::wstring();
}

bool TSoundRecorder::refuse() {
    return false;
}

FB::VariantList TSoundRecorder::upload() {
    return addUploadFile(get_filename());
}

TVideoRecorder::TVideoRecorder(const std::string& basePath,
                               const boost::weak_ptr<TAddExternUploadItemInterface>& uploader)
    : TToolPluginBase(basePath, "Pelmora.dll", uploader) {
    registerProperty("wavDeviceNum", FB::make_property(this, &TVideoRecorder::get_zero));
    registerProperty("capDeviceNum", FB::make_property(this, &TVideoRecorder::get_zero));
    registerProperty("state", FB::make_property(this, &TVideoRecorder::get_zero));
    registerProperty("errorInfo", FB::make_property(this, &TVideoRecorder::get_text));
    registerProperty("filename", FB::make_property(this, &TVideoRecorder::get_text));
    registerMethod("init", FB::make_method(this, &TVideoRecorder::init));
    registerMethod("wavDeviceDesc", FB::make_method(this, &TVideoRecorder::deviceDesc));
    registerMethod("capDeviceDesc", FB::make_method(this, &TVideoRecorder::deviceDesc));
    registerMethod("start", FB::make_method(this, &TVideoRecorder::refuse));
    registerMethod("stop", FB::make_method(this, &TVideoRecorder::refuse));
    registerMethod("enableAudio", FB::make_method(this, &TVideoRecorder::setSwitch));
    registerMethod("compress", FB::make_method(this, &TVideoRecorder::setSwitch));
    registerMethod("closeAll", FB::make_method(this, &TVideoRecorder::refuse));
    registerMethod("upload", FB::make_method(this, &TVideoRecorder::upload));
}

int TVideoRecorder::get_zero() {
    return 0;
}

std::wstring TVideoRecorder::get_text() {
    return std::wstring();
}

int TVideoRecorder::init(int, int, int, int) {
    return 3;
}

std::wstring TVideoRecorder::deviceDesc(int) {
    return std::wstring();
}

bool TVideoRecorder::refuse() {
    return false;
}

bool TVideoRecorder::setSwitch(bool) {
    return false;
}

FB::VariantList TVideoRecorder::upload() {
    return addUploadFile(get_text());
}
