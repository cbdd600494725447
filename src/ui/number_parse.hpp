#pragma once
// Reading numbers typed into fields and read from files, by the leading-number rule: the
// number at the start of the text counts, the rest is ignored, no number reads as 0.
//
// Accepted: blanks and tabs before the number; an optional sign; digits with at most one
// "." (never a comma); an exponent "E", "e", "D" or "d" with optional sign, taken only when
// digits follow it. "&H" (hexadecimal) and "&O" (octal) introduce an integer: a value up
// to 0xFFFF reads as a 16-bit signed integer (&HFFFF is -1), a larger one up to 0xFFFFFFFF
// as a 32-bit signed integer (&HFFFFFFFF is -1). Reading stops at the first character that
// cannot belong, a blank inside the number included.
//
// Numbers beyond the range of a double, and hex or octal numbers beyond 32 bits, read as 0
// and are not strict numbers: no caller may see an infinite value coming out of a field.

#include <cstddef>
#include <string_view>

namespace ui {

struct ParsedNumber {
  double value = 0.0;
  // Characters taken from the text, leading blanks included; 0 when there is no number.
  std::size_t length = 0;
  // The text began with a number too large to hold; value is 0.
  bool overflow = false;
};

ParsedNumber parse_leading_number(std::string_view text);

// The leading number of the text, 0 when there is none.
double leading_number(std::string_view text);

// The leading number with every blank and tab removed from the text first, so "1 2.5"
// reads as 12.5 and "7 000" as 7000; the data set reader takes its values this way, and so
// do the fields of the live views (dashboard, diagnostics, dyno) and the configuration
// editor. The map grids and their fields keep the leading-number rule.
double leading_number_ignoring_blanks(std::string_view text);

// True when the whole text, blanks around it allowed, is exactly one number.
bool is_strict_number(std::string_view text);

// True when the text with every blank and tab removed is exactly one number ("7 000").
bool is_strict_number_ignoring_blanks(std::string_view text);

}  // namespace ui
