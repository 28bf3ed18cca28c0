// The example blocks of a Markdown document, for tests that hold the
// documentation to the files and programs it describes. A block is the fenced
// block right after a line "<!-- example: NAME -->". Portable (standard
// library only): the native and the end-to-end tests both use it.
#pragma once

#include <string>
#include <vector>

namespace docs {

// The lines of the example block NAME, without their line ends; false when
// the marker is missing or is not followed by a closed fenced block.
inline bool ExampleLines(const std::string& markdown, const std::string& name, std::vector<std::string>* lines) {
  std::vector<std::string> all;
  for (size_t start = 0; start <= markdown.size();) {
    size_t end = markdown.find('\n', start);
    if (end == std::string::npos) end = markdown.size();
    std::string line = markdown.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    all.push_back(line);
    start = end + 1;
  }
  const std::string marker = "<!-- example: " + name + " -->";
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i] != marker) continue;
    size_t fence = i + 1;
    while (fence < all.size() && all[fence].empty()) ++fence;
    if (fence >= all.size() || all[fence].compare(0, 3, "```") != 0) return false;
    lines->clear();
    for (size_t j = fence + 1; j < all.size(); ++j) {
      if (all[j] == "```") return true;
      lines->push_back(all[j]);
    }
    return false;
  }
  return false;
}

// The lines as a file of CR LF lines, the last one ended too.
inline std::string CrLfText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The byte of a character in code page 1251; false for characters the
// documents have no reason to use (ASCII, the Russian letters and a few
// marks are enough).
inline bool Cp1251Byte(char32_t c, char* byte) {
  if (c < 0x80) {
    *byte = static_cast<char>(c);
  } else if (c >= 0x410 && c <= 0x44F) {  // А..я
    *byte = static_cast<char>(0xC0 + (c - 0x410));
  } else if (c == 0x401 || c == 0x451) {  // Ё ё
    *byte = static_cast<char>(c == 0x401 ? 0xA8 : 0xB8);
  } else if (c == 0xAB || c == 0xBB) {  // « »
    *byte = static_cast<char>(c);
  } else if (c == 0x2013 || c == 0x2014) {  // – —
    *byte = static_cast<char>(c == 0x2013 ? 0x96 : 0x97);
  } else if (c == 0x2116) {  // №
    *byte = static_cast<char>(0xB9);
  } else {
    return false;
  }
  return true;
}

// UTF-8 text in code page 1251; false for malformed UTF-8 or a character
// that Cp1251Byte does not place.
inline bool Utf8ToCp1251(const std::string& utf8, std::string* out) {
  out->clear();
  for (size_t i = 0; i < utf8.size();) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > utf8.size()) return false;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      unsigned char next = static_cast<unsigned char>(utf8[i + k]);
      if ((next >> 6) != 0x2) return false;
      c = (c << 6) | (next & 0x3F);
    }
    char byte;
    if (!Cp1251Byte(c, &byte)) return false;
    out->push_back(byte);
    i += length;
  }
  return true;
}

}  // namespace docs
