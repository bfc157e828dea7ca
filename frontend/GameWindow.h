#pragma once

// The game's main window: the menu bar bound to the game's menu items, the
// playfield, the pointer, and the desktop services the game asks for
// (message boxes, the About window, the active-window test, ending). Every
// input reaches the game through one InputGate, which can record it; a
// replay drives the game from a script instead of the player.

#include "game/Desktop.h"
#include "game/frmLilyhops.h"

#include <QCursor>
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QMessageBox;

namespace lilyhops {

class AboutDialog;
class InputGate;
class PlayfieldView;
class ScriptReplay;
class WallClock;

class GameWindow : public QMainWindow, public Desktop, public RichTextBox {
    Q_OBJECT
  public:
    // Loads the game: its start-up code runs before the window is shown.
    GameWindow(Scheduler& scheduler, lilyhops::TegoSnd& sound, const std::string& programFolder);
    ~GameWindow() override;

    frmLilyhops& game() { return *game_; }
    PlayfieldView& playfield() { return *playfield_; }
    InputGate& gate() { return *gate_; }
    WallClock& clock() { return *clock_; }
    QAction* action(const std::string& menuItem) const;

    // Shows `replay` at real speed instead of taking the player's input.
    // The sound control given to the window must be the replay's.
    void replay(ScriptReplay& replay);
    bool replayIsOver() const { return replayOver_; }
    // Closes a rules box the replay shows: the player has closed it.
    void closeRulesBox();

    // Brings menus, caption, pointer and picture up to date with the game;
    // touches only what changed since the last time.
    void refresh();

    // Desktop
    int MsgBox(const std::string& text, const std::string& title, int style) override;
    void ShowAbout(int mode) override;
    void End() override;
    bool MainWindowIsActive() override;
    void FocusKeyCatcher() override;
    // RichTextBox (the About window's credits)
    void LoadFile(const std::string& file, int type) override;

  protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

  private:
    void buildMenuBar();
    void reportOnce(const std::string& problem);
    // The About window's OK button unloads the game's About window through
    // the input gate, so that a recording notes it.
    void routeOkThroughGate(AboutDialog& dialog);

    Scheduler& scheduler_;
    std::unique_ptr<frmLilyhops> game_;
    std::unique_ptr<InputGate> gate_;
    PlayfieldView* playfield_ = nullptr;
    WallClock* clock_ = nullptr;
    QMap<QString, QAction*> actions_;
    QMap<QString, QMenu*> submenus_;
    // Each menu item with its Qt counterpart and the state last shown.
    struct MenuBinding {
        const MenuItem* item;
        QAction* action; // a command
        QMenu* menu;     // or a menu of its own
        bool enabled, checked;
    };
    std::vector<MenuBinding> menuBindings_;
    QString shownCaption_;
    MousePointer shownPointer_ = MousePointer::Default;
    QCursor blankPointer_;
    QString creditsHtml_;
    std::set<std::string> reported_;
    bool ended_ = false;
    bool replayOver_ = false;
    // What a replay shows without waiting for the player.
    QPointer<QMessageBox> rulesBox_;
    QPointer<AboutDialog> aboutDialog_;
};

} // namespace lilyhops
