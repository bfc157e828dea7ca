#include "runner/Names.h"

#include "game/frmLilyhops.h"
#include "runner/Text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace lilyhops::script {

namespace {

using Error = std::optional<std::string>;

Error notA(const Word& w, const char* what) {
    return "'" + shown(w.text) + "' is not " + what;
}

Error outOfRange(const Word& w) {
    return "'" + shown(w.text) + "' is out of range here";
}

// The largest coordinate or size a script may give, in twips: far beyond any
// window, and small enough that no sum or difference the game forms with it
// leaves the range of a single-precision number.
constexpr double kLargestTwips = 1e9;

// A number as a script writes it: -12, 3255, 12.5, or a colour as &H0000FFFF.
// A number too large for a double reads as infinite, for the range checks to
// refuse.
std::optional<double> readNumber(const Word& w) {
    if (w.quoted || w.text.empty())
        return std::nullopt;
    const std::string& t = w.text;
    if (t.size() > 2 && (t[0] == '&') && (t[1] == 'H' || t[1] == 'h')) {
        std::uint64_t v = 0;
        auto [p, ec] = std::from_chars(t.data() + 2, t.data() + t.size(), v, 16);
        if (ec != std::errc() || p != t.data() + t.size() || v > 0xFFFFFFFFull)
            return std::nullopt;
        return double(v);
    }
    double v = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
    if (p != t.data() + t.size())
        return std::nullopt;
    if (ec == std::errc::result_out_of_range)
        return t[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    if (ec != std::errc())
        return std::nullopt;
    return v;
}

template <typename Int> Binding integer(Int& var) {
    Binding b;
    b.get = [&var] { return JsonValue::of(std::int64_t(var)); };
    b.parse = [](const Word& w, JsonValue& out) -> Error {
        auto v = readNumber(w);
        if (!v || (std::isfinite(*v) && *v != std::floor(*v)))
            return notA(w, "a whole number");
        if (*v < double(std::numeric_limits<Int>::min()) ||
            *v > double(std::numeric_limits<Int>::max()))
            return outOfRange(w);
        out = JsonValue::of(std::int64_t(*v));
        return std::nullopt;
    };
    b.set = [&var](const JsonValue& v) { var = Int(v.integer); };
    return b;
}

Error parseBool(const Word& w, JsonValue& out) {
    if (!w.quoted && (w.text == "True" || w.text == "true"))
        out = JsonValue::of(true);
    else if (!w.quoted && (w.text == "False" || w.text == "false"))
        out = JsonValue::of(false);
    else
        return notA(w, "True or False");
    return std::nullopt;
}

Binding boolean(bool& var) {
    return {[&var] { return JsonValue::of(var); }, parseBool,
            [&var](const JsonValue& v) { var = v.boolean; }};
}

Binding text(std::string& var) {
    return {[&var] { return JsonValue::of(var); },
            [](const Word& w, JsonValue& out) -> Error {
                out = JsonValue::of(w.text);
                return std::nullopt;
            },
            [&var](const JsonValue& v) { var = v.text; }};
}

Binding single(float& var) {
    return {[&var] { return JsonValue::of(var); },
            [](const Word& w, JsonValue& out) -> Error {
                auto v = readNumber(w);
                if (!v)
                    return notA(w, "a number");
                if (std::fabs(*v) > kLargestTwips)
                    return outOfRange(w);
                out = JsonValue::of(float(*v));
                return std::nullopt;
            },
            [&var](const JsonValue& v) { var = v.single; }};
}

Binding colour(std::uint32_t& var) {
    return {[&var] { return JsonValue::of(std::int64_t(var)); },
            [](const Word& w, JsonValue& out) -> Error {
                auto v = readNumber(w);
                if (!v || *v != std::floor(*v) || *v < 0 || *v > 4294967295.0)
                    return notA(w, "a colour");
                out = JsonValue::of(std::int64_t(*v));
                return std::nullopt;
            },
            [&var](const JsonValue& v) { var = std::uint32_t(v.integer); }};
}

template <std::size_t N> Binding wholeArray(std::array<bool, N>& arr) {
    return {[&arr] {
                std::vector<JsonValue> items;
                for (bool b : arr)
                    items.push_back(JsonValue::of(b));
                return JsonValue::array(std::move(items));
            },
            [](const Word&, JsonValue&) -> Error {
                return std::string("a whole array takes no value; name one element, as in x(0)");
            },
            nullptr};
}

Error parseWhole(const Word& w, JsonValue& out) {
    auto v = readNumber(w);
    if (!v || (std::isfinite(*v) && *v != std::floor(*v)))
        return notA(w, "a whole number");
    if (std::fabs(*v) > 2147483648.0)
        return outOfRange(w);
    out = JsonValue::of(std::int64_t(*v));
    return std::nullopt;
}

Error parseText(const Word& w, JsonValue& out) {
    out = JsonValue::of(w.text);
    return std::nullopt;
}

// A name that can be compared with `expect` but not written.
Binding readOnly(std::function<JsonValue()> get,
                 std::function<Error(const Word&, JsonValue&)> parse) {
    return {std::move(get), std::move(parse), nullptr};
}

// "name(3)" -> ("name", 3); no index -> ("name", nullopt).
std::pair<std::string, std::optional<int>> splitIndex(const std::string& name) {
    auto open = name.find('(');
    if (open == std::string::npos || name.back() != ')')
        return {name, std::nullopt};
    int idx = 0;
    auto first = name.data() + open + 1, last = name.data() + name.size() - 1;
    auto [p, ec] = std::from_chars(first, last, idx);
    if (ec != std::errc() || p != last || first == last)
        return {name, std::nullopt};
    return {name.substr(0, open), idx};
}

// Left, Top, Width and Height, which sprites, labels and shapes share.
template <typename Control> std::optional<Binding> geometry(Control& c, const std::string& prop) {
    if (prop == "Left")
        return single(c.Left);
    if (prop == "Top")
        return single(c.Top);
    if (prop == "Width")
        return single(c.Width);
    if (prop == "Height")
        return single(c.Height);
    return std::nullopt;
}

std::optional<Binding> spriteProperty(frmLilyhops& w, Sprite& s, const std::string& prop) {
    if (auto b = geometry(s, prop))
        return b;
    if (prop == "Visible")
        return boolean(s.Visible);
    if (prop == "Picture") {
        return Binding{[&s] { return JsonValue::of(s.picture ? s.picture->name : std::string()); },
                       [&w](const Word& word, JsonValue& out) -> Error {
                           if (!w.findPicture(word.text))
                               return "'" + shown(word.text) + "' is no picture holder";
                           out = JsonValue::of(word.text);
                           return std::nullopt;
                       },
                       [&w, &s](const JsonValue& v) { s.setPicture(w.findPicture(v.text)); }};
    }
    return std::nullopt;
}

std::optional<Binding> labelProperty(Label& l, const std::string& prop) {
    if (prop == "Caption")
        return text(l.Caption);
    if (prop == "ForeColor")
        return colour(l.ForeColor);
    if (auto b = geometry(l, prop))
        return b;
    if (prop == "Visible")
        return boolean(l.Visible);
    return std::nullopt;
}

std::optional<Binding> aboutName(frmAbout& a, const std::string& name) {
    if (name == "Loaded")
        return readOnly([&a] { return JsonValue::of(a.Loaded); }, parseBool);
    if (name == "Visible")
        return readOnly([&a] { return JsonValue::of(a.Visible); }, parseBool);
    auto dot = name.find('.');
    if (dot == std::string::npos)
        return std::nullopt;
    std::string control = name.substr(0, dot), prop = name.substr(dot + 1);
    if (Label* l = a.findLabel(control))
        return labelProperty(*l, prop);
    if (Shape* s = a.findShape(control))
        return geometry(*s, prop);
    if (Line* l = a.findLine(control)) {
        if (prop == "X1")
            return single(l->X1);
        if (prop == "Y1")
            return single(l->Y1);
        if (prop == "X2")
            return single(l->X2);
        if (prop == "Y2")
            return single(l->Y2);
        return std::nullopt;
    }
    if (Sprite* s = a.findSprite(control)) {
        if (prop == "Picture")
            return readOnly([s] { return JsonValue::of(s->picture->name); }, parseText);
        if (prop == "Visible")
            return boolean(s->Visible);
        return geometry(*s, prop);
    }
    return std::nullopt;
}

std::optional<Binding> windowProperty(frmLilyhops& w, const std::string& prop) {
    if (prop == "Width")
        return single(w.Width);
    if (prop == "Height")
        return single(w.Height);
    if (prop == "MousePointer") {
        return Binding{[&w] {
                           return JsonValue::of(std::string(
                               w.mousePointer == MousePointer::Custom ? "custom" : "default"));
                       },
                       [](const Word& word, JsonValue& out) -> Error {
                           if (word.text != "custom" && word.text != "default")
                               return notA(word, "\"default\" or \"custom\"");
                           out = JsonValue::of(word.text);
                           return std::nullopt;
                       },
                       [&w](const JsonValue& v) {
                           w.mousePointer =
                               v.text == "custom" ? MousePointer::Custom : MousePointer::Default;
                       }};
    }
    return std::nullopt;
}

std::optional<Binding> variable(frmLilyhops& w, const std::string& name) {
    auto [base, index] = splitIndex(name);
    auto element = [&](auto& arr) -> std::optional<Binding> {
        if (!index)
            return wholeArray(arr);
        if (*index < 0 || *index >= int(arr.size()))
            return std::nullopt;
        return boolean(arr[std::size_t(*index)]);
    };
    if (base == "cubbyFilled")
        return element(w.cubbyFilled);
    if (base == "onTurtle")
        return element(w.onTurtle);
    if (base == "onLog")
        return element(w.onLog);
    if (index)
        return std::nullopt;
    if (name == "frogRow")
        return integer(w.frogRow);
    if (name == "livesLeft")
        return integer(w.livesLeft);
    if (name == "loopIndex")
        return integer(w.loopIndex);
    if (name == "barTick")
        return integer(w.barTick);
    if (name == "musicPos")
        return integer(w.musicPos);
    if (name == "canMove")
        return boolean(w.canMove);
    if (name == "keyReleased")
        return boolean(w.keyReleased);
    if (name == "gamePaused")
        return boolean(w.gamePaused);
    if (name == "soundOn")
        return boolean(w.soundOn);
    if (name == "musicOn")
        return boolean(w.musicOn);
    if (name == "cycleMusic")
        return boolean(w.cycleMusic);
    if (name == "songChanged")
        return boolean(w.songChanged);
    if (name == "savedCanMove")
        return boolean(w.savedCanMove);
    if (name == "songFile")
        return text(w.songFile);
    if (name == "appFolder")
        return text(w.appFolder);
    return std::nullopt;
}

} // namespace

std::optional<Binding> bind(frmLilyhops& w, const std::string& name) {
    auto dot = name.find('.');
    if (dot == std::string::npos)
        return variable(w, name);
    std::string control = name.substr(0, dot), prop = name.substr(dot + 1);

    if (control == "frmLilyhops")
        return windowProperty(w, prop);
    if (control == "frmAbout")
        return aboutName(w.frmAbout, prop);
    if (control == "TegoSnd") {
        auto& snd = w.TegoSnd;
        if (prop == "IsPlaying")
            return readOnly([&snd] { return JsonValue::of(snd.IsPlaying()); }, parseBool);
        if (prop == "TrackPosition")
            return readOnly([&snd] { return JsonValue::of(std::int64_t(snd.TrackPosition())); },
                            parseWhole);
        if (prop == "TrackLength")
            return readOnly([&snd] { return JsonValue::of(std::int64_t(snd.TrackLength())); },
                            parseWhole);
        return std::nullopt;
    }
    if (Sprite* s = w.findSprite(control))
        return spriteProperty(w, *s, prop);
    if (Label* l = w.findLabel(control))
        return labelProperty(*l, prop);
    if (control == "shpMusicBar")
        return geometry(w.shpMusicBar, prop);
    if (Timer* t = w.findTimer(control)) {
        if (prop == "Enabled")
            return Binding{[t] { return JsonValue::of(t->Enabled()); }, parseBool,
                           [t](const JsonValue& v) { t->setEnabled(v.boolean); }};
        if (prop == "Interval") {
            return Binding{[t] { return JsonValue::of(std::int64_t(t->Interval())); },
                           [](const Word& word, JsonValue& out) -> Error {
                               auto v = readNumber(word);
                               if (!v || *v != std::floor(*v) || *v < 0 || *v > 65535)
                                   return notA(word, "an interval of 0 to 65535 ms");
                               out = JsonValue::of(std::int64_t(*v));
                               return std::nullopt;
                           },
                           [t](const JsonValue& v) { t->setInterval(int(v.integer)); }};
        }
        return std::nullopt;
    }
    if (MenuItem* m = w.findMenu(control)) {
        if (prop == "Enabled")
            return boolean(m->Enabled);
        if (prop == "Checked")
            return boolean(m->Checked);
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace lilyhops::script
