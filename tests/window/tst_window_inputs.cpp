// The window's inputs on Qt's offscreen platform: held keys told from real
// releases, a recording made through the window's own event handlers and
// checked by the script runner, the About window closed by its title bar,
// and a replay shown in the window while the player's keys steer nothing.

#include "audio/RecordingTegoSnd.h"
#include "frontend/GameWindow.h"
#include "frontend/HeldKeys.h"
#include "frontend/PlayfieldView.h"
#include "frontend/WallClock.h"
#include "recording/InputGate.h"
#include "recording/ReplayTegoSnd.h"
#include "recording/ScriptRecorder.h"
#include "recording/ScriptReplay.h"
#include "runner/ScriptRunner.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sstream>

using namespace lilyhops;

namespace {

// A key event as the platform delivers it, with its time stamp.
void send(QWidget* to, QEvent::Type type, Qt::Key key, quint64 timestamp, bool autoRepeat = false,
          const QString& text = {}) {
    QKeyEvent e(type, key, Qt::NoModifier, text, autoRepeat);
    e.setTimestamp(timestamp);
    QApplication::sendEvent(to, &e);
}

int runnerStatus(const std::string& text, std::string* err = nullptr) {
    script::ScriptRunner runner;
    std::istringstream in(text);
    std::ostringstream out, errors;
    int status = runner.run(in, out, errors);
    if (err)
        *err = errors.str();
    return status;
}

struct Window {
    Scheduler scheduler;
    CallLog log;
    RecordingTegoSnd sound{scheduler, log};
    GameWindow window{scheduler, sound, "/tmp"};
    std::ostringstream recording;
    ScriptRecorder recorder{recording};

    explicit Window(bool record = false) {
        if (record) {
            recorder.begin({"recorded by a test"});
            window.gate().recordTo(&recorder);
        }
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        (void)QTest::qWaitForWindowActive(&window);
    }
    frmLilyhops& game() { return window.game(); }
    PlayfieldView& view() { return window.playfield(); }
};

// A window that shows a replay, with a silent sound control under it.
struct ReplayWindow {
    Scheduler scheduler;
    CallLog log;
    RecordingTegoSnd speaker{scheduler, log};
    ReplayTegoSnd sound{scheduler, speaker};
    GameWindow window{scheduler, sound, "/tmp"};
};

} // namespace

class WindowInputsTest : public QObject {
    Q_OBJECT

  private slots:
    void aRepeatsReleaseIsDroppedAndARealOneKept() {
        std::vector<int> delivered;
        ReleaseHoldBack holdBack([&](int code) { delivered.push_back(code); });

        // Half of a repeat: the press with the same time stamp follows.
        holdBack.release(Qt::Key_Up, 100, 38);
        holdBack.press(Qt::Key_Up, 100);
        QTest::qWait(3 * ReleaseHoldBack::kWaitMs);
        QVERIFY(delivered.empty());

        // A real release, then a new press: the release comes first.
        holdBack.release(Qt::Key_Up, 200, 38);
        holdBack.press(Qt::Key_Up, 260);
        QCOMPARE(delivered, std::vector<int>{38});

        // Another key pressed at the same instant is no repeat of this one.
        holdBack.release(Qt::Key_Up, 300, 38);
        holdBack.press(Qt::Key_Left, 300);
        QCOMPARE(delivered, (std::vector<int>{38, 38}));

        // A release alone is delivered after a moment.
        holdBack.release(Qt::Key_Down, 400, 40);
        QCOMPARE(delivered.size(), 2u);
        QTRY_COMPARE(delivered, (std::vector<int>{38, 38, 40}));

        // Two keys let go together: both releases arrive, in order.
        holdBack.release(Qt::Key_Left, 500, 37);
        holdBack.release(Qt::Key_Up, 501, 38);
        QTRY_COMPARE(delivered, (std::vector<int>{38, 38, 40, 37, 38}));
    }

