#include "tools/nvmaild/CommandLine.h"

#include <array>
#include <functional>
#include <string_view>

#include "tools/nvmaild/DecimalText.h"

namespace nvmaild {

const char* const kUsage =
    "usage: nvmaild [options]\n"
    "  --listen ADDRESS      address to listen on (127.0.0.1)\n"
    "  --port N              port; 0 picks a free one (0)\n"
    "  --root DIR            static pages served at /\n"
    "  --files DIR           downloads served at /files/\n"
    "  --store DIR           attachment data (a fresh temporary folder, removed at exit)\n"
    "  --resume-param NAME   download parameter holding the resume offset (pos)\n"
    "  --max-file-size N     largest attachment in bytes (4294967296)\n"
    "  --max-block-size N    largest block body in bytes, raw or inflated (134217728)\n"
    "  --max-files N         attachments per compose, 0 for no limit (0)\n"
    "  --require-compose     queries and blocks need a known composeId URL parameter\n"
    "  --compose ID          a known compose id (repeatable)\n"
    "  --no-deflate          do not announce acceptEncoding=deflate\n"
    "  --fault SPEC          arm a fault switch, e.g. 'target=block&kind=drop&count=2'\n"
    "                        (repeatable; the parameters of /control/fault)\n"
    "  --test-routes         serve /admin/ and /control/ (reset, inspection, limits, faults)\n"
    "                        to anyone who reaches the port: for tests and demos only\n"
    "  --help                this text\n";

namespace {

using Apply = std::function<bool(Config&, const std::string&, std::string&)>;

struct Option {
    std::string_view name;
    bool takesValue;
    Apply apply;
};

// An option that sets a limit from its value, or, given `fixed`, to that value.
Apply limit(std::string_view key, std::string_view fixed = {}) {
    return [key, fixed](Config& config, const std::string& value, std::string& error) {
        return setLimit(config.limits, key, fixed.empty() ? value : fixed, error);
    };
}

Apply text(std::string Config::*field) {
    return [field](Config& config, const std::string& value, std::string&) {
        config.*field = value;
        return true;
    };
}

Apply append(std::vector<std::string> Config::*list) {
    return [list](Config& config, const std::string& value, std::string&) {
        (config.*list).push_back(value);
        return true;
    };
}

bool readPort(Config& config, const std::string& value, std::string& error) {
    const auto port = parseDecimal(value);
    if (!port || *port > 65535) {
        error = "bad port " + value;
        return false;
    }
    config.port = static_cast<unsigned short>(*port);
    return true;
}

const std::array<Option, 15>& options() {
    static const std::array<Option, 15> table{{
        {"listen", true, text(&Config::address)},
        {"port", true, readPort},
        {"root", true, text(&Config::rootFolder)},
        {"files", true, text(&Config::filesFolder)},
        {"store", true, text(&Config::storeFolder)},
        {"resume-param", true, text(&Config::resumeParam)},
        {"max-file-size", true, limit("maxFileSize")},
        {"max-block-size", true, limit("maxBlockSize")},
        {"max-files", true, limit("maxFiles")},
        {"require-compose", false, limit("requireCompose", "1")},
        {"compose", true, append(&Config::composes)},
        {"no-deflate", false, limit("acceptDeflate", "0")},
        {"fault", true, append(&Config::faults)},
        {"test-routes", false,
         [](Config& config, const std::string&, std::string&) {
             config.testRoutes = true;
             return true;
         }},
        {"help", false,
         [](Config& config, const std::string&, std::string&) {
             config.help = true;
             return true;
         }},
    }};
    return table;
}

} // namespace

bool parseCommandLine(int argc, const char* const argv[], Config& config, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.substr(0, 2) != "--") {
            error = "unexpected argument " + std::string(argument);
            return false;
        }
        const size_t equals = argument.find('=');
        const std::string_view name = argument.substr(
            2, equals == std::string_view::npos ? std::string_view::npos : equals - 2);
        const Option* option = nullptr;
        for (const Option& candidate : options())
            if (candidate.name == name)
                option = &candidate;
        if (!option) {
            error = "unknown option --" + std::string(name);
            return false;
        }
        std::string value;
        if (equals != std::string_view::npos) {
            if (!option->takesValue) {
                error = "--" + std::string(name) + " takes no value";
                return false;
            }
            value = std::string(argument.substr(equals + 1));
        } else if (option->takesValue) {
            if (i + 1 >= argc) {
                error = "--" + std::string(name) + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (!option->apply(config, value, error))
            return false;
    }
    return true;
}

} // namespace nvmaild
