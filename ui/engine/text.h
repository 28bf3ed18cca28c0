// Text helpers of the engine: UTF-8 and UTF-16 conversion, ASCII case
// folding, and the choice of encoding for the bytes of a document or style
// sheet (byte-order mark, declared charset, validity of UTF-8).
//
// Not supported: encodings other than UTF-8, UTF-16 with a byte-order mark and
// the system code page (which the host converts).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

class Host;

enum class TextEncoding : unsigned char { kUtf8, kUtf16LittleEndian, kUtf16BigEndian, kCodePage };

struct SniffedEncoding {
  TextEncoding encoding = TextEncoding::kUtf8;
  size_t bomLength = 0;  // bytes of byte-order mark to skip
};

// UTF-16 byte-order marks win; then a UTF-8 byte-order mark; then a declared
// windows-1251 (or cp1251) charset among the first 1024 bytes; then UTF-8
// when the bytes are valid UTF-8, else the system code page.
SniffedEncoding SniffEncoding(const uint8_t* bytes, size_t size);

// The bytes as UTF-16 in the sniffed encoding; the code page through the host.
std::u16string DecodeText(const uint8_t* bytes, size_t size, Host& host);

bool IsValidUtf8(const uint8_t* bytes, size_t size);
// Invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
inline char16_t AsciiLower(char16_t c) { return (c >= 'A' && c <= 'Z') ? char16_t(c - 'A' + 'a') : c; }
std::string AsciiLowered(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool EqualsIgnoringAsciiCase(std::u16string_view a, std::string_view b);
bool StartsWithIgnoringAsciiCase(std::u16string_view text, std::string_view prefix);

// Space characters of HTML and CSS: space, tab, line feed, form feed, return.
inline bool IsSpace(char16_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
bool IsAllSpace(std::u16string_view text);
std::u16string_view TrimSpace(std::u16string_view text);
std::string_view TrimSpace(std::string_view text);

// A decimal number at the start of `text` ("-12.5", "+3", ".5"), read the
// same whatever the C library's locale; *used gets its length (0: none).
double ReadDecimal(std::string_view text, size_t* used);

// ASCII-only widening and narrowing, for names and numbers.
std::u16string Widen(std::string_view ascii);

}  // namespace engine
