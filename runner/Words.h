#pragma once

// The words of a script line: bare words and quoted texts, how a line splits
// into them, and how a word is read as a whole number. A line that cannot be
// run is told by a LineError whose text says what is wrong with it.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lilyhops::script {

// A value as written in a script: a bare word or a quoted text.
struct Word {
    std::string text;
    bool quoted = false;
};

// What is wrong with a line, without the line's number.
struct LineError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "line N: what" as every message about a line begins.
std::string atLine(int line, std::string_view what);

// Splits a script line into words; a quoted text is one word. Throws
// LineError on an unterminated quote or a bad escape.
std::vector<Word> splitWords(const std::string& line);

// Reads a bare word as a whole number from `min` to `max`, `what` naming it
// in the message of a LineError when it is not one or lies outside.
long long wholeNumber(const Word& word, long long min, long long max, const char* what);

} // namespace lilyhops::script
