// Checks the pictures compiled into the game: that each one is there under
// its resource name at the size the playfield lays it out, see-through where
// it must be, and that the scenery agrees with where the game puts things.
#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QtTest>

namespace {

constexpr int kBackgroundTop = 24; // playfield row of the background's first row

QImage load(const QString& stem) {
    return QImage(QStringLiteral(":/pictures/%1.gif").arg(stem));
}

bool isWater(QRgb c) {
    return qBlue(c) > qRed(c) + 30 && qBlue(c) >= qGreen(c);
}

bool isAsphalt(QRgb c) {
    const int hi = std::max({qRed(c), qGreen(c), qBlue(c)});
    const int lo = std::min({qRed(c), qGreen(c), qBlue(c)});
    return hi - lo < 24 && hi < 90;
}

bool isBright(QRgb c) {
    return qRed(c) > 180 && qGreen(c) > 150;
}

// The share of pixels in playfield rows [top, bottom] of the background that pass a test.
template <typename Test>
double shareOfRows(const QImage& background, int top, int bottom, Test test) {
    int hits = 0;
    int all = 0;
    for (int y = top; y <= bottom; ++y) {
        for (int x = 0; x < background.width(); ++x) {
            hits += test(background.pixel(x, y - kBackgroundTop)) ? 1 : 0;
            ++all;
        }
    }
    return double(hits) / all;
}

QRect opaqueBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

struct Bay {
    int first; // first playfield column inside the opening
    int last;  // last playfield column inside the opening
};

// A toad enters bay k when its Left lies strictly between the bounds of the
// bay (twips 240-480, 1560-1920, 3000-3360, 4440-4800, 5840-6120); a toad
// 22 pixels wide then lies wholly within these columns.
const Bay kBays[] = {{16, 53}, {104, 149}, {200, 245}, {296, 341}, {389, 429}};

} // namespace

class PictureTest : public QObject {
    Q_OBJECT

  private slots:
    void loadsAtItsSize_data();
    void loadsAtItsSize();
    void spritesFillTheirBoxes_data();
    void spritesFillTheirBoxes();
    void pointerIsBlank();
    void sceneryIsOpaque_data();
    void sceneryIsOpaque();
    void bayOpeningsAreOpen();
    void bankBetweenBaysIsClosed();
    void surfacesLieWhereTheToadStands();
    void roadMarkingsRunBetweenTheLanes();
};

void PictureTest::loadsAtItsSize_data() {
    QTest::addColumn<QString>("stem");
    QTest::addColumn<QSize>("size");
    const struct {
        const char* stem;
        int w, h;
    } pictures[] = {
        {"background", 450, 367}, {"water", 450, 124},       {"car1", 50, 30},
        {"car2", 49, 28},         {"car3", 49, 28},          {"car4", 65, 35},
        {"car5", 67, 31},         {"car6", 63, 33},          {"car10", 63, 32},
        {"car7", 55, 26},         {"car8", 150, 36},         {"car9", 171, 36},
        {"turtle", 38, 22},       {"log1", 231, 23},         {"log2", 128, 23},
        {"log3", 128, 23},        {"frog_north", 22, 24},    {"frog_south", 22, 19},
        {"frog_east", 22, 28},    {"frog_west", 23, 26},     {"frog_dead", 41, 29},
        {"frog_drowned", 34, 23}, {"time_bar", 226, 15},     {"about", 68, 69},
        {"icon", 32, 32},         {"pointer_blank", 32, 32},
    };
    for (const auto& p : pictures)
        QTest::newRow(p.stem) << QString::fromLatin1(p.stem) << QSize(p.w, p.h);
}

