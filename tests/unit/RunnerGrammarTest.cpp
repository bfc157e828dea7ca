// What the runner takes and what it refuses, line by line: every command
// with too few and too many words, every kind of number at both ends of its
// range and one beyond, every spelling of a value, and quotes. A refused
// line ends the run with exit 2 and "line N: " and the reason on standard
// error; a taken line runs, and the value it set is the one written.

#include "runner/ScriptRunner.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace lilyhops::script;

namespace {

struct Verdict {
    std::string line;
    bool taken;
    // With a taken line: an `expect` that must hold after it.
    std::string then = "";
};

// Runs each line as a script of its own, right after start-up.
void checkVerdicts(const std::vector<Verdict>& verdicts) {
    for (const Verdict& v : verdicts) {
        std::istringstream in(v.line + "\n" + (v.then.empty() ? "" : v.then + "\n"));
        std::ostringstream out, err;
        const int status = ScriptRunner().run(in, out, err);
        if (v.taken) {
            EXPECT_EQ(status, 0) << v.line << "\n" << err.str();
            EXPECT_EQ(err.str(), "") << v.line;
        } else {
            EXPECT_EQ(status, 2) << v.line << " was taken";
            EXPECT_EQ(err.str().rfind("line 1: ", 0), 0u) << v.line << "\n" << err.str();
        }
    }
}

} // namespace

TEST(RunnerGrammar, EveryCommandTakesItsOwnNumberOfWords) {
    checkVerdicts({
        {"menu mnuNew", true},
        {"menu", false},
        {"menu mnuNew mnuEnd", false},
        {"call HopNorth", true},
        {"call HopNorth 1", false},
        {"call FrogInCubby 2", true, "expect cubbyFilled(2) True"},
        {"call FrogInCubby", false},
        {"call FrogInCubby 2 3", false},
        {"call", false},
        {"keydown 38", true},
        {"keydown", false},
        {"keydown 38 39", false},
        {"keypress 27", true},
        {"keypress", false},
        {"keypress 27 27", false},
        {"keyup 38", true},
        {"keyup", false},
        {"keyup 38 38", false},
        {"key 38", true},
        {"key", false},
        {"key 38 38", false},
        {"tick tmrDelay", true, "expect canMove True"},
        {"tick tmrDelay 2", true, "expect canMove True"},
        {"tick", false},
        {"tick tmrRow12 2 3", false},
        {"wait 100", true},
        {"wait", false},
        {"wait 100 100", false},
        {"set frogRow 3", true, "expect frogRow 3"},
        {"set frogRow", false},
        {"set frogRow 3 4", false},
        {"set", false},
        {"active off", true},
        {"active", false},
        {"active on off", false},
        {"song length 5000", true},
        {"song length", false},
        {"song length 5000 6000", false},
        {"song end", true},
        {"song end now", false},
        {"song", false},
        {"log", true},
        {"log now", false},
        {"dump frogRow livesLeft", true},
        {"expect frogRow 1", true},
        {"expect frogRow", false},
        {"expect frogRow 1 1", false},
    });
}

