// The real window on the offscreen platform: its size, its menus and their
// shortcuts reaching the game, keys reaching the toad, and the playfield
// drawn where and in the order the game says.

#include "audio/RecordingTegoSnd.h"
#include "frontend/GameWindow.h"
#include "frontend/Painting.h"
#include "frontend/PlayfieldView.h"

#include <QAction>
#include <QApplication>
#include <QHash>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <sstream>

using namespace lilyhops;

class WindowTest : public QObject {
    Q_OBJECT

    struct Fixture {
        Scheduler scheduler;
        CallLog log;
        RecordingTegoSnd sound{scheduler, log};
        GameWindow window{scheduler, sound, "/tmp"};
        Fixture() {
            window.show();
            window.activateWindow();
            QApplication::setActiveWindow(&window);
            (void)QTest::qWaitForWindowActive(&window);
        }
        frmLilyhops& game() { return window.game(); }
    };

  private slots:
    void windowIsLoadedAndSizedForThePlayfield() {
        Fixture f;
        QCOMPARE(f.window.windowTitle(), QString(" Lilyhops"));
        QCOMPARE(f.window.centralWidget()->size(), QSize(450, 400));
        QCOMPARE(f.game().Width, 6840.0f);
        QCOMPARE(f.game().Height, 6630.0f);
        QVERIFY(!f.window.isWindowModified());
        // The playfield shows everything down to the music bar's bottom edge.
        const Shape& bar = f.game().shpMusicBar;
        QVERIFY((bar.Top + bar.Height) / kTwipsPerPixel <= kPlayfieldHeightPx);
        QVERIFY(f.game().txtControl.Top / kTwipsPerPixel > kPlayfieldHeightPx);
    }

    void menuBarMatchesTheGame() {
        Fixture f;
        const QList<QAction*> tops = f.window.menuBar()->actions();
        QCOMPARE(tops.size(), 3);
        QCOMPARE(tops[0]->text(), QString("&File"));
        QCOMPARE(tops[1]->text(), QString("&Audio"));
        QCOMPARE(tops[2]->text(), QString("&Help"));

        struct Expect {
            const char* item;
            const char* caption;
            const char* shortcut;
            bool enabled, checked;
        };
        const Expect items[] = {
            {"mnuNew", "&New Game", "Ctrl+N", true, false},
            {"mnuEnd", "&End Game", "Ctrl+E", false, false},
            {"mnuPause", "&Pause", "Ctrl+P", false, false},
            {"mnuExit", "E&xit", "Ctrl+X", true, false},
            {"mnuSound", "&Sound", "Ctrl+S", true, true},
            {"mnuMusic", "&Music", "Ctrl+M", true, true},
            {"mnuSong1", "&Original Bogtrot Music", "Shift+F1", true, true},
            {"mnuSong2", "&Pelto 64 Slide Music", "Shift+F2", true, false},
            {"mnuSong3", "&Vrax - Heaven's On Fire", "Shift+F3", true, false},
            {"mnuSong4", "&Tollbridge - When I Come Around", "Shift+F4", true, false},
            {"mnuCycle", "&Cycle Through All Music Selections", "Ctrl+C", true, false},
            {"mnuFHelp", "Lilyhops &Rules", "Ctrl+R", true, false},
            {"mnuAbout", "&About Lilyhops", "Ctrl+A", true, false},
        };
        for (const Expect& e : items) {
            QAction* a = f.window.action(e.item);
            QVERIFY2(a, e.item);
            QCOMPARE(a->text(), QString(e.caption));
            QCOMPARE(a->shortcut(), QKeySequence(e.shortcut));
            QCOMPARE(a->isEnabled(), e.enabled);
            QCOMPARE(a->isChecked(), e.checked);
        }
        // The songs live in a submenu of Audio, after a separator comes cycling.
        QMenu* audio = tops[1]->menu();
        QCOMPARE(audio->actions().size(), 3);
        QMenu* songs = audio->actions()[2]->menu();
        QVERIFY(songs);
        QCOMPARE(audio->actions()[2]->text(), QString("Son&gs"));
        QCOMPARE(songs->actions().size(), 6);
        QVERIFY(songs->actions()[4]->isSeparator());
    }

