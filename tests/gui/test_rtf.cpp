// The credits file reader: enough rich text for the About window.

#include "frontend/RtfText.h"

#include <QTest>
#include <QTextDocument>

using namespace lilyhops;

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
        QVERIFY(html->contains("align=\"center\""));
    }

    void rejectsWhatIsNotRichText() {
        QVERIFY(!rtfToHtml("plain words"));
        QVERIFY(!rtfToHtml(""));
        QVERIFY(!rtfToHtml(QByteArray("\x00\x01\x02", 3)));
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
