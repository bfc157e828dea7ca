#include "runner/ScriptRunner.h"

#include "runner/Interpreter.h"
#include "runner/Statements.h"

#include <ostream>

namespace lilyhops::script {

int ScriptRunner::run(std::istream& script, std::ostream& out, std::ostream& err) {
    world_.writeTo(out, err);
    StatementReader reader(script);
    int status = 0;
    try {
        // Nothing after the line that ends the program runs, or is read.
        while (!world_.ended()) {
            std::optional<Statement> statement = reader.next();
            if (!statement)
                break;
            if (compile(*statement, world_)() == Outcome::ExpectFailed)
                status = 1;
            world_.checkPendingCalls();
        }
        world_.flushOutput();
    } catch (const LineError& e) {
        out.flush();
        err << atLine(reader.line(), e.what()) << "\n";
        return 2;
    }
    return status;
}

} // namespace lilyhops::script
