// HTML parser: turns the decoded text of a document into a DOM tree.
//
// It tolerates what real pages contain: unquoted and bare attributes, missing
// end tags (p, li, dt, dd, td, th, tr, option and the elements of a table are
// closed by what follows them), stray end tags (ignored), bad nesting (an end
// tag closes everything opened after its element, but not past a table cell or
// table), a missing html, head or body (made up), and "/>" on any element.
// <script> and its content are dropped whole; <style>, <title> and <textarea>
// keep their content as one text child. Character references: the named ones
// of HTML 4 plus &apos;, with or without ';', and numeric ones. In an XHTML
// document (.xht, .xhtml, or an XML declaration first) the text of <style> is
// XML text: CDATA sections kept, character references decoded.
//
// Not supported: the HTML5 adoption agency (misnested formatting elements are
// closed, not reopened), implied <tbody>, foster parenting of text misplaced in
// tables (it stays where it is written), <frameset>, CDATA sections elsewhere,
// and document.write. Nesting deeper than kMaxTreeDepth continues as siblings.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ui/engine/dom.h"

namespace engine {

// The document always has html > head, body.
std::unique_ptr<Document> ParseHtml(std::u16string_view source, const std::u16string& url);

}  // namespace engine
