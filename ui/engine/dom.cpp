// The document tree and the handle table.
#include "ui/engine/dom.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "ui/engine/pool.h"

namespace engine {

// --- AttributeList

namespace {

constexpr size_t kEntryWords = 3;

size_t WordsForChars(size_t chars) { return (chars * sizeof(char16_t) + 3) / 4; }

using Block = AttributeList::Block;

uint32_t* Words(Block* block) { return reinterpret_cast<uint32_t*>(block + 1); }

// The blocks that may be shared, by hash of their content.
std::unordered_multimap<uint32_t, Block*>& SharedBlocks() {
  static std::unordered_multimap<uint32_t, Block*> blocks;
  return blocks;
}

uint32_t HashWords(const uint32_t* words, size_t count) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < count; ++i) h = (h ^ words[i]) * 16777619u;
  return h;
}

// A block with this content (count attributes, `words` words), shared
// with an equal one when asked; its reference is the caller's.
Block* MakeBlock(uint32_t count, const std::vector<uint32_t>& words, bool shared) {
  uint32_t hash = HashWords(words.data(), words.size()) ^ count;
  if (shared) {
    auto range = SharedBlocks().equal_range(hash);
    for (auto it = range.first; it != range.second; ++it) {
      Block* b = it->second;
      if (b->count == count && b->words == words.size() &&
          std::memcmp(Words(b), words.data(), words.size() * 4) == 0) {
        ++b->refs;
        return b;
      }
    }
  }
  void* memory = ::operator new(sizeof(Block) + words.size() * 4);
  Block* b = new (memory) Block{1, count, uint32_t(words.size()), hash, shared};
  if (!words.empty()) std::memcpy(Words(b), words.data(), words.size() * 4);
  if (shared) SharedBlocks().emplace(hash, b);
  return b;
}

void ReleaseBlock(Block* b) {
  if (b == nullptr || --b->refs > 0) return;
  if (b->shared) {
    auto range = SharedBlocks().equal_range(b->hash);
    for (auto it = range.first; it != range.second; ++it) {
      if (it->second == b) {
        SharedBlocks().erase(it);
        break;
      }
    }
  }
  b->~Block();
  ::operator delete(b);
}

}  // namespace

AttributeList& AttributeList::operator=(AttributeList&& o) noexcept {
  if (this != &o) {
    Release();
    block_ = o.block_;
    o.block_ = nullptr;
  }
  return *this;
}

AttributeList::~AttributeList() { Release(); }

void AttributeList::Release() {
  ReleaseBlock(block_);
  block_ = nullptr;
}

const char16_t* AttributeList::Find(Atom name) const {
  size_t count = Count();
  const uint32_t* e = count > 0 ? Entries() : nullptr;
  for (size_t i = 0; i < count; ++i, e += kEntryWords) {
    if (e[0] == name) return Chars() + e[1];
  }
  return nullptr;
}

void AttributeList::Set(Atom name, std::u16string_view value, bool shared) {
  size_t count = Count();
  size_t replaced = count;
  for (size_t i = 0; i < count; ++i) {
    if (NameAt(i) == name) replaced = i;
  }
  size_t newCount = replaced == count ? count + 1 : count;
  size_t chars = 0;
  for (size_t i = 0; i < count; ++i) chars += (i == replaced ? value.size() : ValueAt(i).size()) + 1;
  if (replaced == count) chars += value.size() + 1;

  static std::vector<uint32_t> words;  // scratch: the engine runs on one thread
  words.assign(newCount * kEntryWords + WordsForChars(chars), 0);
  char16_t* out = reinterpret_cast<char16_t*>(words.data() + newCount * kEntryWords);
  size_t offset = 0;
  for (size_t i = 0; i < newCount; ++i) {
    Atom entryName = i < count ? NameAt(i) : name;
    std::u16string_view entryValue = (i == replaced || i == count) ? value : ValueAt(i);
    uint32_t* entry = &words[i * kEntryWords];
    entry[0] = entryName;
    entry[1] = uint32_t(offset);
    entry[2] = uint32_t(entryValue.size());
    if (!entryValue.empty()) std::memcpy(out + offset, entryValue.data(), entryValue.size() * sizeof(char16_t));
    out[offset + entryValue.size()] = 0;
    offset += entryValue.size() + 1;
  }
  Block* block = MakeBlock(uint32_t(newCount), words, shared);
  Release();
  block_ = block;
}

bool AttributeList::Remove(Atom name) {
  size_t count = Count();
  size_t removed = count;
  for (size_t i = 0; i < count; ++i) {
    if (NameAt(i) == name) removed = i;
  }
  if (removed == count) return false;
  AttributeList rebuilt;
  for (size_t i = 0; i < count; ++i) {
    if (i != removed) rebuilt.Set(NameAt(i), ValueAt(i), block_->shared);
  }
  *this = std::move(rebuilt);
  return true;
}

size_t AttributeList::HeapBytes() const {
  if (block_ == nullptr) return 0;
  return (sizeof(Block) + block_->words * 4) / block_->refs;
}

// --- nodes

