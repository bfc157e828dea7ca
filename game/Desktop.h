#pragma once

// What the main window asks of the desktop around it: message boxes, showing
// a second window, ending the program and whether it is the active window.
// The game has a Qt implementation; the script runner and the tests record.

#include <string>

namespace lilyhops {

class Desktop {
  public:
    virtual ~Desktop() = default;

    // Shows a modal message box and returns the button pressed (1 = OK).
    virtual int MsgBox(const std::string& text, const std::string& title, int style) = 0;
    // Shows the About window (mode 1: modal). Loading the window, when it is
    // not loaded, is the desktop's job, since it happens inside the call.
    virtual void ShowAbout(int mode) = 0;
    // Ends the program at once.
    virtual void End() = 0;
    // Whether the main window is the active window of the program's thread.
    virtual bool MainWindowIsActive() = 0;
    // Gives the keyboard focus back to the control that catches the keys.
    virtual void FocusKeyCatcher() = 0;
};

// The About window's rich-text box.
class RichTextBox {
  public:
    virtual ~RichTextBox() = default;
    virtual void LoadFile(const std::string& file, int type) = 0;
};

} // namespace lilyhops
