#include "runner/Statements.h"

#include "runner/Text.h"

namespace lilyhops::script {

std::optional<Statement> StatementReader::next() {
    std::string text;
    for (;;) {
        ++line_;
        switch (reader_.next(text)) {
        case ScriptReader::Status::End:
            return std::nullopt;
        case ScriptReader::Status::TooLong:
            throw LineError("the line is longer than " +
                            std::to_string(ScriptReader::kMaxLineBytes) + " bytes");
        case ScriptReader::Status::Unreadable:
            throw LineError("cannot read the script: " + reader_.error());
        case ScriptReader::Status::Line:
            break;
        }
        // A comment is skipped whatever it holds, quotes and backslashes too.
        std::size_t first = text.find_first_not_of(" \t\r");
        if (first == std::string::npos || text[first] == '#')
            continue;
        if (!isValidUtf8(text))
            throw LineError("the line is not UTF-8 text");
        // Not blank, so at least one word.
        return Statement{line_, splitWords(text)};
    }
}

} // namespace lilyhops::script
