#include "about/frmAbout.h"

namespace lilyhops {

namespace {

constexpr std::uint32_t kYellow = 0x00FFFF;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;
// The desktop's highlight colour, as a classic blue (&H00BBGGRR).
constexpr std::uint32_t kHighlight = 0xD77800;

Label label(const char* name, const char* caption, float l, float t, float w, float h, Font font,
            std::uint32_t color = kBlack, Alignment align = Alignment::Left) {
    Label lb;
    lb.name = name;
    lb.Caption = caption;
    lb.Left = l, lb.Top = t, lb.Width = w, lb.Height = h;
    lb.font = std::move(font);
    lb.ForeColor = color;
    lb.alignment = align;
    return lb;
}

Shape shape(const char* name, float l, float t, float w, float h) {
    Shape s;
    s.name = name;
    s.Left = l, s.Top = t, s.Width = w, s.Height = h;
    s.BorderColor = kBlack;
    return s;
}

} // namespace

frmAbout::frmAbout(RichTextBox& richText, std::string programFolder)
    : richText_(richText), programFolder_(std::move(programFolder)) {
    buildControls();
}

void frmAbout::buildControls() {
    const Font times{"Times New Roman", 12.75, true};

    Shape4 = shape("Shape4", 105, 105, 5925, 1470);
    Shape4.BackColor = 0xFF8080;
    Shape4.FillColor = 0xFF8080;
    Shape4.filled = true;
    Shape4.BorderColor = kYellow;
    Shape1 = shape("Shape1", 195, 1740, 1770, 450);
    Shape2 = shape("Shape2", 4845, 2415, 1110, 795);
    Shape3 = shape("Shape3", 2355, 3135, 1005, 450);
    Shape5 = shape("Shape5", 2790, 3960, 2460, 510);
    Shape5.FillColor = kHighlight;
    Shape5.BackColor = kHighlight;
    Shape5.filled = true;
    Shape5.outline = false;

    picture_ = {"Image1", "about", 68, 69};
    Image1 = Sprite{"Image1", 450, 270, 1020, 1035, true, false, nullptr};
    Image1.picture = &picture_;

    lblTitle = label("lblTitle", "Lilyhops", 1770, 150, 3735, 975, {"Arial", 44.25, false});
    lblVersion = label("lblVersion", "Version x.x", 3615, 1110, 2175, 375, {"Courier", 15, true});
    lblProgramming = label("lblProgramming", "Programming", 285, 1800, 1575, 285, times);
    lblCredit1 = label("lblCredit1", "Wren Ashby", 1170, 2400, 2130, 420, {"Tahoma", 15.75, false},
                       kWhite, Alignment::Center);
    lblCredit1.transparent = false;
    lblCredit1.BackColor = kHighlight;
    lblGraphicDesign = label("lblGraphicDesign", "Graphic Design ", 4755, 2505, 1365, 1005, times,
                             kBlack, Alignment::Center);
    lblSound = label("lblSound", "Sound", 2520, 3195, 675, 285, times);
    lblSound.transparent = false;
    lblSound.BackColor = BackColor;
    lblEmotionalSupport = label("lblEmotionalSupport", "Emotional Support", 2850, 4020, 2355, 345,
                                {"Tahoma", 14.25, false}, kYellow, Alignment::Center);
    lblCredit2 = label("lblCredit2", "Ada Pruitt", 345, 4005, 1545, 375, times);
    lblCredit3 = label("lblCredit3", "Tess Orr", 4830, 4920, 1215, 495, times);

    const float ends[11][4] = {
        {1980, 1965, 2625, 1965}, {2625, 1980, 2625, 2415}, {3300, 2595, 4815, 2595},
        {4050, 4470, 4050, 4680}, {2340, 3375, 1680, 3390}, {2595, 4695, 5175, 4710},
        {1680, 3360, 1680, 2820}, {2595, 4710, 2595, 4200}, {1890, 4185, 2595, 4185},
        {5175, 4725, 5175, 4890}, {5430, 3210, 5430, 4890},
    };
    for (int i = 0; i < 11; ++i)
        Lines[i] = Line{"Line" + std::to_string(i + 1),
                        ends[i][0],
                        ends[i][1],
                        ends[i][2],
                        ends[i][3],
                        2,
                        kBlack};

    rtbOther = RichTextArea{"rtbOther", 165, 5280, 5790, 1200, {"Arial", 9.75, false}};
    cmdOK = Button{"cmdOK", "OK", 2385, 6660, 1350, 345, {"Arial", 9.75, true}, 0xC0FFC0};
}

void frmAbout::Load() {
    if (Loaded)
        return;
    Loaded = true;
    Form_Load();
}

void frmAbout::Form_Load() {
    lblVersion.Caption = "Version " + std::to_string(kMajor) + "." + std::to_string(kMinor);
    richText_.LoadFile(programFolder_ + "/Credits.rtf", 0);
}

void frmAbout::cmdOK_Click() {
    Unload();
}

void frmAbout::Unload() {
    Loaded = false;
    Visible = false;
    buildControls();
}

Sprite* frmAbout::findSprite(const std::string& name) {
    return name == "Image1" ? &Image1 : nullptr;
}

Label* frmAbout::findLabel(const std::string& name) {
    for (Label* l : {&lblTitle, &lblVersion, &lblProgramming, &lblCredit1, &lblGraphicDesign,
                     &lblSound, &lblEmotionalSupport, &lblCredit2, &lblCredit3})
        if (l->name == name)
            return l;
    return nullptr;
}

Shape* frmAbout::findShape(const std::string& name) {
    for (Shape* s : {&Shape1, &Shape2, &Shape3, &Shape4, &Shape5})
        if (s->name == name)
            return s;
    return nullptr;
}

Line* frmAbout::findLine(const std::string& name) {
    for (Line& l : Lines)
        if (l.name == name)
            return &l;
    return nullptr;
}

std::vector<frmAbout::Drawable> frmAbout::drawingOrder() const {
    auto ln = [this](int n) -> Drawable { return &Lines[n - 1]; };
    return {&Shape4,     &lblProgramming,
            ln(1),       ln(2),
            ln(3),       &Shape1,
            &lblCredit1, &lblGraphicDesign,
            &Shape2,     &lblSound,
            &Shape3,     ln(5),
            ln(7),       &lblVersion,
            &lblTitle,   &Image1,
            &Shape5,     &lblEmotionalSupport,
            ln(4),       ln(6),
            ln(8),       &lblCredit2,
            &lblCredit3, ln(10),
            ln(11),      ln(9)};
}

} // namespace lilyhops
