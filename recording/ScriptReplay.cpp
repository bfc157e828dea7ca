#include "recording/ScriptReplay.h"

#include "game/frmLilyhops.h"
#include "runner/Json.h"
#include "runner/ScriptRunner.h"

#include <charconv>
#include <stdexcept>

namespace lilyhops {

namespace {

struct BadLine : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using script::Word;

long long wholeNumber(const Word& w, long long min, long long max, const char* what) {
    long long v = 0;
    const char* first = w.text.data();
    const char* last = first + w.text.size();
    auto [p, ec] = std::from_chars(first, last, v);
    if (w.quoted || w.text.empty() || ec != std::errc() || p != last)
        throw BadLine("'" + w.text + "' is not " + what);
    if (v < min || v > max)
        throw BadLine("'" + w.text + "' is out of range for " + what);
    return v;
}

void argumentCount(const std::vector<Word>& words, std::size_t min, std::size_t max,
                   const std::string& usage) {
    if (words.size() < min || words.size() > max)
        throw BadLine("usage: " + usage);
}

// The character a key types, as the runner's `key` gives it.
std::optional<std::int16_t> typedCharacter(std::int16_t code) {
    if (code == 13 || code == 27 || code == 32 || (code >= '0' && code <= '9'))
        return code;
    if (code >= 'A' && code <= 'Z')
        return std::int16_t(code + 32);
    return std::nullopt;
}

} // namespace

ScriptReplay::ScriptReplay(std::istream& script, frmLilyhops& game, RecordingTegoSnd& sound,
                           Hooks hooks)
    : game_(game), sound_(sound), hooks_(std::move(hooks)) {
    std::string text;
    int line = 0;
    while (std::getline(script, text)) {
        ++line;
        std::size_t first = text.find_first_not_of(" \t\r");
        if (first == std::string::npos || text[first] == '#')
            continue;
        try {
            Step step = compile(text, line);
            if (step.wait || step.run)
                steps_.push_back(std::move(step));
        } catch (const std::runtime_error& e) {
            problem_ = "line " + std::to_string(line) + ": " + e.what();
            return;
        }
    }
}

ScriptReplay::Step ScriptReplay::compile(const std::string& text, int line) {
    std::vector<Word> words = script::splitWords(text);
    Step step;
    step.line = line;
    if (words.empty())
        return step;
    const std::string& command = words[0].text;
    if (words[0].quoted)
        throw BadLine("unknown command \"" + command + "\"");
    frmLilyhops& g = game_;
    auto player = [this] {
        if (hooks_.beforePlayerInput)
            hooks_.beforePlayerInput();
    };
    auto ended = [&g] { return g.scheduler().halted(); };
    auto binding = [&g](const Word& w) {
        auto b = script::bind(g, w.text);
        if (!b || w.quoted)
            throw BadLine("unknown name '" + w.text + "'");
        return *b;
    };
    auto value = [](script::Binding& b, const Word& w) {
        script::JsonValue v;
        if (auto error = b.parse(w, v))
            throw BadLine(*error);
        return v;
    };

    if (command == "wait") {
        argumentCount(words, 2, 2, "wait MS");
        step.wait = wholeNumber(words[1], 0, 1000000000000LL, "a number of milliseconds");
    } else if (command == "menu") {
        argumentCount(words, 2, 2, "menu ITEM");
        MenuItem* item = g.findMenu(words[1].text);
        if (!item)
            throw BadLine("unknown menu item '" + words[1].text + "'");
        step.run = [player, &g, item] {
            player();
            g.chooseMenu(*item);
        };
    } else if (command == "call") {
        argumentCount(words, 2, 3, "call PROC [ARG]");
        auto proc = g.procedures().find(words[1].text);
        if (proc == g.procedures().end())
            throw BadLine("unknown procedure '" + words[1].text + "'");
        if (proc->second.takesArgument != (words.size() == 3))
            throw BadLine(words[1].text + (proc->second.takesArgument
                                               ? " takes a whole-number argument"
                                               : " takes no argument"));
        std::int16_t arg = 0;
        if (words.size() == 3)
            arg = std::int16_t(wholeNumber(words[2], -32768, 32767, "a 16-bit whole number"));
        auto run = proc->second.run;
        step.run = [player, run, arg] {
            player();
            run(arg);
        };
    } else if (command == "keydown" || command == "keypress" || command == "keyup" ||
               command == "key") {
        argumentCount(words, 2, 2, command + " CODE");
        auto code = std::int16_t(wholeNumber(words[1], -32768, 32767, "a key code"));
        bool down = command == "keydown" || command == "key";
        bool up = command == "keyup" || command == "key";
        std::optional<std::int16_t> typed =
            command == "key" ? typedCharacter(code)
                             : (command == "keypress" ? std::optional(code) : std::nullopt);
        step.run = [player, ended, &g, code, down, up, typed] {
            player();
            if (down) {
                std::int16_t c = code;
                g.txtControl_KeyDown(c, 0);
            }
            if (typed && !ended()) {
                std::int16_t c = *typed;
                g.txtControl_KeyPress(c);
            }
            if (up && !ended()) {
                std::int16_t c = code;
                g.txtControl_KeyUp(c, 0);
            }
        };
    } else if (command == "tick") {
        argumentCount(words, 2, 3, "tick TIMER [N]");
        Timer* timer = g.findTimer(words[1].text);
        if (!timer)
            throw BadLine("unknown timer '" + words[1].text + "'");
        long long n = words.size() > 2 ? wholeNumber(words[2], 0, 100000000, "a count") : 1;
        step.run = [timer, n, ended] {
            for (long long i = 0; i < n && !ended(); ++i)
                timer->onTimer();
        };
    } else if (command == "set") {
        argumentCount(words, 3, 3, "set NAME VALUE");
        script::Binding b = binding(words[1]);
        script::JsonValue v = value(b, words[2]);
        if (!b.set)
            throw BadLine("this name is read-only");
        step.run = [b, v] { b.set(v); };
    } else if (command == "expect") {
        argumentCount(words, 3, 3, "expect NAME VALUE");
        script::Binding b = binding(words[1]);
        std::string want = script::toJson(value(b, words[2]));
        std::string name = words[1].text;
        step.run = [this, b, want, name, line] {
            std::string got = script::toJson(b.get());
            if (got == want)
                return;
            ++failedExpects_;
            if (hooks_.report)
                hooks_.report("line " + std::to_string(line) + ": expected " + name + " = " + want +
                              ", got " + got);
        };
    } else if (command == "dump") {
        std::vector<std::pair<std::string, script::Binding>> names;
        for (std::size_t i = 1; i < words.size(); ++i)
            names.emplace_back(words[i].text, binding(words[i]));
        step.run = [this, names] {
            std::string out = "{";
            for (std::size_t i = 0; i < names.size(); ++i)
                out += (i ? "," : "") + script::quoteJson(names[i].first) + ":" +
                       script::toJson(names[i].second.get());
            if (hooks_.print)
                hooks_.print(out + "}");
        };
    } else if (command == "log") {
        argumentCount(words, 1, 1, "log");
    } else if (command == "active") {
        argumentCount(words, 2, 2, "active on|off");
        if (words[1].quoted || (words[1].text != "on" && words[1].text != "off"))
            throw BadLine("usage: active on|off");
        bool on = words[1].text == "on";
        step.run = [this, player, on] {
            // Only the player's coming back makes the window active again.
            if (on)
                player();
            if (hooks_.setActive)
                hooks_.setActive(on);
        };
    } else if (command == "song") {
        if (words.size() == 3 && words[1].text == "length" && !words[1].quoted) {
            auto ms =
                std::int32_t(wholeNumber(words[2], 1, 2147483647, "a length in milliseconds"));
            step.run = [this, ms] { sound_.setSongLength(ms); };
        } else if (words.size() == 2 && words[1].text == "end" && !words[1].quoted) {
            step.run = [this] { sound_.endSongNow(); };
        } else {
            throw BadLine("usage: song length MS | song end");
        }
    } else {
        throw BadLine("unknown command '" + command + "'");
    }
    return step;
}

std::optional<Millis> ScriptReplay::runToNextWait() {
    while (next_ < steps_.size()) {
        if (game_.scheduler().halted()) {
            next_ = steps_.size(); // the program has ended
            break;
        }
        Step& step = steps_[next_++];
        if (step.wait)
            return *step.wait;
        step.run();
    }
    return std::nullopt;
}

} // namespace lilyhops
