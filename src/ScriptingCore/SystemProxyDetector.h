// FB::SystemProxyDetector: the operating system's proxy settings for a URL, in the shape
// {"type", "hostname", "port"}. One process-wide detector; detectProxy may be called from any
// thread.
#pragma once

#include <map>
#include <string>

namespace FB {

class SystemProxyDetector {
public:
    virtual ~SystemProxyDetector() = default;
    // True when a proxy applies; the map is left unchanged otherwise.
    virtual bool detectProxy(std::map<std::string, std::string>& settings,
                             const std::string& url) = 0;
    static SystemProxyDetector* get();
};

// Linux has no system-wide proxy service; the conventional environment variables (http_proxy,
// https_proxy, all_proxy, no_proxy, in either case, lower case first) are the system settings.
class SystemProxyDetectorLinux : public SystemProxyDetector {
public:
    bool detectProxy(std::map<std::string, std::string>& settings, const std::string& url) override;
};

} // namespace FB
