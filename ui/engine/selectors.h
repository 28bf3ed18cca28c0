// Selector matching and the rule index of the cascade. Rules are filed under
// the id, class or tag of their rightmost compound selector so that an
// element only tries the rules that can match it. Matching runs right to left
// and gives up on a descendant combinator as soon as no ancestor can help,
// which keeps it linear in the depth of the tree (sibling combinators add
// the walk over earlier siblings).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ui/engine/css_types.h"
#include "ui/engine/dom.h"

namespace engine {

enum class Origin : uint8_t { kUserAgent, kAuthor };

struct RuleEntry {
  const Selector* selector = nullptr;
  const StyleRule* rule = nullptr;
  uint32_t specificity = 0;
  uint32_t order = 0;  // position among all rules of the set
  Origin origin = Origin::kAuthor;
};

// What the selectors of a rule set look at: which changes to an element can
// change which rules match it or its descendants.
struct SelectorDependencies {
  uint32_t states = 0;              // kState* bits any selector tests
  uint32_t statesOnAncestors = 0;   // ... in a compound left of a combinator
  bool childPosition = false;       // :first-child or :last-child anywhere
  bool siblings = false;            // a + or ~ combinator anywhere
  bool link = false;                // :link
  std::unordered_set<Atom> attributes;           // id, class and [attr] anywhere
  std::unordered_set<Atom> attributesOnAncestors;  // ... left of a combinator
};

bool MatchesSelector(const Selector& selector, const Node* element);

class RuleSet {
 public:
  void Clear();
  // The sheet must outlive the rule set.
  void AddStyleSheet(const StyleSheet& sheet, Origin origin);
  // The rules matching `element`, in cascade order (origin, specificity,
  // source order), appended to `out`.
  void CollectMatchingRules(const Node* element, std::vector<const RuleEntry*>* out) const;
  const SelectorDependencies& dependencies() const { return dependencies_; }
  size_t size() const { return order_; }

 private:
  void NoteDependencies(const Selector& selector);
  void NoteContentAttributes(const StyleRule& rule);

  // Keys point into the selectors of the sheets.
  std::unordered_map<std::u16string_view, std::vector<RuleEntry>> byId_;
  std::unordered_map<std::u16string_view, std::vector<RuleEntry>> byClass_;
  std::unordered_map<Atom, std::vector<RuleEntry>> byTag_;
  std::vector<RuleEntry> universal_;
  SelectorDependencies dependencies_;
  uint32_t order_ = 0;
};

// The class names of a class attribute value, split at white space.
template <typename Visit>
void ForEachClassName(std::u16string_view classes, Visit visit) {
  size_t i = 0;
  while (i < classes.size()) {
    while (i < classes.size() && (classes[i] == ' ' || classes[i] == '\t' || classes[i] == '\n' ||
                                  classes[i] == '\r' || classes[i] == '\f')) {
      ++i;
    }
    size_t begin = i;
    while (i < classes.size() && !(classes[i] == ' ' || classes[i] == '\t' || classes[i] == '\n' ||
                                   classes[i] == '\r' || classes[i] == '\f')) {
      ++i;
    }
    if (i > begin) visit(classes.substr(begin, i - begin));
  }
}

}  // namespace engine
