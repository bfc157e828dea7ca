// The runner at the edges of its input and output: text that is not UTF-8,
// control bytes and long words in messages, numbers beyond any range, lines
// without end, read errors, and the bound on calls waiting for a log line.

#include "runner/Json.h"
#include "runner/ScriptReader.h"
#include "runner/ScriptRunner.h"
#include "runner/Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ios>
#include <limits>
#include <sstream>
#include <streambuf>
#include <string>

using namespace lilyhops::script;

namespace {

struct ScriptResult {
    int status;
    std::string out, err;
};

ScriptResult runScript(const std::string& script) {
    ScriptRunner runner;
    std::istringstream in(script);
    std::ostringstream out, err;
    int status = runner.run(in, out, err);
    return {status, out.str(), err.str()};
}

// Output that is counted and thrown away.
class CountingBuffer : public std::streambuf {
  public:
    std::size_t lines = 0;

  protected:
    int overflow(int c) override {
        if (c == '\n')
            ++lines;
        return c == traits_type::eof() ? 0 : c;
    }
};

// Input that fails as a folder or a broken device does, after some bytes.
class FailingBuffer : public std::streambuf {
  public:
    explicit FailingBuffer(std::string before) : before_(std::move(before)) {
        setg(before_.data(), before_.data(), before_.data() + before_.size());
    }

  protected:
    int underflow() override {
        throw std::ios_base::failure("read", std::make_error_code(std::errc::io_error));
    }

  private:
    std::string before_;
};

} // namespace

