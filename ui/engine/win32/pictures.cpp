// Pictures decoded into DIB sections (PNG by the engine's own decoder, the
// other formats by WIC), and background HTTP fetches.
#include "ui/engine/win32/pictures.h"

#include <objbase.h>
#include <wincodec.h>
#include <wininet.h>

#include <cstring>
#include <memory>

#include "ui/engine/picture_size.h"
#include "ui/engine/png_decoder.h"

namespace win32host {
namespace {

// One imaging factory for the user-interface thread, made on first use.
IWICImagingFactory* Factory() {
  static IWICImagingFactory* factory = nullptr;
  if (factory == nullptr) {
    // The thread may have COM already (the manager's); either answer is fine.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(&factory));
  }
  return factory;
}

template <typename T>
void Release(T*& object) {
  if (object != nullptr) object->Release();
  object = nullptr;
}

// A 32-bit top-down DIB section of the size; null when it cannot be made.
HBITMAP CreatePixels(int width, int height, void** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

bool DecodeFrom(IWICBitmapDecoder* decoder, Picture* picture) {
  IWICBitmapFrameDecode* frame = nullptr;
  IWICFormatConverter* converter = nullptr;
  bool ok = false;
  UINT width = 0, height = 0;
  if (SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(Factory()->CreateFormatConverter(&converter)) &&
      SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                      nullptr, 0.0, WICBitmapPaletteTypeCustom)) &&
      SUCCEEDED(converter->GetSize(&width, &height)) && width > 0 && height > 0 &&
      width <= static_cast<UINT>(engine::kMaxPictureSide) && height <= static_cast<UINT>(engine::kMaxPictureSide)) {
    void* bits = nullptr;
    HBITMAP bitmap = CreatePixels(static_cast<int>(width), static_cast<int>(height), &bits);
    if (bitmap != nullptr) {
      UINT stride = width * 4;
      if (SUCCEEDED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        picture->bitmap = bitmap;
        picture->width = static_cast<int>(width);
        picture->height = static_cast<int>(height);
        ok = true;
      } else {
        DeleteObject(bitmap);
      }
    }
  }
  Release(converter);
  Release(frame);
  return ok;
}

// PNG pictures are decoded by the engine's own decoder: the imaging
// component costs tens of milliseconds to start and one or two per picture.
bool DecodePng(const uint8_t* bytes, size_t size, Picture* picture) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  int width = 0, height = 0;
  if (size < 8 || std::memcmp(bytes, kSignature, 8) != 0 ||
      !engine::ReadPictureSize(bytes, size, &width, &height)) {
    return false;
  }
  void* bits = nullptr;
  HBITMAP bitmap = CreatePixels(width, height, &bits);
  if (bitmap == nullptr) return false;
  bool opaque = false;
  if (!engine::DecodePng(bytes, size, static_cast<uint8_t*>(bits), width, height,
                         static_cast<size_t>(width) * 4, &opaque)) {
    DeleteObject(bitmap);
    return false;
  }
  *picture = Picture{bitmap, width, height, opaque};
  return true;
}

}  // namespace

bool DecodePicture(const uint8_t* bytes, size_t size, Picture* picture) {
  *picture = Picture{};
  if (bytes != nullptr && DecodePng(bytes, size, picture)) return true;
  return DecodeWithImagingComponent(bytes, size, picture);
}

bool DecodeWithImagingComponent(const uint8_t* bytes, size_t size, Picture* picture) {
  *picture = Picture{};
  IWICImagingFactory* factory = Factory();
  if (factory == nullptr || bytes == nullptr || size == 0 || size > 0x7FFFFFFF) return false;
  IWICStream* stream = nullptr;
  IWICBitmapDecoder* decoder = nullptr;
  bool ok = SUCCEEDED(factory->CreateStream(&stream)) &&
            SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(size))) &&
            SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand,
                                                       &decoder)) &&
            DecodeFrom(decoder, picture);
  Release(decoder);
  Release(stream);
  return ok;
}

