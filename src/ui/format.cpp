#include "ui/format.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <vector>

namespace ui {
namespace {

constexpr int double_digits = 15;
constexpr int single_digits = 7;

// A finite magnitude as decimal digits: value = 0.d1d2...dn x 10^point.
// No leading or trailing zeros in digits; zero has no digits.
struct Decimal {
  bool negative = false;
  std::string digits;
  int point = 0;
};

// Rounds the binary value to the given significant digits first, so that every later
// rounding sees the decimal number the user would read (1.005, not 1.00499999...).
template <typename Float>
Decimal to_decimal(Float value, int significant_digits) {
  Decimal result;
  result.negative = std::signbit(value);
  // "d.ddd...e+ddd" never exceeds this for 17 digits and a three-digit exponent.
  std::array<char, 64> buffer{};
  const auto converted =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(value),
                    std::chars_format::scientific, significant_digits - 1);
  const std::string_view text(buffer.data(),
                              static_cast<std::size_t>(converted.ptr - buffer.data()));
  const std::size_t exponent_at = text.find('e');
  for (std::size_t i = 0; i < exponent_at; ++i) {
    if (text[i] != '.') result.digits.push_back(text[i]);
  }
  int exponent = 0;
  const std::string_view exponent_text = text.substr(exponent_at + 1);
  const char* exponent_begin = exponent_text.data();
  if (!exponent_text.empty() && exponent_text.front() == '+') ++exponent_begin;
  std::from_chars(exponent_begin, exponent_text.data() + exponent_text.size(), exponent);
  result.point = exponent + 1;
  while (!result.digits.empty() && result.digits.back() == '0') result.digits.pop_back();
  if (result.digits.empty()) result.point = 0;
  return result;
}

// Rounds to `places` digits after the point, an exact half away from zero.
void round_to_places(Decimal& number, int places) {
  const long keep = static_cast<long>(number.point) + places;
  const auto digit_count = static_cast<long>(number.digits.size());
  if (keep >= digit_count) return;
  if (keep < 0) {
    number.digits.clear();
    number.point = 0;
    return;
  }
  const bool round_up = number.digits[static_cast<std::size_t>(keep)] >= '5';
  number.digits.resize(static_cast<std::size_t>(keep));
  if (round_up) {
    std::size_t i = number.digits.size();
    while (i > 0 && number.digits[i - 1] == '9') {
      number.digits[i - 1] = '0';
      --i;
    }
    if (i == 0) {
      number.digits.insert(number.digits.begin(), '1');
      ++number.point;
    } else {
      ++number.digits[i - 1];
    }
  }
  while (!number.digits.empty() && number.digits.back() == '0') number.digits.pop_back();
  if (number.digits.empty()) number.point = 0;
}

std::string integer_digits(const Decimal& number) {
  if (number.point <= 0) return {};
  std::string text = number.digits.substr(0, static_cast<std::size_t>(number.point));
  text.resize(static_cast<std::size_t>(number.point), '0');
  return text;
}

std::string fraction_digits(const Decimal& number, int places) {
  std::string text(static_cast<std::size_t>(places), '0');
  for (int k = 0; k < places; ++k) {
    const long index = static_cast<long>(number.point) + k;
    if (index >= 0 && index < static_cast<long>(number.digits.size())) {
      text[static_cast<std::size_t>(k)] = number.digits[static_cast<std::size_t>(index)];
    }
  }
  return text;
}

bool is_placeholder(char c) {
  return c == '0' || c == '#';
}

std::string non_finite_text(double value) {
  if (std::isnan(value)) return "NaN";
  return value < 0 ? "-Inf" : "Inf";
}

std::string apply_mask(const Decimal& value, std::string_view mask) {
  const std::size_t point_at = mask.find('.');
  const bool has_point = point_at != std::string_view::npos;
  const std::string_view integer_part = mask.substr(0, point_at);
  const std::string_view fraction_part = has_point ? mask.substr(point_at + 1) : std::string_view{};

  int integer_placeholders = 0;
  int integer_minimum = 0;
  for (const char c : integer_part) {
    if (!is_placeholder(c)) continue;
    ++integer_placeholders;
    // Every placeholder from the first "0" on is a digit always shown.
    if (c == '0' || integer_minimum > 0) ++integer_minimum;
  }
  int places = 0;
  int fraction_minimum = 0;
  for (const char c : fraction_part) {
    if (!is_placeholder(c)) continue;
    ++places;
    if (c == '0') fraction_minimum = places;
  }

  // A mask without any digit position is plain text.
  if (integer_placeholders == 0 && places == 0 && !has_point) return std::string(mask);

  Decimal rounded = value;
  round_to_places(rounded, places);

  std::string integer_text = integer_digits(rounded);
  if (static_cast<int>(integer_text.size()) < integer_minimum) {
    integer_text.insert(0, static_cast<std::size_t>(integer_minimum) - integer_text.size(), '0');
  }
  std::string fraction_text = fraction_digits(rounded, places);
  while (static_cast<int>(fraction_text.size()) > fraction_minimum && fraction_text.back() == '0') {
    fraction_text.pop_back();
  }

  // The integer section is filled from the right; the leftmost placeholder takes every
  // digit that is left over, so a mask never truncates a number.
  std::vector<std::string> pieces;
  std::size_t remaining = integer_text.size();
  int placeholders_seen = 0;
  if (integer_placeholders == 0) {
    pieces.push_back(integer_text);
    remaining = 0;
  }
  for (std::size_t i = integer_part.size(); i-- > 0;) {
    const char c = integer_part[i];
    if (!is_placeholder(c)) {
      pieces.emplace_back(1, c);
      continue;
    }
    ++placeholders_seen;
    if (placeholders_seen == integer_placeholders) {
      pieces.push_back(integer_text.substr(0, remaining));
      remaining = 0;
    } else if (remaining > 0) {
      pieces.emplace_back(1, integer_text[remaining - 1]);
      --remaining;
    }
  }

  std::string text;
  if (value.negative && !rounded.digits.empty()) text.push_back('-');
  for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) text += *piece;
  if (has_point) {
    text.push_back('.');
    std::size_t next_digit = 0;
    for (const char c : fraction_part) {
      if (!is_placeholder(c)) {
        text.push_back(c);
      } else if (next_digit < fraction_text.size()) {
        text.push_back(fraction_text[next_digit++]);
      } else {
        ++next_digit;
      }
    }
  }
  return text;
}

