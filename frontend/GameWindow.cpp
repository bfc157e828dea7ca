#include "frontend/GameWindow.h"

#include "frontend/AboutDialog.h"
#include "frontend/Painting.h"
#include "frontend/PlayfieldView.h"
#include "frontend/RtfText.h"
#include "frontend/WallClock.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
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
    setWindowIcon(QIcon(":/pictures/icon.gif"));
    playfield_ = new PlayfieldView(*game_, this);
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
                    game_->chooseMenu(*item);
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
}

QAction* GameWindow::action(const std::string& menuItem) const {
    return actions_.value(QString::fromStdString(menuItem), nullptr);
}

void GameWindow::refresh() {
    if (ended_)
        return;
    for (MenuItem* item : game_->menuBar()) {
        QString name = QString::fromStdString(item->name);
        if (QAction* a = actions_.value(name)) {
            a->setEnabled(item->Enabled);
            a->setChecked(item->Checked);
        } else if (QMenu* m = submenus_.value(name)) {
            m->setEnabled(item->Enabled);
        }
    }
    setWindowTitle(QString::fromStdString(game_->Caption));
    if (game_->mousePointer == MousePointer::Custom)
        playfield_->setCursor(QCursor(QPixmap(":/pictures/pointer_blank.gif"), 0, 0));
    else
        playfield_->unsetCursor();
    playfield_->update();
}

int GameWindow::MsgBox(const std::string& text, const std::string& title, int /*style*/) {
    QString body = QString::fromStdString(text).replace("\r\n", "\n");
    QMessageBox box(QMessageBox::Information, QString::fromStdString(title), body, QMessageBox::Ok,
                    this);
    box.exec();
    refresh();
    return 1;
}

void GameWindow::ShowAbout(int /*mode*/) {
    frmAbout& about = game_->frmAbout;
    about.Load();
    about.Visible = true;
    AboutDialog dialog(about, creditsHtml_, this);
    dialog.exec();
    // Closed with its title bar: unloaded all the same.
    if (about.Loaded)
        about.Unload();
    refresh();
    playfield_->setFocus();
}

void GameWindow::End() {
    ended_ = true;
    scheduler_.halt();
    QCoreApplication::exit(0);
}

bool GameWindow::MainWindowIsActive() {
    return QApplication::activeWindow() == this;
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
    // Closing the window ends the program; nothing is saved.
    End();
    e->accept();
}

} // namespace lilyhops
