#include "src/ScriptingCore/SystemProxyDetector.h"

#include <cstdlib>
#include <vector>

#include <boost/algorithm/string/case_conv.hpp>
#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/predicate.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/algorithm/string/trim.hpp>

#include "src/ScriptingCore/URI.h"

namespace FB {

namespace {

std::string environment(const std::string& name) {
    for (const std::string& candidate : {name, boost::algorithm::to_upper_copy(name)}) {
        if (const char* value = std::getenv(candidate.c_str())) {
            if (*value) {
                return value;
            }
        }
    }
    return std::string();
}

// no_proxy lists host names or domain suffixes separated by commas; "*" matches every host.
bool bypassed(const std::string& host) {
    std::vector<std::string> entries;
    std::string list = environment("no_proxy");
    boost::algorithm::split(entries, list, boost::algorithm::is_any_of(", "),
                            boost::algorithm::token_compress_on);
    for (std::string entry : entries) {
        boost::algorithm::trim(entry);
        entry = boost::algorithm::to_lower_copy(entry.substr(0, entry.find(':')));
        if (entry == "*") {
            return true;
        }
        if (!entry.empty() && entry.front() == '.') {
            entry.erase(0, 1);
        }
        if (!entry.empty() && (host == entry || boost::algorithm::ends_with(host, "." + entry))) {
            return true;
        }
    }
    return false;
}

bool fill(std::map<std::string, std::string>& settings, const std::string& type,
          const std::string& proxyText) {
    // A bare "host:port" is as common as a URL in these variables.
    std::string text =
        proxyText.find("://") == std::string::npos ? "http://" + proxyText : proxyText;
    URI proxy;
    try {
        proxy = URI(text);
    } catch (const std::exception&) {
        return false;
    }
    if (proxy.domain.empty()) {
        return false;
    }
    unsigned short port = proxy.port;
    if (port == 0) {
        port = boost::algorithm::starts_with(proxy.protocol, "socks") ? 1080
               : proxy.protocol == "https"                            ? 443
                                                                      : 80;
    }
    settings["type"] = type;
    settings["hostname"] = proxy.domain;
    settings["port"] = std::to_string(port);
    return true;
}

} // namespace

SystemProxyDetector* SystemProxyDetector::get() {
    static SystemProxyDetectorLinux detector;
    return &detector;
}

bool SystemProxyDetectorLinux::detectProxy(std::map<std::string, std::string>& settings,
                                           const std::string& url) {
    URI target;
    try {
        target = URI(url);
    } catch (const std::exception&) {
        return false;
    }
    if (bypassed(target.domain)) {
        return false;
    }
    if (target.protocol == "http" || target.protocol == "https") {
        std::string proxy = environment(target.protocol + "_proxy");
        if (!proxy.empty()) {
            return fill(settings, target.protocol, proxy);
        }
    }
    std::string all = environment("all_proxy");
    if (all.empty()) {
        return false;
    }
    std::string scheme = boost::algorithm::to_lower_copy(all.substr(0, all.find("://")));
    bool socks =
        all.find("://") != std::string::npos && boost::algorithm::starts_with(scheme, "socks");
    return fill(settings, socks ? "socks" : target.protocol, all);
}

} // namespace FB