TEST(RunnerText, Utf8IsCheckedStrictly) {
    struct Case {
        const char* text;
        bool valid;
    };
    const Case cases[] = {
        {"plain", true},
        {"caf\xC3\xA9", true},       // é
        {"\xE2\x80\x94", true},      // em dash
        {"\xF0\x9F\x90\xB8", true},  // a four-byte character
        {"caf\xE9", false},          // Latin-1
        {"\xC3", false},             // cut short
        {"\xC0\xAF", false},         // overlong slash
        {"\xE0\x80\xAF", false},     // overlong, three bytes
        {"\xED\xA0\x80", false},     // a surrogate
        {"\xF4\x90\x80\x80", false}, // above U+10FFFF
        {"\xE2\x28\xA1", false},     // bad continuation
        {"\xFF", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isValidUtf8(c.text), c.valid) << shown(c.text);
}

TEST(RunnerText, MessagesShowControlBytesAndCutLongWords) {
    EXPECT_EQ(shown("imgFrog.Left"), "imgFrog.Left");
    EXPECT_EQ(shown("a\x1b[2Jb\tc\x7f"), "a\\x1B[2Jb\\x09c\\x7F");
    EXPECT_EQ(shown("\xC2\x85next line"), "\\xC2\\x85next line"); // a C1 control
    EXPECT_EQ(shown("caf\xE9"), "caf\\xE9");
    EXPECT_EQ(shown(std::string(40, 'x')), std::string(40, 'x'));
    EXPECT_EQ(shown(std::string(41, 'x')), std::string(40, 'x') + "...");
    // Characters are counted, not bytes: a cut never splits one.
    std::string dashes;
    for (int i = 0; i < 12; ++i)
        dashes += "\xE2\x80\x94";
    EXPECT_EQ(shown(dashes, 10), dashes.substr(0, 30) + "...");
    EXPECT_EQ(shown(std::string(1 << 20, 'y')).size(), 43u);
}

TEST(RunnerText, EveryJsonTextIsValid) {
    EXPECT_EQ(quoteJson("a\"b\\c\nd\x01\x1f"), "\"a\\\"b\\\\c\\nd\\u0001\\u001f\"");
    // Tab, return and newline in their short escapes, as in the messages.
    EXPECT_EQ(quoteJson("\t\r\n"), "\"\\t\\r\\n\"");
    EXPECT_EQ(quoteJson("caf\xC3\xA9"), "\"caf\xC3\xA9\"");
    EXPECT_EQ(quoteJson("caf\xE9!"), "\"caf\\ufffd!\"");
    EXPECT_EQ(quoteJson("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
    // JSON has no infinity and no NaN.
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(toJson(JsonValue::of(inf)), "null");
    EXPECT_EQ(toJson(JsonValue::of(-inf)), "null");
    EXPECT_EQ(toJson(JsonValue::of(std::nan(""))), "null");
    EXPECT_EQ(toJson(JsonValue::of(12.5f)), "12.5");
}

TEST(RunnerEdges, NumbersBeyondTheirRangeAreRefused) {
    struct Case {
        const char* line;
        const char* error; // empty: accepted
    };
    const Case cases[] = {
        {"set imgFrog.Left 1000000000", ""},
        {"set imgFrog.Left -1000000000", ""},
        {"set imgFrog.Left 1000000001", "'1000000001' is out of range here"},
        {"set imgFrog.Left 1000000000000000000000000000000000000000",
         "'1000000000000000000000000000000000000000' is out of range here"},
        {"set imgFrog.Left -99999999999999999999999999999999999999999999",
         "'-999999999999999999999999999999999999999...' is out of range here"},
        {"set frogRow 32768", "'32768' is out of range here"},
        {"set frogRow 1000000000000000000000000000000000000000",
         "'1000000000000000000000000000000000000000' is out of range here"},
        {"set musicPos 2147483648", "'2147483648' is out of range here"},
        {"wait 1000000000000000000000000000000000000000",
         "'1000000000000000000000000000000000000000' is out of range for a number of "
         "milliseconds"},
        {"key 99999999999999999999", "'99999999999999999999' is out of range for a key code"},
    };
    for (const Case& c : cases) {
        ScriptResult r = runScript(std::string(c.line) + "\ndump imgFrog.Left\n");
        if (*c.error == 0) {
            EXPECT_EQ(r.status, 0) << c.line << ": " << r.err;
        } else {
            EXPECT_EQ(r.status, 2) << c.line;
            EXPECT_EQ(r.err, "line 1: " + std::string(c.error) + "\n") << c.line;
            EXPECT_EQ(r.out, "") << c.line;
        }
    }
}

TEST(RunnerEdges, SumsOfTheLargestNumbersStayFinite) {
    // The clamp forms the window's width minus the toad's: with both at the
    // ends of their range the result is still a number JSON can hold.
    ScriptResult r = runScript("set frmLilyhops.Width -1000000000\n"
                               "set imgFrog.Width 1000000000\n"
                               "set imgFrog.Left 5\n"
                               "call KeepFrogOnScreen\n"
                               "dump imgFrog.Left\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"imgFrog.Left\":-2000000000}\n");
}

TEST(RunnerEdges, TextThatIsNotUtf8IsRefusedButCommentsMayHoldAnything) {
    ScriptResult refused =
        runScript("dump frogRow\nset lblScore2.Caption \"caf\xE9\"\ndump frogRow\n");
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "{\"frogRow\":1}\n");
    EXPECT_EQ(refused.err, "line 2: the line is not UTF-8 text\n");

    ScriptResult comment = runScript("# caf\xE9 \x01\ndump frogRow\n");
    EXPECT_EQ(comment.status, 0) << comment.err;

    ScriptResult utf8 = runScript("set lblScore2.Caption \"caf\xC3\xA9 \xE2\x80\x94\"\n"
                                  "dump lblScore2.Caption\n");
    EXPECT_EQ(utf8.out, "{\"lblScore2.Caption\":\"caf\xC3\xA9 \xE2\x80\x94\"}\n");
}

TEST(RunnerEdges, AByteOrderMarkIsSkippedOnlyAtTheStart) {
    ScriptResult start = runScript("\xEF\xBB\xBF"
                                   "dump frogRow\n");
    EXPECT_EQ(start.status, 0) << start.err;
    EXPECT_EQ(start.out, "{\"frogRow\":1}\n");

    ScriptResult later = runScript("dump frogRow\n\xEF\xBB\xBF"
                                   "dump frogRow\n");
    EXPECT_EQ(later.status, 2);
    EXPECT_EQ(later.err, "line 2: unknown command '\xEF\xBB\xBF"
                         "dump'\n");
}

TEST(RunnerEdges, ALineHasALengthLimit) {
    const std::size_t limit = ScriptReader::kMaxLineBytes;
    // A comment exactly at the limit is still a line; one byte more is not.
    std::string atLimit = "#" + std::string(limit - 1, 'c');
    ScriptResult fits = runScript(atLimit + "\ndump frogRow\n");
    EXPECT_EQ(fits.status, 0) << fits.err;
    EXPECT_EQ(fits.out, "{\"frogRow\":1}\n");

    ScriptResult tooLong = runScript("dump frogRow\n" + atLimit + "c\ndump frogRow\n");
    EXPECT_EQ(tooLong.status, 2);
    EXPECT_EQ(tooLong.out, "{\"frogRow\":1}\n");
    EXPECT_EQ(tooLong.err, "line 2: the line is longer than 65536 bytes\n");

    // A last line without a line end is a line like any other.
    ScriptResult noEnd = runScript("dump frogRow");
    EXPECT_EQ(noEnd.out, "{\"frogRow\":1}\n");
}

TEST(RunnerEdges, AReadErrorStopsTheRunAtItsLine) {
    FailingBuffer buffer("dump frogRow\nset frogRow 5\n");
    std::istream in(&buffer);
    std::ostringstream out, err;
    ScriptRunner runner;
    EXPECT_EQ(runner.run(in, out, err), 2);
    EXPECT_EQ(out.str(), "{\"frogRow\":1}\n");
    EXPECT_EQ(err.str(), "line 3: cannot read the script: Input/output error\n");
}

TEST(RunnerEdges, AFailedWriteStopsTheRunAtItsLine) {
    std::istringstream in("menu mnuNew\ndump frogRow\ndump frogRow\n");
    std::ostringstream out, err;
    out.setstate(std::ios::badbit);
    ScriptRunner runner;
    EXPECT_EQ(runner.run(in, out, err), 2);
    EXPECT_EQ(err.str().rfind("line 2: cannot write to standard output", 0), 0u) << err.str();
}

TEST(RunnerEdges, OnlyTheCallsWaitingForALogLineAreBounded) {
    // Two minutes of one-millisecond songs with cycling: two calls per
    // millisecond, far more than the bound in all, but a log line every
    // second hands them over.
    std::string script = "song length 1\nmenu mnuCycle\nmenu mnuNew\n";
    for (int second = 0; second < 120; ++second)
        script += "wait 1000\nlog\n";
    script += "dump frogRow\n";
    std::istringstream in(script);
    CountingBuffer sink;
    std::ostream out(&sink);
    std::ostringstream err;
    ScriptRunner runner;
    EXPECT_EQ(runner.run(in, out, err), 0) << err.str();
    EXPECT_EQ(sink.lines, 121u);

    // Without the log lines the same hour stops at the bound.
    ScriptResult bounded = runScript("song length 1\nmenu mnuCycle\nmenu mnuNew\nwait 3600000\n"
                                     "dump frogRow\n");
    EXPECT_EQ(bounded.status, 2);
    EXPECT_EQ(bounded.out, "");
    EXPECT_EQ(bounded.err, "line 4: the game made more than 100000 calls since the last log; a "
                           "log line must come sooner\n");

    // So does a tick with a huge count.
    ScriptResult ticks = runScript("set soundOn True\nset frogRow 7\nset imgFrog.Left 3000\n"
                                   "set livesLeft 0\ntick tmrRow38 100000000\n");
    EXPECT_EQ(ticks.status, 2);
    EXPECT_EQ(ticks.err.rfind("line 5: the game made more than 100000 calls", 0), 0u) << ticks.err;
}
