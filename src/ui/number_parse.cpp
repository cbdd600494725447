#include "ui/number_parse.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

namespace ui {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}
bool is_decimal_digit(char c) {
  return c >= '0' && c <= '9';
}

int digit_value(char c, int radix) {
  int value = radix;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value < radix ? value : -1;
}

// "&H..." or "&O..." starting at pos (the "&").
ParsedNumber parse_radix_integer(std::string_view text, std::size_t pos) {
  ParsedNumber result;
  if (pos + 1 >= text.size()) return result;
  const char kind = text[pos + 1];
  int radix = 0;
  if (kind == 'H' || kind == 'h') {
    radix = 16;
  } else if (kind == 'O' || kind == 'o') {
    radix = 8;
  } else {
    return result;
  }
  std::size_t end = pos + 2;
  std::uint64_t magnitude = 0;
  bool too_large = false;
  while (end < text.size()) {
    const int digit = digit_value(text[end], radix);
    if (digit < 0) break;
    // Keep reading the digits even once too large, so the whole number is consumed.
    if (!too_large) {
      magnitude = magnitude * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
      too_large = magnitude > 0xFFFFFFFFULL;
    }
    ++end;
  }
  if (end == pos + 2) return result;
  result.length = end;
  if (too_large) {
    result.overflow = true;
    return result;
  }
  if (magnitude <= 0xFFFF) {
    result.value = magnitude >= 0x8000 ? static_cast<double>(magnitude) - 65536.0
                                       : static_cast<double>(magnitude);
  } else {
    result.value = magnitude >= 0x80000000ULL ? static_cast<double>(magnitude) - 4294967296.0
                                              : static_cast<double>(magnitude);
  }
  return result;
}

// Rough decimal order of magnitude of a normalised number ("123.4e5" gives 8), saturated;
// only its sign matters, to tell overflow from underflow.
long long decimal_order(std::string_view normalised) {
  const std::size_t exponent_at = normalised.find('e');
  const std::string_view mantissa = normalised.substr(0, exponent_at);
  long long order = 0;
  const std::size_t point_at = mantissa.find('.');
  const std::size_t first_significant = mantissa.find_first_not_of("0.");
  if (first_significant == std::string_view::npos) return 0;
  const std::size_t integer_end = point_at == std::string_view::npos ? mantissa.size() : point_at;
  if (first_significant < integer_end) {
    order = static_cast<long long>(integer_end - first_significant);
  } else {
    order = -static_cast<long long>(first_significant - integer_end - 1);
  }
  if (exponent_at == std::string_view::npos) return order;
  std::string_view exponent = normalised.substr(exponent_at + 1);
  const bool negative = !exponent.empty() && exponent.front() == '-';
  if (!exponent.empty() && (exponent.front() == '-' || exponent.front() == '+')) {
    exponent.remove_prefix(1);
  }
  long long exponent_value = 0;
  for (const char c : exponent) {
    exponent_value = std::min(exponent_value * 10 + (c - '0'), 1000000000LL);
  }
  return order + (negative ? -exponent_value : exponent_value);
}

}  // namespace

ParsedNumber parse_leading_number(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && is_blank(text[pos])) ++pos;
  if (pos < text.size() && text[pos] == '&') return parse_radix_integer(text, pos);

  ParsedNumber result;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  // The number is rebuilt in the form from_chars reads: no sign, "e" for the exponent.
  std::string normalised;
  bool seen_point = false;
  bool seen_digit = false;
  while (pos < text.size()) {
    const char c = text[pos];
    if (is_decimal_digit(c)) {
      seen_digit = true;
    } else if (c == '.' && !seen_point) {
      seen_point = true;
    } else {
      break;
    }
    normalised.push_back(c);
    ++pos;
  }
  if (!seen_digit) return result;

  if (pos < text.size() &&
      (text[pos] == 'E' || text[pos] == 'e' || text[pos] == 'D' || text[pos] == 'd')) {
    std::size_t exponent_end = pos + 1;
    if (exponent_end < text.size() && (text[exponent_end] == '+' || text[exponent_end] == '-')) {
      ++exponent_end;
    }
    const std::size_t digits_begin = exponent_end;
    while (exponent_end < text.size() && is_decimal_digit(text[exponent_end])) ++exponent_end;
    if (exponent_end > digits_begin) {
      normalised.push_back('e');
      normalised.append(text.substr(pos + 1, exponent_end - pos - 1));
      pos = exponent_end;
    }
  }

  result.length = pos;
  double magnitude = 0.0;
  const auto [end, error] =
      std::from_chars(normalised.data(), normalised.data() + normalised.size(), magnitude);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    // Out of range either way: far too small is simply 0, far too large is flagged.
    result.overflow = decimal_order(normalised) > 0;
    return result;
  }
  if (error != std::errc{} || !std::isfinite(magnitude)) {
    result.overflow = true;
    return result;
  }
  // "-0" reads as plain 0, never as a negative zero.
  result.value = negative ? -magnitude + 0.0 : magnitude;
  return result;
}

double leading_number(std::string_view text) {
  return parse_leading_number(text).value;
}

namespace {

std::string without_blanks(std::string_view text) {
  std::string compact;
  compact.reserve(text.size());
  for (const char c : text) {
    if (!is_blank(c)) compact.push_back(c);
  }
  return compact;
}

}  // namespace

double leading_number_ignoring_blanks(std::string_view text) {
  return leading_number(without_blanks(text));
}

bool is_strict_number(std::string_view text) {
  const ParsedNumber number = parse_leading_number(text);
  if (number.length == 0 || number.overflow) return false;
  for (std::size_t i = number.length; i < text.size(); ++i) {
    if (!is_blank(text[i])) return false;
  }
  return true;
}

bool is_strict_number_ignoring_blanks(std::string_view text) {
  return is_strict_number(without_blanks(text));
}

}  // namespace ui
