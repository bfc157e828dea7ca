#include "runner/ScriptRunner.h"

#include "runner/ScriptReader.h"
#include "runner/Text.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <istream>
#include <ostream>
#include <stdexcept>

namespace lilyhops::script {

namespace {

struct LineError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

long long wholeNumber(const Word& w, long long min, long long max, const char* what) {
    long long v = 0;
    const char* first = w.text.data();
    const char* last = first + w.text.size();
    auto [p, ec] = std::from_chars(first, last, v);
    bool tooLarge = ec == std::errc::result_out_of_range && p == last;
    if (w.quoted || w.text.empty() || (ec != std::errc() && !tooLarge) || p != last)
        throw LineError("'" + shown(w.text) + "' is not " + what);
    if (tooLarge || v < min || v > max)
        throw LineError("'" + shown(w.text) + "' is out of range for " + what);
    return v;
}

void expectCount(const std::vector<Word>& words, std::size_t min, std::size_t max,
                 const char* usage) {
    if (words.size() < min || words.size() > max)
        throw LineError(std::string("usage: ") + usage);
}

std::string renderLog(const std::vector<RecordedCall>& calls) {
    std::string out = "[";
    for (std::size_t i = 0; i < calls.size(); ++i) {
        out += i ? ",[" : "[";
        out += quoteJson(calls[i].what);
        for (const auto& arg : calls[i].args) {
            out += ",";
            if (auto* s = std::get_if<std::string>(&arg))
                out += quoteJson(*s);
            else
                out += std::to_string(std::get<std::int64_t>(arg));
        }
        out += "]";
    }
    return out + "]";
}

// The character a key types, if it types one: letters as lower case.
std::optional<std::int16_t> typedCharacter(std::int16_t code) {
    if (code == 13 || code == 27 || code == 32 || (code >= '0' && code <= '9'))
        return code;
    if (code >= 'A' && code <= 'Z')
        return std::int16_t(code + 32);
    return std::nullopt;
}

} // namespace

std::vector<Word> splitWords(const std::string& line) {
    std::vector<Word> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
            continue;
        }
        Word w;
        if (line[i] == '"') {
            w.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\') {
                    if (i >= line.size() || (line[i] != '"' && line[i] != '\\'))
                        throw LineError("only \\\" and \\\\ may follow a backslash in a text");
                    c = line[i++];
                }
                w.text += c;
            }
            if (!closed)
                throw LineError("a text is missing its closing quote");
            if (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                throw LineError("a closing quote must be followed by a blank");
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                if (line[i] == '"')
                    throw LineError("a quote may only start a word");
                w.text += line[i++];
            }
        }
        words.push_back(std::move(w));
    }
    return words;
}

int RecordingDesktop::MsgBox(const std::string& text, const std::string& title, int style) {
    log_.record("MsgBox", {text, title, std::int64_t(style)});
    return 1;
}

void RecordingDesktop::ShowAbout(int mode) {
    log_.record("Show", {std::string("frmAbout"), std::int64_t(mode)});
    if (window_) {
        window_->frmAbout.Load();
        window_->frmAbout.Visible = true;
    }
}

void RecordingDesktop::End() {
    log_.record("End");
    ended = true;
    clock_.halt();
}

void RecordingDesktop::LoadFile(const std::string& file, int type) {
    log_.record("LoadFile", {file, std::int64_t(type)});
}

ScriptRunner::ScriptRunner() : sound_(clock_, log_), desktop_(log_, clock_) {
    window_ = std::make_unique<frmLilyhops>(clock_, sound_, desktop_, desktop_, kAppFolder);
    desktop_.attach(*window_);
    window_->Form_Load();
    // One long wait must not collect calls without end (an hour of songs of
    // one millisecond each): the clock stops as soon as too many are waiting
    // for a log line, and the run stops after the line.
    clock_.onChanged = [this] {
        if (tooManyCalls())
            clock_.halt();
    };
}

int ScriptRunner::run(std::istream& script, std::ostream& out, std::ostream& err) {
    int status = 0;
    std::string line;
    int lineNo = 0;
    ScriptReader reader(script);
    auto stop = [&](const std::string& problem) {
        out.flush();
        err << "line " << lineNo << ": " << problem << "\n";
        return 2;
    };
    while (!desktop_.ended) {
        ++lineNo;
        ScriptReader::Status read = reader.next(line);
        if (read == ScriptReader::Status::End)
            break;
        if (read == ScriptReader::Status::TooLong)
            return stop("the line is longer than " + std::to_string(ScriptReader::kMaxLineBytes) +
                        " bytes");
        if (read == ScriptReader::Status::Unreadable)
            return stop("cannot read the script: " + reader.error());
        // A comment is skipped whatever it holds, quotes and backslashes too.
        std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        if (!isValidUtf8(line))
            return stop("the line is not UTF-8 text");
        try {
            std::vector<Word> words = splitWords(line);
            if (words.empty())
                continue;
            Outcome outcome = runLine(words, lineNo, out, err);
            if (outcome == Outcome::ExpectFailed)
                status = 1;
        } catch (const LineError& e) {
            return stop(e.what());
        }
        if (tooManyCalls())
            return stop(tooManyCallsMessage());
    }
    errno = 0;
    out.flush();
    if (!out)
        return stop(cannotWrite());
    return status;
}

bool ScriptRunner::tooManyCalls() const {
    return log_.calls().size() > kMaxPendingCalls;
}

std::string ScriptRunner::tooManyCallsMessage() {
    return "the game made more than " + std::to_string(kMaxPendingCalls) +
           " calls since the last log; a log line must come sooner";
}

