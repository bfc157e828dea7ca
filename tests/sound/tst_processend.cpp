// The end of the program after its own teardown: what it printed gets out,
// its status is kept, and the exit handlers (Qt's PulseAudio engine among
// them) do not run.

#include "audio/real/ProcessEnd.h"

#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace lilyhops;

namespace {

struct Ended {
    bool exited = false;
    int status = -1;
    std::string out;
};

// Runs `body` in a child whose standard output is a pipe, and tells how it
// ended and what it printed.
Ended runChild(const std::function<void()>& body) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return {};
    std::cout.flush();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        body();
        ::_exit(99); // body must not come back
    }
    ::close(pipeEnds[1]);
    Ended ended;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        ended.out.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int how = 0;
    ::waitpid(child, &how, 0);
    ended.exited = WIFEXITED(how);
    ended.status = ended.exited ? WEXITSTATUS(how) : -WTERMSIG(how);
    return ended;
}

void sayExitHandlersRan() {
    std::fputs("[exit handler]", stdout);
    std::fflush(stdout);
}

} // namespace

class ProcessEndTest : public QObject {
    Q_OBJECT

  private slots:
    void unfinishedLinesGetOutAndTheStatusIsKept() {
        // Neither stream is flushed by the child itself, and neither line ends.
        const Ended ended = runChild([] {
            std::cout << "stream text";
            std::printf(" and stdio text");
            endProcess(3);
        });
        QVERIFY(ended.exited);
        QCOMPARE(ended.status, 3);
        QCOMPARE(QString::fromStdString(ended.out), QString("stream text and stdio text"));
    }

    void aCleanEndStaysClean() {
        const Ended ended = runChild([] { endProcess(0); });
        QVERIFY(ended.exited);
        QCOMPARE(ended.status, 0);
        QVERIFY(ended.out.empty());
    }

    void exitHandlersDoNotRun() {
        // Qt's PulseAudio engine is torn down by one of these; with the
        // handlers run the program could die after writing everything.
        const Ended ended = runChild([] {
            std::atexit(sayExitHandlersRan);
            std::cout << "done";
            endProcess(1);
        });
        QVERIFY(ended.exited);
        QCOMPARE(ended.status, 1);
        QCOMPARE(QString::fromStdString(ended.out), QString("done"));
    }

    void theHarnessSeesExitHandlersWhenTheyRun() {
        // The check above would pass without the handler ever being
        // registered: an ordinary exit shows that it prints.
        const Ended ended = runChild([] {
            std::atexit(sayExitHandlersRan);
            std::exit(4);
        });
        QVERIFY(ended.exited);
        QCOMPARE(ended.status, 4);
        QCOMPARE(QString::fromStdString(ended.out), QString("[exit handler]"));
    }
};

QTEST_GUILESS_MAIN(ProcessEndTest)
#include "tst_processend.moc"
