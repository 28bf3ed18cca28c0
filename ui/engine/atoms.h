// Interned lower-case names of elements and attributes. An element keeps its
// tag and attribute names as small numbers; the names the engine knows are
// constants (kAtomDiv, kAtomSrc), others are added on first sight. The table
// is process-wide and only grows; like the rest of the engine it is used from
// one thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace engine {

using Atom = uint32_t;

#define ENGINE_KNOWN_ATOMS(X)                                                                       \
  X(None, "") X(Text, "text") X(Html, "html") X(Head, "head") X(Body, "body") X(Title, "title")  \
  X(Meta, "meta") X(Link, "link") X(Style, "style") X(Script, "script") X(Base, "base")           \
  X(Div, "div") X(Span, "span") X(P, "p") X(A, "a") X(B, "b") X(I, "i") X(U, "u") X(S, "s")       \
  X(Strong, "strong") X(Em, "em") X(Img, "img") X(Br, "br") X(Hr, "hr") X(Table, "table")        \
  X(Tbody, "tbody") X(Thead, "thead") X(Tfoot, "tfoot") X(Tr, "tr") X(Td, "td") X(Th, "th")      \
  X(Caption, "caption") X(Col, "col") X(Colgroup, "colgroup") X(Ul, "ul") X(Ol, "ol")            \
  X(Li, "li") X(Dl, "dl") X(Dt, "dt") X(Dd, "dd") X(H1, "h1") X(H2, "h2") X(H3, "h3")            \
  X(H4, "h4") X(H5, "h5") X(H6, "h6") X(Pre, "pre") X(Center, "center") X(Font, "font")          \
  X(Form, "form") X(Input, "input") X(Button, "button") X(Select, "select")                      \
  X(Option, "option") X(Optgroup, "optgroup") X(Textarea, "textarea") X(Progress, "progress")   \
  X(Blockquote, "blockquote") X(Address, "address") X(Noscript, "noscript") X(Area, "area")     \
  X(Embed, "embed") X(Param, "param") X(Source, "source") X(Track, "track") X(Wbr, "wbr")        \
  X(Frameset, "frameset") X(Nobr, "nobr") X(Small, "small") X(Big, "big") X(Code, "code")       \
  X(Menu, "menu") X(Dir, "dir") X(Fieldset, "fieldset") X(Legend, "legend") X(Label, "label")   \
  X(Object, "object") X(Iframe, "iframe") X(Sub, "sub") X(Sup, "sup") X(Tt, "tt")               \
  X(Section, "section") X(Article, "article") X(Header, "header") X(Footer, "footer")            \
  X(Nav, "nav") X(Aside, "aside") X(Main, "main") X(Figure, "figure")                            \
  X(Id, "id") X(Class, "class") X(Src, "src") X(Href, "href") X(Width, "width")                  \
  X(Height, "height") X(Align, "align") X(Valign, "valign") X(Bgcolor, "bgcolor")                \
  X(Border, "border") X(Cellpadding, "cellpadding") X(Cellspacing, "cellspacing")                \
  X(Colspan, "colspan") X(Rowspan, "rowspan") X(Rel, "rel") X(Type, "type") X(Value, "value")    \
  X(Max, "max") X(Maxvalue, "maxvalue") X(Color, "color") X(Face, "face") X(Size, "size")        \
  X(Background, "background") X(Nowrap, "nowrap") X(Alt, "alt") X(Name, "name")                  \
  X(Charset, "charset") X(Content, "content") X(HttpEquiv, "http-equiv") X(Media, "media")       \
  X(Hspace, "hspace") X(Vspace, "vspace") X(Clear, "clear")

enum KnownAtom : Atom {
#define ENGINE_ATOM_ENUM(name, text) kAtom##name,
  ENGINE_KNOWN_ATOMS(ENGINE_ATOM_ENUM)
#undef ENGINE_ATOM_ENUM
  kKnownAtomCount
};

// The atom of a name given in lower case, added when new.
Atom InternAtom(std::string_view lowerName);
// The atom of a name in any letter case, or kAtomNone when it has never been
// seen (a look-up does not grow the table).
Atom FindAtom(std::string_view name);
const std::string& AtomName(Atom atom);

}  // namespace engine