std::string ScriptRunner::cannotWrite() {
    std::string reason = errno ? std::string(": ") + std::strerror(errno) : std::string();
    return "cannot write to standard output" + reason;
}

void ScriptRunner::writeLine(std::ostream& out, const std::string& text) {
    errno = 0;
    out << text << "\n";
    out.flush();
    if (!out)
        throw LineError(cannotWrite());
}

ScriptRunner::Outcome ScriptRunner::runLine(const std::vector<Word>& words, int lineNo,
                                            std::ostream& out, std::ostream& err) {
    const std::string& command = words[0].text;
    frmLilyhops& w = *window_;
    auto name = [&](std::size_t i) -> Binding {
        auto b = bind(w, words[i].text);
        if (!b || words[i].quoted)
            throw LineError("unknown name '" + shown(words[i].text) + "'");
        return *b;
    };
    auto keyCode = [&](const Word& word) {
        return std::int16_t(wholeNumber(word, -32768, 32767, "a key code"));
    };

    if (words[0].quoted)
        throw LineError("unknown command \"" + shown(command) + "\"");

    if (command == "menu") {
        expectCount(words, 2, 2, "menu ITEM");
        MenuItem* item = w.findMenu(words[1].text);
        if (!item)
            throw LineError("unknown menu item '" + shown(words[1].text) + "'");
        w.chooseMenu(*item);
    } else if (command == "call") {
        expectCount(words, 2, 3, "call PROC [ARG]");
        auto proc = w.procedures().find(words[1].text);
        if (proc == w.procedures().end())
            throw LineError("unknown procedure '" + shown(words[1].text) + "'");
        if (proc->second.takesArgument && words.size() < 3)
            throw LineError(words[1].text + " takes a whole-number argument");
        if (!proc->second.takesArgument && words.size() > 2)
            throw LineError(words[1].text + " takes no argument");
        std::int16_t arg = 0;
        if (words.size() > 2)
            arg = std::int16_t(wholeNumber(words[2], -32768, 32767, "a 16-bit whole number"));
        proc->second.run(arg);
    } else if (command == "keydown" || command == "keypress" || command == "keyup" ||
               command == "key") {
        expectCount(words, 2, 2, (command + " CODE").c_str());
        std::int16_t code = keyCode(words[1]);
        if (command == "keydown" || command == "key") {
            std::int16_t c = code;
            w.txtControl_KeyDown(c, 0);
        }
        if (command == "keypress" || command == "key") {
            std::optional<std::int16_t> ch = command == "key" ? typedCharacter(code) : code;
            if (ch && !desktop_.ended)
                w.txtControl_KeyPress(*ch);
        }
        if ((command == "keyup" || command == "key") && !desktop_.ended) {
            std::int16_t c = code;
            w.txtControl_KeyUp(c, 0);
        }
    } else if (command == "tick") {
        expectCount(words, 2, 3, "tick TIMER [N]");
        Timer* timer = w.findTimer(words[1].text);
        if (!timer)
            throw LineError("unknown timer '" + shown(words[1].text) + "'");
        long long n = words.size() > 2 ? wholeNumber(words[2], 0, 100000000, "a count") : 1;
        for (long long i = 0; i < n && !desktop_.ended && !tooManyCalls(); ++i)
            timer->onTimer();
    } else if (command == "wait") {
        expectCount(words, 2, 2, "wait MS");
        long long ms = wholeNumber(words[1], 0, 1000000000000LL, "a number of milliseconds");
        clock_.advanceBy(ms);
    } else if (command == "set") {
        expectCount(words, 3, 3, "set NAME VALUE");
        Binding b = name(1);
        JsonValue v;
        if (auto error = b.parse(words[2], v))
            throw LineError(*error);
        if (!b.set)
            throw LineError("this name is read-only");
        b.set(v);
    } else if (command == "expect") {
        expectCount(words, 3, 3, "expect NAME VALUE");
        Binding b = name(1);
        JsonValue v;
        if (auto error = b.parse(words[2], v))
            throw LineError(*error);
        std::string want = toJson(v), got = toJson(b.get());
        if (want != got) {
            err << "line " << lineNo << ": expected " << words[1].text << " = " << shown(want, 200)
                << ", got " << shown(got, 200) << "\n";
            return Outcome::ExpectFailed;
        }
    } else if (command == "dump") {
        std::string line = "{";
        for (std::size_t i = 1; i < words.size(); ++i) {
            Binding b = name(i);
            line += (i > 1 ? "," : "") + quoteJson(words[i].text) + ":" + toJson(b.get());
        }
        writeLine(out, line + "}");
    } else if (command == "log") {
        expectCount(words, 1, 1, "log");
        writeLine(out, renderLog(log_.take()));
    } else if (command == "active") {
        expectCount(words, 2, 2, "active on|off");
        if (words[1].text == "on" && !words[1].quoted)
            desktop_.active = true;
        else if (words[1].text == "off" && !words[1].quoted)
            desktop_.active = false;
        else
            throw LineError("usage: active on|off");
    } else if (command == "song") {
        if (words.size() == 3 && words[1].text == "length" && !words[1].quoted) {
            // A song of no length would end as soon as it started, and a game
            // that plays it again would never let the clock move on.
            sound_.setSongLength(
                std::int32_t(wholeNumber(words[2], 1, 2147483647, "a length in milliseconds")));
        } else if (words.size() == 2 && words[1].text == "end" && !words[1].quoted) {
            sound_.endSongNow();
        } else {
            throw LineError("usage: song length MS | song end");
        }
    } else {
        throw LineError("unknown command '" + shown(command) + "'");
    }
    return Outcome::Ok;
}

} // namespace lilyhops::script
