// The catalogue text that the publisher's server returns: one 65,536-byte
// text, replaced whole on every fetch so that a reader on another thread never
// sees a text in the middle of a rewrite. Portable.
#pragma once

#include <cstddef>
#include <memory>

struct CatalogueText {
  char text[65536];  // NUL-terminated; empty until a catalogue arrives
};

// True when text begins with the exact bytes "[GAMES.CFG]".
bool IsCatalogueText(const char* text);

// The current text; never null (an empty text before the first fetch).
std::shared_ptr<const CatalogueText> CatalogueSnapshot();

// Replaces the text with the first `size` bytes of data, cut to 65,535 bytes.
void StoreCatalogueText(const char* data, size_t size);
