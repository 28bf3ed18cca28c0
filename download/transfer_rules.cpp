#include "download/transfer_rules.h"

#include <cstdio>
#include <cstring>

AnswerUse JudgeAnswer(int status, int32_t from, int32_t total, int64_t rangeStart) {
  switch (status) {
    case 206:
      // A range that does not start where the file ends would leave a hole or
      // repeat bytes.
      if (rangeStart >= 0 && rangeStart != from) return AnswerUse::kFailAndEmpty;
      return AnswerUse::kAppend;
    case 200:
      return from > 0 ? AnswerUse::kFromStart : AnswerUse::kAppend;
    case 416:
      // Nothing left to send: whole when the file has the announced length.
      if (total >= 0 && from == total) return AnswerUse::kComplete;
      return AnswerUse::kFailAndEmpty;
    default:
      return AnswerUse::kFail;
  }
}

int64_t ContentRangeStart(const char* value) {
  while (*value == ' ') ++value;
  if (std::strncmp(value, "bytes", 5) != 0) return -1;
  value += 5;
  while (*value == ' ') ++value;
  if (*value < '0' || *value > '9') return -1;
  int64_t start = 0;
  for (; *value >= '0' && *value <= '9'; ++value) {
    // Beyond any file this program handles: not a position it can use.
    if (start > (INT64_MAX - 9) / 10) return -1;
    start = start * 10 + (*value - '0');
  }
  return *value == '-' ? start : -1;
}

uint32_t WritableBytes(int32_t total, int32_t received, uint32_t count) {
  if (total < 0) return count;
  if (received >= total) return 0;
  uint32_t room = static_cast<uint32_t>(total - received);
  return count < room ? count : room;
}

uint32_t NextRetryPauseMs(uint32_t previousMs) {
  if (previousMs == 0) return 1000;
  return previousMs >= kLongestRetryPauseMs / 2 ? kLongestRetryPauseMs : previousMs * 2;
}

void CatalogueRequestAddress(const char* base, int32_t n, uint32_t id, const char* partnerCode,
                             char* out, size_t outSize) {
  if (outSize == 0) return;
  size_t length = std::strlen(base);
  char last = length > 0 ? base[length - 1] : '\0';
  int written;
  if (last == '/' || last == '\\') {
    written = std::snprintf(out, outSize, "%s%i.txt", base, static_cast<int>(n));
  } else {
    written = std::snprintf(out, outSize, "%s?key=%08x&postfix=%s", base, static_cast<unsigned>(id),
                            partnerCode);
  }
  // A cut address would ask for something else: none at all instead.
  if (written < 0 || static_cast<size_t>(written) >= outSize) out[0] = '\0';
}
