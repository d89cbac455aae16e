// nvmaild: the reference mail server for the plug-in's attachment upload protocol, downloads and
// test pages. See README.md beside this file.
#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>

#include <boost/system/system_error.hpp>

#include "tools/nvmaild/AdminService.h"
#include "tools/nvmaild/AttachmentStore.h"
#include "tools/nvmaild/CommandLine.h"
#include "tools/nvmaild/FaultSwitches.h"
#include "tools/nvmaild/FileServing.h"
#include "tools/nvmaild/HttpServer.h"
#include "tools/nvmaild/Router.h"
#include "tools/nvmaild/TemporaryFolder.h"
#include "tools/nvmaild/UploadService.h"

using namespace nvmaild;

int main(int argc, char** argv) {
    // A client that goes away while an answer is written must not end the server.
    std::signal(SIGPIPE, SIG_IGN);

    Config config;
    std::string error;
    if (!parseCommandLine(argc, argv, config, error)) {
        std::cerr << "nvmaild: " << error << "\n" << kUsage;
        return 2;
    }
    if (config.help) {
        std::cout << kUsage;
        return 0;
    }

    FaultSwitches faults;
    for (const std::string& fault : config.faults) {
        if (!faults.arm(QueryParams::parse(fault), error)) {
            std::cerr << "nvmaild: --fault " << fault << ": " << error << "\n";
            return 2;
        }
    }

    std::unique_ptr<TemporaryFolder> temporaryStore;
    try {
        if (config.storeFolder.empty()) {
            temporaryStore = std::make_unique<TemporaryFolder>("nvmaild-store-");
            config.storeFolder = temporaryStore->path();
        } else {
            std::filesystem::create_directories(config.storeFolder);
        }
    } catch (const std::exception& failure) {
        std::cerr << "nvmaild: store folder: " << failure.what() << "\n";
        return 1;
    }

    AttachmentStore store(config.storeFolder);
    for (const std::string& composeId : config.composes)
        store.addCompose(composeId);
    UploadService uploads(store, config.limits);
    FileServing files(config.rootFolder, config.filesFolder, config.resumeParam);
    AdminService admin(store, uploads, faults);
    Router router(uploads, config.testRoutes ? &admin : nullptr, files, faults);
    HttpServer server(router);

    unsigned short port = 0;
    try {
        port = server.listen(config.address, config.port);
    } catch (const boost::system::system_error& failure) {
        std::cerr << "nvmaild: cannot listen on " << config.address << ":" << config.port << ": "
                  << failure.what() << "\n";
        return 1;
    }
    server.stopOnSignals();
    const bool ipv6 = config.address.find(':') != std::string::npos;
    std::cout << "nvmaild listening on http://" << (ipv6 ? "[" : "") << config.address
              << (ipv6 ? "]" : "") << ":" << port << "/" << std::endl;
    server.run();
    return 0;
}
