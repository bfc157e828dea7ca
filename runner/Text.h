#pragma once

// How the runner checks the text of a script and shows pieces of it back in
// its messages: a terminal must never receive raw control bytes from a
// script, and a word of a megabyte must not become a message of a megabyte.

#include <cstddef>
#include <string>
#include <string_view>

namespace lilyhops::script {

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view text);

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0
// when its first byte does not start one.
std::size_t utf8SequenceLength(std::string_view text);

// A piece of script text fit to quote in a message: control characters and
// bytes that are not UTF-8 are written as \xNN, and text longer than
// `maxCharacters` is cut there and ends in "...".
std::string shown(std::string_view text, std::size_t maxCharacters = 40);

} // namespace lilyhops::script