    void tickedItemsShowACheckMarkAndUntickedOnesNothing() {
        Fixture f;
        QMenu* songs = f.window.menuBar()->actions()[1]->menu()->actions()[2]->menu();
        QVERIFY(songs);
        auto row = [songs](QAction* a) {
            songs->adjustSize();
            QImage menu = songs->grab().toImage().convertToFormat(QImage::Format_RGB32);
            menu.setDevicePixelRatio(1);
            return menu.copy(songs->actionGeometry(a));
        };
        QAction* pelto = f.window.action("mnuSong2");
        QVERIFY(pelto->isCheckable() && !pelto->isChecked());
        const QImage unticked = row(pelto);
        pelto->setCheckable(false);
        const QImage plain = row(pelto);
        pelto->setCheckable(true);
        // Unticked looks exactly like an item that cannot be ticked: no box.
        QCOMPARE(unticked, plain);

        pelto->setChecked(true);
        const QImage ticked = row(pelto);
        // Ticked: a mark left of the caption, and nothing else changed.
        // The caption starts at the first pixel that is neither the menu's
        // background (its commonest colour) nor its frame at the very edge.
        QHash<QRgb, int> colours;
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 0; x < plain.width(); ++x)
                ++colours[plain.pixel(x, y)];
        QRgb background = colours.begin().key();
        for (auto it = colours.begin(); it != colours.end(); ++it)
            if (it.value() > colours[background])
                background = it.key();
        int captionLeft = plain.width();
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 3; x < plain.width(); ++x)
                if (plain.pixel(x, y) != background)
                    captionLeft = std::min(captionLeft, x);
        QRect mark;
        for (int y = 0; y < ticked.height(); ++y)
            for (int x = 0; x < ticked.width(); ++x)
                if (ticked.pixel(x, y) != plain.pixel(x, y))
                    mark |= QRect(x, y, 1, 1);
        QVERIFY(!mark.isEmpty());
        QVERIFY2(mark.right() < captionLeft, "the mark stays in the check column");
        QVERIFY(mark.height() >= 5 && mark.width() >= 5);
        // A mark, not a box around one: a box would fill its left column.
        int leftColumn = 0;
        for (int y = mark.top(); y <= mark.bottom(); ++y)
            leftColumn += ticked.pixel(mark.left(), y) != plain.pixel(mark.left(), y);
        QVERIFY2(leftColumn < mark.height() / 2, qPrintable(QString::number(leftColumn)));
    }

    void shortcutsReachTheGame() {
        Fixture f;
        QTest::keyClick(&f.window, Qt::Key_N, Qt::ControlModifier);
        QVERIFY(f.game().tmrRow12.Enabled());
        QVERIFY(f.game().canMove);
        QVERIFY(f.window.action("mnuEnd")->isEnabled());
        QVERIFY(f.window.action("mnuPause")->isEnabled());
        QCOMPARE(f.window.playfield().cursor().shape(), Qt::BitmapCursor);

        QTest::keyClick(&f.window, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(f.game().gamePaused);
        QVERIFY(f.window.action("mnuPause")->isChecked());
        QCOMPARE(f.window.playfield().cursor().shape(), Qt::ArrowCursor);

        QTest::keyClick(&f.window, Qt::Key_F2, Qt::ShiftModifier);
        QVERIFY(f.game().mnuSong2.Checked);
        QVERIFY(f.window.action("mnuSong2")->isChecked());
        QVERIFY(!f.window.action("mnuSong1")->isChecked());

        QTest::keyClick(&f.window, Qt::Key_M, Qt::ControlModifier);
        QVERIFY(!f.game().musicOn);
        QVERIFY(!f.window.action("mnuMusic")->isChecked());

        QTest::keyClick(&f.window, Qt::Key_E, Qt::ControlModifier);
        QVERIFY(!f.game().tmrRow12.Enabled());
        QVERIFY(!f.window.action("mnuEnd")->isEnabled());
    }

    void arrowKeysMoveTheToadOncePerPress() {
        Fixture f;
        QTest::keyClick(&f.window, Qt::Key_N, Qt::ControlModifier);
        PlayfieldView& view = f.window.playfield();
        QTest::keyPress(&view, Qt::Key_Up);
        QTest::keyPress(&view, Qt::Key_Up, Qt::NoModifier, -1); // a second press, no release
        QCOMPARE(f.game().frogRow, std::int16_t(2));
        QTest::keyRelease(&view, Qt::Key_Up);
        QTest::keyClick(&view, Qt::Key_Left);
        QCOMPARE(f.game().imgFrog.Left, 3255.0f - 450.0f);
        QCOMPARE(f.game().imgFrog.picture, f.game().FrogWest.picture);
        QCOMPARE(f.game().lblScore2.Caption, std::string("200"));
    }

    void spritesAreDrawnWhereAndInTheOrderTheGameSays() {
        Fixture f;
        frmLilyhops& g = f.game();
        PictureStore pictures;

        // The toad, shown alone at a known place, covers the background there.
        g.imgFrog.Visible = true;
        g.imgFrog.Move(3000, 4500);
        QImage without = [&] {
            g.imgFrog.Visible = false;
            QImage img = composePlayfield(g, pictures);
            g.imgFrog.Visible = true;
            return img;
        }();
        QImage with = composePlayfield(g, pictures);
        QRect toad(200, 300, 22, 24);
        QVERIFY(without.copy(toad) != with.copy(toad));
        QCOMPARE(without.copy(QRect(250, 300, 22, 24)), with.copy(QRect(250, 300, 22, 24)));

        // Where two sprites overlap, the later one in the drawing order wins
        // wherever its picture is opaque.
        auto coversWhereOpaque = [&](Sprite& upper, Sprite& lower) {
            lower.Visible = upper.Visible = true;
            lower.Move(3000, 4500);
            upper.Move(3000, 4500);
            QImage both = composePlayfield(g, pictures);
            lower.Visible = false;
            QImage upperAlone = composePlayfield(g, pictures);
            lower.Visible = true;
            QImage upperArt = pictures.pixmap(*upper.picture).toImage();
            QImage lowerArt = pictures.pixmap(*lower.picture).toImage();
            int overlapping = 0;
            for (int y = 0; y < std::min(upperArt.height(), lowerArt.height()); ++y)
                for (int x = 0; x < std::min(upperArt.width(), lowerArt.width()); ++x)
                    if (qAlpha(upperArt.pixel(x, y)) == 255 && qAlpha(lowerArt.pixel(x, y))) {
                        ++overlapping;
                        if (both.pixel(200 + x, 300 + y) != upperAlone.pixel(200 + x, 300 + y))
                            return false;
                    }
            return overlapping > 0;
        };
        QVERIFY(coversWhereOpaque(g.imgCar(1), g.imgFrog)); // run over, not hopping over
        QVERIFY(coversWhereOpaque(g.imgFrog, g.imgLog1));   // the toad rides on top
        QVERIFY(coversWhereOpaque(g.imgFrog, g.imgTurtle(7)));
        QVERIFY(!coversWhereOpaque(g.imgLog1, g.imgFrog));
    }

    void everySpriteOfThePlayfieldIsDrawn() {
        Fixture f;
        frmLilyhops& g = f.game();
        PictureStore pictures;
        std::vector<Sprite*> sprites = {&g.imgFrog, &g.imgLog1,  &g.imgLog2,
                                        &g.imgLog3, &g.imgLife1, &g.imgLife2};
        for (int n = 1; n <= 12; ++n)
            sprites.push_back(&g.imgTurtle(n));
        for (int n = 1; n <= 10; ++n)
            sprites.push_back(&g.imgCar(n));
        for (Sprite& bay : g.imgSuccess)
            sprites.push_back(&bay);
        for (Sprite* s : sprites)
            s->Visible = false;
        // Each shown alone on the road's middle changes the picture there.
        for (Sprite* s : sprites) {
            s->Move(3000, 4500);
            const QImage without = composePlayfield(g, pictures);
            s->Visible = true;
            QVERIFY2(composePlayfield(g, pictures) != without, s->name.c_str());
            s->Visible = false;
        }
    }

    void focusLeavingThePlayfieldComesBack() {
        Fixture f;
        QTest::keyClick(&f.window, Qt::Key_N, Qt::ControlModifier);
        QTRY_VERIFY(f.window.playfield().hasFocus());
        f.window.menuBar()->setFocus();
        // The keys are the game's again at once, without a click.
        QTRY_VERIFY_WITH_TIMEOUT(f.window.playfield().hasFocus(), 1000);
    }

    void helpWindowsPauseTheGameAndCloseCleanly() {
        Fixture f;
        frmLilyhops& g = f.game();
        QTest::keyClick(&f.window, Qt::Key_N, Qt::ControlModifier);

        // The rules box: closed with its OK button as soon as it shows.
        QString rules, rulesTitle;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(50, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            rules = box->text();
            rulesTitle = box->windowTitle();
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        f.window.action("mnuFHelp")->trigger();
        QCOMPARE(rulesTitle, QString("Lilyhops Rules"));
        QCOMPARE(icon, QMessageBox::Information);
        QVERIFY(rules.startsWith("The object of Lilyhops"));
        QCOMPARE(rules.count('\n'), 7);
        QVERIFY(g.gamePaused);
        QVERIFY(g.lblPaused.Visible);

        // The About window: loaded while it shows, unloaded by OK.
        bool loadedWhileShown = false;
        std::string version;
        QTimer::singleShot(50, [&] {
            QWidget* about = QApplication::activeModalWidget();
            QVERIFY(about);
            loadedWhileShown = g.frmAbout.Loaded && g.frmAbout.Visible;
            version = g.frmAbout.lblVersion.Caption;
            about->findChild<QPushButton*>("cmdOK")->click();
        });
        f.window.action("mnuAbout")->trigger();
        QVERIFY(loadedWhileShown);
        QCOMPARE(version, std::string("Version 2.0"));
        QVERIFY(!g.frmAbout.Loaded);
        QCOMPARE(g.frmAbout.lblVersion.Caption, std::string("Version x.x"));
        QVERIFY(g.gamePaused); // still paused: the player resumes
    }

    void afterExitTheGameStandsStill() {
        Fixture f;
        frmLilyhops& g = f.game();
        QTest::keyClick(&f.window, Qt::Key_N, Qt::ControlModifier);
        QTest::qWait(150);
        f.window.action("mnuExit")->trigger();
        const float car = g.imgCar(1).Left, timeBar = g.imgTime.Width;
        QTest::qWait(300); // the lanes would have moved three times
        QCOMPARE(g.imgCar(1).Left, car);
        QCOMPARE(g.imgTime.Width, timeBar);
    }

    void aMissingCreditsFileIsToldOnce() {
        QTemporaryDir folder; // no "Credits.rtf" in it
        Scheduler scheduler;
        CallLog log;
        RecordingTegoSnd sound{scheduler, log};
        GameWindow window{scheduler, sound, folder.path().toStdString()};
        window.show();
        std::ostringstream said;
        std::streambuf* stderrBuffer = std::cerr.rdbuf(said.rdbuf());
        for (int shown = 0; shown < 3; ++shown) {
            QTimer::singleShot(50, [] {
                QWidget* about = QApplication::activeModalWidget();
                QVERIFY(about);
                about->findChild<QPushButton*>("cmdOK")->click();
            });
            window.action("mnuAbout")->trigger();
        }
        std::cerr.rdbuf(stderrBuffer);
        const std::string text = said.str();
        QCOMPARE(std::count(text.begin(), text.end(), '\n'), 1L);
        QVERIFY2(text.find("Credits.rtf") != std::string::npos, text.c_str());
    }

    void theTimeBarIsStretched() {
        Fixture f;
        frmLilyhops& g = f.game();
        PictureStore pictures;
        g.imgTime.Width = 1500; // 100 px
        QImage half = composePlayfield(g, pictures);
        QColor background = fromBgr(g.BackColor);
        // Beyond the shortened bar the window's background shows.
        QCOMPARE(QColor(half.pixel(245 + 105, 10)), background);
        QVERIFY(QColor(half.pixel(245 + 50, 10)) != background);
        // Squeezed in whole, the bar keeps both of its ends, at any width.
        for (float width : {1500.0f, 3000.0f}) {
            g.imgTime.Width = width;
            const QImage bar = composePlayfield(g, pictures);
            const int y = 5; // through the end caps
            int first = 240, last = 449;
            while (first < last && QColor(bar.pixel(first, y)) == background)
                ++first;
            while (last > first && QColor(bar.pixel(last, y)) == background)
                --last;
            QVERIFY(std::abs(last - first + 1 - int(width / kTwipsPerPixel)) <= 2);
            QCOMPARE(QColor(bar.pixel(last, y)), QColor(bar.pixel(first, y)));
            QVERIFY(QColor(bar.pixel((first + last) / 2, y)) != QColor(bar.pixel(first, y)));
        }
        g.imgTime.Width = 0;
        QImage empty = composePlayfield(g, pictures);
        QCOMPARE(QColor(empty.pixel(246, 10)), background);
    }
};

QTEST_MAIN(WindowTest)
#include "test_window.moc"
