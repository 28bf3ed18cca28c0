// Addresses of linked style sheets and pictures: resolving a relative address
// against the document's (a Windows path, a Unix path or an http:// URL).
//
// Not supported: query and fragment handling beyond keeping them as written,
// percent-decoding, file:// URLs other than as opaque prefixes.
#pragma once

#include <string>
#include <string_view>

namespace engine {

// Absolute: a scheme ("http:"), a drive ("C:\"), or a leading "\\" or "/".
bool IsAbsoluteAddress(std::u16string_view address);
// `relative` against the folder of `base`, with "." and ".." folded; a
// Windows base keeps backslashes. Empty when `relative` is empty.
std::u16string ResolveAddress(std::u16string_view base, std::u16string_view relative);

}  // namespace engine
