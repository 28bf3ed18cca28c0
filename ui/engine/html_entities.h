// Character references of HTML: the named ones of HTML 4 (plus &apos;) and
// numeric ones.
#pragma once

#include <cstdint>
#include <string_view>

namespace engine {

// The code point a name stands for (without '&' and ';'), or 0 when unknown.
// Names are case-sensitive (&Eacute; and &eacute; differ).
uint32_t LookUpNamedCharacter(std::string_view name);
// Longest name in the table, in characters.
constexpr size_t kLongestCharacterName = 8;

// The code point of a numeric reference's number, with the HTML fix-ups: 0,
// surrogates and values past U+10FFFF become U+FFFD; 0x80-0x9F are read as
// windows-1252 (so &#150; is an en dash).
uint32_t FixNumericCharacter(uint64_t value);

}  // namespace engine
