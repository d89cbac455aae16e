#include "tools/nvmaild/CommandLine.h"

#include <vector>

#include <gtest/gtest.h>

namespace nvmaild {
namespace {

bool parse(std::vector<const char*> arguments, Config& config, std::string& error) {
    arguments.insert(arguments.begin(), "nvmaild");
    return parseCommandLine(static_cast<int>(arguments.size()), arguments.data(), config, error);
}

TEST(CommandLineTest, OptionsTakeValuesEitherWay) {
    Config config;
    std::string error;
    ASSERT_TRUE(parse({"--port=8080", "--root", "/srv/pages", "--max-files=3", "--no-deflate",
                       "--require-compose", "--compose", "c1", "--compose=c2", "--fault",
                       "target=block&kind=drop", "--resume-param=from"},
                      config, error))
        << error;
    EXPECT_EQ("127.0.0.1", config.address);
    EXPECT_EQ(8080, config.port);
    EXPECT_EQ("/srv/pages", config.rootFolder);
    EXPECT_EQ(3u, config.limits.maxFilesPerCompose);
    EXPECT_FALSE(config.limits.acceptDeflate);
    EXPECT_TRUE(config.limits.requireCompose);
    EXPECT_EQ((std::vector<std::string>{"c1", "c2"}), config.composes);
    EXPECT_EQ((std::vector<std::string>{"target=block&kind=drop"}), config.faults);
    EXPECT_EQ("from", config.resumeParam);
}

TEST(CommandLineTest, MistakesAreReported) {
    for (const auto& arguments : std::vector<std::vector<const char*>>{{"--port=70000"},
                                                                       {"--port"},
                                                                       {"--frobnicate"},
                                                                       {"stray"},
                                                                       {"--no-deflate=1"},
                                                                       {"--max-file-size=-1"},
                                                                       {"--max-block-size=0"}}) {
        Config config;
        std::string error;
        EXPECT_FALSE(parse(arguments, config, error)) << arguments[0];
        EXPECT_FALSE(error.empty());
    }
}

} // namespace
} // namespace nvmaild
