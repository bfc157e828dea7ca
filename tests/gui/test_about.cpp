// The About window as it is painted, checked against its control table:
// where each shape, line, label, the picture and the OK button land, that the
// faces fill their labels, and which control covers which where they overlap.
// The window is rendered offscreen and read pixel by pixel.

#include "about/frmAbout.h"
#include "frontend/AboutDialog.h"
#include "frontend/FlatButton.h"
#include "frontend/Painting.h"

#include <QPainter>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTextBrowser>

using namespace lilyhops;

namespace {

struct NoCredits : RichTextBox {
    void LoadFile(const std::string&, int) override {}
};

// The control table, in twips.
struct Row {
    const char* name;
    int left, top, width, height;
};
constexpr Row kTable[] = {
    {"Shape4", 105, 105, 5925, 1470},
    {"Image1", 450, 270, 1020, 1035},
    {"lblTitle", 1770, 150, 3735, 975},
    {"lblVersion", 3615, 1110, 2175, 375},
    {"Shape1", 195, 1740, 1770, 450},
    {"lblProgramming", 285, 1800, 1575, 285},
    {"lblCredit1", 1170, 2400, 2130, 420},
    {"Shape2", 4845, 2415, 1110, 795},
    {"lblGraphicDesign", 4755, 2505, 1365, 1005},
    {"Shape3", 2355, 3135, 1005, 450},
    {"lblSound", 2520, 3195, 675, 285},
    {"Shape5", 2790, 3960, 2460, 510},
    {"lblEmotionalSupport", 2850, 4020, 2355, 345},
    {"lblCredit2", 345, 4005, 1545, 375},
    {"lblCredit3", 4830, 4920, 1215, 495},
    {"rtbOther", 165, 5280, 5790, 1200},
    {"cmdOK", 2385, 6660, 1350, 345},
};
struct Segment {
    int n, x1, y1, x2, y2;
};
constexpr Segment kLines[] = {
    {1, 1980, 1965, 2625, 1965},  {2, 2625, 1980, 2625, 2415},  {3, 3300, 2595, 4815, 2595},
    {5, 2340, 3375, 1680, 3390},  {7, 1680, 3360, 1680, 2820},  {4, 4050, 4470, 4050, 4680},
    {9, 1890, 4185, 2595, 4185},  {8, 2595, 4710, 2595, 4200},  {6, 2595, 4695, 5175, 4710},
    {10, 5175, 4725, 5175, 4890}, {11, 5430, 3210, 5430, 4890},
};

int px(int twips) {
    return twips / kTwipsPerPixel;
}
QRect pixelBox(const char* name) {
    for (const Row& r : kTable)
        if (QByteArray(r.name) == name)
            return QRect(px(r.left), px(r.top), px(r.width), px(r.height));
    qFatal("no row %s", name);
}

const QColor kWindowBlue = fromBgr(0xFF8080);
const QColor kHighlight = fromBgr(0xD77800);
const QColor kYellow = fromBgr(0x00FFFF);
const QColor kBlack(0, 0, 0);
const QColor kLightGreen = fromBgr(0xC0FFC0);

QColor at(const QImage& img, int x, int y) {
    return QColor(img.pixel(x, y));
}

// Pixels that differ between two renderings, and their bounding box.
struct Difference {
    int count = 0;
    QRect box;
};
Difference difference(const QImage& a, const QImage& b) {
    Difference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                ++d.count;
                d.box |= QRect(x, y, 1, 1);
            }
    return d;
}

} // namespace

class AboutPaintingTest : public QObject {
    Q_OBJECT

    NoCredits credits_;
    frmAbout about_{credits_, "/tmp"};

