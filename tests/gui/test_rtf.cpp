// The credits file reader: enough rich text for the About window, and the
// About window still opening when the credits file is far too large.

#include "audio/RecordingTegoSnd.h"
#include "frontend/AboutDialog.h"
#include "frontend/GameWindow.h"
#include "frontend/RtfText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <iostream>
#include <sstream>

using namespace lilyhops;

namespace {

// Every font size the HTML asks for, in points.
QList<double> fontSizes(const QString& html) {
    QList<double> sizes;
    QRegularExpression size("font-size:([-0-9.]+)pt");
    for (auto m = size.globalMatch(html); m.hasNext();)
        sizes.append(m.next().captured(1).toDouble());
    return sizes;
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(data), data.size());
}

// Rich text of exactly `bytes` bytes: a paragraph of credits padded with
// words.
QByteArray richTextOfSize(qint64 bytes) {
    QByteArray head = "{\\rtf1\\ansi Thanks to everyone ";
    QByteArray data = head + QByteArray(bytes - head.size() - 1, 'x') + "}";
    return data;
}

// Captures what is written to std::cerr while it lives.
struct CapturedErrors {
    std::ostringstream text;
    std::streambuf* old = std::cerr.rdbuf(text.rdbuf());
    ~CapturedErrors() { std::cerr.rdbuf(old); }
    QStringList lines() const {
        return QString::fromStdString(text.str()).split('\n', Qt::SkipEmptyParts);
    }
};

} // namespace

