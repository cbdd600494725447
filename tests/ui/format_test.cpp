#include "ui/format.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

struct MaskCase {
  double value;
  const char* mask;
  const char* expected;
};

class FormatNumberTest : public testing::TestWithParam<MaskCase> {};

TEST_P(FormatNumberTest, ShowsValueUnderMask) {
  const MaskCase& c = GetParam();
  EXPECT_EQ(ui::format_number(c.value, c.mask), c.expected)
      << "value " << c.value << " mask \"" << c.mask << "\"";
}

INSTANTIATE_TEST_SUITE_P(OptionalDigitsShowNothingForZero, FormatNumberTest,
                         testing::Values(MaskCase{0.5, "#.000", ".500"},
                                         MaskCase{0.0, "#.000", ".000"}, MaskCase{0.0, "#####", ""},
                                         MaskCase{0.0, "###", ""}, MaskCase{36.0, "###", "36"},
                                         MaskCase{0.0, "###.0", ".0"}, MaskCase{0.0, "####0", "0"},
                                         MaskCase{0.004, "#.00", ".00"}));

INSTANTIATE_TEST_SUITE_P(RequiredDigitsPad, FormatNumberTest,
                         testing::Values(MaskCase{7.0, "000", "007"}, MaskCase{255.0, "000", "255"},
                                         MaskCase{1.0, "000", "001"},
                                         MaskCase{0.0, "0.000", "0.000"},
                                         MaskCase{3.0, "#0.00", "3.00"},
                                         MaskCase{1.5, "##.#00", "1.500"}));

INSTANTIATE_TEST_SUITE_P(IntegerDigitsBeyondMaskAreAllPrinted, FormatNumberTest,
                         testing::Values(MaskCase{10000.0, "##0", "10000"},
                                         MaskCase{1234.0, "000", "1234"},
                                         MaskCase{123456789.0, "####0", "123456789"},
                                         MaskCase{1e20, "0", "100000000000000000000"}));

INSTANTIATE_TEST_SUITE_P(WholeNumberKeepsBarePoint, FormatNumberTest,
                         testing::Values(MaskCase{0.0, "0.##", "0."}, MaskCase{1.0, "0.##", "1."},
                                         MaskCase{1.2, "0.##", "1.2"},
                                         MaskCase{1.25, "0.##", "1.25"},
                                         MaskCase{1.999, "0.##", "2."}));

INSTANTIATE_TEST_SUITE_P(OptionalFractionDigitAfterRequiredOnesIsDroppedWhenZero, FormatNumberTest,
                         testing::Values(MaskCase{14.7, "##.#0", "14.70"},
                                         MaskCase{16.17, "##.#0", "16.17"},
                                         MaskCase{14.7 * 1.1, "##.#0", "16.17"},
                                         MaskCase{1.25, "0.0#", "1.25"},
                                         MaskCase{1.2, "0.0#", "1.2"}));

INSTANTIATE_TEST_SUITE_P(
    HalvesRoundAwayFromZeroOnDecimalValue, FormatNumberTest,
    testing::Values(MaskCase{1.125, "0.00", "1.13"}, MaskCase{1.005, "0.00", "1.01"},
                    MaskCase{2.5, "0", "3"}, MaskCase{-2.5, "0", "-3"}, MaskCase{0.5, "#", "1"},
                    MaskCase{-5.25, "#0.0", "-5.3"}, MaskCase{1.1 * 0.95, "0.000", "1.045"},
                    MaskCase{1.1 * 0.95, "0.00", "1.05"}, MaskCase{3.984375, "#.000", "3.984"},
                    MaskCase{9.675, "=#0.0", "=9.7"}));

INSTANTIATE_TEST_SUITE_P(CarryPropagatesIntoNewDigit, FormatNumberTest,
                         testing::Values(MaskCase{0.999, "0.00", "1.00"},
                                         MaskCase{9.999, "#0.00", "10.00"},
                                         MaskCase{99.96, "#0.0", "100.0"},
                                         MaskCase{0.96, "#.0", "1.0"}, MaskCase{0.6, "#", "1"},
                                         MaskCase{0.4, "#", ""}));

INSTANTIATE_TEST_SUITE_P(
    NegativeValues, FormatNumberTest,
    testing::Values(MaskCase{-16.0, "#0.00", "-16.00"}, MaskCase{-0.5, "#.000", "-.500"},
                    MaskCase{-1234.0, "##0", "-1234"}, MaskCase{-0.001, "0.00", "0.00"},
                    MaskCase{-0.04, "#0.0", "0.0"}, MaskCase{-0.4, "#####", ""},
                    MaskCase{-0.0, "0.0", "0.0"}));

INSTANTIATE_TEST_SUITE_P(
    LiteralTextStaysInPlace, FormatNumberTest,
    testing::Values(MaskCase{14.7, "=#0.0", "=14.7"}, MaskCase{1.0, "=#0.0", "=1.0"},
                    MaskCase{12.34, "##0.0 %", "12.3 %"}, MaskCase{-14.7, "=#0.0", "-=14.7"},
                    MaskCase{5.0, "(0)", "(5)"}, MaskCase{5.0, "no digits", "no digits"}));

INSTANTIATE_TEST_SUITE_P(NoIntegerPlaceholderPutsDigitsBeforePoint, FormatNumberTest,
                         testing::Values(MaskCase{5.0, ".00", "5.00"},
                                         MaskCase{0.25, ".00", ".25"}));

