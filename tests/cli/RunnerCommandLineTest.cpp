// The script runner's own command line and its help.

#include "runner/CommandLine.h"

#include <gtest/gtest.h>

#include <sstream>

namespace lilyhops::script {
namespace {

using Action = CommandLine::Action;

CommandLine parse(std::vector<std::string> args) {
    return parseCommandLine(args);
}

TEST(RunnerCommandLine, ReadsStandardInputWithoutAFile) {
    EXPECT_EQ(parse({}).action, Action::Run);
    EXPECT_EQ(parse({}).file, "-");
    EXPECT_EQ(parse({"-"}).file, "-");
    EXPECT_EQ(parse({"game.script"}).file, "game.script");
}

TEST(RunnerCommandLine, HelpAndVersionAreOptionsNotScriptCommands) {
    EXPECT_EQ(parse({"--help"}).action, Action::Help);
    EXPECT_EQ(parse({"-h"}).action, Action::Help);
    EXPECT_EQ(parse({"--version"}).action, Action::Version);
    EXPECT_EQ(parse({"game.script", "--version"}).action, Action::Version);
}

TEST(RunnerCommandLine, DoubleDashEndsTheOptions) {
    const CommandLine cl = parse({"--", "--help"});
    EXPECT_EQ(cl.action, Action::Run);
    EXPECT_EQ(cl.file, "--help");
    EXPECT_EQ(parse({"--", "-"}).file, "-");
    EXPECT_EQ(parse({"--", "a", "b"}).action, Action::Error);
}

TEST(RunnerCommandLine, MistakesAreRefusedInOneLine) {
    CommandLine cl = parse({"--verbose"});
    EXPECT_EQ(cl.action, Action::Error);
    EXPECT_EQ(cl.error, "unknown option '--verbose'");
    cl = parse({"a.script", "b.script"});
    EXPECT_EQ(cl.action, Action::Error);
    EXPECT_EQ(cl.error, "only one FILE is read, but 'b.script' follows 'a.script'");
    cl = parse({""});
    EXPECT_EQ(cl.action, Action::Error);
    EXPECT_EQ(cl.error, "the FILE name is empty");
}

TEST(RunnerCommandLine, HelpNamesEveryCommandInAFewLinesAndPointsToTheManualPage) {
    const std::string help = usage();
    for (const char* command :
         {"menu ITEM", "call PROC [ARG]", "keydown CODE", "keypress CODE", "keyup CODE", "key CODE",
          "tick TIMER [N]", "wait MS", "set NAME VALUE", "active on|off", "song length MS",
          "song end", "dump NAME...", "log", "expect NAME VALUE"})
        EXPECT_NE(help.find(command), std::string::npos) << command;
    EXPECT_NE(help.find("man 6 lilyhops-script"), std::string::npos);
    std::istringstream lines(help);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count)
        EXPECT_LE(line.size(), 79u) << line;
    EXPECT_LE(count, 24);
}

} // namespace
} // namespace lilyhops::script
