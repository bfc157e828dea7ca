// The window's replay and the runner read and run scripts with one
// interpreter: every scenario of the runner comes out of a replay as it comes
// out of the runner, and a file the runner refuses is refused by the replay
// at the same line, in the same words.

#include "PlayedGame.h"
#include "ReplayedScript.h"
#include "runner/ScriptReader.h"
#include "runner/ScriptRunner.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <ios>
#include <sstream>

using namespace lilyhops;
using lilyhops::testing::lines;
using lilyhops::testing::Replayed;

namespace {

// What a script gives: the lines it prints, the lines about what failed and
// the verdict (0: every line ran and every expect held, 1: an expect failed,
// 2: a line could not be run). The runner's `log` lines are left out, since
// a replay passes them over.
struct Result {
    std::vector<std::string> printed, failures;
    int verdict = 0;
};

Result fromRunner(std::istream& script) {
    script::ScriptRunner runner;
    std::ostringstream out, err;
    Result r;
    r.verdict = runner.run(script, out, err);
    for (const std::string& l : lines(out.str()))
        if (!l.starts_with("["))
            r.printed.push_back(l);
    r.failures = lines(err.str());
    return r;
}

// The replay names a line it cannot run before it starts; the runner names
// it when it gets there, after the failed expects before it.
Result fromReplay(std::istream& script) {
    Replayed replayed(script);
    replayed.toTheEnd();
    Result r{replayed.printed, replayed.reports, replayed.replay->failedExpects() ? 1 : 0};
    if (const auto& problem = replayed.replay->problem()) {
        r.failures.push_back(*problem);
        r.verdict = 2;
    }
    return r;
}

void expectSameResult(const std::string& text) {
    std::istringstream forRunner(text), forReplay(text);
    Result runner = fromRunner(forRunner), replay = fromReplay(forReplay);
    EXPECT_EQ(replay.printed, runner.printed);
    EXPECT_EQ(replay.failures, runner.failures);
    EXPECT_EQ(replay.verdict, runner.verdict);
}

// The scenarios whose script is the whole input: not those that feed the
// runner something else, nor the one about the bound on calls waiting for a
// log line, which only the runner notes.
bool replayable(const std::filesystem::path& script, const std::string& text) {
    if (script.stem() == "error_too_many_calls")
        return false;
    for (const std::string& l : lines(text)) {
        if (!l.starts_with("# "))
            break;
        if (l.starts_with("# input:") || l.starts_with("# output:") ||
            (l.starts_with("# argument:") && l != "# argument: -"))
            return false;
    }
    return true;
}

// Input that breaks off after `before` as standard input does when the
// device fails: the stream ends, and errno says why.
class BrokenInput : public std::stringbuf {
  public:
    explicit BrokenInput(const std::string& before) : std::stringbuf(before) {}

  protected:
    int_type underflow() override {
        int_type c = std::stringbuf::underflow();
        if (traits_type::eq_int_type(c, traits_type::eof()))
            errno = EIO;
        return c;
    }
};

} // namespace

TEST(ReplayAsRunner, EveryScenarioComesOutTheSame) {
    int compared = 0, failing = 0, refused = 0;
    for (const auto& entry : std::filesystem::directory_iterator(LILYHOPS_SCENARIOS)) {
        if (entry.path().extension() != ".script")
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(file)), {});
        if (!replayable(entry.path(), text))
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        std::istringstream in(text);
        Result runner = fromRunner(in);
        failing += runner.verdict == 1;
        refused += runner.verdict == 2;
        expectSameResult(text);
        ++compared;
    }
    // The scenarios hold failed expects and refused lines as well as games.
    EXPECT_GE(compared, 45);
    EXPECT_GE(failing, 1);
    EXPECT_GE(refused, 10);
}

TEST(ReplayAsRunner, RefusesALineWhereAndAsTheRunnerDoes) {
    const std::string tooLong(script::ScriptReader::kMaxLineBytes + 1, 'x');
    const std::string bom = "\xEF\xBB\xBF";
    const std::string scripts[] = {
        "dump frogRow\n" + tooLong + "\ndump frogRow\n",
        "dump frogRow\n#" + tooLong.substr(1) + "\ndump frogRow\n", // a comment at the limit
        tooLong,                                                    // no line end at all
        "dump frogRow\nset lblScore2.Caption \"caf\xE9\"\ndump frogRow\n",
        "# caf\xE9 \x01\ndump frogRow\n",
        bom + "dump frogRow\n",
        "dump frogRow\n" + bom + "dump frogRow\n",
        "dump frogRow\n\x1b[31mjump\n",
        "menu \"mnu\x07New\"\n",
        "wait 1000000000000000000000000000000000000000\n",
        "key 99999999999999999999\n",
        "set imgFrog.Left \"" + std::string(300, 'y') + "\"\n",
        "\"menu\" mnuNew\n",
        "set frogRow 4\nexpect frogRow 5\nexpect lblScore2.Caption \"" + std::string(300, 'z') +
            "\"\nexpect frogRow 4\n",
        "expect frogRow 2\nactive sometimes\nexpect frogRow 3\n",
    };
    for (const std::string& text : scripts) {
        SCOPED_TRACE(text.substr(0, 60));
        expectSameResult(text);
    }
}

TEST(ReplayAsRunner, AScriptThatCannotBeReadStopsWhereTheRunnerStops) {
    const std::string before = "menu mnuNew\nwait 250\ndump frogRow imgFrog.Left\n";
    BrokenInput forRunner(before), forReplay(before);
    std::istream runnerIn(&forRunner), replayIn(&forReplay);
    Result runner = fromRunner(runnerIn), replay = fromReplay(replayIn);
    ASSERT_EQ(runner.failures,
              (std::vector<std::string>{"line 4: cannot read the script: Input/output error"}));
    EXPECT_EQ(replay.failures, runner.failures);
    EXPECT_EQ(replay.printed, runner.printed);
    EXPECT_EQ(replay.verdict, 2);
}

TEST(ReplayAsRunner, NamesABadLineBeforeItStartsEvenOnePastTheEnd) {
    // The replay reads the whole file before the window shows anything, so
    // that its one message comes at once; the runner never reads what comes
    // after the program has ended.
    const std::string text = "menu mnuNew\nwait 300\nmenu mnuExit\njump\n";
    std::istringstream forRunner(text);
    Result runner = fromRunner(forRunner);
    EXPECT_EQ(runner.verdict, 0);
    EXPECT_TRUE(runner.failures.empty());

    Replayed replayed(text);
    ASSERT_TRUE(replayed.replay->problem());
    EXPECT_EQ(*replayed.replay->problem(), "line 4: unknown command 'jump'");
    replayed.toTheEnd();
    EXPECT_TRUE(replayed.g.desktop.ended);
    EXPECT_EQ(replayed.g.clock.now(), 300);
}
