// Interprets the engine's display list with GDI.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/engine/display_list.h"
#include "ui/engine/win32/pictures.h"

namespace win32host {

// The decoded picture for an address, or null while there is none (a picture
// that cannot be had leaves its box empty).
using PictureLookup = std::function<const Picture*(const std::u16string&)>;

// Draws the items of `list` that meet `area` (view coordinates, which are the
// DC's coordinates), clipped to it.
void PaintDisplayList(HDC dc, const engine::DisplayList& list, const RECT& area,
                      const PictureLookup& pictures);

}  // namespace win32host