INSTANTIATE_TEST_SUITE_P(
    FifteenSignificantDigitsBeforeMasking, FormatNumberTest,
    testing::Values(MaskCase{0.1 + 0.2, "0.0000000000000000", "0.3000000000000000"},
                    MaskCase{2.675, "0.00", "2.68"}, MaskCase{1.0 / 3.0, "0.000000", "0.333333"}));

TEST(FormatNumber, EmptyMaskGivesPlainTextWithoutSignPosition) {
  EXPECT_EQ(ui::format_number(0.5, ""), ".5");
  EXPECT_EQ(ui::format_number(-1.5, ""), "-1.5");
  EXPECT_EQ(ui::format_number(14.0, ""), "14");
  EXPECT_EQ(ui::format_number(0.0, ""), "0");
}

TEST(FormatNumber, NonFiniteValuesGiveFixedTexts) {
  const double infinity = std::numeric_limits<double>::infinity();
  EXPECT_EQ(ui::format_number(infinity, "##0.0"), "Inf");
  EXPECT_EQ(ui::format_number(-infinity, "##0.0"), "-Inf");
  EXPECT_EQ(ui::format_number(std::numeric_limits<double>::quiet_NaN(), "0"), "NaN");
  EXPECT_EQ(ui::format_single(std::numeric_limits<float>::infinity(), "0"), "Inf");
}

TEST(FormatNumber, HugeValueUnderLongMaskDoesNotOverrun) {
  const std::string text = ui::format_number(std::numeric_limits<double>::max(), "0.00");
  EXPECT_EQ(text.size(), 309U + 3U);
  EXPECT_EQ(text.substr(0, 15), "179769313486232");
  EXPECT_EQ(text.substr(text.size() - 3), ".00");
}

TEST(FormatSingle, RoundsOnSevenDigitValueOfTheSingle) {
  // The float nearest 0.1 is 0.100000001490116...; as a Single it reads 0.1.
  EXPECT_EQ(ui::format_single(0.1F, "0.0000000000"), "0.1000000000");
  EXPECT_EQ(ui::format_number(static_cast<double>(0.1F), "0.0000000000"), "0.1000000015");
  // 1.005F is 1.00499999523...; its seven-digit value 1.005000 rounds up.
  EXPECT_EQ(ui::format_single(1.005F, "0.00"), "1.01");
  EXPECT_EQ(ui::format_single(-2.5F, "0"), "-3");
  EXPECT_EQ(ui::format_single(0.5F, "#.000"), ".500");
}

struct StrCase {
  double value;
  const char* expected;
};

class StrDoubleTest : public testing::TestWithParam<StrCase> {};

TEST_P(StrDoubleTest, GivesSignPositionAndShortestText) {
  EXPECT_EQ(ui::str_double(GetParam().value), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Fixed, StrDoubleTest,
    testing::Values(StrCase{0.0, " 0"}, StrCase{-0.0, " 0"}, StrCase{0.01, " .01"},
                    StrCase{2.5, " 2.5"}, StrCase{-13.0, "-13"}, StrCase{-0.5, "-.5"},
                    StrCase{0.1 + 0.2, " .3"}, StrCase{1.0 / 3.0, " .333333333333333"},
                    StrCase{2.0 / 3.0, " .666666666666667"}, StrCase{0.0001, " .0001"},
                    StrCase{123456789012345.0, " 123456789012345"}, StrCase{1000.0 / 1000.0, " 1"},
                    StrCase{1000.0 * 0.001 * 10.0, " 10"}, StrCase{250.0 * 0.001 * 10.0, " 2.5"}));

INSTANTIATE_TEST_SUITE_P(ExponentForm, StrDoubleTest,
                         testing::Values(StrCase{1e16, " 1E+16"}, StrCase{1e15, " 1E+15"},
                                         StrCase{1.5e-7, " 1.5E-07"}, StrCase{0.00001, " 1E-05"},
                                         StrCase{-2.5e-5, "-2.5E-05"}, StrCase{1e100, " 1E+100"},
                                         StrCase{1234567890123456.0, " 1.23456789012346E+15"}));

struct StrSingleCase {
  float value;
  const char* expected;
};

class StrSingleTest : public testing::TestWithParam<StrSingleCase> {};

TEST_P(StrSingleTest, GivesSevenSignificantDigitsAtMost) {
  EXPECT_EQ(ui::str_single(GetParam().value), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrSingleTest,
    testing::Values(StrSingleCase{0.1F, " .1"}, StrSingleCase{1.0F / 3.0F, " .3333333"},
                    StrSingleCase{100.0F / 3.0F, " 33.33333"}, StrSingleCase{-2.5F, "-2.5"},
                    StrSingleCase{9999999.0F, " 9999999"}, StrSingleCase{1e7F, " 1E+07"},
                    StrSingleCase{16777216.0F, " 1.677722E+07"}, StrSingleCase{1.5e-7F, " 1.5E-07"},
                    StrSingleCase{0.0F, " 0"}));

TEST(StrInteger, BlankForNotNegativeMinusOtherwise) {
  EXPECT_EQ(ui::str_integer(5), " 5");
  EXPECT_EQ(ui::str_integer(0), " 0");
  EXPECT_EQ(ui::str_integer(-3), "-3");
  EXPECT_EQ(ui::str_integer(std::numeric_limits<long long>::min()), "-9223372036854775808");
}

TEST(StrDouble, NonFiniteValuesKeepSignPosition) {
  EXPECT_EQ(ui::str_double(std::numeric_limits<double>::infinity()), " Inf");
  EXPECT_EQ(ui::str_double(-std::numeric_limits<double>::infinity()), "-Inf");
  EXPECT_EQ(ui::str_single(std::numeric_limits<float>::quiet_NaN()), " NaN");
}

}  // namespace
