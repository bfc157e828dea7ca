#pragma once

// A small reader of rich-text files, enough for the About window's credits:
// paragraphs, bold, italic, underline, font sizes, colours, alignment and
// escaped characters, turned into the HTML a Qt text box shows. Font tables,
// style sheets and other destinations are skipped.

#include <QByteArray>
#include <QString>
#include <optional>
#include <string>

namespace lilyhops {

// The HTML of a rich-text document, or nothing when the data is not rich text.
// Font sizes are kept within kSmallestPoints .. kLargestPoints, and groups
// nested deeper than kDeepestGroup take the style of the deepest one.
std::optional<QString> rtfToHtml(const QByteArray& rtf);

inline constexpr double kSmallestPoints = 4;
inline constexpr double kLargestPoints = 72;
inline constexpr int kDeepestGroup = 256;

// The About window's box shows a few lines of credits; a file much larger
// than any credits would only keep the window from opening.
inline constexpr qint64 kMaxCreditsBytes = 256 * 1024;

struct Credits {
    QString html;        // empty when the file could not be shown
    std::string problem; // what went wrong, in words, or empty
};

// Reads the credits file for the About window.
Credits readCredits(const QString& path);

} // namespace lilyhops
