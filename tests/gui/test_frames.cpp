// When the playfield draws a frame, and how: one frame per instant at which
// something a player can see changed, none for a still screen, a key that
// changes nothing or a focus check; and the art at a whole number of screen
// pixels per art pixel, centred, whatever the scale factor.

#include "audio/RecordingTegoSnd.h"
#include "frontend/DirtyBands.h"
#include "frontend/FrameChanges.h"
#include "frontend/GameWindow.h"
#include "frontend/Painting.h"
#include "frontend/PlayfieldView.h"
#include "frontend/WallClock.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <cstring>
#include <set>

using namespace lilyhops;

namespace {

struct QuietDesktop : Desktop, RichTextBox {
    int MsgBox(const std::string&, const std::string&, int) override { return 1; }
    void ShowAbout(int) override {}
    void End() override {}
    bool MainWindowIsActive() override { return true; }
    void FocusKeyCatcher() override {}
    void LoadFile(const std::string&, int) override {}
};

// The game on the script runner's virtual clock, with the frames a window
// would draw: one after every instant at which something due ran and
// something drawn changed.
struct VirtualGame {
    Scheduler scheduler;
    CallLog log;
    RecordingTegoSnd sound{scheduler, log};
    QuietDesktop desktop;
    frmLilyhops game{scheduler, sound, desktop, desktop, "/tmp"};
    FrameChanges changes{game};

    VirtualGame() {
        game.Form_Load();
        changes.noteChanges(); // the first frame, as the window is shown
    }
    // Runs the clock for `ms`, instant by instant; returns the frames drawn.
    int run(Millis ms) {
        const Millis end = scheduler.now() + ms;
        int frames = 0;
        while (auto due = scheduler.nextDue()) {
            if (*due > end)
                break;
            scheduler.advanceTo(*due);
            frames += changes.noteChanges();
        }
        scheduler.advanceTo(end);
        return frames;
    }
    int input(const std::function<void()>& handler) {
        handler();
        return changes.noteChanges();
    }
};

std::int16_t code(int key) {
    return std::int16_t(PlayfieldView::virtualKey(key));
}

} // namespace

class FramesTest : public QObject {
    Q_OBJECT

    struct Window {
        Scheduler scheduler;
        CallLog log;
        RecordingTegoSnd sound{scheduler, log};
        GameWindow window{scheduler, sound, "/tmp"};
        Window() {
            window.show();
            window.activateWindow();
            QApplication::setActiveWindow(&window);
            (void)QTest::qWaitForWindowExposed(&window);
            QTest::qWait(150); // the first frames, as the window appears
        }
        frmLilyhops& game() { return window.game(); }
        std::uint64_t frames() { return window.playfield().framesDrawn(); }
    };

  private slots:
    // ---- On the game's own clock: exact counts ----

    void aStillTitleScreenNeedsNoFrame() {
        VirtualGame v;
        QCOMPARE(v.run(10000), 0); // a hundred focus checks
        std::int16_t up = code(Qt::Key_Up);
        QCOMPARE(v.input([&] { v.game.txtControl_KeyDown(up, 0); }), 0); // no game: no hop
        QCOMPARE(v.input([&] { v.game.txtControl_KeyUp(up, 0); }), 0);
    }

    void inPlayTheLanesNeedThirtyFramesASecond() {
        // Lanes 1, 2, 4, 5, 6 and 7 every 100 ms and lanes 3 and 8 every
        // 40 ms, all counted from New Game: 25 + 10 - 5 shared instants.
        VirtualGame v;
        v.run(300);
        QCOMPARE(v.input([&] { v.game.chooseMenu(v.game.mnuNew); }), 1);
        for (int second = 0; second < 3; ++second)
            QCOMPARE(v.run(1000), 30);
    }