TEST(RunnerGrammar, NumbersAreTakenUpToTheEndsOfTheirRangeAndNoFurther) {
    checkVerdicts({
        // Counts and times: none, and not less.
        {"tick tmrDelay 0", true, "expect canMove False"},
        {"tick tmrRow12 -1", false},
        {"wait 0", true},
        {"wait -1", false},
        {"song length 1", true},
        {"song length 0", false},
        {"song length 2147483647", true},
        {"song length 2147483648", false},
        // Key codes, characters and a procedure's argument: 16 bits, signed.
        {"keydown 32767", true},
        {"keydown -32768", true},
        {"keydown 32768", false},
        {"keydown -32769", false},
        {"keypress 32767", true},
        {"keypress 32768", false},
        {"keyup -32768", true},
        {"keyup -32769", false},
        {"key 32767", true},
        {"key 32768", false},
        {"call FrogInCubby 32767", true},
        {"call FrogInCubby -32768", true},
        {"call FrogInCubby 32768", false},
        // The game's 16-bit variables, and its one 32-bit variable.
        {"set frogRow 32767", true, "expect frogRow 32767"},
        {"set frogRow -32768", true, "expect frogRow -32768"},
        {"set frogRow 32768", false},
        {"set frogRow -32769", false},
        {"set livesLeft 32767", true, "expect livesLeft 32767"},
        {"set livesLeft 32768", false},
        {"set barTick -32768", true, "expect barTick -32768"},
        {"set barTick -32769", false},
        {"set loopIndex 32767", true, "expect loopIndex 32767"},
        {"set loopIndex 32768", false},
        {"set musicPos 2147483647", true, "expect musicPos 2147483647"},
        {"set musicPos -2147483648", true, "expect musicPos -2147483648"},
        {"set musicPos 2147483648", false},
        {"set musicPos -2147483649", false},
        {"set frogRow 1.5", false},
        // A timer's interval: 0 to 65535 ms.
        {"set tmrRow12.Interval 0", true, "expect tmrRow12.Interval 0"},
        {"set tmrRow12.Interval 65535", true, "expect tmrRow12.Interval 65535"},
        {"set tmrRow12.Interval 65536", false},
        {"set tmrRow12.Interval -1", false},
        // Colours: 32 bits, unsigned, as decimals or &H.
        {"set lblScore2.ForeColor 4294967295", true, "expect lblScore2.ForeColor &HFFFFFFFF"},
        {"set lblScore2.ForeColor 4294967296", false},
        {"set lblScore2.ForeColor -1", false},
        {"set lblScore2.ForeColor &HFFFFFFFF", true, "expect lblScore2.ForeColor 4294967295"},
        {"set lblScore2.ForeColor &H100000000", false},
        // Coordinates: up to a thousand million twips either way.
        {"set imgFrog.Left 1000000000", true, "expect imgFrog.Left 1000000000"},
        {"set imgFrog.Left -1000000000", true, "expect imgFrog.Left -1000000000"},
        {"set imgFrog.Left 1000000001", false},
        {"set imgFrog.Top 2000000", true, "expect imgFrog.Top 2000000"},
        {"set imgFrog.Left 12.5", true, "expect imgFrog.Left 12.5"},
    });
}

TEST(RunnerGrammar, ValuesAreTakenInEachOfTheirSpellings) {
    checkVerdicts({
        {"set canMove True", true, "expect canMove true"},
        {"set canMove true", true, "expect canMove True"},
        {"set keyReleased False", true, "expect keyReleased false"},
        {"set keyReleased false", true, "expect keyReleased False"},
        {"set canMove TRUE", false},
        {"set canMove 1", false},
        {"set canMove \"True\"", false},
        {"set lblScore2.ForeColor &H0000FFFF", true, "expect lblScore2.ForeColor 65535"},
        {"set lblScore2.ForeColor &h0000ffff", true, "expect lblScore2.ForeColor 65535"},
        {"set lblScore2.ForeColor &HXYZ", false},
        {"set frmLilyhops.MousePointer custom", true, "expect frmLilyhops.MousePointer \"custom\""},
        {"set frmLilyhops.MousePointer hidden", false},
        {"active \"on\"", false},
        {"\"menu\" mnuNew", false},
    });
}

TEST(RunnerGrammar, TextsAreQuotedWholeWords) {
    checkVerdicts({
        {"set lblScore2.Caption \"a b\"", true, "expect lblScore2.Caption \"a b\""},
        {"set lblScore2.Caption \"say \\\"hi\\\"\"", true, "dump lblScore2.Caption"},
        {"set lblScore2.Caption \"back\\\\slash\"", true,
         "expect lblScore2.Caption \"back\\\\slash\""},
        {"set lblScore2.Caption \"\"", true, "expect lblScore2.Caption \"\""},
        {"set lblScore2.Caption \"a\"b", false},
        {"set lblScore2.Caption a\"b\"", false},
        {"set lblScore2.Caption \"a\\nb\"", false},
        {"set lblScore2.Caption \"open", false},
        {"set lblScore2.Caption \"a\"\t", true, "expect lblScore2.Caption \"a\""},
    });
}

TEST(RunnerGrammar, LinesEndedWithCarriageReturnsReadAsTheSameScript) {
    const std::string lines[] = {"# written on another system",
                                 "menu mnuNew",
                                 "",
                                 "  ",
                                 "key 38",
                                 "set lblScore2.Caption \"a b\"",
                                 "dump frogRow lblScore2.Caption",
                                 "log"};
    std::string unix, dos;
    for (const std::string& l : lines) {
        unix += l + "\n";
        dos += l + "\r\n";
    }
    std::istringstream unixIn(unix), dosIn(dos);
    std::ostringstream unixOut, dosOut, unixErr, dosErr;
    EXPECT_EQ(ScriptRunner().run(unixIn, unixOut, unixErr), 0) << unixErr.str();
    EXPECT_EQ(ScriptRunner().run(dosIn, dosOut, dosErr), 0) << dosErr.str();
    EXPECT_EQ(dosOut.str(), unixOut.str());
    EXPECT_EQ(dosErr.str(), "");
}
