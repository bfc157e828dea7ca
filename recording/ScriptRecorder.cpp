#include "recording/ScriptRecorder.h"

#include "game/frmLilyhops.h"
#include "runner/Json.h"
#include "runner/Names.h"
#include "runner/Words.h"

namespace lilyhops {

namespace {

// A value as a script line writes it for `set` and `expect`.
std::string scriptValue(const script::JsonValue& v) {
    using Kind = script::JsonValue::Kind;
    switch (v.kind) {
    case Kind::Boolean:
        return v.boolean ? "True" : "False";
    case Kind::Text: {
        std::string out = "\"";
        for (char c : v.text) {
            if (c == '\n' || c == '\r')
                return ""; // a script line cannot hold a line break
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        return out + "\"";
    }
    case Kind::Array:
        return ""; // whole arrays are checked element by element
    default:
        return script::toJson(v);
    }
}

} // namespace

ScriptRecorder::ScriptRecorder(std::ostream& out,
                               std::function<void(const std::string&)> onWriteError)
    : out_(out), onWriteError_(std::move(onWriteError)) {}

void ScriptRecorder::write(const std::string& line) {
    if (failed_)
        return;
    out_ << line << '\n';
    out_.flush();
    if (!out_) {
        failed_ = true;
        if (onWriteError_)
            onWriteError_("cannot write the recording any more; the game goes on unrecorded");
    }
}

void ScriptRecorder::waitUntil(Millis at) {
    if (at > last_) {
        write("wait " + std::to_string(at - last_));
        last_ = at;
    }
}

void ScriptRecorder::begin(const std::vector<std::string>& headerComments) {
    for (const std::string& c : headerComments)
        comment(c);
    write("song length " + std::to_string(kEndlessSong));
}

void ScriptRecorder::input(Millis at, const std::string& line) {
    waitUntil(at);
    write(line);
}

void ScriptRecorder::comment(const std::string& text) {
    write("# " + text);
}

void ScriptRecorder::finish(Millis at, frmLilyhops& game) {
    if (finished_)
        return;
    waitUntil(at);
    comment("the state the game reached");
    for (const std::string& name : finalStateNames(game)) {
        std::string line = expectLine(game, name);
        if (!line.empty())
            write(line);
    }
    finished_ = true;
}

std::vector<std::string> finalStateNames(frmLilyhops& game) {
    std::vector<std::string> names = {
        "lblScore2.Caption", "lblScore2.ForeColor", "livesLeft",           "frogRow",
        "imgFrog.Left",      "imgFrog.Top",         "imgFrog.Picture",     "imgFrog.Visible",
        "imgTime.Width",     "imgLife1.Left",       "imgLife1.Picture",    "imgLife2.Left",
        "imgLife2.Picture",  "lblPaused.Visible",   "lblGameOver.Visible", "lblSuccess.Visible"};
    for (int bay = 0; bay < int(game.cubbyFilled.size()); ++bay)
        names.push_back("cubbyFilled(" + std::to_string(bay) + ")");
    for (const Sprite& s : game.imgSuccess)
        names.push_back(s.name + ".Visible");
    for (const Sprite& s : game.imgCars)
        names.push_back(s.name + ".Left");
    for (const Sprite& s : game.imgTurtles)
        names.push_back(s.name + ".Left");
    for (const Sprite* s : {&game.imgLog1, &game.imgLog2, &game.imgLog3})
        names.push_back(s->name + ".Left");
    for (const char* v : {"gamePaused", "canMove", "keyReleased", "onLog(0)", "onLog(1)",
                          "onTurtle(0)", "onTurtle(1)", "soundOn", "musicOn", "cycleMusic",
                          "songFile", "songChanged", "savedCanMove", "barTick", "loopIndex"})
        names.push_back(v);
    for (const char* t : {"tmrRow12", "tmrRow38", "tmrRow46", "tmrRow57", "tmrDelay"})
        names.push_back(std::string(t) + ".Enabled");
    for (const MenuItem* m : game.menuBar()) {
        if (m->isSeparator())
            continue;
        names.push_back(m->name + ".Enabled");
        names.push_back(m->name + ".Checked");
    }
    for (const char* n : {"frmLilyhops.MousePointer", "frmAbout.Loaded", "frmAbout.Visible",
                          "frmAbout.lblVersion.Caption"})
        names.push_back(n);
    return names;
}

std::string expectLine(frmLilyhops& game, const std::string& name) {
    auto binding = script::bind(game, name);
    if (!binding)
        return "";
    std::string value = scriptValue(binding->get());
    if (value.empty())
        return "";
    // Only what the runner can read back.
    auto words = script::splitWords(value);
    script::JsonValue parsed;
    if (words.size() != 1 || binding->parse(words[0], parsed))
        return "";
    return "expect " + name + " " + value;
}

} // namespace lilyhops
