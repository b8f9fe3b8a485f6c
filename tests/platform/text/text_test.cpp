#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"
#include "platform/text/date_time.h"
#include "platform/text/float_text.h"
#include "platform/text/integer_text.h"
#include "platform/text/regional.h"
#include "platform/text/trim.h"

using namespace kvt::text;
using namespace kvt::text::literals;

namespace {

// Every test starts from the Brazilian defaults and leaves them so.
class RegionalGuard : public ::testing::Test {
 protected:
  void SetUp() override { setRegional({}); }
  void TearDown() override { setRegional({}); }
};

}  // namespace

TEST(Cp1252, LiteralsAndRuntimeConversionGiveSingleBytes) {
  EXPECT_EQ("não está"_cp, std::string("n\xE3o est\xE1"));
  EXPECT_EQ("Integração €"_cp, std::string("Integra\xE7\xE3o \x80"));
  EXPECT_EQ(utf8ToCp1252("Falha na conexão"), "Falha na conex\xE3o");
  // characters outside the code page and broken sequences never vanish silently
  EXPECT_EQ(utf8ToCp1252("a\xE4\xB8\xAD" "b"), "a?b");
  EXPECT_EQ(utf8ToCp1252(std::string("x\xC3")), std::string("x\xC3"));
  const std::string all = [] {
    std::string s;
    for (int b = 1; b < 256; ++b) s.push_back(static_cast<char>(b));
    return s;
  }();
  // every byte that names a character survives a round trip through UTF-8
  std::string back = utf8ToCp1252(cp1252ToUtf8(all));
  ASSERT_EQ(back.size(), all.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    const auto b = static_cast<unsigned char>(all[i]);
    const bool unused = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    if (!unused) {
      EXPECT_EQ(back[i], all[i]) << "byte " << int(b);
    }
  }
}

TEST(AsciiCase, TouchesOnlyAsciiLetters) {
  EXPECT_EQ(upperAscii("telecomando \xE7\xE3o"), "TELECOMANDO \xE7\xE3O");
  EXPECT_EQ(lowerAscii("</TELECOMANDO> \xC7"), "</telecomando> \xC7");
  EXPECT_TRUE(equalsIgnoreCase("CodMsg", "CODMSG"));
  EXPECT_FALSE(equalsIgnoreCase("\xE7", "\xC7"));
  EXPECT_FALSE(equalsIgnoreCase("abc", "abcd"));
}

TEST(Trim, RemovesBlanksAndControlCharactersOnly) {
  EXPECT_EQ(trim(" \t\r\n\x01 abc \x1F\n"), "abc");
  EXPECT_EQ(trim("\xA0x\xA0"), "\xA0x\xA0");  // a no-break space is text
  EXPECT_EQ(trim("   "), "");
  EXPECT_EQ(trimLeft("  a "), "a ");
  EXPECT_EQ(trimRight("  a "), "  a");
}

TEST(IntegerText, FollowsThePlatformRules) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {"12000", 12000},   {"  42", 42},          {"-7", -7},         {"+7", 7},
      {"$1F", 31},        {"0x10", 16},          {"$FFFFFFFF", -1},  {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      // unparsable: the default
      {"", -99},          {"12 ", -99},          {"1.5", -99},       {"abc", -99},
      {"2147483648", -99}, {"$", -99},           {"- 1", -99},       {"$100000000", -99},
  };
  for (const auto& c : cases) EXPECT_EQ(strToIntDef(c.text, -99), c.expected) << "text '" << c.text << "'";
}

using FloatText = RegionalGuard;

TEST_F(FloatText, GeneralFormatUsesFifteenDigitsAndTheRegionalSeparator) {
  struct Case {
    double value;
    const char* expected;
  } cases[] = {
      {0.0, "0"},          {1.5, "1,5"},         {-23.5, "-23,5"},        {100.0, "100"},
      {0.1, "0,1"},        {0.0001, "0,0001"},   {0.00001, "1E-5"},       {1.5e-7, "1,5E-7"},
      {1e14, "100000000000000"}, {1e15, "1E15"}, {-46.633308, "-46,633308"},
      {1.0 / 3.0, "0,333333333333333"},          {static_cast<double>(0.1f), "0,100000001490116"},
  };
  for (const auto& c : cases) EXPECT_EQ(floatToStr(c.value), c.expected) << c.value;
}

