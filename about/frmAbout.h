#pragma once

// The About window: title, version, a chart of credits and a rich-text box
// filled from "Credits.rtf". It is loaded when shown and unloaded by its OK
// button; while it is not loaded its controls stand as designed.

#include "about/Version.h"
#include "game/Desktop.h"
#include "playfield/Controls.h"

#include <array>
#include <string>
#include <variant>
#include <vector>

namespace lilyhops {

struct Button {
    std::string name, Caption;
    float Left = 0, Top = 0, Width = 0, Height = 0;
    Font font;
    std::uint32_t BackColor = 0;
};

struct RichTextArea {
    std::string name;
    float Left = 0, Top = 0, Width = 0, Height = 0;
    Font font;
};

class frmAbout {
  public:
    frmAbout(RichTextBox& richText, std::string programFolder);

    bool Loaded = false;
    bool Visible = false;

    std::string Caption = " About Lilyhops";
    std::uint32_t BackColor = 0xFF8080; // light blue
    float ClientWidth = 6120, ClientHeight = 7155;

    Shape Shape1, Shape2, Shape3, Shape4, Shape5;
    Sprite Image1;
    Label lblTitle, lblVersion, lblProgramming, lblCredit1, lblGraphicDesign, lblSound,
        lblEmotionalSupport, lblCredit2, lblCredit3;
    std::array<Line, 11> Lines; // Line1 .. Line11
    RichTextArea rtbOther;
    Button cmdOK;

    Line& line(int n) { return Lines.at(n - 1); }

    // Loads the window (when it is not loaded) and runs its load code.
    void Load();
    void Form_Load();
    // The OK button: closes and unloads the window.
    void cmdOK_Click();
    void Unload();

    Sprite* findSprite(const std::string& name);
    Label* findLabel(const std::string& name);
    Shape* findShape(const std::string& name);
    Line* findLine(const std::string& name);

    using Drawable = std::variant<const Sprite*, const Label*, const Shape*, const Line*>;
    std::vector<Drawable> drawingOrder() const;

    // The program's version, shown as "Version 2.0".
    static constexpr int kMajor = kVersionMajor, kMinor = kVersionMinor;

  private:
    void buildControls();

    RichTextBox& richText_;
    std::string programFolder_;
    Picture picture_;
};

} // namespace lilyhops
