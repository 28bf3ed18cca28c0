// A server's Content-Range value: any text gives -1 or a start that the text
// itself spells, and the answer judged from it never writes past the total.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "download/transfer_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  int64_t start = ContentRangeStart(text.c_str());
  if (start < -1) std::abort();
  // A start is the text's own digits (leading zeros aside).
  if (start > 0 && text.find(std::to_string(start)) == std::string::npos) std::abort();
  int32_t from = size >= 4 ? static_cast<int32_t>(data[0] | data[1] << 8 | data[2] << 16) : 0;
  int32_t total = size >= 8 ? static_cast<int32_t>(data[4] | data[5] << 8 | data[6] << 16) - 1 : -1;
  int status = size >= 10 ? 100 + (data[8] | data[9] << 8) % 500 : 200;
  AnswerUse use = JudgeAnswer(status, from, total, start);
  if (use == AnswerUse::kComplete && from != total) std::abort();
  uint32_t count = size >= 12 ? (data[10] | data[11] << 8) % 4097 : 4096;
  uint32_t writable = WritableBytes(total, from, count);
  if (writable > count || (total >= 0 && static_cast<int64_t>(from) + writable > total && writable > 0)) std::abort();
  return 0;
}
