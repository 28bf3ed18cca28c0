// Selector matching and the rule index.
#include "ui/engine/selectors.h"

#include <algorithm>

namespace engine {

namespace {

const Node* ParentElement(const Node* node) {
  const Node* parent = node->parent;
  return parent != nullptr && parent->IsElement() ? parent : nullptr;
}

bool IsFirstElementChild(const Node* node) {
  if (node->parent == nullptr) return false;
  for (const Node* sibling : node->parent->children) {
    if (sibling->IsElement()) return sibling == node;
  }
  return false;
}

bool IsLastElementChild(const Node* node) {
  if (node->parent == nullptr) return false;
  const auto& siblings = node->parent->children;
  for (auto it = siblings.rbegin(); it != siblings.rend(); ++it) {
    if ((*it)->IsElement()) return *it == node;
  }
  return false;
}

bool HasClass(const Node* node, std::u16string_view name) {
  const char16_t* classes = node->attributes.Find(kAtomClass);
  if (classes == nullptr) return false;
  bool found = false;
  ForEachClassName(std::u16string_view(classes), [&](std::u16string_view c) { found = found || c == name; });
  return found;
}

bool MatchesCondition(const SelectorCondition& cond, const Node* node) {
  switch (cond.kind) {
    case SelectorCondition::kId: {
      const char16_t* id = node->attributes.Find(kAtomId);
      return id != nullptr && cond.value == id;
    }
    case SelectorCondition::kClass:
      return HasClass(node, cond.value);
    case SelectorCondition::kAttributeExists:
      return node->attributes.Has(cond.attribute);
    case SelectorCondition::kAttributeEquals: {
      const char16_t* value = node->attributes.Find(cond.attribute);
      return value != nullptr && cond.value == value;
    }
    case SelectorCondition::kAttributeIncludes: {
      const char16_t* value = node->attributes.Find(cond.attribute);
      if (value == nullptr || cond.value.empty()) return false;
      bool found = false;
      ForEachClassName(std::u16string_view(value), [&](std::u16string_view w) { found = found || w == cond.value; });
      return found;
    }
    case SelectorCondition::kAttributeDashMatch: {
      const char16_t* value = node->attributes.Find(cond.attribute);
      if (value == nullptr) return false;
      std::u16string_view v(value);
      return v == cond.value || (v.size() > cond.value.size() && v.substr(0, cond.value.size()) == cond.value &&
                                 v[cond.value.size()] == '-');
    }
    case SelectorCondition::kHover:
      return (node->state & kStateHover) != 0;
    case SelectorCondition::kActive:
      return (node->state & kStateActive) != 0;
    case SelectorCondition::kFocus:
      return (node->state & kStateFocus) != 0;
    case SelectorCondition::kFirstChild:
      return IsFirstElementChild(node);
    case SelectorCondition::kLastChild:
      return IsLastElementChild(node);
    case SelectorCondition::kLink:
      return node->tag == kAtomA && node->attributes.Has(kAtomHref);
    case SelectorCondition::kVisited:
      return false;
  }
  return false;
}

bool MatchesCompound(const CompoundSelector& compound, const Node* node) {
  if (compound.tag != kAtomNone && compound.tag != node->tag) return false;
  for (const SelectorCondition& cond : compound.conditions) {
    if (!MatchesCondition(cond, node)) return false;
  }
  return true;
}

enum class MatchResult { kMatches, kFailsHere, kFailsEverywhere };

// Whether compounds [0, index] match with compound `index` on `node`.
MatchResult MatchFrom(const Selector& selector, size_t index, const Node* node) {
  if (!MatchesCompound(selector.compounds[index], node)) return MatchResult::kFailsHere;
  if (index == 0) return MatchResult::kMatches;
  const Node* parent = ParentElement(node);
  switch (selector.combinators[index - 1]) {
    case Combinator::kChild:
      if (parent == nullptr) return MatchResult::kFailsEverywhere;
      return MatchFrom(selector, index - 1, parent);
    case Combinator::kNextSibling: {
      const Node* previous = PreviousElementSibling(node);
      // Elements higher up have siblings of their own: only here it fails.
      if (previous == nullptr) return MatchResult::kFailsHere;
      return MatchFrom(selector, index - 1, previous);
    }
    case Combinator::kSubsequentSibling:
      for (const Node* previous = PreviousElementSibling(node); previous != nullptr;
           previous = PreviousElementSibling(previous)) {
        MatchResult result = MatchFrom(selector, index - 1, previous);
        // Siblings share their ancestors: a failure everywhere above one is
        // a failure above every one.
        if (result != MatchResult::kFailsHere) return result;
      }
      return MatchResult::kFailsHere;
    case Combinator::kDescendant:
      break;
  }
  for (const Node* ancestor = parent; ancestor != nullptr; ancestor = ParentElement(ancestor)) {
    MatchResult result = MatchFrom(selector, index - 1, ancestor);
    // A failure higher up cannot be mended by trying an ancestor further up.
    if (result != MatchResult::kFailsHere) return result;
  }
  return MatchResult::kFailsEverywhere;
}

uint32_t StateBit(SelectorCondition::Kind kind) {
  switch (kind) {
    case SelectorCondition::kHover: return kStateHover;
    case SelectorCondition::kActive: return kStateActive;
    case SelectorCondition::kFocus: return kStateFocus;
    default: return 0;
  }
}

}  // namespace

bool MatchesSelector(const Selector& selector, const Node* element) {
  if (selector.compounds.empty() || !element->IsElement()) return false;
  return MatchFrom(selector, selector.compounds.size() - 1, element) == MatchResult::kMatches;
}

void RuleSet::Clear() { *this = RuleSet(); }

void RuleSet::NoteDependencies(const Selector& selector) {
  for (Combinator combinator : selector.combinators) {
    if (combinator == Combinator::kNextSibling || combinator == Combinator::kSubsequentSibling) {
      dependencies_.siblings = true;
    }
  }
  for (size_t i = 0; i < selector.compounds.size(); ++i) {
    bool onAncestor = i + 1 < selector.compounds.size();
    for (const SelectorCondition& cond : selector.compounds[i].conditions) {
      Atom attribute = cond.kind == SelectorCondition::kId      ? Atom(kAtomId)
                       : cond.kind == SelectorCondition::kClass ? Atom(kAtomClass)
                                                                : cond.attribute;
      uint32_t state = StateBit(cond.kind);
      if (state != 0) {
        dependencies_.states |= state;
        if (onAncestor) dependencies_.statesOnAncestors |= state;
      } else if (cond.kind == SelectorCondition::kFirstChild || cond.kind == SelectorCondition::kLastChild) {
        dependencies_.childPosition = true;
      } else if (cond.kind == SelectorCondition::kLink) {
        dependencies_.link = true;
        dependencies_.attributes.insert(kAtomHref);
        if (onAncestor) dependencies_.attributesOnAncestors.insert(kAtomHref);
      } else if (attribute != kAtomNone) {
        dependencies_.attributes.insert(attribute);
        if (onAncestor) dependencies_.attributesOnAncestors.insert(attribute);
      }
    }
  }
}

// Generated text taken from attributes (attr()) changes with them.
void RuleSet::NoteContentAttributes(const StyleRule& rule) {
  for (const Declaration& d : rule.declarations) {
    if (d.property != PropertyId::kContent || d.value.kind != ValueKind::kContent) continue;
    ForEachContentPart(d.value.text, [this](char tag, std::string_view name) {
      if (tag == kContentAttribute) dependencies_.attributes.insert(InternAtom(name));
    });
  }
}

void RuleSet::AddStyleSheet(const StyleSheet& sheet, Origin origin) {
  for (const StyleRule& rule : sheet.rules) {
    for (const Selector& selector : rule.selectors) {
      RuleEntry entry{&selector, &rule, selector.specificity, order_++, origin};
      NoteDependencies(selector);
      if (selector.pseudo != PseudoElement::kNone) NoteContentAttributes(rule);
      const CompoundSelector& last = selector.compounds.back();
      const SelectorCondition* id = nullptr;
      const SelectorCondition* cls = nullptr;
      for (const SelectorCondition& cond : last.conditions) {
        if (cond.kind == SelectorCondition::kId && id == nullptr) id = &cond;
        if (cond.kind == SelectorCondition::kClass && cls == nullptr) cls = &cond;
      }
      if (id != nullptr) {
        byId_[std::u16string_view(id->value)].push_back(entry);
      } else if (cls != nullptr) {
        byClass_[std::u16string_view(cls->value)].push_back(entry);
      } else if (last.tag != kAtomNone) {
        byTag_[last.tag].push_back(entry);
      } else {
        universal_.push_back(entry);
      }
    }
  }
}

void RuleSet::CollectMatchingRules(const Node* element, std::vector<const RuleEntry*>* out) const {
  size_t first = out->size();
  auto tryList = [&](const std::vector<RuleEntry>& list) {
    for (const RuleEntry& entry : list) {
      if (MatchesSelector(*entry.selector, element)) out->push_back(&entry);
    }
  };
  if (!byId_.empty()) {
    if (const char16_t* id = element->attributes.Find(kAtomId)) {
      auto found = byId_.find(std::u16string_view(id));
      if (found != byId_.end()) tryList(found->second);
    }
  }
  if (!byClass_.empty()) {
    if (const char16_t* classes = element->attributes.Find(kAtomClass)) {
      std::u16string_view seen[8];
      size_t seenCount = 0;
      ForEachClassName(std::u16string_view(classes), [&](std::u16string_view name) {
        if (std::find(seen, seen + seenCount, name) != seen + seenCount) return;  // class="a a"
        if (seenCount < 8) seen[seenCount++] = name;
        auto found = byClass_.find(name);
        if (found != byClass_.end()) tryList(found->second);
      });
    }
  }
  auto tag = byTag_.find(element->tag);
  if (tag != byTag_.end()) tryList(tag->second);
  tryList(universal_);
  std::sort(out->begin() + std::ptrdiff_t(first), out->end(), [](const RuleEntry* a, const RuleEntry* b) {
    if (a->origin != b->origin) return a->origin < b->origin;
    if (a->specificity != b->specificity) return a->specificity < b->specificity;
    return a->order < b->order;
  });
}

}  // namespace engine
