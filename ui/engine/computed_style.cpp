// Computed style: comparison, hashing, change classification.
#include "ui/engine/computed_style.h"

#include <cmath>
#include <functional>

namespace engine {

namespace {

// No length gets longer than this, so that sums of many stay in an int.
constexpr float kLongestLength = 1000000.f;

// Half away from zero, clamped to kLongestLength.
int RoundToInt(float v) {
  if (!(v == v)) return 0;
  if (v > kLongestLength) return int(kLongestLength);
  if (v < -kLongestLength) return -int(kLongestLength);
  return int(v >= 0 ? v + 0.5f : v - 0.5f);
}

}  // namespace

int ResolveLength(const Length& length, int percentBase, int fallback) {
  switch (length.kind) {
    case Length::kPx:
      return RoundToInt(length.value);
    case Length::kPercent:
      return RoundToInt(length.value * float(percentBase) / 100.f);
    default:
      return fallback;
  }
}

bool InheritedPropertiesDiffer(const ComputedStyle& a, const ComputedStyle& b) {
  return a.color != b.color || a.font != b.font || !(a.lineHeight == b.lineHeight) || a.textAlign != b.textAlign ||
         a.whiteSpace != b.whiteSpace || a.textTransform != b.textTransform || a.visibility != b.visibility || a.cursor != b.cursor ||
         a.listStyleType != b.listStyleType || a.borderSpacing != b.borderSpacing || a.textIndent != b.textIndent ||
         a.decorationsInEffect != b.decorationsInEffect || a.rtl != b.rtl || a.letterSpacing != b.letterSpacing ||
         a.wordSpacing != b.wordSpacing || a.borderCollapse != b.borderCollapse ||
         a.emptyCells != b.emptyCells;
}

namespace {

bool BoxStructureDiffers(const ComputedStyle& a, const ComputedStyle& b) {
  return a.display != b.display || a.position != b.position || a.floatSide != b.floatSide || a.before != b.before ||
         a.after != b.after || a.hasContent != b.hasContent || a.content != b.content;
}

bool LayoutDiffers(const ComputedStyle& a, const ComputedStyle& b) {
  if (a.font != b.font || !(a.lineHeight == b.lineHeight) || a.textAlign != b.textAlign || a.rtl != b.rtl ||
      a.letterSpacing != b.letterSpacing || a.wordSpacing != b.wordSpacing ||
      a.whiteSpace != b.whiteSpace || a.textTransform != b.textTransform || a.listStyleType != b.listStyleType || a.borderSpacing != b.borderSpacing ||
      a.textIndent != b.textIndent || a.clear != b.clear || a.overflowX != b.overflowX ||
      a.overflowY != b.overflowY || a.verticalAlign != b.verticalAlign ||
      a.verticalAlignLength != b.verticalAlignLength || a.left != b.left || a.top != b.top || a.right != b.right ||
      a.bottom != b.bottom || a.width != b.width || a.height != b.height || a.minWidth != b.minWidth ||
      a.minHeight != b.minHeight || a.maxWidth != b.maxWidth || a.maxHeight != b.maxHeight ||
      a.tableLayout != b.tableLayout || a.borderCollapse != b.borderCollapse || a.inlineOrigin != b.inlineOrigin) {
    return true;
  }
  for (int i = 0; i < 4; ++i) {
    if (a.margin[i] != b.margin[i] || a.padding[i] != b.padding[i] || a.borderWidth[i] != b.borderWidth[i]) {
      return true;
    }
    // Collapsed table borders take their widths from who wins on each edge.
    if (a.borderCollapse == BorderCollapse::kCollapse &&
        (a.borderStyle[i] != b.borderStyle[i] || a.borderColor[i] != b.borderColor[i])) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool operator==(const ComputedStyle& a, const ComputedStyle& b) {
  if (&a == &b) return true;
  if (BoxStructureDiffers(a, b) || LayoutDiffers(a, b) || InheritedPropertiesDiffer(a, b)) return false;
  if (a.textDecoration != b.textDecoration || a.zIndexAuto != b.zIndexAuto || a.zIndex != b.zIndex ||
      a.backgroundColor != b.backgroundColor || a.backgroundImage != b.backgroundImage ||
      a.backgroundRepeat != b.backgroundRepeat || a.backgroundFixed != b.backgroundFixed || a.backgroundPositionX != b.backgroundPositionX ||
      a.backgroundPositionY != b.backgroundPositionY) {
    return false;
  }
  if (a.hasClip != b.hasClip) return false;
  for (int i = 0; i < 4; ++i) {
    if (a.borderStyle[i] != b.borderStyle[i] || a.borderColor[i] != b.borderColor[i] || a.clip[i] != b.clip[i]) {
      return false;
    }
  }
  return true;
}

size_t HashStyle(const ComputedStyle& s) {
  size_t h = 0;
  auto mix = [&h](size_t v) { h ^= v + 0x9e3779b9u + (h << 6) + (h >> 2); };
  auto mixLength = [&](const Length& l) {
    mix(l.kind);
    mix(std::hash<float>()(l.value));
  };
  mix(s.color);
  mix(std::hash<std::string>()(s.font.family));
  mix(size_t(s.font.size) * 31 + size_t(s.font.weight) * 7 + (s.font.italic ? 1 : 0));
  mix(size_t(s.display) << 8 | size_t(s.position) << 4 | size_t(s.floatSide));
  mix(size_t(s.visibility) << 4 | size_t(s.overflowX) << 2 | size_t(s.overflowY));
  mixLength(s.width);
  mixLength(s.height);
  for (int i = 0; i < 4; ++i) {
    mixLength(s.margin[i]);
    mixLength(s.padding[i]);
    mix(size_t(s.borderWidth[i]));
    mix(s.borderColor[i]);
  }
  mix(s.backgroundColor);
  mix(std::hash<std::u16string>()(s.backgroundImage));
  mix(size_t(s.verticalAlign) << 4 | size_t(s.textAlign) << 1 | size_t(s.rtl));
  mix(size_t(s.zIndex));
  mix(std::hash<const void*>()(s.before) ^ (std::hash<const void*>()(s.after) << 1));
  if (s.hasContent) mix(std::hash<std::u16string>()(s.content));
  mix(size_t(s.tableLayout) << 4 | size_t(s.borderCollapse) << 2 | size_t(s.emptyCells));
  return h;
}

StyleChange CompareStyles(const ComputedStyle* before, const ComputedStyle* after) {
  if (before == after) return StyleChange::kNone;
  if (before == nullptr || after == nullptr) return StyleChange::kBoxes;
  if (BoxStructureDiffers(*before, *after)) return StyleChange::kBoxes;
  if (LayoutDiffers(*before, *after)) return StyleChange::kLayout;
  return *before == *after ? StyleChange::kNone : StyleChange::kPaint;
}

}  // namespace engine
