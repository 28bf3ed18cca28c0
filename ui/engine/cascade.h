// The cascade (CSS 2.1 chapter 6): for each element, the matching rules of
// the user-agent and author style sheets, the presentational attributes of
// HTML, the style attribute and the style set at run time, sorted by origin,
// importance, specificity and order, then turned into a typed ComputedStyle
// with inheritance and initial values.
//
// Elements that end up with the same inputs (parent style, matched rules,
// presentational attributes, style attribute) share one ComputedStyle: a
// thousand identical list rows cost a dozen style records.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/engine/computed_style.h"
#include "ui/engine/css_types.h"
#include "ui/engine/dom.h"
#include "ui/engine/host.h"
#include "ui/engine/selectors.h"

namespace engine {

// Parsed once per process.
const StyleSheet& UserAgentStyleSheet();

class StyleContext {
 public:
  StyleContext();
  StyleContext(const StyleContext&) = delete;
  StyleContext& operator=(const StyleContext&) = delete;

  // Author sheets in cascade order (they must outlive the context's use of
  // them); the user-agent sheet is always first. Drops the style cache.
  void SetAuthorSheets(const std::vector<const StyleSheet*>& sheets);
  // The document whose elements get their styles here (its address, its
  // run-time styles).
  void SetDocument(const Document* document) { document_ = document; }
  // The host that knows the fonts' x-heights (lengths in ex); without one an
  // ex is half an em.
  void SetHost(Host* host) { host_ = host; }
  const RuleSet& rules() const { return rules_; }

  // The style of an element whose parent has `parentStyle` (null for the root).
  const ComputedStyle* ComputeElementStyle(const Node* element, const ComputedStyle* parentStyle);
  // The style of an anonymous box (anonymous block, table wrapper parts)
  // inside a box with `parentStyle`.
  const ComputedStyle* AnonymousStyle(const ComputedStyle* parentStyle, Display display);
  // The root style when there is no document.
  const ComputedStyle* InitialStyle();

  size_t StyleCount() const { return pool_.size(); }

 private:
  const ComputedStyle* Intern(const ComputedStyle& style);
  // The style of the ::before or ::after box of an element, from the rules
  // ComputeElementStyle matched; null when it generates no box.
  const ComputedStyle* PseudoElementStyle(const Node* element, const ComputedStyle* elementStyle,
                                          PseudoElement pseudo);

  RuleSet rules_;
  const Document* document_ = nullptr;
  Host* host_ = nullptr;
  // Every style record handed out; alive as long as the context.
  std::vector<std::unique_ptr<ComputedStyle>> pool_;
  std::unordered_multimap<size_t, const ComputedStyle*> byHash_;
  // Cache of the cascade: its inputs (as a key) to the resulting style.
  std::unordered_map<std::string, const ComputedStyle*> cache_;
  std::map<std::pair<const ComputedStyle*, Display>, const ComputedStyle*> anonymous_;
  // Scratch of ComputeElementStyle.
  std::vector<const RuleEntry*> matched_;
  std::vector<Declaration> hints_;
  std::string key_;
};

// Recomputes the styles the dirty bits ask for, below and including `root`.
// Each element whose style changes gets the DirtyBits that the change needs
// for boxes and layout; children are restyled when what they inherit changed.
void RestyleTree(StyleContext& context, Node* root);

// The declarations HTML attributes stand for (width, bgcolor, valign...),
// with a text that identifies them for the style cache.
void CollectPresentationalHints(const Node* element, const std::u16string& documentAddress,
                                std::vector<Declaration>* out, std::string* key);

}  // namespace engine