    void keysAndMenusThatChangeNothingDrawnNeedNoFrame() {
        VirtualGame v;
        v.game.chooseMenu(v.game.mnuNew);
        v.run(20); // between two lane instants
        std::int16_t up = code(Qt::Key_Up);
        QCOMPARE(v.input([&] { v.game.txtControl_KeyDown(up, 0); }), 1); // a hop
        QCOMPARE(v.input([&] { v.game.txtControl_KeyUp(up, 0); }), 0);
        QCOMPARE(v.input([&] { v.game.txtControl_KeyDown(up, 0); }), 1);
        QCOMPARE(v.input([&] { v.game.chooseMenu(v.game.mnuSound); }), 0); // a tick in a menu
        QCOMPARE(v.input([&] { v.game.chooseMenu(v.game.mnuPause); }), 1); // "Paused" shows
        QCOMPARE(v.run(5000), 0);
        std::int16_t left = code(Qt::Key_Left);
        QCOMPARE(v.input([&] { v.game.txtControl_KeyDown(left, 0); }), 0); // no step while paused
        QCOMPARE(v.input([&] { v.game.txtControl_KeyUp(left, 0); }), 0);
        QCOMPARE(v.input([&] { v.game.chooseMenu(v.game.mnuPause); }), 1);
    }

    void changesOutOfViewNeedNoFrame() {
        VirtualGame v;
        Label& gameOver = v.game.lblGameOver; // parked below the playfield
        QVERIFY(gameOver.Top >= kPlayfieldHeightPx * kTwipsPerPixel);
        QCOMPARE(v.input([&] { gameOver.Caption = "changed"; }), 0);
        QCOMPARE(v.input([&] { v.game.imgCar(1).Visible = false; }), 1);
        QCOMPARE(v.input([&] { v.game.imgCar(1).Move(100, 100); }), 0); // hidden
        QCOMPARE(v.input([&] { v.game.imgCar(1).Visible = true; }), 1);
        QCOMPARE(v.input([&] { v.game.lblScore2.ForeColor = 0x0000FF; }), 1);
        QCOMPARE(v.input([&] { v.game.shpMusicBar.Width += 15; }), 1);
        QCOMPARE(v.input([&] { v.game.BackColor = 0x000040; }), 1);
        QCOMPARE(v.input([] {}), 0);
    }

    void eachPartOfAControlsLookChangedAloneNeedsAFrame() {
        VirtualGame v;
        frmLilyhops& g = v.game;
        QCOMPARE(v.input([&] { g.chooseMenu(g.mnuNew); }), 1);
        v.run(20); // between two lane instants
        QCOMPARE(v.input([&] { g.imgFrog.setPicture(g.FrogSouth.picture); }), 1); // turns in place
        QCOMPARE(v.input([&] { g.imgFrog.setPicture(g.FrogSouth.picture); }), 0);
        // Other art of the very same size is a change too.
        const Picture sameSize{"FrogSouth2", "frog_west", g.FrogSouth.picture->widthPx,
                               g.FrogSouth.picture->heightPx};
        QCOMPARE(v.input([&] { g.imgFrog.setPicture(&sameSize); }), 1);
        QCOMPARE(v.input([&] { g.imgFrog.Width -= 15; }), 1);
        QCOMPARE(v.input([&] { g.imgFrog.Height -= 15; }), 1);
        QCOMPARE(v.input([&] { g.lblScore2.Caption = "12345"; }), 1);
        QCOMPARE(v.input([&] { g.lblScore2.Left += 15; }), 1);
        QCOMPARE(v.input([&] { g.shpMusicBar.FillColor ^= 0x0000FF; }), 1);
        QCOMPARE(v.input([&] { g.shpMusicBar.Top += 15; }), 1);
    }

