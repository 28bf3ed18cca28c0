// Screens: HTML files of the game folder's "html" folder shown in the main
// window, their placeholders filled at load, elements found by id, and mouse
// clicks on elements turned into a message to the main window.
#pragma once

#include <windows.h>

#include <memory>

#include "ui/engine/win32/htmlayout.h"

// The first element, depth-first in document order, whose "id" contains `id`
// (a case-sensitive substring); 0 when none, when the window has no document
// or when the manager is quitting.
HELEMENT FindElementById(const wchar_t* id, HWND window);
HELEMENT FindInSubtree(HELEMENT element, const wchar_t* id);

// Shows or hides the element through its "visibility" style, updated at once;
// an absent element is no error.
void SetElementVisible(const wchar_t* id, HWND window, bool visible);

// Loads html\<fileName> of the game folder into the window and fills it.
void LoadScreen(const wchar_t* fileName, HWND window);

// The screen's "progressbar" element of the last load, or 0.
HELEMENT ProgressElement();

// The window's element event handler: a press and release of the main button
// on the same element with an id opens its "href" and posts the click (the
// id as a heap copy that the receiver frees with delete[]) to the window.
BOOL CALLBACK ScreenClickHandler(LPVOID tag, HELEMENT he, UINT group, LPVOID params);

// Posts a click on the element with this id to the window. The id travels as
// a heap copy that only TakeClickedId gives back; false when the post failed.
bool PostElementClick(HWND window, const wchar_t* id, HELEMENT element);

// The id and element of a posted click, for the wParam of the click message;
// null (and no element) for a wParam that no PostElementClick made (a
// message from another program), which is then ignored.
std::unique_ptr<wchar_t[]> TakeClickedId(WPARAM wParam, HELEMENT* element);
