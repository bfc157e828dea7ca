#include "frontend/GameWindow.h"

#include "frontend/AboutDialog.h"
#include "frontend/MenuStyle.h"
#include "frontend/Painting.h"
#include "frontend/PlayfieldView.h"
#include "frontend/RtfText.h"
#include "frontend/WallClock.h"
#include "recording/InputGate.h"
#include "recording/ScriptReplay.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <iostream>

namespace lilyhops {

namespace {
// Items that carry a check mark at some time.
bool checkable(const std::string& name) {
    return name == "mnuPause" || name == "mnuSound" || name == "mnuMusic" ||
           name.rfind("mnuSong", 0) == 0 || name == "mnuCycle";
}
} // namespace

GameWindow::GameWindow(Scheduler& scheduler, lilyhops::TegoSnd& sound,
                       const std::string& programFolder)
    : scheduler_(scheduler) {
    installFontSubstitutes();
    game_ = std::make_unique<frmLilyhops>(scheduler, sound, *this, *this, programFolder);
    gate_ = std::make_unique<InputGate>(
        *game_, [this] { return clock_ ? clock_->catchUp() : scheduler_.now(); });
    // The end of a song is an input like a key: it comes at its own instant.
    sound.onPlaybackNotify([this] {
        gate_->songEnded();
        refresh();
    });
    setWindowIcon(QIcon(":/pictures/icon.gif"));
    playfield_ = new PlayfieldView(*game_, *gate_, this);
    playfield_->afterEvent = [this] { refresh(); };
    setCentralWidget(playfield_);
    buildMenuBar();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    game_->Form_Load();
    clock_ = new WallClock(scheduler, this);
    connect(clock_, &WallClock::advanced, this, &GameWindow::refresh);
    refresh();
    playfield_->setFocus();
}

GameWindow::~GameWindow() {
    // The clock and the playfield call into the game: they go first.
    delete clock_;
    clock_ = nullptr;
    delete playfield_;
}

void GameWindow::buildMenuBar() {
    auto addItems = [this](auto& self, QMenu* menu, MenuItem& parent) -> void {
        for (MenuItem* item : parent.children) {
            QString caption = QString::fromStdString(item->caption);
            if (item->isSeparator()) {
                menu->addSeparator();
            } else if (!item->children.empty()) {
                QMenu* sub = menu->addMenu(caption);
                submenus_[QString::fromStdString(item->name)] = sub;
                self(self, sub, *item);
            } else {
                QAction* a = menu->addAction(caption);
                a->setObjectName(QString::fromStdString(item->name));
                a->setShortcut(QKeySequence(QString::fromStdString(item->shortcut)));
                a->setCheckable(checkable(item->name));
                connect(a, &QAction::triggered, this, [this, item] {
                    gate_->menu(*item);
                    refresh();
                });
                actions_[QString::fromStdString(item->name)] = a;
            }
        }
    };
    for (MenuItem* top : {&game_->mnuFile, &game_->mnuAudio, &game_->mnuHelp}) {
        QMenu* menu = menuBar()->addMenu(QString::fromStdString(top->caption));
        submenus_[QString::fromStdString(top->name)] = menu;
        addItems(addItems, menu, *top);
    }
    // Check marks without boxes, in every menu and submenu.
    auto* style = new MenuStyle;
    style->setParent(this);
    for (QMenu* menu : std::as_const(submenus_))
        menu->setStyle(style);
    // Bound once, with states that never match, so the first refresh sets
    // every item.
    for (MenuItem* item : game_->menuBar()) {
        QString name = QString::fromStdString(item->name);
        QAction* a = actions_.value(name);
        QMenu* m = a ? nullptr : submenus_.value(name);
        if (a || m)
            menuBindings_.push_back({item, a, m, !item->Enabled, !item->Checked});
    }
}

QAction* GameWindow::action(const std::string& menuItem) const {
    return actions_.value(QString::fromStdString(menuItem), nullptr);
}

void GameWindow::refresh() {
    if (ended_)
        return;
    // Called after every tick and every input: most of the time nothing here
    // has changed, and then nothing is touched.
    for (MenuBinding& b : menuBindings_) {
        if (b.enabled != b.item->Enabled) {
            b.enabled = b.item->Enabled;
            if (b.action)
                b.action->setEnabled(b.enabled);
            else
                b.menu->setEnabled(b.enabled);
        }
        if (b.action && b.checked != b.item->Checked) {
            b.checked = b.item->Checked;
            b.action->setChecked(b.checked);
        }
    }
    QString title = QString::fromStdString(game_->Caption);
    if (gate_->replaying())
        title += replayOver_ ? " (replay over)" : " (replay)";
    if (shownCaption_ != title) {
        shownCaption_ = title;
        setWindowTitle(title);
    }
    // The replay has unloaded the About window: its OK button was pressed.
    if (aboutDialog_ && !game_->frmAbout.Loaded)
        aboutDialog_->close();
    if (shownPointer_ != game_->mousePointer) {
        shownPointer_ = game_->mousePointer;
        if (shownPointer_ == MousePointer::Custom) {
            if (blankPointer_.shape() != Qt::BitmapCursor)
                blankPointer_ = QCursor(QPixmap(":/pictures/pointer_blank.gif"), 0, 0);
            playfield_->setCursor(blankPointer_);
        } else {
            playfield_->unsetCursor();
        }
    }
    playfield_->showChanges();
}

int GameWindow::MsgBox(const std::string& text, const std::string& title, int /*style*/) {
    QString body = QString::fromStdString(text).replace("\r\n", "\n");
    if (gate_->replaying()) {
        // A replay goes on at once, as the runner does; the box stays up
        // until the recording shows the player back at the game.
        closeRulesBox();
        rulesBox_ = new QMessageBox(QMessageBox::Information, QString::fromStdString(title), body,
                                    QMessageBox::Ok, this);
        rulesBox_->setAttribute(Qt::WA_DeleteOnClose);
        rulesBox_->setModal(false);
        rulesBox_->show();
        return 1;
    }
    QMessageBox box(QMessageBox::Information, QString::fromStdString(title), body, QMessageBox::Ok,
                    this);
    box.exec();
    gate_->rulesClosed();
    refresh();
    return 1;
}

void GameWindow::closeRulesBox() {
    if (rulesBox_)
        rulesBox_->close();
}

void GameWindow::routeOkThroughGate(AboutDialog& dialog) {
    auto* ok = dialog.findChild<QPushButton*>("cmdOK");
    if (!ok)
        return;
    QObject::disconnect(ok, &QPushButton::clicked, &dialog, nullptr);
    connect(ok, &QPushButton::clicked, &dialog, [this, &dialog] {
        gate_->aboutClosed();
        dialog.accept();
    });
}

void GameWindow::ShowAbout(int /*mode*/) {
    frmAbout& about = game_->frmAbout;
    about.Load();
    about.Visible = true;
    if (gate_->replaying()) {
        // Shown without waiting; the replay's own OK closes it.
        if (aboutDialog_)
            aboutDialog_->close();
        aboutDialog_ = new AboutDialog(about, creditsHtml_, this);
        aboutDialog_->setAttribute(Qt::WA_DeleteOnClose);
        aboutDialog_->setModal(false);
        routeOkThroughGate(*aboutDialog_);
        aboutDialog_->show();
        return;
    }
    AboutDialog dialog(about, creditsHtml_, this);
    routeOkThroughGate(dialog);
    // Closed by its title bar or Esc: unloaded all the same, as OK does.
    connect(&dialog, &QDialog::rejected, this, [this] { gate_->aboutClosed(); });
    dialog.exec();
    refresh();
    playfield_->setFocus();
}

void GameWindow::End() {
    ended_ = true;
    scheduler_.halt();
    QCoreApplication::exit(0);
}

bool GameWindow::MainWindowIsActive() {
    return gate_->activeAsSeen(QApplication::activeWindow() == this);
}

void GameWindow::FocusKeyCatcher() {
    QTimer::singleShot(0, playfield_, [this] {
        if (isActiveWindow() && !game_->frmAbout.Visible)
            playfield_->setFocus();
    });
}

void GameWindow::LoadFile(const std::string& file, int /*type*/) {
    Credits credits = readCredits(QString::fromStdString(file));
    if (!credits.problem.empty())
        reportOnce(credits.problem);
    creditsHtml_ = credits.html;
}

void GameWindow::reportOnce(const std::string& problem) {
    if (reported_.insert(problem).second)
        std::cerr << "lilyhops: " << problem << "\n";
}

void GameWindow::closeEvent(QCloseEvent* e) {
    // Closing the window ends the program; nothing is saved but a recording.
    if (!ended_)
        gate_->windowClosing();
    End();
    e->accept();
}

void GameWindow::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && !ended_)
        gate_->activationNoticed(isActiveWindow());
}

void GameWindow::replay(ScriptReplay& replay) {
    gate_->setReplaying(true);
    clock_->onHold = [this, &replay] {
        if (std::optional<Millis> wait = replay.runToNextWait()) {
            clock_->holdAt(scheduler_.now() + *wait);
        } else {
            replayOver_ = true; // the clock stays where the recording ends
        }
        refresh();
    };
    // The lines before the first wait run as soon as the clock wakes.
    clock_->holdAt(scheduler_.now());
}

} // namespace lilyhops