TEST_F(FloatText, FixedFormats) {
  EXPECT_EQ(formatThousands2(1000000.0), "1.000.000,00");
  EXPECT_EQ(formatThousands2(12.345), "12,35");
  EXPECT_EQ(formatThousands2(0.004), "0,00");
  EXPECT_EQ(formatThousands2(-1234.5), "-1.234,50");
  EXPECT_EQ(formatThousands2(999.999), "1.000,00");
  // values whose binary form lies a hair off a half hundredth round as their
  // 15-digit text does
  EXPECT_EQ(formatThousands2(2.675), "2,68");
  EXPECT_EQ(formatThousands2(1.005), "1,01");
  EXPECT_EQ(formatThousands2(0.015), "0,02");
  EXPECT_EQ(formatThousands2(999999.995), "1.000.000,00");
  EXPECT_EQ(formatThousands2(-0.001), "0,00");
  EXPECT_EQ(formatThousands2(123456789012.345), "123.456.789.012,35");
  EXPECT_EQ(formatFixed7_1(3.14159), "    3,1");
  EXPECT_EQ(formatFixed7_1(-123456.78), "-123456,8");
  RegionalSettings us;
  us.decimalSeparator = '.';
  us.thousandSeparator = ',';
  setRegional(us);
  EXPECT_EQ(formatThousands2(1234567.891), "1,234,567.89");
  // away from a half hundredth every rounding agrees: the digits and the
  // grouping against the C library
  std::mt19937 g(7);
  std::uniform_real_distribution<double> km(0, 2e6);
  for (int i = 0; i < 20000; ++i) {
    const double v = km(g) / (i % 2 ? 1 : 1000);
    const double resto = v * 100 - std::floor(v * 100);
    if (std::fabs(resto - 0.5) < 0.01) continue;
    char c[64];
    std::snprintf(c, sizeof c, "%.2f", v);
    std::string esperado;
    const std::string inteiro(c, std::strchr(c, '.'));
    for (std::size_t k = 0; k < inteiro.size(); ++k) {
      if (k > 0 && (inteiro.size() - k) % 3 == 0) esperado += ',';
      esperado += inteiro[k];
    }
    esperado += std::strchr(c, '.');
    ASSERT_EQ(formatThousands2(v), esperado) << v;
  }
  EXPECT_EQ(floatToStr(2.25), "2.25");
}

using DateText = RegionalGuard;

TEST_F(DateText, DateTimeTextLeavesMidnightOut) {
  EXPECT_EQ(dateTimeToStr({2024, 3, 9, 14, 5, 7, 0}), "09/03/2024 14:05:07");
  EXPECT_EQ(dateTimeToStr({2024, 3, 9, 0, 0, 0, 0}), "09/03/2024");
  EXPECT_EQ(dateTimeToStr({2024, 3, 9, 0, 0, 0, 1}), "09/03/2024 00:00:00");
  EXPECT_EQ(formatDateTime("yyyy-mm-dd hh:nn:ss.zzz \"h\" d/m/yy", {2024, 3, 9, 4, 5, 6, 7}),
            "2024-03-09 04:05:06.007 h 9/3/24");
  RegionalSettings other;
  other.shortDateFormat = "yyyy-mm-dd";
  other.dateSeparator = '-';
  other.longTimeFormat = "hh.nn";
  setRegional(other);
  EXPECT_EQ(dateTimeToStr({2024, 3, 9, 14, 5, 7, 0}), "2024-03-09 14.05");
}

TEST_F(DateText, TwoDigitYearsUseTheTwentyYearWindow) {
  EXPECT_EQ(expandTwoDigitYear(4, 2024, 20), 2004);
  EXPECT_EQ(expandTwoDigitYear(3, 2024, 20), 2103);
  EXPECT_EQ(expandTwoDigitYear(99, 2024, 20), 2099);
  ASSERT_TRUE(tryStrToDate("01/02/03", 2024));
  EXPECT_EQ(tryStrToDate("01/02/03", 2024)->year, 2103);
  EXPECT_EQ(tryStrToDate("01/02/04", 2024)->year, 2004);
  EXPECT_EQ(tryStrToDate("01/02/0003", 2024)->year, 3);
}

TEST_F(DateText, ReadingDatesAndTimes) {
  auto dt = tryStrToDateTime("29/02/2024 23:59:58", 2024);
  ASSERT_TRUE(dt);
  EXPECT_EQ(*dt, (DateTime{2024, 2, 29, 23, 59, 58, 0}));
  EXPECT_EQ(*tryStrToDateTime("1/2/2024 7:05", 2024), (DateTime{2024, 2, 1, 7, 5, 0, 0}));
  for (const char* bad : {"", "31/04/2024", "29/02/2023", "12/2024", "1/1/2024 24:00", "1/1/2024 x", "aa/bb/cc"})
    EXPECT_FALSE(tryStrToDateTime(bad, 2024)) << bad;
  EXPECT_FALSE(tryStrToDate("01/01/2024 10:00", 2024));
}

TEST(DateSql, RoundTripsAndEpochArithmetic) {
  const DateTime dt{2023, 12, 31, 23, 59, 59, 0};
  EXPECT_EQ(toSqlText(dt), "2023-12-31 23:59:59");
  EXPECT_EQ(*fromSqlText("2023-12-31 23:59:59"), dt);
  EXPECT_EQ(*fromSqlText("2023-12-31"), (DateTime{2023, 12, 31, 0, 0, 0, 0}));
  EXPECT_FALSE(fromSqlText("2023-13-01"));
  EXPECT_EQ(fromEpochSeconds(toEpochSeconds(dt) + 1), (DateTime{2024, 1, 1, 0, 0, 0, 0}));
  EXPECT_EQ(toEpochSeconds({1970, 1, 1, 0, 0, 0, 0}), 0);
  EXPECT_EQ(fromEpochSeconds(-1), (DateTime{1969, 12, 31, 23, 59, 59, 0}));
}
