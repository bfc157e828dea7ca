#include "runner/Words.h"

#include "runner/Text.h"

#include <charconv>

namespace lilyhops::script {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

} // namespace

std::string atLine(int line, std::string_view what) {
    return "line " + std::to_string(line) + ": " + std::string(what);
}

std::vector<Word> splitWords(const std::string& line) {
    std::vector<Word> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (isBlank(line[i])) {
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
            if (i < line.size() && !isBlank(line[i]))
                throw LineError("a closing quote must be followed by a blank");
        } else {
            while (i < line.size() && !isBlank(line[i])) {
                if (line[i] == '"')
                    throw LineError("a quote may only start a word");
                w.text += line[i++];
            }
        }
        words.push_back(std::move(w));
    }
    return words;
}

long long wholeNumber(const Word& word, long long min, long long max, const char* what) {
    long long v = 0;
    const char* first = word.text.data();
    const char* last = first + word.text.size();
    auto [p, ec] = std::from_chars(first, last, v);
    // Forty digits are a number, only too large for any range.
    bool tooLarge = ec == std::errc::result_out_of_range && p == last;
    if (word.quoted || word.text.empty() || (ec != std::errc() && !tooLarge) || p != last)
        throw LineError("'" + shown(word.text) + "' is not " + what);
    if (tooLarge || v < min || v > max)
        throw LineError("'" + shown(word.text) + "' is out of range for " + what);
    return v;
}

} // namespace lilyhops::script
