#pragma once

// Numbers as the game reads them from captions and writes them back.

#include <string>

namespace lilyhops {

// The number at the start of a text ("1350", "-50", "12.5 points"); a text
// that does not start with a number counts as 0. Leading blanks are skipped.
double leadingNumber(const std::string& text);

// Plain decimal text: no leading blank, no thousands separator, no exponent,
// and no decimal point for a whole number ("200", "-50", "12.5").
std::string plainDecimal(double value);
std::string plainDecimal(float value);

} // namespace lilyhops
