#include "runner/Interpreter.h"

#include "audio/RecordingTegoSnd.h"
#include "game/frmLilyhops.h"
#include "runner/Json.h"
#include "runner/Names.h"
#include "runner/Text.h"

#include <map>
#include <string_view>

namespace lilyhops::script {

namespace {

using Words = std::vector<Word>;

void argumentCount(const Words& words, std::size_t min, std::size_t max, const std::string& usage) {
    if (words.size() < min || words.size() > max)
        throw LineError("usage: " + usage);
}

// A word that names a value: a bare word the game knows.
Binding named(frmLilyhops& game, const Word& word) {
    auto binding = bind(game, word.text);
    if (!binding || word.quoted)
        throw LineError("unknown name '" + shown(word.text) + "'");
    return *binding;
}

JsonValue valueOf(const Binding& binding, const Word& word) {
    JsonValue value;
    if (auto error = binding.parse(word, value))
        throw LineError(*error);
    return value;
}

// Whether the word is `expected`, written bare.
bool is(const Word& word, std::string_view expected) {
    return !word.quoted && word.text == expected;
}

// A step that acts and has nothing to check.
Step done(std::function<void()> act) {
    return [act = std::move(act)] {
        act();
        return Outcome::Done;
    };
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

Step menuStep(const Statement& s, World& world) {
    argumentCount(s.words, 2, 2, "menu ITEM");
    MenuItem* item = world.game().findMenu(s.words[1].text);
    if (!item)
        throw LineError("unknown menu item '" + shown(s.words[1].text) + "'");
    return done([&world, item] {
        world.playerActs();
        world.game().chooseMenu(*item);
    });
}

Step callStep(const Statement& s, World& world) {
    argumentCount(s.words, 2, 3, "call PROC [ARG]");
    const std::string& name = s.words[1].text;
    const auto& procedures = world.game().procedures();
    auto proc = procedures.find(name);
    if (proc == procedures.end())
        throw LineError("unknown procedure '" + shown(name) + "'");
    if (proc->second.takesArgument && s.words.size() < 3)
        throw LineError(name + " takes a whole-number argument");
    if (!proc->second.takesArgument && s.words.size() > 2)
        throw LineError(name + " takes no argument");
    std::int16_t arg = 0;
    if (s.words.size() > 2)
        arg = std::int16_t(wholeNumber(s.words[2], -32768, 32767, "a 16-bit whole number"));
    return done([&world, run = proc->second.run, arg] {
        world.playerActs();
        run(arg);
    });
}

// keydown, keypress, keyup, and key for all three.
Step keyStep(const Statement& s, World& world) {
    const std::string& command = s.words[0].text;
    argumentCount(s.words, 2, 2, command + " CODE");
    auto code = std::int16_t(wholeNumber(s.words[1], -32768, 32767, "a key code"));
    bool down = command == "keydown" || command == "key";
    bool up = command == "keyup" || command == "key";
    std::optional<std::int16_t> typed;
    if (command == "key")
        typed = typedCharacter(code);
    else if (command == "keypress")
        typed = code;
    return done([&world, code, down, up, typed] {
        world.playerActs();
        frmLilyhops& game = world.game();
        // The key's own handlers may end the program half-way.
        if (down) {
            std::int16_t c = code;
            game.txtControl_KeyDown(c, 0);
        }
        if (typed && !world.stopped()) {
            std::int16_t c = *typed;
            game.txtControl_KeyPress(c);
        }
        if (up && !world.stopped()) {
            std::int16_t c = code;
            game.txtControl_KeyUp(c, 0);
        }
    });
}

Step tickStep(const Statement& s, World& world) {
    argumentCount(s.words, 2, 3, "tick TIMER [N]");
    Timer* timer = world.game().findTimer(s.words[1].text);
    if (!timer)
        throw LineError("unknown timer '" + shown(s.words[1].text) + "'");
    long long n = s.words.size() > 2 ? wholeNumber(s.words[2], 0, 100000000, "a count") : 1;
    return done([&world, timer, n] {
        for (long long i = 0; i < n && !world.stopped(); ++i)
            timer->onTimer();
    });
}

Step waitStep(const Statement& s, World& world) {
    argumentCount(s.words, 2, 2, "wait MS");
    Millis ms = wholeNumber(s.words[1], 0, 1000000000000LL, "a number of milliseconds");
    return done([&world, ms] { world.letTimePass(ms); });
}

Step setStep(const Statement& s, World& world) {
    argumentCount(s.words, 3, 3, "set NAME VALUE");
    Binding binding = named(world.game(), s.words[1]);
    JsonValue value = valueOf(binding, s.words[2]);
    if (!binding.set)
        throw LineError("this name is read-only");
    return done([set = binding.set, value] { set(value); });
}

Step expectStep(const Statement& s, World& world) {
    argumentCount(s.words, 3, 3, "expect NAME VALUE");
    Binding binding = named(world.game(), s.words[1]);
    std::string want = toJson(valueOf(binding, s.words[2]));
    std::string start = atLine(s.line, "expected " + s.words[1].text + " = " + shown(want, 200));
    return [&world, get = binding.get, want, start] {
        std::string got = toJson(get());
        if (got == want)
            return Outcome::Done;
        world.report(start + ", got " + shown(got, 200));
        return Outcome::ExpectFailed;
    };
}

Step dumpStep(const Statement& s, World& world) {
    std::vector<std::pair<std::string, Binding>> names;
    for (std::size_t i = 1; i < s.words.size(); ++i)
        names.emplace_back(quoteJson(s.words[i].text), named(world.game(), s.words[i]));
    return done([&world, names] {
        std::string line = "{";
        for (std::size_t i = 0; i < names.size(); ++i)
            line += (i ? "," : "") + names[i].first + ":" + toJson(names[i].second.get());
        world.print(line + "}");
    });
}

Step logStep(const Statement& s, World& world) {
    argumentCount(s.words, 1, 1, "log");
    return done([&world] {
        if (auto calls = world.takeCalls())
            world.print(renderLog(*calls));
    });
}

Step activeStep(const Statement& s, World& world) {
    argumentCount(s.words, 2, 2, "active on|off");
    if (!is(s.words[1], "on") && !is(s.words[1], "off"))
        throw LineError("usage: active on|off");
    bool on = is(s.words[1], "on");
    return done([&world, on] {
        // Only the player's coming back makes the window active again.
        if (on)
            world.playerActs();
        world.setActive(on);
    });
}

Step songStep(const Statement& s, World& world) {
    if (s.words.size() == 3 && is(s.words[1], "length")) {
        // A song of no length would end as soon as it started, and a game
        // that plays it again would never let the clock move on.
        auto ms = std::int32_t(wholeNumber(s.words[2], 1, 2147483647, "a length in milliseconds"));
        return done([&world, ms] { world.songClock().setSongLength(ms); });
    }
    if (s.words.size() == 2 && is(s.words[1], "end"))
        return done([&world] { world.songClock().endSongNow(); });
    throw LineError("usage: song length MS | song end");
}

using Compiler = Step (*)(const Statement&, World&);

const std::map<std::string, Compiler, std::less<>> kCommands = {
    {"menu", menuStep},     {"call", callStep},     {"keydown", keyStep}, {"keypress", keyStep},
    {"keyup", keyStep},     {"key", keyStep},       {"tick", tickStep},   {"wait", waitStep},
    {"set", setStep},       {"expect", expectStep}, {"dump", dumpStep},   {"log", logStep},
    {"active", activeStep}, {"song", songStep},
};

} // namespace

Step compile(const Statement& statement, World& world) {
    const Word& command = statement.words.front();
    if (command.quoted)
        throw LineError("unknown command \"" + shown(command.text) + "\"");
    auto compiler = kCommands.find(command.text);
    if (compiler == kCommands.end())
        throw LineError("unknown command '" + shown(command.text) + "'");
    return compiler->second(statement, world);
}

} // namespace lilyhops::script
