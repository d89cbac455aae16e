#include "src/PluginCore/FactoryBase.h"

#include <map>
#include <vector>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>

namespace FB {

const char* getMIMEDescription() {
    return "application/x-nvplugin::Norvane Plugin;";
}

std::string getPluginName(const std::string&) {
    return "NVPlugin";
}

std::string getPluginDescription(const std::string& mimetype) {
    static const std::map<std::string, std::string> descriptions = [] {
        std::map<std::string, std::string> result;
        std::vector<std::string> entries;
        std::string text = getMIMEDescription();
        boost::algorithm::split(entries, text, boost::algorithm::is_any_of(";"));
        for (const std::string& entry : entries) {
            std::vector<std::string> fields;
            boost::algorithm::split(fields, entry, boost::algorithm::is_any_of(":"));
            if (fields.size() >= 3) {
                result[fields[0]] = fields[2];
            }
        }
        return result;
    }();
    auto it = descriptions.find(mimetype);
    return it == descriptions.end() ? std::string() : it->second;
}

std::string FactoryBase::getPluginName(const std::string& mimetype) {
    return FB::getPluginName(mimetype);
}

std::string FactoryBase::getPluginDescription(const std::string& mimetype) {
    return FB::getPluginDescription(mimetype);
}

} // namespace FB
