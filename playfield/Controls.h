#pragma once

// The window's controls as plain data. The game logic never creates or
// destroys a control; it moves them, shows and hides them, swaps pictures and
// rewrites captions. Positions and sizes are twips (15 to a pixel).

#include <cstdint>
#include <string>
#include <vector>

namespace lilyhops {

constexpr int kTwipsPerPixel = 15;

// A picture as loaded into a control. Identity matters: two sprites show "the
// same picture" only when they point at the same Picture, which is how the
// game tells which way the toad faces.
struct Picture {
    std::string name; // holder (or sprite) that owns it at design time
    std::string art;  // file stem of the artwork, e.g. "frog_north"
    int widthPx = 0;
    int heightPx = 0;
};

struct Sprite {
    std::string name;
    float Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = true;
    bool stretch = false; // stretched pictures are drawn at the sprite's size
    const Picture* picture = nullptr;

    // Gives this sprite the picture of another (a holder); an unstretched
    // sprite takes that picture's size.
    void setPicture(const Picture* p) {
        picture = p;
        if (!stretch && p) {
            Width = float(p->widthPx * kTwipsPerPixel);
            Height = float(p->heightPx * kTwipsPerPixel);
        }
    }
    void Move(float left, float top) {
        Left = left;
        Top = top;
    }
};

enum class Alignment { Left, Right, Center };

struct Font {
    std::string family;
    double points = 9.75;
    bool bold = false;
};

struct Label {
    std::string name;
    std::string Caption;
    std::uint32_t ForeColor = 0; // &H00BBGGRR
    float Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = true;
    Font font;
    Alignment alignment = Alignment::Left;
    bool transparent = true;
    std::uint32_t BackColor = 0;

    void Move(float left, float top) {
        Left = left;
        Top = top;
    }
};

struct Shape {
    std::string name;
    float Left = 0, Top = 0, Width = 0, Height = 0;
    std::uint32_t BackColor = 0, BorderColor = 0, FillColor = 0;
    bool filled = false; // interior painted with FillColor
    bool outline = true; // border painted with BorderColor
};

struct Line {
    std::string name;
    float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    int widthPx = 2;
    std::uint32_t color = 0;
};

struct TextBox {
    std::string name;
    float Left = 0, Top = 0, Width = 0, Height = 0;
};

struct MenuItem {
    std::string name;
    std::string caption;  // with '&' before the access key; "-" is a separator
    std::string shortcut; // as the menu shows it, e.g. "Ctrl+N", "Shift+F1"
    bool Enabled = true;
    bool Checked = false;
    MenuItem* parent = nullptr;
    std::vector<MenuItem*> children;

    bool isSeparator() const { return caption == "-"; }
    // A click reaches the item only when it and every menu above it are enabled.
    bool reachable() const {
        for (const MenuItem* m = this; m; m = m->parent)
            if (!m->Enabled)
                return false;
        return true;
    }
};

enum class MousePointer { Default, Custom };

} // namespace lilyhops
