#include "frontend/RtfText.h"

#include <QColor>
#include <QFile>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <cctype>

namespace lilyhops {

namespace {

struct Style {
    bool bold = false, italic = false, underline = false;
    int halfPoints = 24;
    int color = 0; // index into the colour table; 0 is the default colour
    QString align = "left";
    bool skip = false; // inside a destination that holds no text
    int unicodeSkip = 1;
};

class Reader {
  public:
    explicit Reader(const QByteArray& data) : s_(data) {}

    std::optional<QString> run() {
        if (!s_.trimmed().startsWith("{\\rtf"))
            return std::nullopt;
        while (pos_ < s_.size()) {
            char c = s_[pos_++];
            if (c == '{') {
                // Beyond the deepest group only the depth is counted.
                if (stack_.size() < kDeepestGroup)
                    stack_.append(style_);
                else
                    ++tooDeep_;
                continue;
            }
            if (c == '}') {
                if (tooDeep_ > 0) {
                    --tooDeep_;
                    continue;
                }
                if (inColorTable_ && stack_.size() == colorTableDepth_)
                    inColorTable_ = false;
                if (!stack_.isEmpty())
                    style_ = stack_.takeLast();
                continue;
            }
            if (c == '\\') {
                controlWord();
                continue;
            }
            if (c == '\r' || c == '\n')
                continue;
            if (inColorTable_) {
                if (c == ';') {
                    colors_.append(QColor(red_, green_, blue_));
                    red_ = green_ = blue_ = 0;
                }
                continue;
            }
            text(QChar(uchar(c)));
        }
        closeParagraph();
        return "<html><body>" + html_ + "</body></html>";
    }

  private:
    void controlWord() {
        if (pos_ >= s_.size())
            return;
        char c = s_[pos_];
        if (!std::isalpha(uchar(c))) {
            ++pos_;
            if (c == '\'' && pos_ + 2 <= s_.size()) {
                bool ok = false;
                int code = s_.mid(pos_, 2).toInt(&ok, 16);
                pos_ += 2;
                if (ok)
                    text(QChar(code)); // Windows-1252 agrees with Latin-1 for letters
            } else if (c == '*') {
                style_.skip = true; // an optional destination we do not know
            } else if (c == '~') {
                text(QChar(0xA0));
            } else if (c == '\\' || c == '{' || c == '}') {
                text(QChar(c));
            }
            return;
        }
        QByteArray word;
        while (pos_ < s_.size() && std::isalpha(uchar(s_[pos_])))
            word += s_[pos_++];
        QByteArray digits;
        if (pos_ < s_.size() && (s_[pos_] == '-' || std::isdigit(uchar(s_[pos_])))) {
            digits += s_[pos_++];
            while (pos_ < s_.size() && std::isdigit(uchar(s_[pos_])))
                digits += s_[pos_++];
        }
        if (pos_ < s_.size() && s_[pos_] == ' ')
            ++pos_;
        bool hasArg = !digits.isEmpty();
        // A parameter too long for an int counts as the largest one of its sign.
        bool fits = false;
        int arg = digits.toInt(&fits);
        if (hasArg && !fits && digits != "-")
            arg = digits.startsWith('-') ? -999999 : 999999;

        if (word == "fonttbl" || word == "stylesheet" || word == "info" || word == "pict" ||
            word == "header" || word == "footer" || word == "listtable" ||
            word == "listoverridetable" || word == "generator") {
            style_.skip = true;
        } else if (word == "colortbl") {
            inColorTable_ = true;
            colorTableDepth_ = stack_.size();
            colors_.clear();
        } else if (inColorTable_) {
            if (word == "red")
                red_ = arg;
            else if (word == "green")
                green_ = arg;
            else if (word == "blue")
                blue_ = arg;
        } else if (word == "par" || word == "line") {
            if (word == "par")
                closeParagraph();
            else
                raw("<br/>");
        } else if (word == "pard") {
            style_.align = "left";
        } else if (word == "qc" || word == "ql" || word == "qr" || word == "qj") {
            style_.align = word == "qc" ? "center" : word == "qr" ? "right" : "left";
        } else if (word == "plain") {
            style_.bold = style_.italic = style_.underline = false;
            style_.halfPoints = 24;
            style_.color = 0;
        } else if (word == "b") {
            style_.bold = !hasArg || arg != 0;
        } else if (word == "i") {
            style_.italic = !hasArg || arg != 0;
        } else if (word == "ul") {
            style_.underline = !hasArg || arg != 0;
        } else if (word == "ulnone") {
            style_.underline = false;
        } else if (word == "fs" && hasArg) {
            style_.halfPoints = std::clamp(arg, int(2 * kSmallestPoints), int(2 * kLargestPoints));
        } else if (word == "cf" && hasArg) {
            style_.color = arg;
        } else if (word == "tab") {
            text(QChar('\t'));
        } else if (word == "uc" && hasArg) {
            style_.unicodeSkip = arg;
        } else if (word == "u" && hasArg) {
            text(QChar(char16_t(arg < 0 ? arg + 65536 : arg)));
            skipFallback(style_.unicodeSkip);
        } else if (word == "emdash") {
            text(QChar(0x2014));
        } else if (word == "endash") {
            text(QChar(0x2013));
        } else if (word == "bullet") {
            text(QChar(0x2022));
        }
    }

