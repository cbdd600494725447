#include "ui/number_parse.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

struct ParseCase {
  const char* text;
  double expected;
};

class LeadingNumberTest : public testing::TestWithParam<ParseCase> {};

TEST_P(LeadingNumberTest, ReadsNumberAtStartOfText) {
  const ParseCase& c = GetParam();
  EXPECT_DOUBLE_EQ(ui::leading_number(c.text), c.expected) << "text \"" << c.text << "\"";
}

INSTANTIATE_TEST_SUITE_P(NoNumberReadsZero, LeadingNumberTest,
                         testing::Values(ParseCase{"", 0.0}, ParseCase{"abc", 0.0},
                                         ParseCase{"   ", 0.0}, ParseCase{"-", 0.0},
                                         ParseCase{".", 0.0}, ParseCase{"-.", 0.0},
                                         ParseCase{"- 5", 0.0}, ParseCase{"x12", 0.0},
                                         ParseCase{"e5", 0.0}));

INSTANTIATE_TEST_SUITE_P(DecimalNumbers, LeadingNumberTest,
                         testing::Values(ParseCase{"12", 12.0}, ParseCase{"12abc", 12.0},
                                         ParseCase{"300abc", 300.0}, ParseCase{"  12", 12.0},
                                         ParseCase{"\t-3.5x", -3.5}, ParseCase{"+7", 7.0},
                                         ParseCase{".5", 0.5}, ParseCase{"5.", 5.0},
                                         ParseCase{"-.25", -0.25}, ParseCase{"0.950", 0.95},
                                         ParseCase{"007", 7.0}));

INSTANTIATE_TEST_SUITE_P(StopsAtFirstCharacterThatCannotBelong, LeadingNumberTest,
                         testing::Values(ParseCase{"1 2", 1.0}, ParseCase{"1.2.3", 1.2},
                                         ParseCase{"1,5", 1.0}, ParseCase{"14.7 AFR", 14.7},
                                         ParseCase{"2-3", 2.0}, ParseCase{"1e3e4", 1000.0}));

INSTANTIATE_TEST_SUITE_P(ExponentOnlyWhenDigitsFollow, LeadingNumberTest,
                         testing::Values(ParseCase{"1e3", 1000.0}, ParseCase{"1E+3", 1000.0},
                                         ParseCase{"2.5e-1", 0.25}, ParseCase{"1D2", 100.0},
                                         ParseCase{"1d2", 100.0}, ParseCase{"1E", 1.0},
                                         ParseCase{"1E+", 1.0}, ParseCase{"1Ex", 1.0},
                                         ParseCase{"1E 5", 1.0}, ParseCase{".5E1", 5.0}));

INSTANTIATE_TEST_SUITE_P(
    HexAndOctalIntegers, LeadingNumberTest,
    testing::Values(ParseCase{"&HFF", 255.0}, ParseCase{"&hff", 255.0}, ParseCase{"&HFFFF", -1.0},
                    ParseCase{"&H8000", -32768.0}, ParseCase{"&H7FFF", 32767.0},
                    ParseCase{"&H10000", 65536.0}, ParseCase{"&HFFFFFFFF", -1.0},
                    ParseCase{"&H80000000", -2147483648.0}, ParseCase{"&H7FFFFFFF", 2147483647.0},
                    ParseCase{"&O17", 15.0}, ParseCase{"&o177777", -1.0}, ParseCase{"&O18", 1.0},
                    ParseCase{"  &H1Fz", 31.0}, ParseCase{"&H", 0.0}, ParseCase{"&HG", 0.0},
                    ParseCase{"&X1", 0.0}, ParseCase{"&", 0.0}));

INSTANTIATE_TEST_SUITE_P(OutOfRangeReadsZero, LeadingNumberTest,
                         testing::Values(ParseCase{"1E400", 0.0}, ParseCase{"-1E400", 0.0},
                                         ParseCase{"1E-400", 0.0}, ParseCase{"&H1FFFFFFFF", 0.0},
                                         ParseCase{"1E99999999999999999999", 0.0}));

TEST(LeadingNumber, MinusZeroReadsAsPlainZero) {
  EXPECT_FALSE(std::signbit(ui::leading_number("-0")));
  EXPECT_FALSE(std::signbit(ui::leading_number("-0.000")));
}

TEST(LeadingNumber, ReportsCharactersTakenAndOverflow) {
  EXPECT_EQ(ui::parse_leading_number("  12abc").length, 4U);
  EXPECT_EQ(ui::parse_leading_number("1E+").length, 1U);
  EXPECT_EQ(ui::parse_leading_number("&HFFx").length, 4U);
  EXPECT_EQ(ui::parse_leading_number("abc").length, 0U);
  EXPECT_TRUE(ui::parse_leading_number("1E400").overflow);
  EXPECT_TRUE(ui::parse_leading_number("&H100000000").overflow);
  EXPECT_FALSE(ui::parse_leading_number("1E-400").overflow);
  EXPECT_FALSE(ui::parse_leading_number("0.0E999999").overflow);
}

TEST(LeadingNumber, LongDigitStringsAreReadWithoutLoss) {
  EXPECT_DOUBLE_EQ(ui::leading_number(std::string(300, '9')), 1e300);
  EXPECT_DOUBLE_EQ(ui::leading_number("0." + std::string(200, '0') + "1"), 1e-201);
}

// Field texts of the views and the configuration window, and data set values.
TEST(LeadingNumberIgnoringBlanks, SkipsBlanksAndTabsWhereverTheyStand) {
  struct Case {
    const char* text;
    double value;
    bool strict;
  };
  const Case cases[] = {
      {"7 000", 7000.0, true},
      {" 1 2.5", 12.5, true},
      {"  1 2.5 e 1", 125.0, true},
      {"- 5", -5.0, true},
      {"&H F\tF", 255.0, true},
      {"=   3", 0.0, false},
      {"", 0.0, false},
      {"2 5OO", 25.0, false},
      {"1 . 5 x", 1.5, false},
      {"\t6 5 5 3 5 \t", 65535.0, true},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(ui::leading_number_ignoring_blanks(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(ui::is_strict_number_ignoring_blanks(c.text), c.strict) << '"' << c.text << '"';
  }
}

struct StrictCase {
  const char* text;
  bool strict;
};

class StrictNumberTest : public testing::TestWithParam<StrictCase> {};

TEST_P(StrictNumberTest, WholeTextMustBeOneNumber) {
  EXPECT_EQ(ui::is_strict_number(GetParam().text), GetParam().strict)
      << "text \"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrictNumberTest,
    testing::Values(StrictCase{"12", true}, StrictCase{" 12 ", true}, StrictCase{"\t3\t", true},
                    StrictCase{"-.5", true}, StrictCase{"+7", true}, StrictCase{"1e5", true},
                    StrictCase{"&HFF", true}, StrictCase{"5.", true}, StrictCase{"12abc", false},
                    StrictCase{"", false}, StrictCase{"  ", false}, StrictCase{"1e", false},
                    StrictCase{"1 2", false}, StrictCase{"1E400", false}, StrictCase{"abc", false},
                    StrictCase{".", false}, StrictCase{"-", false}, StrictCase{"1,5", false}));

}  // namespace
