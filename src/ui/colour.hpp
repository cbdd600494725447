#pragma once
// Colours are 0x00BBGGRR integers and compared by exact equality, as the editors use a
// field's colour as its in-sync mark.

#include <cstdint>

namespace ui {

using Colour = std::int32_t;

constexpr Colour rgb(int red, int green, int blue) {
  return static_cast<Colour>((blue & 0xFF) << 16 | (green & 0xFF) << 8 | (red & 0xFF));
}

// The classic 16-colour palette by number; numbers outside 0 to 15 give black.
constexpr Colour qb_color(int number) {
  constexpr Colour palette[16] = {
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
  };
  return number >= 0 && number < 16 ? palette[number] : 0;
}

namespace colours {
inline constexpr Colour black = qb_color(0);
inline constexpr Colour light_grey = qb_color(7);
inline constexpr Colour dark_grey = qb_color(8);
inline constexpr Colour light_blue = qb_color(9);
inline constexpr Colour light_green = qb_color(10);
inline constexpr Colour light_red = qb_color(12);
inline constexpr Colour yellow = qb_color(14);
inline constexpr Colour white = qb_color(15);
// The desktop's face colour for buttons and window backgrounds.
inline constexpr Colour button_face = 0xC8D0D4;
}  // namespace colours

}  // namespace ui
