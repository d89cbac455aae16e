// The command line of nvmaild: where it listens, which folders it serves, its limits and the
// fault switches armed from the start.
// Thread contract: free function and plain values.
#pragma once

#include <string>
#include <vector>

#include "tools/nvmaild/Limits.h"

namespace nvmaild {

struct Config {
    std::string address = "127.0.0.1";
    unsigned short port = 0; // 0: a free port
    std::string rootFolder;  // static pages; empty serves none
    std::string filesFolder; // downloads; empty serves none
    std::string storeFolder; // attachment data; empty: a fresh temporary folder
    std::string resumeParam = "pos";
    Limits limits;
    std::vector<std::string> composes;
    std::vector<std::string> faults; // switch texts as /control/fault takes them
    bool testRoutes = false;         // serve /admin/ and /control/
    bool help = false;
};

extern const char* const kUsage;

// Reads "--name value" and "--name=value" options. Returns false with a message in `error` for an
// unknown option, a missing or bad value; `config` may then be partly filled.
bool parseCommandLine(int argc, const char* const argv[], Config& config, std::string& error);

} // namespace nvmaild
