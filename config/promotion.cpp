// Promotion rule. First pass: an entry whose download is already in the
// download list wins, so a running download keeps its banner. Second pass: the
// first advert or not-installed game in catalogue order wins; an entry without
// an id ends the list with the placeholder.
#include "config/promotion.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "config/catalogue_text.h"
#include "config/config_text.h"
#include "config/game_table.h"

namespace {

std::mutex gPromotionLock;  // serialises ChoosePromotion and guards gPromotion
PromotionState gPromotion;
PromotionSources gSources;
std::mutex gSourcesLock;

void IndexedValue(char* dst, size_t dstSize, const char* text, const char* format, int index) {
  char key[48];
  std::snprintf(key, sizeof key, format, index);
  ConfigValue(dst, dstSize, text, key);
}

void ShowEntry(const char* catalogue, int index, PromotionState& state) {
  IndexedValue(state.picture, sizeof state.picture, catalogue, "promoBanner%i=", index);
  IndexedValue(state.downloadUrl, sizeof state.downloadUrl, catalogue, "promoDownload%i=", index);
  IndexedValue(state.downloadSha256, sizeof state.downloadSha256, catalogue, "promoSha256%i=", index);
  IndexedValue(state.name, sizeof state.name, catalogue, "promoName%i=", index);
  IndexedValue(state.description, sizeof state.description, catalogue, "promoDescription%i=", index);
  state.kind = PromotionKind::kGameBanner;
}

}  // namespace

bool DecidePromotion(const char* catalogue, const std::vector<int32_t>& installedIds,
                     const std::vector<std::string>& downloadUrls, PromotionState& state) {
  if (!IsCatalogueText(catalogue)) {
    state.kind = PromotionKind::kNone;
    return false;
  }
  char value[260];
  for (int n = 0;; ++n) {
    IndexedValue(value, sizeof value, catalogue, "promoDownload%i=", n);
    if (value[0] == '\0') break;
    if (std::find(downloadUrls.begin(), downloadUrls.end(), value) != downloadUrls.end()) {
      ShowEntry(catalogue, n, state);
      return true;
    }
  }
  for (int m = 0;; ++m) {
    IndexedValue(value, sizeof value, catalogue, "promoID%i=", m);
    if (std::strcmp(value, "ad") == 0) {
      IndexedValue(state.picture, sizeof state.picture, catalogue, "promoBanner%i=", m);
      IndexedValue(state.downloadUrl, sizeof state.downloadUrl, catalogue, "promoDownload%i=", m);
      state.kind = PromotionKind::kAdvert;
      return true;
    }
    int32_t id = LeadingNumber(value);
    if (id == 0) {
      state.kind = PromotionKind::kPlaceholder;
      return true;
    }
    if (std::find(installedIds.begin(), installedIds.end(), id) == installedIds.end()) {
      ShowEntry(catalogue, m, state);
      return true;
    }
  }
}

void SetPromotionSources(const PromotionSources& sources) {
  std::lock_guard<std::mutex> lock(gSourcesLock);
  gSources = sources;
}

void ChoosePromotion() {
  PromotionSources sources;
  {
    std::lock_guard<std::mutex> lock(gSourcesLock);
    sources = gSources;
  }
  // Inputs are copied first, each under its own owner's lock, so no lock is
  // held while another is taken.
  std::vector<std::string> urls;
  if (sources.downloadUrls != nullptr) urls = sources.downloadUrls();
  std::vector<int32_t> installed = InstalledProductIds();
  std::shared_ptr<const CatalogueText> catalogue = CatalogueSnapshot();

  bool redraw;
  {
    std::lock_guard<std::mutex> lock(gPromotionLock);
    redraw = DecidePromotion(catalogue->text, installed, urls, gPromotion);
  }
  if (redraw && sources.redraw != nullptr) sources.redraw();
}

void SetPromotionPicture(const char* path) {
  std::lock_guard<std::mutex> lock(gPromotionLock);
  CopyText(gPromotion.picture, path);
}

PromotionState CurrentPromotion() {
  std::lock_guard<std::mutex> lock(gPromotionLock);
  return gPromotion;
}