void PictureTest::loadsAtItsSize() {
    QFETCH(QString, stem);
    QFETCH(QSize, size);
    QImageReader reader(QStringLiteral(":/pictures/%1.gif").arg(stem));
    QCOMPARE(reader.format(), QByteArray("gif"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    // every picture carries a see-through colour, so sprites show what lies behind
    QVERIFY(image.hasAlphaChannel());
    if (stem != QLatin1String("pointer_blank")) {
        const QRect bounds = opaqueBounds(image);
        QVERIFY2(bounds.width() * bounds.height() * 4 >= size.width() * size.height(),
                 "most of the picture should be drawn");
    }
}

// The game tests collisions and footing against the whole picture, so what
// the player sees must reach every edge of it: a car's bumpers, a log's ends
// and the toad's toes.
void PictureTest::spritesFillTheirBoxes_data() {
    QTest::addColumn<QString>("stem");
    for (const char* stem :
         {"car1", "car2", "car3", "car4", "car5", "car6", "car7", "car8", "car9", "car10", "turtle",
          "log1", "log2", "log3", "frog_north", "frog_south", "frog_east", "frog_west", "time_bar"})
        QTest::newRow(stem) << QString::fromLatin1(stem);
}

void PictureTest::spritesFillTheirBoxes() {
    QFETCH(QString, stem);
    const QImage image = load(stem);
    QCOMPARE(opaqueBounds(image), image.rect());
}

void PictureTest::pointerIsBlank() {
    const QImage image = load(QStringLiteral("pointer_blank"));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            QCOMPARE(qAlpha(image.pixel(x, y)), 0);
}

void PictureTest::sceneryIsOpaque_data() {
    QTest::addColumn<QString>("stem");
    QTest::newRow("background") << QStringLiteral("background");
    QTest::newRow("water") << QStringLiteral("water");
}

// The scenery covers the window's green and the river hides the scenery
// under it: a see-through pixel there would show the wrong thing.
void PictureTest::sceneryIsOpaque() {
    QFETCH(QString, stem);
    const QImage image = load(stem);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 255)
                QFAIL(qPrintable(QStringLiteral("see-through at %1,%2").arg(x).arg(y)));
}

// Each bay shows water from edge to edge of the opening just above the
// river, and the opening reaches up past the top of the resting toad icon.
void PictureTest::bayOpeningsAreOpen() {
    const QImage background = load(QStringLiteral("background"));
    for (const Bay& bay : kBays) {
        for (int y = 50; y <= 54; ++y) {
            for (int x = bay.first; x <= bay.last; ++x) {
                if (!isWater(background.pixel(x, y - kBackgroundTop)))
                    QFAIL(qPrintable(QStringLiteral("bay at %1: no water at %2,%3")
                                         .arg(bay.first)
                                         .arg(x)
                                         .arg(y)));
            }
        }
        for (int y = 33; y <= 54; ++y) {
            QVERIFY(isWater(background.pixel(bay.first + 1, y - kBackgroundTop)));
            QVERIFY(isWater(background.pixel(bay.last - 1, y - kBackgroundTop)));
        }
    }
}

// Between the openings, and just outside each, the bank is solid: no water
// shows where a toad would not be let in.
void PictureTest::bankBetweenBaysIsClosed() {
    const QImage background = load(QStringLiteral("background"));
    int from = 0;
    for (int k = 0; k <= 5; ++k) {
        const int to = k < 5 ? kBays[k].first - 1 : background.width() - 1;
        for (int y = 28; y <= 54; ++y)
            for (int x = from; x <= to; ++x)
                if (isWater(background.pixel(x, y - kBackgroundTop)))
                    QFAIL(qPrintable(QStringLiteral("water in the bank at %1,%2").arg(x).arg(y)));
        if (k < 5)
            from = kBays[k].last + 1;
    }
}

void PictureTest::surfacesLieWhereTheToadStands() {
    const QImage background = load(QStringLiteral("background"));
    const QImage water = load(QStringLiteral("water"));
    // the river picture is water all over
    int wet = 0;
    for (int y = 0; y < water.height(); ++y)
        for (int x = 0; x < water.width(); ++x)
            wet += isWater(water.pixel(x, y)) ? 1 : 0;
    QVERIFY(wet >= water.width() * water.height() * 95 / 100);
    // the middle strip (toad at playfield rows 184..207) and the start strip
    // (rows 364..387) are dry land, not river and not road
    for (auto [top, bottom] : {std::pair{184, 206}, std::pair{365, 390}}) {
        QVERIFY(shareOfRows(background, top, bottom, isWater) == 0.0);
        QVERIFY(shareOfRows(background, top, bottom, isAsphalt) < 0.05);
    }
    // the four road lanes, where vehicles run, are asphalt
    for (auto [top, bottom] :
         {std::pair{213, 248}, std::pair{255, 280}, std::pair{287, 321}, std::pair{327, 356}})
        QVERIFY(shareOfRows(background, top, bottom, isAsphalt) > 0.8);
}

// Lane markings lie in the gaps between the lanes' vehicles, never under them.
void PictureTest::roadMarkingsRunBetweenTheLanes() {
    const QImage background = load(QStringLiteral("background"));
    for (auto [top, bottom] :
         {std::pair{213, 248}, std::pair{255, 280}, std::pair{287, 321}, std::pair{327, 356}})
        QVERIFY(shareOfRows(background, top, bottom, isBright) < 0.01);
    // dashed lines between lanes 4 and 3 and between lanes 2 and 1, a solid
    // double line between lanes 3 and 2
    QVERIFY(shareOfRows(background, 249, 254, isBright) > 0.15);
    QVERIFY(shareOfRows(background, 281, 286, isBright) > 0.5);
    QVERIFY(shareOfRows(background, 322, 326, isBright) > 0.15);
}

QTEST_GUILESS_MAIN(PictureTest)
#include "tst_pictures.moc"