bool DecodePictureFile(const std::wstring& path, Picture* picture) {
  std::vector<uint8_t> bytes;
  return ReadFileBytes(path, &bytes) && DecodePicture(bytes.data(), bytes.size(), picture);
}

void FreePicture(Picture* picture) {
  if (picture->bitmap != nullptr) DeleteObject(picture->bitmap);
  *picture = Picture{};
}

bool WritePng(const std::wstring& path, const void* pixels, int width, int height) {
  IWICImagingFactory* factory = Factory();
  if (factory == nullptr || width <= 0 || height <= 0) return false;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  UINT stride = static_cast<UINT>(width) * 4;
  bool ok = SUCCEEDED(factory->CreateStream(&stream)) &&
            SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
            SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
            SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
            SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
            SUCCEEDED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
            SUCCEEDED(frame->SetPixelFormat(&format)) && IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA) &&
            SUCCEEDED(frame->WritePixels(static_cast<UINT>(height), stride, stride * static_cast<UINT>(height),
                                         static_cast<BYTE*>(const_cast<void*>(pixels)))) &&
            SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  Release(frame);
  Release(encoder);
  Release(stream);
  return ok;
}

bool ReadFileBytes(const std::wstring& path, std::vector<uint8_t>* bytes, size_t limit, bool* whole) {
  bytes->clear();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  LARGE_INTEGER size = {};
  if (GetFileSizeEx(file, &size) && size.QuadPart < 256 * 1024 * 1024) {
    size_t length = static_cast<size_t>(size.QuadPart);
    if (whole != nullptr) *whole = length <= limit;
    bytes->resize(length < limit ? length : limit);
    DWORD read = 0;
    ok = bytes->empty() ||
         (ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) &&
          read == bytes->size());
  }
  CloseHandle(file);
  return ok;
}

namespace {

struct RemoteJob {
  HWND window;
  UINT message;
  std::unique_ptr<RemoteResult> result;
};

void Fetch(RemoteResult& result) {
  HINTERNET internet = InternetOpenA("IE6", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (internet == nullptr) return;
  std::wstring url(result.url.begin(), result.url.end());
  HINTERNET request = InternetOpenUrlW(internet, url.c_str(), nullptr, 0,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  if (request != nullptr) {
    DWORD status = 0;
    DWORD length = sizeof status;
    if (HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr)) {
      result.status = status;
    }
    if (status == 200) {
      BYTE block[4096];
      DWORD read = 0;
      while (InternetReadFile(request, block, sizeof block, &read) && read > 0) {
        result.data.insert(result.data.end(), block, block + read);
        if (result.data.size() > 64 * 1024 * 1024) break;  // not a picture of a screen
      }
    }
    InternetCloseHandle(request);
  }
  InternetCloseHandle(internet);
}

DWORD WINAPI RemoteLoadThread(void* parameter) {
  std::unique_ptr<RemoteJob> job(static_cast<RemoteJob*>(parameter));
  Fetch(*job->result);
  RemoteResult* result = job->result.release();
  if (!PostMessageW(job->window, job->message, 0, reinterpret_cast<LPARAM>(result))) delete result;
  return 0;
}

}  // namespace

void StartRemoteLoad(HWND window, UINT message, const std::u16string& url, uint64_t tag) {
  auto* job = new RemoteJob{window, message, std::make_unique<RemoteResult>()};
  job->result->url = url;
  job->result->tag = tag;
  HANDLE thread = CreateThread(nullptr, 0, RemoteLoadThread, job, 0, nullptr);
  if (thread == nullptr) {
    // No thread: report the failed load at once, from this thread's queue.
    RemoteResult* result = job->result.release();
    delete job;
    if (!PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(result))) delete result;
    return;
  }
  CloseHandle(thread);
}

RemoteResult* TakeRemoteResult(LPARAM lParam) { return reinterpret_cast<RemoteResult*>(lParam); }

}  // namespace win32host
