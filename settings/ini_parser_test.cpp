#include "settings/ini_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FindProfileValueTest, LineRules) {
  struct Case {
    std::string text, key;
    std::optional<std::string> expected;
  } cases[] = {
      {"[database]\nkey=value", "key", "value"},
      {"  [database]  \n  key  =  value  ", "key", "value"},
      {"key=before any section\n[database]\n", "key", std::nullopt},
      {"[database\nkey=no closing bracket", "key", std::nullopt},
      {"[database]\nkey==starts with equals", "key", "=starts with equals"},
      {"[database]\nkey=a=b", "key", "a=b"},
      {"[database]\n=no key\nkey=x", "key", "x"},
      {"[database]\nkey=\"'mismatched\"", "key", "'mismatched"},
      {"[database]\nkey='only one'\"", "key", "'only one'\""},
      {"[database]\r\nkey=value\r", "key", "value"},
      {"[database]\nkey=v\n[other]\nkey=w", "key", "v"},
      {"[other]\nkey=w\n[database]\nkey=v", "key", "v"},
      {"[database]\nkey\x1a=v\x1a", "key", "v"},
      {"[database]\n", "key", std::nullopt},
      {"", "key", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::optional<std::string_view> value = FindProfileValue(c.text, "database", c.key);
    ASSERT_EQ(value.has_value(), c.expected.has_value());
    if (value) {
      EXPECT_EQ(*value, *c.expected);
    }
  }
}

TEST(Utf8Test, Validity) {
  struct Case {
    std::string text;
    bool valid;
  } cases[] = {
      {"plain ascii", true},       {"\xE6\x95\xB0", true},  // U+6570
      {"\xF0\x9F\x98\x80", true},                           // U+1F600
      {"\xE6\x95", false},                                  // truncated
      {"\xC0\xAF", false},                                  // overlong '/'
      {"\xED\xA0\x80", false},                              // surrogate
      {"\xF4\x90\x80\x80", false},                          // past U+10FFFF
      {"\xB9\xA4\xB3\xA7", false},                          // GB18030 text
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.text;
}

TEST(CutAtCharacterBoundaryTest, NeverSplitsACharacter) {
  struct Case {
    std::string text;
    std::size_t maxBytes;
    TTextEncoding encoding;
    std::string expected;
  } cases[] = {
      {"abcdef", 4, TTextEncoding::teUtf8, "abcd"},
      {"ab\xE6\x95\xB0", 4, TTextEncoding::teUtf8, "ab"},
      {"ab\xE6\x95\xB0", 5, TTextEncoding::teUtf8, "ab\xE6\x95\xB0"},
      {"a\xCA\xFD\xCA\xFD", 4, TTextEncoding::teGb18030, "a\xCA\xFD"},
      {"a\x81\x30\x81\x30z", 4, TTextEncoding::teGb18030, "a"},
      {"a\x81\x30\x81\x30z", 5, TTextEncoding::teGb18030, "a\x81\x30\x81\x30"},
      {"short", 2047, TTextEncoding::teGb18030, "short"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CutAtCharacterBoundary(c.text, c.maxBytes, c.encoding), c.expected) << c.text;
  }
}

}  // namespace
