#pragma once
// Number texts as the console shows and writes them: masked numbers for fields and files,
// the plain "Str" text for captions, messages and log fields.
//
// Mask language: "0" is a digit always shown, "#" a digit shown only when significant,
// the first "." is the decimal point; every other character is literal text kept in place
// ("=#0.0" shows 14.7 as "=14.7"). Integer digits beyond the mask are all printed at the
// leftmost integer placeholder. In the fraction the digits are rounded to the number of
// placeholders; digits up to the last "0" are always shown, later "#" digits only when not
// a trailing zero ("##.#0" shows 14.7 as "14.70"). A mask with a point always shows it,
// so a whole number under "0.##" ends in a bare point ("1.").
//
// Rounding works on the decimal value (the binary value first rounded to 15 significant
// digits, 7 for single precision), halves away from zero: 1.005 under "0.00" is "1.01".
// A negative value that rounds to zero shows no minus sign.
//
// Values that are not finite never reach the controller or a file in normal use; they are
// shown as "Inf", "-Inf" and "NaN" (Str form " Inf", "-Inf", " NaN") rather than failing.

#include <string>
#include <string_view>

namespace ui {

// A double under a mask; an empty mask gives the Str text without its sign position.
std::string format_number(double value, std::string_view mask);
// A single-precision value under a mask, rounded on its 7-digit decimal value, so that a
// Single holding 0.1 never shows the binary tail of the float.
std::string format_single(float value, std::string_view mask);

// Str text: one blank for values that are not negative, "-" otherwise, no zero before the
// point of a value below 1 (" .5", "-.25"), the shortest text with at most 15 significant
// digits (7 for single). Exponent form (" 1E+16", " 1.5E-07") from 1E+15 up (1E+07 for
// single) and below 1E-04.
std::string str_double(double value);
std::string str_single(float value);
// Whole numbers: " 5", "-3".
std::string str_integer(long long value);

}  // namespace ui