class RtfTest : public QObject {
    Q_OBJECT
  private slots:
    void readsTextParagraphsAndStyles() {
        auto html =
            rtfToHtml("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                      "\\pard\\qc\\b Title\\b0\\par \\cf1 red\\cf0  caf\\'e9 \\u8212? end}");
        QVERIFY(html);
        QTextDocument doc;
        doc.setHtml(*html);
        QString text = doc.toPlainText();
        QVERIFY2(!text.contains("Arial"), qPrintable(text)); // the font table is not text
        QVERIFY(text.startsWith("Title\n"));
        QVERIFY2(text.contains(QString::fromUtf8("red café — end")), qPrintable(text));
        QVERIFY(html->contains("font-weight:bold"));
        QVERIFY(html->contains("color:#ff0000"));
        // Only the red run has a colour of its own; the rest keeps the box's.
        QCOMPARE(html->count("color:"), 1);
        QVERIFY(html->contains("align=\"center\""));
    }

    void rejectsWhatIsNotRichText() {
        QVERIFY(!rtfToHtml("plain words"));
        QVERIFY(!rtfToHtml(""));
        QVERIFY(!rtfToHtml(QByteArray("\x00\x01\x02", 3)));
    }

    void keepsFontSizesWithinBounds() {
        struct Case {
            const char* size;
            double points;
        };
        const Case cases[] = {
            {"\\fs20 ", 10},
            {"\\fs0 ", kSmallestPoints},
            {"\\fs-40 ", kSmallestPoints},
            {"\\fs1 ", kSmallestPoints},
            {"\\fs144 ", kLargestPoints},
            {"\\fs145 ", kLargestPoints},
            {"\\fs2000000 ", kLargestPoints},
            {"\\fs99999999999999999999 ", kLargestPoints},
            {"\\fs-99999999999999999999 ", kSmallestPoints},
        };
        for (const Case& c : cases) {
            auto html = rtfToHtml(QByteArray("{\\rtf1 ") + c.size + "credits}");
            QVERIFY(html);
            QCOMPARE(fontSizes(*html), QList<double>{c.points});
        }
    }

    void givesEndlessWordsPlacesToBreak() {
        // Qt takes many seconds to lay out one word of a quarter megabyte; a
        // long run of letters gets an invisible break opportunity every 64.
        const QString word(1000, 'x');
        auto html = rtfToHtml("{\\rtf1 short words " + word.toLatin1() + " end}");
        QVERIFY(html);
        QTextDocument doc;
        doc.setHtml(*html);
        QString text = doc.toPlainText();
        QCOMPARE(text.count(QChar(0x200B)), 15);
        QCOMPARE(text.remove(QChar(0x200B)), "short words " + word + " end");
    }

    void survivesGroupsNestedBeyondAnyDepth() {
        // A hundred thousand open groups: the text inside is still read, the
        // text after the matching closes has the outer style again.
        const int depth = 100000;
        QByteArray rtf = "{\\rtf1 \\b outer ";
        rtf += QByteArray(depth, '{') + "\\b0 inner" + QByteArray(depth, '}') + " after}";
        auto html = rtfToHtml(rtf);
        QVERIFY(html);
        QTextDocument doc;
        doc.setHtml(*html);
        QCOMPARE(doc.toPlainText(), QString("outer inner after"));
        QVERIFY(html->endsWith("after</span></p></body></html>"));
        QVERIFY(html->contains("<span style=\"font-size:12pt;font-weight:bold;\"> after"));
    }

    void refusesACreditsFileLargerThanItsLimit() {
        QTemporaryDir dir;
        const QString atLimit = dir.filePath("at-limit.rtf"), over = dir.filePath("over.rtf");
        writeFile(atLimit, richTextOfSize(kMaxCreditsBytes));
        writeFile(over, richTextOfSize(kMaxCreditsBytes + 1));

        Credits fits = readCredits(atLimit);
        QCOMPARE(fits.problem, std::string());
        QVERIFY(fits.html.contains("Thanks to everyone"));

        Credits tooLarge = readCredits(over);
        QCOMPARE(tooLarge.html, QString());
        QCOMPARE(tooLarge.problem, "the credits file " + over.toStdString() +
                                       " is larger than 256 KiB; the About window shows none");

        Credits missing = readCredits(dir.filePath("none.rtf"));
        QVERIFY(missing.html.isEmpty());
        QVERIFY(QString::fromStdString(missing.problem).startsWith("cannot read the credits file"));

        writeFile(dir.filePath("plain.rtf"), "just words");
        QCOMPARE(readCredits(dir.filePath("plain.rtf")).problem,
                 "the credits file " + dir.filePath("plain.rtf").toStdString() +
                     " is not rich text");
    }

    void aboutWindowOpensWithAHugeCreditsFileAndSaysSoOnce() {
        QTemporaryDir dir;
        // Tens of megabytes, as a broken or mistaken file could be.
        writeFile(dir.filePath("Credits.rtf"), richTextOfSize(40 * 1024 * 1024));
        Scheduler scheduler;
        CallLog log;
        RecordingTegoSnd sound{scheduler, log};
        CapturedErrors errors;
        GameWindow window{scheduler, sound, dir.path().toStdString()};
        window.show();

        for (int opening = 1; opening <= 2; ++opening) {
            bool shown = false;
            QString credits = "unread";
            QTimer::singleShot(0, &window, [&] {
                auto* dialog = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
                if (!dialog)
                    return;
                shown = dialog->isVisible();
                credits = dialog->findChild<QTextBrowser*>()->toPlainText();
                dialog->accept();
            });
            QElapsedTimer clock;
            clock.start();
            window.game().mnuAbout_Click();
            QVERIFY2(shown, "the About window did not open");
            QCOMPARE(credits, QString());
            qInfo("About window %d opened and closed in %lld ms", opening, clock.elapsed());
        }
        QCOMPARE(errors.lines(),
                 QStringList{"lilyhops: the credits file " + dir.filePath("Credits.rtf") +
                             " is larger than 256 KiB; the About window shows none"});
    }

    void survivesBrokenRichText() {
        // Unbalanced groups and a trailing backslash end the text, nothing more.
        auto html = rtfToHtml("{\\rtf1 {{\\b open \\");
        QVERIFY(html);
        QTextDocument doc;
        doc.setHtml(*html);
        QVERIFY(doc.toPlainText().contains("open"));
    }
};

QTEST_MAIN(RtfTest)
#include "test_rtf.moc"