namespace {

FixedPool<sizeof(Node)>& NodePool() {
  static FixedPool<sizeof(Node)> pool;
  return pool;
}

}  // namespace

void* Node::operator new(size_t size) {
  (void)size;
  return NodePool().Allocate();
}

void Node::operator delete(void* p) { NodePool().Release(p); }

// --- handles

namespace {

// Live handles sorted by number. Handles are issued in increasing order, so a
// new one is appended; deleted ones leave a hole (null) until compaction.
// (Handles and nodes in two arrays, twelve bytes an entry.)
class HandleTable {
 public:
  ElementHandle Register(Node* node) {
    ElementHandle handle = next_++;
    if (next_ == 0) next_ = 1;
    if (!handles_.empty() && handle <= handles_.back()) {
      // The counter wrapped: keep the table sorted and skip numbers in use.
      while (Resolve(handle) != nullptr || handle == 0) ++handle;
      next_ = handle + 1;
      size_t at = size_t(std::lower_bound(handles_.begin(), handles_.end(), handle) - handles_.begin());
      if (at < handles_.size() && handles_[at] == handle) {
        nodes_[at] = node;
        --dead_;
      } else {
        handles_.insert(handles_.begin() + std::ptrdiff_t(at), handle);
        nodes_.insert(nodes_.begin() + std::ptrdiff_t(at), node);
      }
      return handle;
    }
    handles_.push_back(handle);
    nodes_.push_back(node);
    return handle;
  }

  void Unregister(ElementHandle handle) {
    size_t at = IndexOf(handle);
    if (at == kMissing || nodes_[at] == nullptr) return;
    nodes_[at] = nullptr;
    ++dead_;
    if (dead_ > 64 && dead_ * 2 > handles_.size()) {
      size_t kept = 0;
      for (size_t i = 0; i < handles_.size(); ++i) {
        if (nodes_[i] == nullptr) continue;
        handles_[kept] = handles_[i];
        nodes_[kept] = nodes_[i];
        ++kept;
      }
      handles_.resize(kept);
      nodes_.resize(kept);
      dead_ = 0;
    }
  }

  Node* Resolve(ElementHandle handle) const {
    size_t at = IndexOf(handle);
    return at == kMissing ? nullptr : nodes_[at];
  }

  size_t LiveCount() const { return handles_.size() - dead_; }

 private:
  static constexpr size_t kMissing = ~size_t(0);

  size_t IndexOf(ElementHandle handle) const {
    auto at = std::lower_bound(handles_.begin(), handles_.end(), handle);
    if (at == handles_.end() || *at != handle) return kMissing;
    return size_t(at - handles_.begin());
  }

  std::vector<ElementHandle> handles_;
  std::vector<Node*> nodes_;
  size_t dead_ = 0;
  ElementHandle next_ = 1;
};

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

std::vector<Node*>& DetachedRoots() {
  static std::vector<Node*> roots;
  return roots;
}

Node* NewNode(NodeType type, Atom tag) {
  Node* node = new Node;
  node->type = type;
  node->tag = tag;
  node->handle = Handles().Register(node);
  node->dirty = kDirtyStyle | kDirtyBoxChildren;
  return node;
}

std::unordered_map<const Node*, Document*>& DocumentRoots() {
  static std::unordered_map<const Node*, Document*> roots;
  return roots;
}

// Frees a subtree without recursion (a document may be deep or wide).
void FreeSubtree(Node* top, Document* document) {
  std::vector<Node*> pending{top};
  while (!pending.empty()) {
    Node* node = pending.back();
    pending.pop_back();
    for (Node* child : node->children) pending.push_back(child);
    Handles().Unregister(node->handle);
    if (document != nullptr && !document->runtimeStyles.empty()) document->runtimeStyles.erase(node);
    delete node;
  }
}

void RemoveDetachedRoot(Node* node) {
  auto& roots = DetachedRoots();
  auto at = std::find(roots.begin(), roots.end(), node);
  if (at != roots.end()) roots.erase(at);
}

}  // namespace

void MarkDirty(Node* node, uint16_t bits) {
  node->dirty |= bits;
  for (Node* p = node->parent; p != nullptr && (p->dirty & kDirtyDescendant) == 0; p = p->parent) {
    p->dirty |= kDirtyDescendant;
  }
  if (Document* document = DocumentOf(node)) document->dirty = true;
}

Document* DocumentOf(const Node* node) {
  while (node->parent != nullptr) node = node->parent;
  auto& roots = DocumentRoots();
  auto found = roots.find(node);
  return found == roots.end() ? nullptr : found->second;
}

void SetDocumentRoot(Document* document, Node* root) {
  if (document->root != nullptr) DocumentRoots().erase(document->root);
  document->root = root;
  if (root != nullptr) DocumentRoots()[root] = document;
}

Node* ResolveHandle(ElementHandle handle) { return handle == 0 ? nullptr : Handles().Resolve(handle); }
size_t LiveHandleCount() { return Handles().LiveCount(); }

Document::~Document() {
  if (root == nullptr) return;
  Node* top = root;
  SetDocumentRoot(this, nullptr);
  FreeSubtree(top, this);
}

