// Property values: from the tokens after "name:" to typed declarations,
// shorthands expanded. Used by the style sheet parser and for presentational
// attributes.
//
// Accepted beyond CSS 2.1, as old pages expect: unitless lengths read as
// pixels, rgba(), the cursor "hand". Not supported: system colours and fonts,
// counters, content, background-attachment (accepted, ignored), list-style
// images and positions (accepted, ignored), lengths in ex read as half an em.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/engine/css_tokenizer.h"
#include "ui/engine/css_types.h"

namespace engine {

// Appends the longhand declarations of property `name` (lower case) with the
// value tokens [begin, end). False, and nothing appended, when the property
// is unknown or the value invalid for it.
bool ParsePropertyValue(std::string_view name, const CssToken* begin, const CssToken* end, bool important,
                        std::vector<Declaration>* out);

// A colour as written in CSS or in an HTML attribute ("#fc0", "#ffcc00",
// "rgb(...)", a name, and for attributes "ffcc00" without '#').
bool ParseColorText(std::string_view text, Color* color);

Keyword LookUpKeyword(std::string_view identifier);
// Names for dumps and messages.
const char* KeywordName(Keyword keyword);
const char* PropertyName(PropertyId property);
std::string FormatValue(const CssValue& value);

// Font sizes in pixels of the keywords xx-small ... xx-large, and of the
// sizes 1-7 of <font size>.
int FontSizeForKeyword(Keyword keyword);
int FontSizeForHtmlSize(int size);

}  // namespace engine
