// Document encodings (byte-order marks, declared windows-1251, invalid
// UTF-8) and address resolution.
#include <gtest/gtest.h>

#include "tests/engine/stub_host.h"
#include "ui/engine/text.h"
#include "ui/engine/url.h"

namespace engine {
namespace {

std::u16string Decode(const std::string& bytes) {
  StubHost host;
  return DecodeText(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), host);
}

struct EncodingCase {
  const char* name;
  std::string bytes;
  std::u16string text;
};

TEST(Encoding, DecodesByMarkDeclarationOrValidity) {
  const EncodingCase cases[] = {
      {"plain ASCII", "<p>a</p>", u"<p>a</p>"},
      {"UTF-8 without mark", "\xD0\x96", u"\u0416"},
      {"UTF-8 with mark, mark dropped", "\xEF\xBB\xBF\xD0\x96", u"\u0416"},
      {"UTF-16 little endian with mark", std::string("\xFF\xFE\x16\x04<\0", 6), u"\u0416<"},
      {"UTF-16 big endian with mark", std::string("\xFE\xFF\x04\x16\0<", 6), u"\u0416<"},
      {"invalid UTF-8 read as the code page", "\xC6\xE8", u"\u0416\u0438"},
      {"windows-1251 declared although valid UTF-8",
       "<meta http-equiv=Content-Type content=\"text/html; charset=windows-1251\">\xD0\x96",
       u"<meta http-equiv=Content-Type content=\"text/html; charset=windows-1251\">\u0420\u2013"},
      {"the name in running text is no declaration", "windows-1251 \xD0\x96", u"windows-1251 \u0416"},
      {"overlong UTF-8 is invalid", "\xC0\xAF", u"\u0410\u0407"},
      {"truncated UTF-8 is invalid", "a\xE2\x82", u"a\u0432\u201A"},
      {"CSS @charset declaration", "@charset \"windows-1251\"; \xC0", u"@charset \"windows-1251\"; \u0410"},
  };
  for (const EncodingCase& c : cases) EXPECT_EQ(Decode(c.bytes), c.text) << c.name;
}

TEST(Encoding, Utf8RoundTripKeepsSurrogatePairsAndReplacesLoneOnes) {
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
}

struct AddressCase {
  const char16_t* base;
  const char16_t* relative;
  const char16_t* resolved;
};

TEST(Address, ResolvesAgainstTheDocument) {
  const AddressCase cases[] = {
      {u"C:\\Games\\G\\html\\screen.htm", u"pic.png", u"C:\\Games\\G\\html\\pic.png"},
      {u"C:\\Games\\G\\html\\screen.htm", u"img/pic.png", u"C:\\Games\\G\\html\\img\\pic.png"},
      {u"C:\\Games\\G\\html\\screen.htm", u"../thumbs/a.jpg", u"C:\\Games\\G\\thumbs\\a.jpg"},
      {u"C:\\Games\\G\\html\\screen.htm", u"./a/./b.png", u"C:\\Games\\G\\html\\a\\b.png"},
      {u"C:\\Games\\G\\html\\screen.htm", u"/root.png", u"C:\\root.png"},
      {u"C:\\Games\\G\\html\\screen.htm", u"D:\\other\\x.png", u"D:\\other\\x.png"},
      {u"C:\\Games\\G\\html\\screen.htm", u"http://host/a.png", u"http://host/a.png"},
      {u"C:\\Games\\G\\html\\screen.htm", u"  pic.png ", u"C:\\Games\\G\\html\\pic.png"},
      {u"C:\\Games\\G\\html\\screen.htm", u"", u""},
      {u"http://site/dir/page.htm?x=1", u"a.png", u"http://site/dir/a.png"},
      {u"http://site/dir/page.htm", u"/top.png", u"http://site/top.png"},
      {u"http://site/dir/sub/page.htm", u"../up.png", u"http://site/dir/up.png"},
      {u"http://site", u"a.png", u"http://site/a.png"},
      {u"/home/u/screen.htm", u"a.png", u"/home/u/a.png"},
      {u"\\\\server\\share\\s.htm", u"a.png", u"\\\\server\\share\\a.png"},
  };
  for (const AddressCase& c : cases) {
    EXPECT_EQ(ResolveAddress(c.base, c.relative), c.resolved) << Utf16ToUtf8(c.base) << " + " << Utf16ToUtf8(c.relative);
  }
}

}  // namespace
}  // namespace engine
