// The promotion banner's state and the rule that picks it from the catalogue
// text. Portable: the rule is a pure function so that its table of cases runs
// natively; ChoosePromotion gathers its inputs and stores the result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class PromotionKind { kNone, kGameBanner, kAdvert, kPlaceholder };

struct PromotionState {
  PromotionKind kind = PromotionKind::kNone;
  char picture[260] = {};
  char downloadUrl[260] = {};
  char downloadSha256[65] = {};  // "promoSha256<n>=": the download's digest, when named
  char name[128] = {};
  char description[1024] = {};
};

// Applies the promotion rule to `state`: catalogue text, the product ids of the
// installed games and the source addresses of the download list in. Returns
// whether the banner must be redrawn (false only when the text is not a
// catalogue). Texts that the outcome does not name keep their previous values.
bool DecidePromotion(const char* catalogue, const std::vector<int32_t>& installedIds,
                     const std::vector<std::string>& downloadUrls, PromotionState& state);

// Where ChoosePromotion gets what other parts own. Each may be left null:
// no download addresses, no redraw.
struct PromotionSources {
  std::vector<std::string> (*downloadUrls)() = nullptr;
  void (*redraw)() = nullptr;
};
void SetPromotionSources(const PromotionSources& sources);

// Recomputes the promotion state from the current catalogue text, the
// installed-games table and the download list, then asks for the redraw.
// Callable from any thread; calls are serialised.
void ChoosePromotion();

// Replaces the promotion picture (the banner's picture could not be had);
// kept until the promotion is chosen again.
void SetPromotionPicture(const char* path);

// A copy of the current promotion state, taken under its lock.
PromotionState CurrentPromotion();
