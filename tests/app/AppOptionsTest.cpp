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

    auto c = ParseCommandLine({"--minimized"});
    EXPECT_TRUE(c.error.empty());
    EXPECT_TRUE(c.options.minimized);
    EXPECT_FALSE(c.options.emulate);
    EXPECT_FALSE(ParseCommandLine({"--emulate"}).options.minimized);
    EXPECT_TRUE(ParseCommandLine({"--version"}).options.version);
}

TEST(CommandLine, HelpNamesEveryOptionThatIsAccepted) {
    const std::string help = zk::app::UsageText();
    for (const char* option :
         {"--emulate", "--keyboard-model", "--minimized", "--version", "--help", "-h"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
        // Accepted: an error, if any, is about what follows it.
        EXPECT_EQ(ParseCommandLine({option, "1"}).error.find(std::string("\"") + option + "\""),
                  std::string::npos)
            << option;
    }
}

TEST(CommandLine, RejectsBadInputWithAMessage) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"--keyboard-model"},
                                                                  {"--keyboard-model", "2"},
                                                                  {"--keyboard-model", "-1"},
                                                                  {"--keyboard-model=1x"},
                                                                  {"--keyboard-model="},
                                                                  {"--emulatee"},
                                                                  {"--minimised"},
                                                                  {"-v"},
                                                                  {"extra"}}) {
        auto r = ParseCommandLine(args);
        EXPECT_FALSE(r.error.empty()) << args.front();
    }
    EXPECT_NE(ParseCommandLine({"--keyboard-model", "7"}).error.find("\"7\""), std::string::npos);
}
