#include "recording/ScriptReplay.h"

#include "runner/Statements.h"

namespace lilyhops {

ScriptReplay::ScriptReplay(std::istream& script, frmLilyhops& game, RecordingTegoSnd& sound,
                           Hooks hooks)
    : world_(game, sound, std::move(hooks)) {
    script::StatementReader reader(script);
    try {
        while (std::optional<script::Statement> statement = reader.next())
            steps_.push_back(script::compile(*statement, world_));
    } catch (const script::LineError& e) {
        problem_ = script::atLine(reader.line(), e.what());
    }
}

std::optional<Millis> ScriptReplay::runToNextWait() {
    while (next_ < steps_.size()) {
        if (world_.stopped()) {
            next_ = steps_.size(); // the program has ended
            break;
        }
        if (steps_[next_++]() == script::Outcome::ExpectFailed)
            ++failedExpects_;
        if (std::optional<Millis> wait = world_.takeWait())
            return wait;
    }
    return std::nullopt;
}

} // namespace lilyhops