    void aHeldKeyActsOnceWhateverThePlatformMarks() {
        Window w;
        QTest::keyClick(&w.window, Qt::Key_N, Qt::ControlModifier);
        PlayfieldView* view = &w.view();
        const float start = w.game().imgFrog.Left;

        // As X11 without detectable auto-repeat sends a held key: each repeat
        // a release and a press with one time stamp, most of them unmarked.
        view->setHoldBackReleases(true);
        send(view, QEvent::KeyPress, Qt::Key_Right, 1000);
        for (quint64 t = 1500; t < 1800; t += 16) {
            const bool marked = t > 1600;
            send(view, QEvent::KeyRelease, Qt::Key_Right, t, marked);
            send(view, QEvent::KeyPress, Qt::Key_Right, t, marked);
        }
        QTest::qWait(3 * ReleaseHoldBack::kWaitMs);
        QCOMPARE(w.game().imgFrog.Left, start + 450);
        QVERIFY(!w.game().keyReleased);
        send(view, QEvent::KeyRelease, Qt::Key_Right, 1900);
        QTRY_VERIFY(w.game().keyReleased);

        // As Wayland sends it: both halves of every repeat marked.
        view->setHoldBackReleases(false);
        send(view, QEvent::KeyPress, Qt::Key_Left, 2000);
        for (quint64 t = 2500; t < 2700; t += 25) {
            send(view, QEvent::KeyRelease, Qt::Key_Left, t, true);
            send(view, QEvent::KeyPress, Qt::Key_Left, t, true);
        }
        QCOMPARE(w.game().imgFrog.Left, start);
        QVERIFY(!w.game().keyReleased);

        // Space held: the game pauses once and stays paused.
        send(view, QEvent::KeyRelease, Qt::Key_Left, 2800);
        send(view, QEvent::KeyPress, Qt::Key_Space, 3000, false, " ");
        for (quint64 t = 3500; t < 3700; t += 25) {
            send(view, QEvent::KeyRelease, Qt::Key_Space, t, true, " ");
            send(view, QEvent::KeyPress, Qt::Key_Space, t, true, " ");
        }
        QVERIFY(w.game().gamePaused);
    }

