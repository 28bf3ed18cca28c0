#include "config/catalogue_text.h"

#include <cstring>
#include <mutex>

namespace {

std::mutex gCatalogueLock;  // guards the pointer only; texts are immutable
std::shared_ptr<const CatalogueText> gCatalogue;

}  // namespace

bool IsCatalogueText(const char* text) {
  static const char kMark[] = "[GAMES.CFG]";
  return text != nullptr && std::strncmp(text, kMark, sizeof kMark - 1) == 0;
}

std::shared_ptr<const CatalogueText> CatalogueSnapshot() {
  std::lock_guard<std::mutex> lock(gCatalogueLock);
  if (!gCatalogue) gCatalogue = std::make_shared<const CatalogueText>();
  return gCatalogue;
}

void StoreCatalogueText(const char* data, size_t size) {
  auto fresh = std::make_shared<CatalogueText>();
  size_t n = size < sizeof fresh->text - 1 ? size : sizeof fresh->text - 1;
  if (n > 0) std::memcpy(fresh->text, data, n);
  fresh->text[n] = '\0';
  std::lock_guard<std::mutex> lock(gCatalogueLock);
  gCatalogue = std::move(fresh);
}