Node* CreateElementNode(Atom tag) { return NewNode(NodeType::kElement, tag); }

Node* CreateTextNode(std::u16string_view text) {
  Node* node = NewNode(NodeType::kText, kAtomText);
  node->attributes.Set(kAtomText, text, false);
  return node;
}

Node* CreateDetachedElement(Atom tag) {
  Node* node = NewNode(NodeType::kElement, tag);
  DetachedRoots().push_back(node);
  return node;
}

bool IsBlankText(const Node* node) {
  if (!node->IsText()) return false;
  for (char16_t c : NodeText(node)) {
    if (!(c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r')) return false;
  }
  return true;
}

void DestroyNode(Node* node) {
  Document* document = DocumentOf(node);
  if (node->parent != nullptr) {
    if (IsBlankText(node)) node->parent->blankChildren--;
    auto& siblings = node->parent->children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), node));
    node->parent = nullptr;
  } else if (document != nullptr) {
    SetDocumentRoot(document, nullptr);
  } else {
    RemoveDetachedRoot(node);
  }
  FreeSubtree(node, document);
}

void DestroyDetachedTrees() {
  auto roots = std::move(DetachedRoots());
  DetachedRoots().clear();
  for (Node* root : roots) FreeSubtree(root, nullptr);
}

size_t DetachedTreeCount() { return DetachedRoots().size(); }

void InsertChild(Node* parent, Node* child, size_t index) {
  if (child->parent == nullptr) RemoveDetachedRoot(child);
  child->parent = parent;
  if (IsBlankText(child)) parent->blankChildren++;
  auto& siblings = parent->children;
  if (index >= siblings.size()) {
    siblings.push_back(child);
  } else {
    siblings.insert(siblings.begin() + std::ptrdiff_t(index), child);
  }
}

void AppendChild(Node* parent, Node* child) { InsertChild(parent, child, parent->children.size()); }

void RemoveFromParent(Node* node) {
  if (node->parent == nullptr) return;
  if (IsBlankText(node)) node->parent->blankChildren--;
  auto& siblings = node->parent->children;
  siblings.erase(std::find(siblings.begin(), siblings.end(), node));
  node->parent = nullptr;
  DetachedRoots().push_back(node);
}

size_t IndexInParent(const Node* node) {
  if (node->parent == nullptr) return 0;
  const auto& siblings = node->parent->children;
  return size_t(std::find(siblings.begin(), siblings.end(), node) - siblings.begin());
}

bool IsAncestorOf(const Node* ancestor, const Node* node) {
  for (const Node* n = node; n != nullptr; n = n->parent) {
    if (n == ancestor) return true;
  }
  return false;
}

int DepthOf(const Node* node) {
  int depth = 0;
  for (const Node* n = node->parent; n != nullptr; n = n->parent) ++depth;
  return depth;
}

int SubtreeHeight(const Node* node) {
  // (Recursive: trees are at most kMaxTreeDepth deep.)
  int height = 0;
  for (const Node* child : node->children) height = std::max(height, 1 + SubtreeHeight(child));
  return height;
}

std::u16string_view NodeText(const Node* node) {
  if (!node->IsText() || node->attributes.Count() == 0) return std::u16string_view();
  return node->attributes.ValueAt(0);
}

void SetNodeText(Node* node, std::u16string_view text) {
  bool wasBlank = IsBlankText(node);
  node->attributes.Set(kAtomText, text, false);
  bool isBlank = IsBlankText(node);
  if (node->parent != nullptr && wasBlank != isBlank) node->parent->blankChildren += isBlank ? 1 : uint32_t(-1);
}

const char16_t* GetAttribute(const Node* node, Atom name) {
  if (!node->IsElement() || name == kAtomNone) return nullptr;
  return node->attributes.Find(name);
}

std::u16string CollectText(const Node* node) {
  std::u16string out;
  std::vector<const Node*> pending{node};
  while (!pending.empty()) {
    const Node* n = pending.back();
    pending.pop_back();
    if (n->IsText()) out += NodeText(n);
    for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) pending.push_back(*it);
  }
  return out;
}

const std::string& NodeTypeName(const Node* node) { return AtomName(node->IsText() ? kAtomText : node->tag); }

const Node* FirstElementChild(const Node* node) {
  for (const Node* child : node->children) {
    if (child->IsElement()) return child;
  }
  return nullptr;
}

const Node* PreviousElementSibling(const Node* node) {
  if (node->parent == nullptr) return nullptr;
  const Node* previous = nullptr;
  for (const Node* sibling : node->parent->children) {
    if (sibling == node) return previous;
    if (sibling->IsElement()) previous = sibling;
  }
  return nullptr;
}

const Node* NextElementSibling(const Node* node) {
  if (node->parent == nullptr) return nullptr;
  const auto& siblings = node->parent->children;
  auto at = std::find(siblings.begin(), siblings.end(), node);
  for (++at; at < siblings.end(); ++at) {
    if ((*at)->IsElement()) return *at;
  }
  return nullptr;
}

}  // namespace engine