    void dirtyBandsJoinRectanglesThatShareOrTouchARowAndLieClose() {
        struct Case {
            const char* what;
            std::vector<QRect> rects;
            std::vector<QRect> bands; // top to bottom, left to right
        };
        const std::vector<Case> cases = {
            {"nothing", {}, {}},
            {"empty rectangles only", {QRect(), QRect(5, 5, 0, 9)}, {}},
            {"one", {QRect(3, 4, 5, 6)}, {QRect(3, 4, 5, 6)}},
            {"far apart in one lane",
             {QRect(300, 60, 80, 22), QRect(0, 63, 40, 19)},
             {QRect(0, 60, 40, 22), QRect(300, 60, 80, 22)}},
            {"close together in one lane",
             {QRect(55, 63, 40, 19), QRect(0, 60, 40, 22)},
             {QRect(0, 60, 95, 22)}},
            {"one column too far to join",
             {QRect(0, 0, 10, 10), QRect(26, 0, 10, 10)},
             {QRect(0, 0, 10, 10), QRect(26, 0, 10, 10)}},
            {"touching rows", {QRect(0, 0, 10, 10), QRect(20, 10, 10, 5)}, {QRect(0, 0, 30, 15)}},
            {"one row apart",
             {QRect(0, 11, 10, 10), QRect(0, 0, 10, 10)},
             {QRect(0, 0, 10, 10), QRect(0, 11, 10, 10)}},
            {"a tall one reaching a later one",
             {QRect(0, 30, 5, 5), QRect(50, 0, 5, 31), QRect(9, 5, 5, 5)},
             {QRect(0, 0, 14, 35), QRect(50, 0, 5, 35)}},
            {"a short one inside a tall one's rows",
             {QRect(0, 0, 10, 50), QRect(100, 60, 10, 10), QRect(20, 10, 10, 10)},
             {QRect(0, 0, 30, 50), QRect(100, 60, 10, 10)}},
            {"a wide one bridging two",
             {QRect(0, 0, 10, 5), QRect(200, 0, 10, 5), QRect(5, 2, 200, 1)},
             {QRect(0, 0, 210, 5)}},
        };
        for (const Case& c : cases) {
            std::vector<QRect> rects = c.rects;
            const QRegion bands = dirtyBands(rects);
            const std::vector<QRect> got(bands.begin(), bands.end());
            QVERIFY2(got == c.bands, c.what);
        }
    }

    void eachFrameRedrawsEveryChangedPixelInAFewBands() {
        // In play, with hops and losses: a frame that drew
        // again only its bands would show exactly what a whole drawing shows.
        VirtualGame v;
        v.game.chooseMenu(v.game.mnuNew);
        v.changes.noteChanges();
        PictureStore pictures;
        QImage shown = composePlayfield(v.game, pictures);
        const std::int16_t lives = v.game.livesLeft;
        const int keys[] = {Qt::Key_Up, Qt::Key_Left, Qt::Key_Up, Qt::Key_Right};
        int frames = 0, maxBands = 0;
        for (int instant = 0; instant < 600; ++instant) {
            const std::optional<Millis> due = v.scheduler.nextDue();
            QVERIFY(due);
            v.scheduler.advanceTo(*due);
            if (instant % 15 == 0) {
                std::int16_t key = code(keys[(instant / 15) % 4]);
                v.game.txtControl_KeyDown(key, 0);
                v.game.txtControl_KeyUp(key, 0);
            }
            QRegion dirty;
            if (!v.changes.noteChanges(&dirty))
                continue;
            ++frames;
            const QImage whole = composePlayfield(v.game, pictures);
            for (int y = 0; y < whole.height(); ++y) {
                if (!std::memcmp(whole.constScanLine(y), shown.constScanLine(y),
                                 std::size_t(whole.bytesPerLine())))
                    continue;
                for (int x = 0; x < whole.width(); ++x)
                    if (whole.pixel(x, y) != shown.pixel(x, y) && !dirty.contains(QPoint(x, y)))
                        QFAIL(qPrintable(QString("pixel %1,%2 changed outside the bands, "
                                                 "instant %3")
                                             .arg(x)
                                             .arg(y)
                                             .arg(instant)));
            }
            shown = whole;
            // Whole rectangles, a row apart or side by side in the same rows
            // and more than the joining gap apart; no more bands of rows
            // than the playfield's stretches of rows where something moves.
            const std::vector<QRect> rects(dirty.begin(), dirty.end());
            int bands = rects.empty() ? 0 : 1;
            for (std::size_t i = 1; i < rects.size(); ++i) {
                const QRect &a = rects[i - 1], &b = rects[i];
                const bool sideBySide = a.top() == b.top() && a.bottom() == b.bottom() &&
                                        b.left() > a.right() + kJoinGap;
                QVERIFY2(sideBySide || b.top() > a.bottom() + 1, qPrintable(QString::number(i)));
                bands += !sideBySide;
            }
            maxBands = std::max(maxBands, bands);
        }
        QVERIFY2(frames >= 100, qPrintable(QString::number(frames)));
        QVERIFY2(v.game.livesLeft < lives, "the toad was lost on the way");
        QVERIFY2(maxBands <= 12, qPrintable(QString::number(maxBands)));
    }

