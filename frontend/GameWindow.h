#pragma once

// The game's main window: the menu bar bound to the game's menu items, the
// playfield, the pointer, and the desktop services the game asks for
// (message boxes, the About window, the active-window test, ending).

#include "game/Desktop.h"
#include "game/frmLilyhops.h"

#include <QCursor>
#include <QMainWindow>
#include <QMap>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QAction;
class QMenu;

namespace lilyhops {

class PlayfieldView;
class WallClock;

class GameWindow : public QMainWindow, public Desktop, public RichTextBox {
    Q_OBJECT
  public:
    // Loads the game: its start-up code runs before the window is shown.
    GameWindow(Scheduler& scheduler, lilyhops::TegoSnd& sound, const std::string& programFolder);
    ~GameWindow() override;

    frmLilyhops& game() { return *game_; }
    PlayfieldView& playfield() { return *playfield_; }
    QAction* action(const std::string& menuItem) const;

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

  private:
    void buildMenuBar();
    void reportOnce(const std::string& problem);

    Scheduler& scheduler_;
    std::unique_ptr<frmLilyhops> game_;
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
    std::string shownCaption_;
    MousePointer shownPointer_ = MousePointer::Default;
    QCursor blankPointer_;
    QString creditsHtml_;
    std::set<std::string> reported_;
    bool ended_ = false;
};

} // namespace lilyhops
