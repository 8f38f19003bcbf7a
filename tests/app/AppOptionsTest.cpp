#include "app/AppOptions.h"

#include <gtest/gtest.h>

using zk::app::ParseCommandLine;

TEST(CommandLine, AcceptsEmulatorOptionsInBothSpellings) {
    EXPECT_FALSE(ParseCommandLine({}).options.emulate);

    auto a = ParseCommandLine({"--emulate", "--keyboard-model", "1"});
    EXPECT_TRUE(a.error.empty());
    EXPECT_TRUE(a.options.emulate);
    EXPECT_EQ(a.options.keyboardModel, 1);

    auto b = ParseCommandLine({"--keyboard-model=0", "--emulate"});
    EXPECT_TRUE(b.error.empty());
    EXPECT_EQ(b.options.keyboardModel, 0);

    EXPECT_TRUE(ParseCommandLine({"-h"}).options.help);
    EXPECT_TRUE(ParseCommandLine({"--help"}).options.help);
}

TEST(CommandLine, RejectsBadInputWithAMessage) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"--keyboard-model"},
                                                                  {"--keyboard-model", "2"},
                                                                  {"--keyboard-model", "-1"},
                                                                  {"--keyboard-model=1x"},
                                                                  {"--keyboard-model="},
                                                                  {"--emulatee"},
                                                                  {"extra"}}) {
        auto r = ParseCommandLine(args);
        EXPECT_FALSE(r.error.empty()) << args.front();
    }
    EXPECT_NE(ParseCommandLine({"--keyboard-model", "7"}).error.find("\"7\""), std::string::npos);
}
