#include <gtest/gtest.h>

#include <string>

#include "zlvplatform.h"

namespace {

struct Case {
  const char* what;
  std::u16string utf16;
  std::string utf8;
  std::u16string back;  // UTF-16 after a round trip (replacement characters for bad input)
};

TEST(PlatformUtf, Utf16ToUtf8Table) {
  const Case cases[] = {
      {"empty", u"", "", u""},
      {"ascii", u"settings.xml", "settings.xml", u"settings.xml"},
      {"cjk", u"请在此处输入水印文字", "请在此处输入水印文字", u"请在此处输入水印文字"},
      {"two-byte", u"\u00e9\u00df", "\xc3\xa9\xc3\x9f", u"\u00e9\u00df"},
      {"surrogate pair", u"\U0001F600x", "\xF0\x9F\x98\x80x", u"\U0001F600x"},
      {"lone high", std::u16string{u'a', char16_t(0xD800), u'b'}, "a\xEF\xBF\xBD" "b", u"a\uFFFDb"},
      {"lone low", std::u16string{char16_t(0xDC00)}, "\xEF\xBF\xBD", u"\uFFFD"},
      {"high at end", std::u16string{u'x', char16_t(0xDBFF)}, "x\xEF\xBF\xBD", u"x\uFFFD"},
      {"swapped pair", std::u16string{char16_t(0xDC00), char16_t(0xD800)}, "\xEF\xBF\xBD\xEF\xBF\xBD",
       u"\uFFFD\uFFFD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(zlv::toUtf8(c.utf16), c.utf8);
    EXPECT_EQ(zlvUtf16ToUtf8(c.utf16.c_str(), nullptr, 0), c.utf8.size());
    EXPECT_EQ(zlv::toUtf16(zlv::toUtf8(c.utf16)), c.back);
  }
}

TEST(PlatformUtf, MalformedUtf8BecomesReplacement) {
  const struct {
    const char* what;
    std::string in;
    std::u16string out;
  } cases[] = {
      {"stray continuation", "a\x80" "b", u"a\uFFFDb"},
      {"truncated three-byte", "\xE4\xB8", u"\uFFFD"},
      {"truncated then ascii", "\xE4\xB8" "A", u"\uFFFDA"},
      {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"overlong three-byte", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"invalid lead", "\xFF", u"\uFFFD"},
      {"max code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(zlv::toUtf16(c.in), c.out);
  }
}

TEST(PlatformUtf, ShortBufferKeepsWholeCharactersAndTerminates) {
  char small[5];
  // "a" + 4-byte character does not fit in 4 units + terminator: only "a" is written.
  EXPECT_EQ(zlvUtf16ToUtf8(u"a\U0001F600", small, sizeof small), 1u);
  EXPECT_STREQ(small, "a");
  char16_t wide[2];
  EXPECT_EQ(zlvUtf8ToUtf16("\xF0\x9F\x98\x80", wide, 2), 0u);  // a pair needs 3 units
  EXPECT_EQ(wide[0], 0);
  EXPECT_EQ(zlvUtf16ToUtf8(u"abc", small, 0), 0u);
  EXPECT_EQ(zlvUtf16ToUtf8(nullptr, small, sizeof small), 0u);
  EXPECT_EQ(zlvUtf16Length(u"\U0001F600"), 2u);
  EXPECT_EQ(zlvUtf16Length(nullptr), 0u);
}

}  // namespace