    void skipFallback(int count) {
        for (int i = 0; i < count && pos_ < s_.size(); ++i) {
            if (s_[pos_] == '\\' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'')
                pos_ += 4;
            else if (s_[pos_] == '{' || s_[pos_] == '}')
                break;
            else
                ++pos_;
        }
    }

    void text(QChar ch) {
        if (style_.skip || inColorTable_)
            return;
        if (!inParagraph_) {
            paragraph_ = "<p align=\"" + style_.align + "\" style=\"margin:0\">";
            inParagraph_ = true;
        }
        QString css = QString("font-size:%1pt;").arg(style_.halfPoints / 2.0);
        if (style_.bold)
            css += "font-weight:bold;";
        if (style_.italic)
            css += "font-style:italic;";
        if (style_.underline)
            css += "text-decoration:underline;";
        if (style_.color > 0 && style_.color < colors_.size())
            css += "color:" + colors_[style_.color].name() + ";";
        if (css != spanCss_) {
            if (!spanCss_.isEmpty())
                paragraph_ += "</span>";
            paragraph_ += "<span style=\"" + css + "\">";
            spanCss_ = css;
        }
        // Qt lays out a word of many thousand letters very slowly; a long
        // run without a space gets an invisible break opportunity now and
        // then.
        if (ch.isSpace()) {
            wordLength_ = 0;
        } else if (++wordLength_ > kLongestWord) {
            paragraph_ += QChar(0x200B);
            wordLength_ = 1;
        }
        QString escaped = QString(ch).toHtmlEscaped();
        paragraph_ += ch == '\t' ? QString("&nbsp;&nbsp;&nbsp;&nbsp;") : escaped;
    }

    void raw(const QString& html) {
        if (style_.skip)
            return;
        if (!inParagraph_) {
            paragraph_ = "<p align=\"" + style_.align + "\" style=\"margin:0\">";
            inParagraph_ = true;
        }
        paragraph_ += html;
    }

    void closeParagraph() {
        if (style_.skip)
            return;
        if (!inParagraph_) {
            html_ += "<p style=\"margin:0\">&nbsp;</p>";
            return;
        }
        if (!spanCss_.isEmpty())
            paragraph_ += "</span>";
        html_ += paragraph_ + "</p>";
        inParagraph_ = false;
        wordLength_ = 0;
        spanCss_.clear();
    }

    const QByteArray& s_;
    qsizetype pos_ = 0;
    Style style_;
    QList<Style> stack_;
    bool inColorTable_ = false;
    qsizetype colorTableDepth_ = 0;
    int red_ = 0, green_ = 0, blue_ = 0;
    QList<QColor> colors_;
    int tooDeep_ = 0;
    static constexpr int kLongestWord = 64;
    int wordLength_ = 0;
    QString html_, paragraph_, spanCss_;
    bool inParagraph_ = false;
};

} // namespace

std::optional<QString> rtfToHtml(const QByteArray& rtf) {
    return Reader(rtf).run();
}

Credits readCredits(const QString& path) {
    const std::string name = path.toStdString();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {{}, "cannot read the credits file " + name + ": " + f.errorString().toStdString()};
    // One byte past the limit tells a file that is too large, whatever its
    // reported size (a pipe reports none).
    QByteArray data = f.read(kMaxCreditsBytes + 1);
    if (data.size() > kMaxCreditsBytes)
        return {{},
                "the credits file " + name + " is larger than " +
                    std::to_string(kMaxCreditsBytes / 1024) + " KiB; the About window shows none"};
    auto html = rtfToHtml(data);
    if (!html)
        return {{}, "the credits file " + name + " is not rich text"};
    return {*html, {}};
}

} // namespace lilyhops