    QImage render() {
        AboutDialog dialog(about_, "<p>Credits</p>");
        return dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

  private slots:
    void init() {
        about_.Unload(); // every control as designed
        about_.Load();
    }

    void theWindowHasTheTablesTitleSizeAndColour() {
        QCOMPARE(AboutDialog(about_, QString()).windowTitle(), QString(" About Lilyhops"));
        QImage img = render();
        QCOMPARE(img.size(), QSize(px(6120), px(7155)));
        QCOMPARE(at(img, 2, 2), kWindowBlue);
        QCOMPARE(at(img, img.width() - 3, img.height() - 3), kWindowBlue);
    }

    void outlinedShapesHaveTheirBordersOnTheirEdges() {
        QImage img = render();
        struct Outline {
            const char* name;
            QColor border;
        };
        for (const Outline& o : {Outline{"Shape4", kYellow}, Outline{"Shape1", kBlack},
                                 Outline{"Shape2", kBlack}, Outline{"Shape3", kBlack}}) {
            const QRect box = pixelBox(o.name);
            // A third of the way along each edge, clear of the lines that
            // join the outlines at their middles.
            const int x = box.left() + box.width() / 3, y = box.top() + box.height() / 3;
            const QPoint edges[] = {
                {x, box.top()}, {x, box.bottom()}, {box.left(), y}, {box.right(), y}};
            const QPoint outward[] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
            for (int i = 0; i < 4; ++i) {
                QPoint edge = edges[i];
                QVERIFY2(at(img, edge.x(), edge.y()) == o.border,
                         qPrintable(QString("%1 edge %2").arg(o.name).arg(i)));
                // One pixel further out is the window, not a wider border.
                QPoint out = edge + outward[i];
                QVERIFY2(at(img, out.x(), out.y()) != o.border,
                         qPrintable(QString("%1 outside edge %2").arg(o.name).arg(i)));
                // And one pixel in, not a second border line.
                QPoint in = edge - outward[i];
                QVERIFY2(at(img, in.x(), in.y()) != o.border,
                         qPrintable(QString("%1 inside edge %2").arg(o.name).arg(i)));
            }
        }
    }

    void filledPanelsCoverExactlyTheirBoxes() {
        QImage img = render();
        // Shape5 and the opaque name label lblCredit1, both in the highlight
        // colour: every corner inside, every pixel diagonally beyond a corner
        // outside.
        for (const char* name : {"Shape5", "lblCredit1"}) {
            QRect box = pixelBox(name);
            for (QPoint corner : {box.topLeft(), box.topRight(), box.bottomLeft()}) {
                QVERIFY2(at(img, corner.x(), corner.y()) == kHighlight, name);
                QPoint beyond = corner + QPoint(corner.x() == box.left() ? -1 : 1,
                                                corner.y() == box.top() ? -1 : 1);
                QVERIFY2(at(img, beyond.x(), beyond.y()) == kWindowBlue, name);
            }
        }
    }

    void linesAreTwoPixelsWideBetweenTheirEnds() {
        QImage all = render();
        for (const Segment& s : kLines) {
            Line& line = about_.line(s.n);
            QCOMPARE(line.X1, float(s.x1));
            QCOMPARE(line.Y2, float(s.y2));
            line.X1 = line.X2 = line.Y1 = line.Y2 = -1000; // off the window
            Difference d = difference(all, render());
            about_.Unload();
            about_.Load();
            const QString which = QString("Line%1").arg(s.n);
            // Within one pixel of its end points (the square caps and the pen's
            // half width), and nowhere else.
            QRect ends = QRect(QPoint(std::min(px(s.x1), px(s.x2)), std::min(px(s.y1), px(s.y2))),
                               QPoint(std::max(px(s.x1), px(s.x2)), std::max(px(s.y1), px(s.y2))));
            QVERIFY2(ends.adjusted(-1, -1, 1, 1).contains(d.box), qPrintable(which));
            // Two pixels thick: its area is about twice its length.
            const int length = std::max(ends.width(), ends.height());
            QVERIFY2(
                d.count >= 2 * length - 6 && d.count <= 2 * length + 8,
                qPrintable(which + QString(": %1 pixels, length %2").arg(d.count).arg(length)));
        }
    }

    void labelsDrawTheirTextInsideTheirBoxes() {
        QImage all = render();
        struct Case {
            const char* name;
            bool centred;
        };
        for (Case c :
             {Case{"lblTitle", false}, Case{"lblVersion", false}, Case{"lblProgramming", false},
              Case{"lblCredit1", true}, Case{"lblGraphicDesign", true}, Case{"lblSound", false},
              Case{"lblEmotionalSupport", true}, Case{"lblCredit2", false},
              Case{"lblCredit3", false}}) {
            Label* label = about_.findLabel(c.name);
            QVERIFY(label);
            label->Caption.clear();
            Difference text = difference(all, render());
            about_.Unload();
            about_.Load();
            const QRect box = pixelBox(c.name);
            QVERIFY2(text.count > 20, c.name);
            QVERIFY2(box.contains(text.box), qPrintable(QString("%1: text at %2,%3 %4x%5")
                                                            .arg(c.name)
                                                            .arg(text.box.x())
                                                            .arg(text.box.y())
                                                            .arg(text.box.width())
                                                            .arg(text.box.height())));
            if (c.centred) {
                const int leftGap = text.box.left() - box.left();
                const int rightGap = box.right() - text.box.right();
                QVERIFY2(std::abs(leftGap - rightGap) <= 3, c.name);
            } else {
                // Left-aligned: only the first letter's own margin before it.
                QVERIFY2(text.box.left() - box.left() <= 1 + int(label->font.points) / 6, c.name);
            }
        }
    }

    void theTahomaLabelsAreFilledAsDesigned() {
        // "Emotional Support" in Tahoma fills nearly all of its label; a
        // narrow stand-in leaves a fifth of it empty.
        QImage all = render();
        about_.lblEmotionalSupport.Caption.clear();
        Difference text = difference(all, render());
        const int boxWidth = pixelBox("lblEmotionalSupport").width();
        QVERIFY2(text.box.width() >= boxWidth * 9 / 10,
                 qPrintable(QString("%1 of %2 pixels").arg(text.box.width()).arg(boxWidth)));
        // Yellow on the highlight panel behind it.
        QVERIFY(at(all, text.box.center().x(), text.box.center().y()) != kWindowBlue);
        int yellow = 0;
        for (int y = text.box.top(); y <= text.box.bottom(); ++y)
            for (int x = text.box.left(); x <= text.box.right(); ++x)
                yellow += at(all, x, y) == kYellow;
        QVERIFY(yellow > 30);
    }

    void thePictureIsDrawnAtItsPlaceAtItsOwnSize() {
        QImage img = render();
        QImage picture(":/pictures/about.gif");
        QCOMPARE(picture.size(), QSize(68, 69));
        const QPoint origin = pixelBox("Image1").topLeft();
        int opaque = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (qAlpha(picture.pixel(x, y)) == 255) {
                    ++opaque;
                    QCOMPARE(img.pixel(origin.x() + x, origin.y() + y),
                             picture.pixel(x, y) | 0xFF000000);
                }
        QVERIFY(opaque > 1000);
    }

    void picturesAreSharpAtWholeScalesAndSmoothAtFractionalOnes() {
        // At 2 screen pixels a picture pixel every pixel is a sharp block of
        // the picture's own colours; at 1.5 blocks would alternate between
        // one and two pixels, so the picture is smoothed and shows blends.
        PictureStore pictures;
        const QImage art = pictures.pixmap(*about_.Image1.picture).toImage();
        QSet<QRgb> palette;
        for (int y = 0; y < art.height(); ++y)
            for (int x = 0; x < art.width(); ++x)
                if (qAlpha(art.pixel(x, y)) == 255)
                    palette.insert(art.pixel(x, y));
        auto coloursOutsidePalette = [&](qreal scale) {
            QImage img(QSize(120, 120) * scale, QImage::Format_RGB32);
            img.fill(Qt::black);
            QPainter p(&img);
            p.scale(scale, scale);
            Sprite picture = about_.Image1;
            picture.Move(0, 0);
            paint(p, picture, pictures);
            p.end();
            int outside = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    outside +=
                        img.pixel(x, y) != qRgb(0, 0, 0) && !palette.contains(img.pixel(x, y));
            return outside;
        };
        QCOMPARE(coloursOutsidePalette(2.0), 0);
        QVERIFY(coloursOutsidePalette(1.5) > 100);
    }

    void laterControlsCoverEarlierOnesWhereTheyOverlap() {
        QImage img = render();
        const QRect credit1 = pixelBox("lblCredit1");
        // Line2 runs down into the top of lblCredit1, which comes later:
        // the label's panel covers the line's end.
        const int line2x = px(2625);
        QCOMPARE(at(img, line2x, credit1.top() - 3), kBlack);
        QCOMPARE(at(img, line2x, credit1.top()), kHighlight);
        QCOMPARE(at(img, line2x, credit1.top() + 1), kHighlight);
        // Line7 comes after lblCredit1: its square cap lies over the label's
        // bottom row.
        const int line7x = px(1680);
        QCOMPARE(at(img, line7x, credit1.bottom()), kBlack);
        QCOMPARE(at(img, line7x, credit1.bottom() + 5), kBlack);
        // Line4 after Shape5: over the panel's bottom row.
        const QRect shape5 = pixelBox("Shape5");
        QCOMPARE(at(img, px(4050), shape5.bottom()), kBlack);
        QCOMPARE(at(img, px(4050) + 4, shape5.bottom()), kHighlight);
        // The rich-text box lies above every drawn control: it covers the
        // lower part of lblCredit3's box, and nothing of the window's blue
        // shows through it.
        const QRect credit3 = pixelBox("lblCredit3");
        const QRect text = pixelBox("rtbOther");
        QVERIFY(credit3.intersects(text));
        const QRect overlap = credit3.intersected(text).adjusted(2, 2, -2, -2);
        for (int y = overlap.top(); y <= overlap.bottom(); ++y)
            for (int x = overlap.left(); x <= overlap.right(); ++x)
                QVERIFY(at(img, x, y) != kWindowBlue);
    }

    void theOkButtonIsFlatLightGreenAtItsPlace() {
        AboutDialog dialog(about_, QString());
        auto* ok = dialog.findChild<QPushButton*>("cmdOK");
        QVERIFY(ok);
        QCOMPARE(ok->geometry(), pixelBox("cmdOK"));
        QCOMPARE(ok->text(), QString("OK"));
        QVERIFY(ok->font().bold());
        QVERIFY(ok->isDefault());
        QImage img = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect box = pixelBox("cmdOK");
        // A flat face: the same light green along its top inside the bevel
        // and down its side between the bevel and the caption, where a
        // gradient would shade.
        for (int x = box.left() + 3; x <= box.right() - 3; ++x)
            QCOMPARE(at(img, x, box.top() + 2), kLightGreen);
        for (int y = box.top() + 2; y <= box.bottom() - 3; ++y)
            QCOMPARE(at(img, box.left() + 3, y), kLightGreen);
        // The caption is dark and sits in the middle.
        int dark = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left() + 30; x <= box.right() - 30; ++x)
                dark += qGray(img.pixel(x, y)) < 80;
        QVERIFY(dark > 15);
        // Pressing it sinks the bevel and keeps the face flat.
        ok->setDown(true);
        QImage down = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(down.copy(box) != img.copy(box));
        QCOMPARE(at(down, box.center().x(), box.top() + 3), kLightGreen);
    }
};

QTEST_MAIN(AboutPaintingTest)
#include "test_about.moc"
