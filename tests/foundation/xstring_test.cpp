// XString: Windows-1252 conversion, formatting, slicing and byte-wise ordering.
#include "xstring.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

TEST(XString, EncodesUnicodeInWindows1252) {
  struct Case {
    QString text;
    std::string bytes;
  };
  const Case cases[] = {
      {"Plain ASCII 123", "Plain ASCII 123"},
      {QString::fromUtf8("Zoë Müller"), "Zo\xEB M\xFCller"},
      {QString::fromUtf8("€ – — ‘’ “” … ™ Š ž Ÿ"),
       "\x80 \x96 \x97 \x91\x92 \x93\x94 \x85 \x99 \x8A \x9E \x9F"},
      {QString::fromUtf8("漢字"), "??"},
      {QString::fromUtf8("a😀b"), "a?b"},
      {QString::fromUtf8("ÿ\u0100"), "\xFF?"},
      {"", ""},
  };
  for (const Case &c : cases)
    EXPECT_EQ(XString::FromQString(c.text).Bytes(), c.bytes) << c.text.toStdString();
}

TEST(XString, EveryByteReadsBackUnchanged) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const XString bytes(all.data(), all.size());
  EXPECT_EQ(bytes.Length(), 256u);
  EXPECT_EQ(XString::FromQString(bytes.ToQString()).Bytes(), all);
  EXPECT_EQ(XString("\x80\xE9").ToQString(), QString::fromUtf8("€é"));
}

TEST(XString, FormatAndAppend) {
  EXPECT_EQ(XString::Format("%s (%d): %u", "path", -2, 7u).Bytes(), "path (-2): 7");
  const std::string longText(5000, 'x');
  EXPECT_EQ(XString::Format("%s!", longText.c_str()).Length(), 5001u);
  XString text("ab");
  text += XString("cd");
  text += 'e';
  EXPECT_EQ(text, XString("abcde"));
  EXPECT_EQ((XString("a") + XString("b")).Bytes(), "ab");
  EXPECT_EQ(std::string(text.CStr()), "abcde");
  EXPECT_EQ(XString(nullptr).Length(), 0u);
}

TEST(XString, Slicing) {
  const XString text("Update.PDU");
  EXPECT_EQ(text.Left(6).Bytes(), "Update");
  EXPECT_EQ(text.Mid(7).Bytes(), "PDU");
  EXPECT_EQ(text.Mid(20).Bytes(), "");
  EXPECT_EQ(text.Find(".PDU"), 6u);
  EXPECT_EQ(text.Find("pdu"), XString::npos);
  EXPECT_EQ(text.ToLower().Bytes(), "update.pdu");
  EXPECT_EQ(XString("a\xE9z").ToUpper().Bytes(), "A\xE9Z");
}

TEST(XString, ComparisonIsByteWiseUnsigned) {
  struct Case {
    const char *a, *b;
    bool ignoreCase;
    int expected;
  };
  const Case cases[] = {
      {"a", "b", false, -1}, {"b", "a", false, 1},     {"abc", "abc", false, 0}, {"ab", "abc", false, -1},
      {"B", "a", false, -1}, {"B", "a", true, 1},      {"ABC", "abc", true, 0},  {"\xE9", "z", false, 1},
      {"", "", false, 0},    {"abc", "ABD", true, -1},
  };
  for (const Case &c : cases)
    EXPECT_EQ(XString(c.a).Compare(c.b, c.ignoreCase), c.expected) << c.a << " " << c.b;
  EXPECT_LT(XString("z"), XString("\xE9"));
}

}  // namespace
