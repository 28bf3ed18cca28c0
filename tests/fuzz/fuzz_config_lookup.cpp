// Configuration lookup on arbitrary bytes: the input is split into a key and a
// text at its first NUL, and every lookup runs with small and large fields so
// that a cut at the field width is exercised.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "config/config_text.h"
#include "config/promotion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  size_t split = input.find('\0');
  std::string key = split == std::string::npos ? std::string("a=") : input.substr(0, split);
  std::string text = split == std::string::npos ? input : input.substr(split + 1);
  // The lookups see C strings, as the program's texts are.
  text = text.c_str();
  key = key.c_str();

  for (size_t width : {size_t{0}, size_t{1}, size_t{2}, size_t{16}, size_t{260}}) {
    char* dst = new char[width == 0 ? 1 : width];
    ConfigValue(dst, width, text.c_str(), key.c_str());
    if (width > 0 && std::strlen(dst) >= width) __builtin_trap();
    delete[] dst;
  }
  (void)ConfigNumber(text.c_str(), key.c_str());

  std::string name = text.substr(0, 200);
  UpcaseName(&name[0]);

  PromotionState state;
  DecidePromotion(text.c_str(), {5, 8}, {"http://x/a"}, state);
  if (std::strlen(state.description) >= sizeof state.description) __builtin_trap();
  return 0;
}