std::string str_text(const Decimal& number, int exponent_form_from) {
  std::string text(1, number.negative && !number.digits.empty() ? '-' : ' ');
  if (number.digits.empty()) return text + "0";
  const int exponent = number.point - 1;
  const auto count = static_cast<int>(number.digits.size());
  if (exponent >= exponent_form_from || exponent < -4) {
    text.push_back(number.digits.front());
    if (count > 1) {
      text.push_back('.');
      text.append(number.digits, 1, std::string::npos);
    }
    text.push_back('E');
    text.push_back(exponent < 0 ? '-' : '+');
    const int magnitude = std::abs(exponent);
    if (magnitude < 10) text.push_back('0');
    text += std::to_string(magnitude);
  } else if (number.point <= 0) {
    text.push_back('.');
    text.append(static_cast<std::size_t>(-number.point), '0');
    text += number.digits;
  } else if (number.point >= count) {
    text += number.digits;
    text.append(static_cast<std::size_t>(number.point - count), '0');
  } else {
    text.append(number.digits, 0, static_cast<std::size_t>(number.point));
    text.push_back('.');
    text.append(number.digits, static_cast<std::size_t>(number.point), std::string::npos);
  }
  return text;
}

std::string str_non_finite(double value) {
  const std::string text = non_finite_text(value);
  return text.front() == '-' ? text : " " + text;
}

}  // namespace

std::string format_number(double value, std::string_view mask) {
  if (!std::isfinite(value)) return non_finite_text(value);
  if (mask.empty()) return str_double(value).substr(value < 0 ? 0 : 1);
  return apply_mask(to_decimal(value, double_digits), mask);
}

std::string format_single(float value, std::string_view mask) {
  if (!std::isfinite(value)) return non_finite_text(value);
  if (mask.empty()) return str_single(value).substr(value < 0 ? 0 : 1);
  return apply_mask(to_decimal(value, single_digits), mask);
}

std::string str_double(double value) {
  if (!std::isfinite(value)) return str_non_finite(value);
  return str_text(to_decimal(value, double_digits), double_digits);
}

std::string str_single(float value) {
  if (!std::isfinite(value)) return str_non_finite(value);
  return str_text(to_decimal(value, single_digits), single_digits);
}

std::string str_integer(long long value) {
  const std::string digits = std::to_string(value);
  return value < 0 ? digits : " " + digits;
}

}  // namespace ui
