// Address resolution.
#include "ui/engine/url.h"

#include <vector>

#include "ui/engine/text.h"

namespace engine {

namespace {

bool IsAsciiLetter(char16_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool HasDrive(std::u16string_view a) {
  return a.size() >= 2 && IsAsciiLetter(a[0]) && a[1] == ':' && (a.size() == 2 || a[2] == '\\' || a[2] == '/');
}

// Length of "scheme:" (two or more letters, so a drive letter is not one).
size_t SchemeLength(std::u16string_view a) {
  size_t i = 0;
  while (i < a.size() && (IsAsciiLetter(a[i]) || (i > 0 && ((a[i] >= '0' && a[i] <= '9') || a[i] == '+' ||
                                                            a[i] == '-' || a[i] == '.')))) {
    ++i;
  }
  return (i >= 2 && i < a.size() && a[i] == ':') ? i + 1 : 0;
}

// Folds "." and ".." segments of a path (separators '/' or '\').
std::u16string NormalizePath(std::u16string_view path, char16_t separator) {
  std::vector<std::u16string_view> segments;
  size_t i = 0;
  bool leading = !path.empty() && (path[0] == '/' || path[0] == '\\');
  while (i <= path.size()) {
    size_t j = i;
    while (j < path.size() && path[j] != '/' && path[j] != '\\') ++j;
    std::u16string_view segment = path.substr(i, j - i);
    bool last = j >= path.size();
    if (segment == u"..") {
      if (!segments.empty() && segments.back() != u"..") {
        segments.pop_back();
      } else if (!leading) {
        segments.push_back(segment);
      }
      if (last) segments.push_back(u"");
    } else if (segment == u".") {
      if (last) segments.push_back(u"");
    } else if (!segment.empty() || last) {
      segments.push_back(segment);
    }
    i = j + 1;
  }
  std::u16string out;
  if (leading) out.push_back(separator);
  for (size_t k = 0; k < segments.size(); ++k) {
    if (k > 0) out.push_back(separator);
    out += segments[k];
  }
  return out;
}

}  // namespace

bool IsAbsoluteAddress(std::u16string_view a) {
  return HasDrive(a) || SchemeLength(a) > 0 || (!a.empty() && (a[0] == '/' || a[0] == '\\'));
}

std::u16string ResolveAddress(std::u16string_view base, std::u16string_view relative) {
  relative = TrimSpace(relative);
  if (relative.empty()) return std::u16string();
  if (HasDrive(relative) || SchemeLength(relative) > 0 || relative.substr(0, 2) == u"\\\\") {
    return std::u16string(relative);
  }
  size_t scheme = SchemeLength(base);
  if (scheme > 0 && base.substr(scheme, 2) == u"//") {
    // scheme://host/path
    size_t pathAt = base.find('/', scheme + 2);
    std::u16string_view origin = base.substr(0, pathAt == std::u16string_view::npos ? base.size() : pathAt);
    std::u16string_view path = pathAt == std::u16string_view::npos ? u"/" : base.substr(pathAt);
    size_t cut = path.find_first_of(u"?#");
    if (cut != std::u16string_view::npos) path = path.substr(0, cut);
    std::u16string joined;
    if (relative[0] == '/') {
      joined = std::u16string(relative);
    } else {
      joined = std::u16string(path.substr(0, path.rfind('/') + 1)) + std::u16string(relative);
    }
    return std::u16string(origin) + NormalizePath(joined, '/');
  }
  bool windows = HasDrive(base) || base.find('\\') != std::u16string_view::npos;
  char16_t separator = windows ? '\\' : '/';
  std::u16string joined;
  if (relative[0] == '/' || relative[0] == '\\') {
    joined = HasDrive(base) ? std::u16string(base.substr(0, 2)) + std::u16string(relative) : std::u16string(relative);
  } else {
    size_t slash = base.find_last_of(u"/\\");
    joined = (slash == std::u16string_view::npos ? std::u16string() : std::u16string(base.substr(0, slash + 1))) +
             std::u16string(relative);
  }
  if (HasDrive(joined)) return std::u16string(joined.substr(0, 2)) + NormalizePath(joined.substr(2), separator);
  if (joined.substr(0, 2) == u"\\\\") return u"\\" + NormalizePath(std::u16string_view(joined).substr(1), separator);
  return NormalizePath(joined, separator);
}

}  // namespace engine
