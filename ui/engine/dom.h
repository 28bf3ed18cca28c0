// The document tree: elements with ordered attributes, text nodes, and the
// process-wide table of element handles.
//
// Every node (element or text) gets a handle, a 32-bit number that is never
// reused while the process runs (it wraps only after four billion nodes). A
// handle resolves to its node until the node is deleted or its document is
// destroyed; after that it resolves to null, so a caller holding a stale
// handle is refused instead of crashing. Nodes created outside any document
// (CreateDetachedElement) live in a pool of detached trees until they are
// inserted into a document or deleted.
//
// This module only keeps the tree. What a change means for style and layout
// is decided by the view (view.cpp), which calls these functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/engine/atoms.h"

namespace engine {

using ElementHandle = uint32_t;  // 0: no element

struct Box;
struct ComputedStyle;
struct Document;
class View;

enum class NodeType : unsigned char { kElement, kText };

// Element states, as bits (the values the HTMLayout-style API uses).
constexpr uint32_t kStateHover = 0x2;
constexpr uint32_t kStateActive = 0x4;
constexpr uint32_t kStateFocus = 0x8;
constexpr uint32_t kStateMask = kStateHover | kStateActive | kStateFocus;

// What the next update must redo for a node (Node::dirty).
enum DirtyBits : uint16_t {
  kDirtyStyle = 1 << 0,          // recompute this element's style
  kDirtyStyleSubtree = 1 << 1,   // recompute the styles of the element and all descendants
  kDirtyBoxChildren = 1 << 2,    // rebuild the boxes of the node's children
  kDirtyBoxSelf = 1 << 3,        // rebuild the node's own box (its parent's box children)
  kDirtyLayout = 1 << 4,         // lay the node's box out again
  kDirtyPaint = 1 << 5,          // repaint only (the display list is rebuilt)
  kDirtyDescendant = 1 << 6,     // some descendant has one of the bits above
};

// Attributes in source order, all in one immutable block; a value is UTF-16
// with a terminating NUL, valid until the list next changes. Equal lists
// share one block (a thousand list rows with id="tablerow" hold it once);
// a change makes a new block.
class AttributeList {
 public:
  AttributeList() = default;
  AttributeList(const AttributeList&) = delete;
  AttributeList& operator=(const AttributeList&) = delete;
  AttributeList(AttributeList&& o) noexcept : block_(o.block_) { o.block_ = nullptr; }
  AttributeList& operator=(AttributeList&& o) noexcept;
  ~AttributeList();

  size_t Count() const { return block_ != nullptr ? block_->count : 0; }
  Atom NameAt(size_t index) const { return Entries()[index * 3]; }
  std::u16string_view ValueAt(size_t index) const {
    const uint32_t* e = Entries() + index * 3;
    return std::u16string_view(Chars() + e[1], e[2]);
  }
  // Null when absent.
  const char16_t* Find(Atom name) const;
  bool Has(Atom name) const { return Find(name) != nullptr; }
  // Replaces the value of an existing attribute in place of order, or appends.
  // `shared`: look for an equal block to share (text nodes do not bother).
  void Set(Atom name, std::u16string_view value, bool shared = true);
  bool Remove(Atom name);
  size_t HeapBytes() const;

  struct Block {
    uint32_t refs;
    uint32_t count;     // attributes
    uint32_t words;     // uint32 units after the header: entries, then characters
    uint32_t hash;
    bool shared;        // in the table of shared blocks
  };

 private:
  // After the header: [name, offset, length] x count, then the values.
  const uint32_t* Entries() const { return reinterpret_cast<const uint32_t*>(block_ + 1); }
  const char16_t* Chars() const { return reinterpret_cast<const char16_t*>(Entries() + block_->count * 3); }
  void Release();

  Block* block_ = nullptr;
};

struct Node {
  Node* parent = nullptr;
  std::vector<Node*> children;    // owned, in document order
  AttributeList attributes;       // of an element; a text node keeps its text here as "text"
  const ComputedStyle* style = nullptr;  // owned by the view's style pool
  Box* box = nullptr;                    // principal box, owned by the box tree
  ElementHandle handle = 0;
  Atom tag = kAtomNone;  // kAtomText for a text node
  NodeType type = NodeType::kElement;
  uint8_t state = 0;     // kState* bits
  uint16_t dirty = 0;    // DirtyBits
  uint32_t blankChildren = 0;  // children that are text of white space only

  bool IsElement() const { return type == NodeType::kElement; }
  bool IsText() const { return type == NodeType::kText; }

  // From a pool (pool.h): documents hold thousands of nodes.
  static void* operator new(size_t size);
  static void operator delete(void* p);
};

struct Document {
  Node* root = nullptr;  // the html element (set with SetDocumentRoot)
  std::u16string url;    // where the document came from; base of relative addresses
  // Style set through the API at run time (SetStyleProperty), per element, as
  // "name:value;" declarations that win over the style sheets.
  std::unordered_map<const Node*, std::string> runtimeStyles;
  bool dirty = true;  // something awaits the next update
  View* view = nullptr;  // the view showing it

  Document() = default;
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
  ~Document();
};

// Deepest tree the engine builds: the parser nests no deeper and insertions
// that would are refused, so recursive stages have a bounded depth.
constexpr int kMaxTreeDepth = 200;

// Sets dirty bits on a node, kDirtyDescendant on its ancestors, and marks
// its document for an update.
void MarkDirty(Node* node, uint16_t bits);

// --- handles
Node* ResolveHandle(ElementHandle handle);
size_t LiveHandleCount();

// The document a node is in (its tree's root is the document's root), or
// null for a node of a detached tree.
Document* DocumentOf(const Node* node);
void SetDocumentRoot(Document* document, Node* root);

// --- creation and destruction
// A new node without a parent; the caller puts it in a tree.
Node* CreateElementNode(Atom tag);
Node* CreateTextNode(std::u16string_view text);
// A new element outside every document, kept in the detached pool.
Node* CreateDetachedElement(Atom tag);
// Removes the node from its parent (or the detached pool) and frees it with
// its subtree; their handles become stale.
void DestroyNode(Node* node);
// Frees every detached tree (for the end of the process and for tests).
void DestroyDetachedTrees();
size_t DetachedTreeCount();

// --- tree structure
// Appends or inserts `child` (which must have no parent) at `index` among
// the parent's children; an index at or past the end appends. A child that
// was detached joins the parent's document with its subtree.
void InsertChild(Node* parent, Node* child, size_t index);
void AppendChild(Node* parent, Node* child);
// Takes the node out of its parent (it becomes a detached tree root).
void RemoveFromParent(Node* node);
size_t IndexInParent(const Node* node);
bool IsAncestorOf(const Node* ancestor, const Node* node);
int DepthOf(const Node* node);   // 0 for a root
int SubtreeHeight(const Node* node);  // 0 for a leaf

// --- content
std::u16string_view NodeText(const Node* node);  // a text node's text
// A text node of white space only (not a child as the API counts them).
bool IsBlankText(const Node* node);
void SetNodeText(Node* node, std::u16string_view text);
const char16_t* GetAttribute(const Node* node, Atom name);
// The element's own text and its descendants' text, in document order.
std::u16string CollectText(const Node* node);
// The type name the API reports: the tag, or "text" for a text node.
const std::string& NodeTypeName(const Node* node);

// Element children only, skipping text.
const Node* FirstElementChild(const Node* node);
const Node* PreviousElementSibling(const Node* node);
const Node* NextElementSibling(const Node* node);

}  // namespace engine
