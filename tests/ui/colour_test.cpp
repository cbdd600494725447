#include "ui/colour.hpp"

#include <gtest/gtest.h>

namespace {

struct PaletteCase {
  int number;
  int red, green, blue;
};

// The classic sixteen colours by number, as red, green and blue.
constexpr PaletteCase kPalette[] = {
    {0, 0, 0, 0},       {1, 0, 0, 128},    {2, 0, 128, 0},    {3, 0, 128, 128},
    {4, 128, 0, 0},     {5, 128, 0, 128},  {6, 128, 128, 0},  {7, 192, 192, 192},
    {8, 128, 128, 128}, {9, 0, 0, 255},    {10, 0, 255, 0},   {11, 0, 255, 255},
    {12, 255, 0, 0},    {13, 255, 0, 255}, {14, 255, 255, 0}, {15, 255, 255, 255},
};

TEST(Colour, PacksRedGreenBlueAsBlueGreenRedInteger) {
  EXPECT_EQ(ui::rgb(0x12, 0x34, 0x56), 0x00563412);
  EXPECT_EQ(ui::rgb(255, 0, 0), 0x000000FF);
  EXPECT_EQ(ui::rgb(0, 0, 255), 0x00FF0000);
}

TEST(Colour, QbColorGivesTheClassicSixteenColours) {
  for (const PaletteCase& c : kPalette) {
    EXPECT_EQ(ui::qb_color(c.number), ui::rgb(c.red, c.green, c.blue)) << "colour " << c.number;
  }
  EXPECT_EQ(ui::qb_color(-1), ui::colours::black);
  EXPECT_EQ(ui::qb_color(16), ui::colours::black);
}

TEST(Colour, SyncMarksAreYellowAndWhite) {
  // The editors compare a field's colour with these by exact equality.
  EXPECT_EQ(ui::colours::yellow, ui::rgb(255, 255, 0));
  EXPECT_EQ(ui::colours::white, ui::rgb(255, 255, 255));
  EXPECT_NE(ui::colours::white, ui::colours::button_face);
}

}  // namespace
