#pragma once

// The names a script can read and write: the window's variables, the
// controls' properties, the window itself, the About window and the sound
// control as the game sees it.

#include "runner/Json.h"
#include "runner/Words.h"

#include <functional>
#include <optional>
#include <string>

namespace lilyhops {
class frmLilyhops;
class TegoSnd;
} // namespace lilyhops

namespace lilyhops::script {

struct Binding {
    std::function<JsonValue()> get;
    // Reads a written value as this name's type; an error text when it can't.
    std::function<std::optional<std::string>(const Word&, JsonValue&)> parse;
    // Absent for names that can only be read.
    std::function<void(const JsonValue&)> set;
};

std::optional<Binding> bind(frmLilyhops& window, const std::string& name);

} // namespace lilyhops::script
