// Lookup rules of the key=value configuration text.
#include "config/config_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ValueCase {
  const char* name;
  const char* text;
  const char* key;
  const char* expected;
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

class ConfigValueCases : public testing::TestWithParam<ValueCase> {};

TEST_P(ConfigValueCases, FindsTheValue) {
  const ValueCase& c = GetParam();
  char value[64];
  ConfigValue(value, c.text, c.key);
  EXPECT_STREQ(value, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ConfigValueCases,
    testing::Values(
        ValueCase{"FirstLine", "a=1\nb=2\n", "a=", "1"},
        ValueCase{"SecondLine", "a=1\nb=2\n", "b=", "2"},
        ValueCase{"Absent", "a=1\nb=2\n", "c=", ""},
        ValueCase{"BlanksKept", "k=  v w  \r\n", "k=", "  v w  "},
        ValueCase{"EmptyBeforeCrLf", "k=\r\nz=1", "k=", ""},
        ValueCase{"EmptyBeforeLf", "k=\nz=1", "k=", ""},
        ValueCase{"LastLineWithoutBreak", "a=1\nk=tail end", "k=", "tail end"},
        ValueCase{"CrLfAndLfAlike", "a=x\r\nb=y\n", "a=", "x"},
        ValueCase{"NotAnchoredToLineStart", "username=bob\nname=alice\n", "name=", "bob"},
        ValueCase{"FirstOfTwo", "k=1\nk=2\n", "k=", "1"},
        ValueCase{"EqualsKeepsIndexApart", "promoID10=b\npromoID1=a\n", "promoID1=", "a"},
        ValueCase{"KeyInsideValue", "x=see k=7 here\nk=8\n", "k=", "7 here"},
        ValueCase{"CaseSensitive", "Key=1\nkey=2\n", "key=", "2"},
        ValueCase{"NoUnquoting", "k=\"q\"\n", "k=", "\"q\""},
        ValueCase{"CyrillicBytes", "n=\xc8\xe3\xf0\xe0\n", "n=", "\xc8\xe3\xf0\xe0"},
        ValueCase{"EmptyText", "", "k=", ""},
        ValueCase{"BareCrEndsValue", "k=a\rb\n", "k=", "a"}),
    [](const testing::TestParamInfo<ValueCase>& info) { return std::string(info.param.name); });

TEST(ConfigValue, CutsToTheFieldWidth) {
  char small[4];
  ConfigValue(small, "k=abcdefgh\n", "k=");
  EXPECT_STREQ(small, "abc");

  char one[1] = {'x'};
  ConfigValue(one, "k=abc", "k=");
  EXPECT_STREQ(one, "");

  char untouched = 'x';
  ConfigValue(&untouched, 0, "k=abc", "k=");
  EXPECT_EQ(untouched, 'x');
}

TEST(ConfigValue, ReadsEveryFieldWidthOfTheProgramWithoutOverrun) {
  // The widths that files and the registry fill: 16, 64, 128, 256, 260, 512, 1024.
  for (size_t width : {16u, 32u, 64u, 128u, 256u, 260u, 512u, 1024u}) {
    std::string text = "k=" + std::string(width * 2, 'v') + "\n";
    std::string buffer(width + 8, '#');
    ConfigValue(&buffer[0], width, text.c_str(), "k=");
    EXPECT_EQ(std::string(buffer.c_str()), std::string(width - 1, 'v')) << width;
    EXPECT_EQ(buffer.substr(width), std::string(8, '#')) << "wrote past " << width;
  }
}

struct NumberCase {
  const char* text;
  int32_t expected;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.text; }

class ConfigNumberCases : public testing::TestWithParam<NumberCase> {};

TEST_P(ConfigNumberCases, ReadsTheNumber) {
  EXPECT_EQ(ConfigNumber(GetParam().text, "n="), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ConfigNumberCases,
    testing::Values(NumberCase{"n=12.9\n", 12}, NumberCase{"n=-3.7\n", -3},
                    NumberCase{"n=7 apples\n", 7}, NumberCase{"n=abc\n", 0},
                    NumberCase{"n= 42\n", 42}, NumberCase{"n=\n", 0}, NumberCase{"x=5\n", 0},
                    NumberCase{"n=+8\n", 8}, NumberCase{"n=1e3\n", 1000},
                    NumberCase{"n=2.5E+1x\n", 25}, NumberCase{"n=7e\n", 7},
                    NumberCase{"n=.5\n", 0}, NumberCase{"n=-0.9\n", 0},
                    NumberCase{"n=0x1A\n", 0}, NumberCase{"n=inf\n", 0},
                    NumberCase{"n=nan\n", 0}, NumberCase{"n=99999999999\n", INT32_MAX},
                    NumberCase{"n=-99999999999\n", INT32_MIN},
                    NumberCase{"n=1e999999999\n", INT32_MAX},
                    // only the first 31 characters of the value count
                    NumberCase{"n=0000000000000000000000000000001\n", 1},
                    NumberCase{"n=00000000000000000000000000000001\n", 0}));

TEST(LeadingNumber, TakesLeadingDigitsOnly) {
  EXPECT_EQ(LeadingNumber("12abc"), 12);
  EXPECT_EQ(LeadingNumber("openurl"), 0);
  EXPECT_EQ(LeadingNumber(""), 0);
  EXPECT_EQ(LeadingNumber("007"), 7);
  EXPECT_EQ(LeadingNumber("99999999999999"), INT32_MAX);
}

TEST(UpcaseName, FoldsLatinAndCyrillicBytesOnly) {
  // a-z, 0xE0-0xFF (cp1251 lower-case Cyrillic) lowered by 0x20; 0xB8 (yo) and
  // everything else unchanged.
  char name[] = "html\\Strings.txt \xe0\xef\xff\xb8\xc0\x7b\x60\x40";
  UpcaseName(name);
  EXPECT_STREQ(name, "HTML\\STRINGS.TXT \xc0\xcf\xdf\xb8\xc0\x7b\x60\x40");
}

TEST(UpcaseName, ExaminesEveryByteValue) {
  for (int c = 1; c < 256; ++c) {
    char s[2] = {static_cast<char>(c), 0};
    UpcaseName(s);
    int expected = (c >= 'a' && c <= 'z') || c >= 0xE0 ? c - 0x20 : c;
    EXPECT_EQ(static_cast<unsigned char>(s[0]), expected) << c;
  }
}

}  // namespace
