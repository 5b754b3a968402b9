// Fixed-point values and number text: the forms the scene files and grids depend on.
#include <gtest/gtest.h>

#include "support/currency.h"
#include "support/errors.h"
#include "support/number_format.h"

namespace talvero {
namespace {

TEST(Currency, RoundsLongDoubleHalfToEvenAndRejectsOverflow) {
  EXPECT_EQ(Currency::FromLongDouble(1.23456L).Raw(), 12346);
  EXPECT_EQ(Currency::FromLongDouble(-0.00004L).Raw(), 0);
  EXPECT_EQ(Currency::FromLongDouble(-1.7L).Raw(), -17000);
  EXPECT_EQ(*RoundHalfEvenToInt64(2.5L), 2);
  EXPECT_EQ(*RoundHalfEvenToInt64(3.5L), 4);
  EXPECT_EQ(*RoundHalfEvenToInt64(-2.5L), -2);
  EXPECT_THROW(Currency::FromLongDouble(1e20L), ConvertError);
  EXPECT_THROW(Currency::FromLongDouble(__builtin_nanl("")), ConvertError);
}

TEST(Currency, ParsesExactDecimalText) {
  EXPECT_EQ(Currency::Parse("-1.7").Raw(), -17000);
  EXPECT_EQ(Currency::Parse("5").Raw(), 50000);
  EXPECT_EQ(Currency::Parse(".5").Raw(), 5000);
  EXPECT_EQ(Currency::Parse("+12.345").Raw(), 123450);
  // More than four decimals: halves to even on the exact digits.
  EXPECT_EQ(Currency::Parse("12.34565").Raw(), 123456);
  EXPECT_EQ(Currency::Parse("12.34575").Raw(), 123458);
  EXPECT_EQ(Currency::Parse("12.345650001").Raw(), 123457);
  EXPECT_EQ(Currency::Parse("-922337203685477.5808").Raw(), INT64_MIN);
  for (const char* bad : {"", "-", ".", "1.2.3", "1e3", "abc", " 1", "922337203685477.5808",
                          "99999999999999999999999"})
    EXPECT_THROW(Currency::Parse(bad), ConvertError) << bad;
}

TEST(Currency, NegatesExactlyAndComparesNumerically) {
  const Currency a = Currency::Parse("-1.7");
  EXPECT_EQ((-a).Raw(), 17000);
  EXPECT_EQ(-(-a), a);
  EXPECT_LT(a, Currency::FromInt(0));
  EXPECT_EQ(Currency::Parse("1.50"), Currency::Parse("1.5"));
  EXPECT_THROW(-Currency::FromRaw(INT64_MIN), ConvertError);
  EXPECT_EQ((a + Currency::FromInt(1)).ToGeneralString(), "-0.7");
}

TEST(Currency, FixedTextRoundsHalfToEvenWithoutNegativeZero) {
  EXPECT_EQ(Currency::Parse("12.345").ToFixedString(2), "12.34");
  EXPECT_EQ(Currency::Parse("12.355").ToFixedString(2), "12.36");
  EXPECT_EQ(Currency::Parse("-0.005").ToFixedString(2), "0.00");
  EXPECT_EQ(Currency::Parse("-0.015").ToFixedString(2), "-0.02");
  EXPECT_EQ(Currency::Parse("-1.7").ToFixedString(2), "-1.70");
  EXPECT_EQ(Currency::FromInt(0).ToFixedString(2), "0.00");
  EXPECT_EQ(Currency::Parse("-1.7").ToFixedString(5), "-1.70000");
  EXPECT_EQ(Currency::FromRaw(INT64_MIN).ToFixedString(5), "-922337203685477.58080");
}

TEST(Currency, GeneralTextIsShortestWithFifteenDigits) {
  EXPECT_EQ(Currency::Parse("-1.7").ToGeneralString(), "-1.7");
  EXPECT_EQ(Currency::FromInt(1500).ToGeneralString(), "1500");
  EXPECT_EQ(Currency::FromInt(0).ToGeneralString(), "0");
  EXPECT_EQ(Currency::Parse("0.0001").ToGeneralString(), "0.0001");
  EXPECT_EQ(Currency::FromRaw(INT64_MAX).ToGeneralString(), "922337203685478");
}

TEST(NumberFormat, GeneralForm) {
  EXPECT_EQ(FormatGeneral(0.25L), "0.25");
  EXPECT_EQ(FormatGeneral(254.5L), "254.5");
  EXPECT_EQ(FormatGeneral(-1.7L), "-1.7");
  EXPECT_EQ(FormatGeneral(1500.0L), "1500");
  EXPECT_EQ(FormatGeneral(0.0L), "0");
  EXPECT_EQ(FormatGeneral(-0.0L), "0");
  EXPECT_EQ(FormatGeneral(32.0625L), "32.0625");
  EXPECT_EQ(FormatGeneral(0.1 + 0.2), "0.3");  // binary noise beyond 15 digits disappears
  EXPECT_EQ(FormatGeneral(0.0001L), "0.0001");
  EXPECT_EQ(FormatGeneral(1e-5L), "1E-5");
  EXPECT_EQ(FormatGeneral(1.5e-5L), "1.5E-5");
  EXPECT_EQ(FormatGeneral(-2.5e-7L), "-2.5E-7");
  EXPECT_EQ(FormatGeneral(1e15L), "1E15");
  EXPECT_EQ(FormatGeneral(999999999999999.0L), "999999999999999");
  EXPECT_EQ(FormatGeneral(9999999999999999.0L), "1E16");
  EXPECT_EQ(FormatGeneral(123456789012345.6L), "123456789012346");
}

TEST(NumberFormat, GeneralDigitsInPlainNotation) {
  EXPECT_EQ(FormatGeneralPlain(1e-5L), "0.00001");
  EXPECT_EQ(FormatGeneralPlain(-2.5e-7L), "-0.00000025");
  EXPECT_EQ(FormatGeneralPlain(1e15L), "1000000000000000");
  EXPECT_EQ(FormatGeneralPlain(9999999999999999.0L), "10000000000000000");
  EXPECT_EQ(FormatGeneralPlain(1.7L), "1.7");
  EXPECT_EQ(FormatGeneralPlain(0.0L), "0");
}

TEST(NumberFormat, FixedFormRoundsHalfAwayOnDecimalDigits) {
  EXPECT_EQ(FormatFixed(0.125L, 2), "0.13");
  // 1.005 is 1.00499999999999999996 in extended precision but 1.005 in 18 digits.
  EXPECT_EQ(FormatFixed(1.005L, 2), "1.01");
  EXPECT_EQ(FormatFixed(0.145, 2), "0.14");  // a double's 0.145 is 0.14499999999999999 to 18 digits
  EXPECT_EQ(FormatFixed(-0.125L, 2), "-0.13");
  EXPECT_EQ(FormatFixed(-0.001L, 2), "0.00");
  EXPECT_EQ(FormatFixed(2.5L, 2), "2.50");
  EXPECT_EQ(FormatFixed(0.001, 6), "0.001000");
  EXPECT_EQ(FormatFixed(0.12575, 6), "0.125750");
  EXPECT_EQ(FormatFixed(0.9996L, 3), "1.000");
  EXPECT_EQ(FormatFixed(5.0L, 1), "5.0");
  EXPECT_EQ(FormatFixed(-2.0L, 1), "-2.0");
  EXPECT_EQ(FormatFixed(0.4L, 0), "0");
  EXPECT_EQ(FormatFixed(9.5L, 0), "10");
}

TEST(NumberFormat, StrictParsing) {
  EXPECT_EQ(*ParseFloat("1.5"), 1.5L);
  EXPECT_EQ(*ParseFloat("-.5"), -0.5L);
  EXPECT_EQ(*ParseFloat("5."), 5.0L);
  EXPECT_EQ(*ParseFloat("1e3"), 1000.0L);
  EXPECT_EQ(*ParseFloat("+2E-1"), 0.2L);
  for (const char* bad : {"", "-", ".", "-.", "1-2", "abc", "1e", "inf", "nan", " 1", "1 ", "1,5", "1e+"})
    EXPECT_FALSE(ParseFloat(bad).has_value()) << bad;
  EXPECT_FALSE(ParseFloat("1e99999").has_value());

  EXPECT_EQ(*ParseInt64("$FF"), 255);
  EXPECT_EQ(*ParseInt64("-12"), -12);
  EXPECT_EQ(*ParseInt64("007"), 7);
  for (const char* bad : {"", "-", "1-2", "$", "$G", "1.5", "99999999999999999999", "++1"})
    EXPECT_FALSE(ParseInt64(bad).has_value()) << bad;
}

}  // namespace
}  // namespace talvero
