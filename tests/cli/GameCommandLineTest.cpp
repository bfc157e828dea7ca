// The game's command line, read before Qt starts.

#include "frontend/CommandLine.h"

#include <gtest/gtest.h>

namespace lilyhops {
namespace {

using Action = CommandLine::Action;

CommandLine parse(std::vector<std::string> args) {
    return parseCommandLine(args);
}

TEST(GameCommandLine, NoArgumentsPlays) {
    const CommandLine cl = parse({});
    EXPECT_EQ(cl.action, Action::Play);
    EXPECT_FALSE(cl.recordFile);
    EXPECT_FALSE(cl.replayFile);
}

TEST(GameCommandLine, HelpAndVersionWinWhereverTheyStand) {
    EXPECT_EQ(parse({"--help"}).action, Action::Help);
    EXPECT_EQ(parse({"-h"}).action, Action::Help);
    EXPECT_EQ(parse({"--version"}).action, Action::Version);
    EXPECT_EQ(parse({"--record", "game.script", "--help"}).action, Action::Help);
    // Read left to right: what comes first decides, even before a mistake.
    EXPECT_EQ(parse({"--version", "--bogus"}).action, Action::Version);
    EXPECT_EQ(parse({"--bogus", "--version"}).action, Action::Error);
}

TEST(GameCommandLine, RecordAndReplayTakeAFileInEitherSpelling) {
    CommandLine cl = parse({"--record", "out.script"});
    EXPECT_EQ(cl.action, Action::Play);
    EXPECT_EQ(cl.recordFile, "out.script");
    EXPECT_FALSE(cl.replayFile);

    cl = parse({"--replay=in.script"});
    EXPECT_EQ(cl.action, Action::Play);
    EXPECT_EQ(cl.replayFile, "in.script");

    // A file whose name looks like an option is still the option's value.
    cl = parse({"--record", "--help"});
    EXPECT_EQ(cl.action, Action::Play);
    EXPECT_EQ(cl.recordFile, "--help");
}

TEST(GameCommandLine, RecordAndReplayMistakesAreRefusedInOneLine) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    for (const Case& c : std::vector<Case>{
             {{"--record"}, "option '--record' needs a FILE"},
             {{"--replay="}, "option '--replay' needs a FILE"},
             {{"--record", "a", "--record", "b"}, "option '--record' is given twice"},
             {{"--record", "a", "--replay", "b"}, "--record and --replay cannot be used together"},
         }) {
        const CommandLine cl = parse(c.args);
        EXPECT_EQ(cl.action, Action::Error) << c.error;
        EXPECT_EQ(cl.error, c.error);
        EXPECT_EQ(cl.error.find('\n'), std::string::npos);
    }
}

TEST(GameCommandLine, AnythingElseIsRefused) {
    EXPECT_EQ(parse({"--bogus"}).error, "unknown option '--bogus'");
    EXPECT_EQ(parse({"-x"}).error, "unknown option '-x'");
    EXPECT_EQ(parse({"level2"}).error, "unexpected argument 'level2'");
    EXPECT_EQ(parse({"--recording", "a"}).error, "unknown option '--recording'");
    EXPECT_EQ(parse({"--versions"}).action, Action::Error);
}

TEST(GameCommandLine, QtsOwnOptionsAreLeftForQt) {
    EXPECT_EQ(parse({"-platform", "offscreen"}).action, Action::Play);
    EXPECT_EQ(parse({"--platform", "offscreen"}).action, Action::Play);
    EXPECT_EQ(parse({"-display", ":1", "--record", "r.script"}).recordFile, "r.script");
    // Qt's option consumes its value, which is then no stray argument.
    EXPECT_EQ(parse({"-style", "fusion"}).action, Action::Play);
    EXPECT_EQ(parse({"-platform"}).error, "option '-platform' needs a value");
}

} // namespace
} // namespace lilyhops