    // ---- In the real window, on wall time ----

    void theWindowDrawsNoFrameOfAStillTitleScreen() {
        Window w;
        QVERIFY(w.frames() >= 1);
        int focusChecks = 0;
        auto check = w.game().tmrChkFocus.onTimer;
        w.game().tmrChkFocus.onTimer = [&] {
            ++focusChecks;
            check();
        };
        const std::uint64_t before = w.frames();
        QTest::qWait(1000);
        QVERIFY2(focusChecks >= 5, "the focus timer ran");
        QCOMPARE(w.frames(), before);
        // A key release, and a press and release of a key the game ignores.
        QTest::keyRelease(&w.window.playfield(), Qt::Key_Up);
        QTest::keyClick(&w.window.playfield(), Qt::Key_Q);
        QTest::qWait(50);
        QCOMPARE(w.frames(), before);
    }

    void theWindowDrawsOneFrameForAPauseAndNoneWhilePaused() {
        Window w;
        QTest::keyClick(&w.window, Qt::Key_N, Qt::ControlModifier);
        QTest::qWait(100);
        const std::uint64_t before = w.frames();
        QTest::keyClick(&w.window, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(w.game().gamePaused);
        QTest::qWait(100);
        QCOMPARE(w.frames(), before + 1);
        QTest::keyRelease(&w.window.playfield(), Qt::Key_Left);
        QTest::qWait(600);
        QCOMPARE(w.frames(), before + 1);
    }

    void inPlayTheWindowDrawsAtMostOneFramePerLaneInstant() {
        Window w;
        WallClock* clock = w.window.findChild<WallClock*>();
        QVERIFY(clock);
        // Wakes of the wall clock at which a lane moved: a frame is due after
        // each, and after nothing else (the toad stays on the start strip).
        bool laneMoved = false;
        int laneWakes = 0;
        for (Timer* t :
             {&w.game().tmrRow12, &w.game().tmrRow38, &w.game().tmrRow46, &w.game().tmrRow57}) {
            auto tick = t->onTimer;
            t->onTimer = [&laneMoved, tick] {
                laneMoved = true;
                tick();
            };
        }
        connect(clock, &WallClock::advanced, this, [&] {
            laneWakes += laneMoved;
            laneMoved = false;
        });
        // Music off: the music bar, redrawn by the focus timer on its own
        // grid, stands still.
        QTest::keyClick(&w.window, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(!w.game().musicOn);
        QTest::keyClick(&w.window, Qt::Key_N, Qt::ControlModifier);
        QTest::qWait(20);
        const std::uint64_t before = w.frames();
        const int wakesBefore = laneWakes;
        QTest::qWait(1000);
        QTest::qWait(0);
        const int frames = int(w.frames() - before), wakes = laneWakes - wakesBefore;
        QVERIFY2(wakes >= 10, qPrintable(QString::number(wakes)));
        QVERIFY2(frames <= wakes + 1 && frames >= wakes / 2,
                 qPrintable(QString("%1 frames for %2 lane wakes").arg(frames).arg(wakes)));
    }

    void framesDrawnInPartsAddUpToTheWholePicture() {
        // Each frame draws again only where something changed: after a game
        // with moving lanes, hops, a loss of a life and a pause, the picture
        // kept is the one a full drawing gives, with no trail left anywhere.
        Window w;
        QTest::keyClick(&w.window, Qt::Key_N, Qt::ControlModifier);
        QTest::qWait(300);
        QTest::keyClick(&w.window.playfield(), Qt::Key_Up);
        QTest::qWait(300);
        QTest::keyClick(&w.window.playfield(), Qt::Key_Left);
        w.game().procedures().at("SquashOff").run(0); // flattened toad, life icon, score
        w.window.refresh();
        QTest::qWait(700);
        QTest::keyClick(&w.window, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(w.game().gamePaused);
        PictureStore pictures;
        QImage whole;
        composePlayfield(w.game(), pictures, wholeScale(w.window.playfield().frame().size()),
                         whole);
        QImage kept = w.window.playfield().frame();
        kept.setDevicePixelRatio(1);
        QCOMPARE(kept, whole);
        // The window's own picture, put together from the same parts on
        // screen, shows it too (compared where the screen's picture of the
        // window has a pixel for every pixel drawn).
        PlayfieldView& view = w.window.playfield();
        if (view.devicePixelRatioF() == 1) {
            QImage screen = w.window.screen()->grabWindow(w.window.winId()).toImage();
            screen = screen.convertToFormat(QImage::Format_RGB32);
            const QPoint origin = view.mapTo(&w.window, QPoint(0, 0));
            const QPoint corner((view.width() - whole.width()) / 2,
                                (view.height() - whole.height()) / 2);
            QCOMPARE(screen.copy(QRect(origin + corner, whole.size())), whole);
        }
    }

    // ---- Scale ----

    void theArtScaleIsTheLargestWholeMultipleThatFitsBothWays() {
        struct Case {
            QSize device;
            int scale;
        };
        const Case cases[] = {
            {{450, 400}, 1},   {{899, 799}, 1},  {{900, 800}, 2},   {{1400, 400}, 1},
            {{450, 1300}, 1},  {{1400, 850}, 2}, {{1000, 1300}, 2}, {{1350, 1200}, 3},
            {{2000, 1199}, 2}, {{100, 100}, 1},
        };
        for (const Case& c : cases)
            QVERIFY2(wholeScale(c.device) == c.scale, qPrintable(QString("%1x%2: %3")
                                                                     .arg(c.device.width())
                                                                     .arg(c.device.height())
                                                                     .arg(wholeScale(c.device))));
    }

    void theArtIsDrawnAtAWholeMultipleAndCentred() {
        Window w;
        PlayfieldView& view = w.window.playfield();
        const QByteArray factor = qgetenv("QT_SCALE_FACTOR");
        const qreal ratio = factor.isEmpty() ? 1.0 : factor.toDouble();
        QCOMPARE(view.devicePixelRatioF(), ratio);

        QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        shown.setDevicePixelRatio(1); // compared pixel for pixel
        const QSize device = (QSizeF(view.size()) * ratio).toSize();
        QCOMPARE(shown.size(), device);
        const int k = wholeScale(device);
        QCOMPARE(k, std::max(1, int(ratio)));
        const QSize art(kPlayfieldWidthPx * k, kPlayfieldHeightPx * k);
        const QPoint corner((device.width() - art.width()) / 2,
                            (device.height() - art.height()) / 2);

        // The frame sits whole in the middle...
        PictureStore pictures;
        QImage frame;
        composePlayfield(w.game(), pictures, k, frame);
        QCOMPARE(shown.copy(QRect(corner, art)), frame);
        // ...with a border of the window's colour around it...
        const QColor back = fromBgr(w.game().BackColor);
        if (corner.x() > 0)
            QCOMPARE(QColor(shown.pixel(corner.x() - 1, device.height() / 2)), back);
        if (corner.y() > 0)
            QCOMPARE(QColor(shown.pixel(device.width() / 2, corner.y() - 1)), back);
        // ...and every art pixel below the status bar (pictures only) is a
        // k x k block of the colour it has at its own size.
        QImage plain = composePlayfield(w.game(), pictures);
        for (int y = 30; y < kPlayfieldHeightPx; ++y)
            for (int x = 0; x < kPlayfieldWidthPx; ++x)
                for (int dy = 0; dy < k; ++dy)
                    for (int dx = 0; dx < k; ++dx)
                        if (shown.pixel(corner.x() + x * k + dx, corner.y() + y * k + dy) !=
                            plain.pixel(x, y))
                            QFAIL(qPrintable(QString("art pixel %1,%2").arg(x).arg(y)));
    }
};

QTEST_MAIN(FramesTest)
#include "test_frames.moc"
