#include "ui/rounding.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

struct Int16Case {
  double value;
  std::optional<std::int16_t> expected;
};

class RoundToInt16Test : public testing::TestWithParam<Int16Case> {};

TEST_P(RoundToInt16Test, RoundsHalvesToEvenWithinRange) {
  EXPECT_EQ(ui::round_to_int16(GetParam().value), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(HalvesToEven, RoundToInt16Test,
                         testing::Values(Int16Case{2.5, 2}, Int16Case{3.5, 4}, Int16Case{-2.5, -2},
                                         Int16Case{-3.5, -4}, Int16Case{126.5, 126},
                                         Int16Case{127.5, 128}, Int16Case{0.5, 0},
                                         Int16Case{1.5, 2}, Int16Case{-0.5, 0}));

INSTANTIATE_TEST_SUITE_P(NearestOtherwise, RoundToInt16Test,
                         testing::Values(Int16Case{2.4999, 2}, Int16Case{2.5000001, 3},
                                         Int16Case{-2.6, -3}, Int16Case{0.49999999999999994, 0},
                                         Int16Case{255.0, 255}));

INSTANTIATE_TEST_SUITE_P(
    OutOfRangeOrNotFiniteGivesNothing, RoundToInt16Test,
    testing::Values(Int16Case{32767.4, 32767}, Int16Case{32767.5, std::nullopt},
                    Int16Case{-32768.5, -32768}, Int16Case{-32768.6, std::nullopt},
                    Int16Case{32768.0, std::nullopt}, Int16Case{1e300, std::nullopt},
                    Int16Case{infinity, std::nullopt}, Int16Case{-infinity, std::nullopt},
                    Int16Case{not_a_number, std::nullopt}));

TEST(RoundToInt32, RoundsHalvesToEvenWithinRange) {
  EXPECT_EQ(ui::round_to_int32(2147483647.4), 2147483647);
  EXPECT_EQ(ui::round_to_int32(2147483647.5), std::nullopt);
  EXPECT_EQ(ui::round_to_int32(-2147483648.5), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ui::round_to_int32(-2147483649.0), std::nullopt);
  EXPECT_EQ(ui::round_to_int32(65535.5), 65536);
  EXPECT_EQ(ui::round_to_int32(1e10), std::nullopt);
  EXPECT_EQ(ui::round_to_int32(not_a_number), std::nullopt);
}

TEST(RoundHalfEven, LeavesLargeWholeNumbersAlone) {
  // Adding one half and flooring would move this value to its neighbour.
  constexpr double beyond_fractions = 4503599627370497.0;  // 2^52 + 1
  EXPECT_EQ(ui::round_half_even(beyond_fractions), beyond_fractions);
  EXPECT_EQ(ui::round_half_even(-beyond_fractions), -beyond_fractions);
  EXPECT_EQ(ui::round_half_even(infinity), infinity);
}

TEST(IntAndFix, IntRoundsDownFixTowardZero) {
  EXPECT_EQ(ui::int_floor(-2.5), -3.0);
  EXPECT_EQ(ui::int_floor(2.7), 2.0);
  EXPECT_EQ(ui::int_floor(-0.1), -1.0);
  EXPECT_EQ(ui::fix_trunc(-2.5), -2.0);
  EXPECT_EQ(ui::fix_trunc(2.7), 2.0);
  EXPECT_EQ(ui::fix_trunc(-0.1), 0.0);
}

TEST(FitsSingle, TakesFiniteValuesUpToTheLargestSingle) {
  const std::pair<double, bool> cases[] = {
      {3.4028234663852886e38, true},  // the largest single, exactly
      {-3.4028234663852886e38, true},
      {3.4028235e38, false},
      {-1e39, false},
      {1e-45, true},
      {0.0, true},
      {infinity, false},
      {-infinity, false},
      {not_a_number, false},
  };
  for (const auto& [value, fits] : cases) EXPECT_EQ(ui::fits_single(value), fits) << value;
}

}  // namespace
