// TSoundRecorder and TVideoRecorder: the recorder objects pages written for recording platforms
// expect. Nothing records here, so every member answers a fixed neutral value; the arguments are
// still converted, so a page that calls them wrongly learns it as it would elsewhere.
// Main thread only (script calls arrive there).
#pragma once

#include "plugin/capture/TExtPluginBase.h"

class TSoundRecorder : public TToolPluginBase {
public:
    TSoundRecorder(const std::string& basePath,
                   const boost::weak_ptr<TAddExternUploadItemInterface>& uploader);

    int get_zero();
    std::string get_errorInfo();
    std::wstring get_filename();
    int init(int format, int channels, int rate);
    std::wstring wavDeviceDesc(int device);
    bool refuse();
    FB::VariantList upload();
};

class TVideoRecorder : public TToolPluginBase {
public:
    TVideoRecorder(const std::string& basePath,
                   const boost::weak_ptr<TAddExternUploadItemInterface>& uploader);

    int get_zero();
    std::wstring get_text();
    // 3: the answer recording platforms give when no capture device is there.
    int init(int audioDevice, int videoDevice, int width, int height);
    std::wstring deviceDesc(int device);
    bool refuse();
    bool setSwitch(bool on);
    FB::VariantList upload();
};