    void aReplayPlaysOnWhileThePlayerSteersNothing() {
        ReplayWindow w;
        Scheduler& scheduler = w.scheduler;
        ReplayTegoSnd& sound = w.sound;
        GameWindow& window = w.window;
        std::istringstream script("menu mnuNew\n"
                                  "wait 200\n"
                                  "key 37\n"
                                  "wait 150\n"
                                  "menu mnuFHelp\n"
                                  "wait 250\n"
                                  "key 32\n"
                                  "wait 100\n"
                                  "expect imgFrog.Left 2805\n");
        int playerLines = 0;
        ScriptReplay replay(script, window.game(), sound.songClock(),
                            {[&](bool on) { window.gate().setReplayedActive(on); },
                             {},
                             {},
                             [&] {
                                 ++playerLines;
                                 window.closeRulesBox();
                             }});
        window.replay(replay);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.windowTitle().endsWith("(replay)"));
        QTest::keyClick(&window.playfield(), Qt::Key_Right);      // steers nothing
        QTRY_VERIFY_WITH_TIMEOUT(window.game().gamePaused, 5000); // the rules pause it
        // The rules box shows without holding the replay up...
        auto rulesBoxShown = [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<QMessageBox*>(w) && w->isVisible() &&
                    w->windowTitle() == "Lilyhops Rules")
                    return true;
            return false;
        };
        QVERIFY(rulesBoxShown());
        QTRY_VERIFY_WITH_TIMEOUT(window.replayIsOver(), 5000);
        QCOMPARE(replay.failedExpects(), 0);
        QVERIFY(!window.game().gamePaused);
        QCOMPARE(window.game().imgFrog.Left, 2805.0f);
        QCOMPARE(scheduler.now(), Millis(700));
        QVERIFY(window.windowTitle().endsWith("(replay over)"));
        // ...and closes when the recording shows the player back at the game.
        QTRY_VERIFY(!rulesBoxShown());
        QCOMPARE(playerLines, 4); // two menu choices and two keys
        // The clock stands where the recording ends.
        QTest::qWait(300);
        QCOMPARE(scheduler.now(), Millis(700));
    }

    void aReplayedAboutWindowShowsUntilItsOkIsReplayed() {
        ReplayWindow w;
        ReplayTegoSnd& sound = w.sound;
        GameWindow& window = w.window;
        std::istringstream script("menu mnuAbout\n"
                                  "wait 300\n"
                                  "call frmAbout.cmdOK_Click\n"
                                  "wait 300\n");
        ScriptReplay replay(script, window.game(), sound.songClock(),
                            {[&](bool on) { window.gate().setReplayedActive(on); }, {}, {}, {}});
        window.replay(replay);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto aboutShown = [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<QDialog*>(w) && !qobject_cast<QMessageBox*>(w) && w->isVisible())
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(aboutShown(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(window.replayIsOver(), 5000);
        QVERIFY(!window.game().frmAbout.Loaded);
        QTRY_VERIFY(!aboutShown());
    }

    // Closing the game's window ends the program, and after that no modal
    // window's loop runs: the tests that close it come last.
    void theAboutWindowClosedByItsTitleBarIsRecordedAsClosed() {
        Window w(true);
        QTest::keyClick(&w.window, Qt::Key_N, Qt::ControlModifier);
        bool shown = false;
        QTimer::singleShot(150, [&] {
            auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            shown = about && w.game().frmAbout.Loaded;
            if (about)
                about->close();
        });
        w.window.action("mnuAbout")->trigger();
        QVERIFY(shown);
        QVERIFY(!w.game().frmAbout.Loaded);
        QTimer::singleShot(150, [&] {
            if (QWidget* about = QApplication::activeModalWidget())
                about->findChild<QPushButton*>("cmdOK")->click();
        });
        w.window.action("mnuAbout")->trigger();
        QVERIFY(!w.game().frmAbout.Loaded);
        w.window.close();
        const std::string text = w.recording.str();
        std::size_t calls = 0;
        for (std::size_t at = 0;
             (at = text.find("call frmAbout.cmdOK_Click", at)) != std::string::npos; ++at)
            ++calls;
        QCOMPARE(calls, 2u);
        std::string err;
        QCOMPARE(runnerStatus(text, &err), 0);
        QCOMPARE(err, std::string());
    }

    void aGamePlayedInTheWindowRunsInTheRunner() {
        Window w(true);
        PlayfieldView& view = w.view();
        QTest::keyClick(&w.window, Qt::Key_N, Qt::ControlModifier);
        QTest::qWait(120);
        QTest::keyClick(&view, Qt::Key_Right);
        QTest::qWait(130);
        QTest::keyClick(&view, Qt::Key_Escape);
        QTest::qWait(90);
        QTest::keyClick(&view, Qt::Key_Space);
        QTest::qWait(60);
        QTest::keyClick(&w.window, Qt::Key_S, Qt::ControlModifier); // sound off
        QTest::keyClick(&view, Qt::Key_Left);
        QTest::qWait(70);
        w.window.close(); // by the title bar
        const std::string text = w.recording.str();
        QVERIFY(w.recorder.finished());
        QVERIFY(text.find("\nmenu mnuNew\n") != std::string::npos);
        QVERIFY(text.find("\nmenu mnuSound\n") != std::string::npos);
        QVERIFY(text.find("\nkeypress 27\n") != std::string::npos);
        QVERIFY(text.find("\nexpect soundOn False\n") != std::string::npos);
        std::string err;
        QCOMPARE(runnerStatus(text, &err), 0);
        QCOMPARE(err, std::string());
    }
};

QTEST_MAIN(WindowInputsTest)
#include "tst_window_inputs.moc"
