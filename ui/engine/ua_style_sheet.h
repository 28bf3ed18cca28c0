// The user-agent style sheet: the look of HTML elements before any author
// style (display types, margins of headings and paragraphs, tables, lists,
// links, <progress>).
#pragma once

namespace engine {

extern const char kUserAgentStyleSheet[];

}  // namespace engine
