#pragma once

// A small reader of rich-text files, enough for the About window's credits:
// paragraphs, bold, italic, underline, font sizes, colours, alignment and
// escaped characters, turned into the HTML a Qt text box shows. Font tables,
// style sheets and other destinations are skipped.

#include <QByteArray>
#include <QString>
#include <optional>

namespace lilyhops {

// The HTML of a rich-text document, or nothing when the data is not rich text.
std::optional<QString> rtfToHtml(const QByteArray& rtf);

} // namespace lilyhops
