// GDI fonts for the engine's font descriptions: created once per description
// and kept, so that text is measured with the same font that draws it.
#pragma once

#include <windows.h>

#include <string>

#include "ui/engine/host.h"

namespace win32host {

// The font for a description: the first family of its list that the system
// has (CSS generic families map to common Windows faces), else the system's
// default user-interface font. Owned by the cache.
HFONT FontFor(const engine::FontDesc& font);

engine::FontMetrics MetricsFor(const engine::FontDesc& font);
int MeasureText(const engine::FontDesc& font, const wchar_t* text, size_t length);

// The face the description resolves to (for tests).
std::wstring FaceFor(const engine::FontDesc& font);

}  // namespace win32host
