// Pictures: any format Windows' imaging component decodes (JPEG, PNG with
// transparency, GIF, BMP), held as 32-bit premultiplied BGRA DIB sections so
// that GDI draws them scaled and blended (AlphaBlend). PNG pictures, which
// the screens are made of, go through the engine's own decoder.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace win32host {

struct Picture {
  HBITMAP bitmap = nullptr;
  int width = 0;
  int height = 0;
  bool opaque = false;  // known to have no transparency: copied, not blended
};

// Decodes the first frame of an encoded picture; false when it cannot.
bool DecodePicture(const uint8_t* bytes, size_t size, Picture* picture);
bool DecodePictureFile(const std::wstring& path, Picture* picture);
// The imaging component's decoding alone, which PNG pictures otherwise skip
// (for tests that hold the engine's PNG decoder against it).
bool DecodeWithImagingComponent(const uint8_t* bytes, size_t size, Picture* picture);
void FreePicture(Picture* picture);

// Writes 32-bit BGRA pixels (top-down rows of width * 4 bytes) as a PNG file.
bool WritePng(const std::wstring& path, const void* pixels, int width, int height);

// Reads a file, or its first `limit` bytes (*whole then says whether that
// was all of it); false when it cannot be opened or read.
bool ReadFileBytes(const std::wstring& path, std::vector<uint8_t>* bytes, size_t limit = SIZE_MAX,
                   bool* whole = nullptr);

// Fetches an http:// address on a thread of its own (WinInet, agent "IE6")
// and posts `message` to `window` with a heap RemoteResult in lParam, which
// the receiver takes with TakeRemoteResult. The user-interface thread never
// waits for the network.
struct RemoteResult {
  std::u16string url;
  uint32_t status = 0;  // HTTP status; 0 when no answer came
  std::vector<uint8_t> data;
  uint64_t tag = 0;     // passed through
};
void StartRemoteLoad(HWND window, UINT message, const std::u16string& url, uint64_t tag);
RemoteResult* TakeRemoteResult(LPARAM lParam);

}  // namespace win32host
