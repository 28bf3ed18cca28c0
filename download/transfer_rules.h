// The decisions of a transfer that need no network: what an answer to a
// ranged request means for the partial file, how many bytes of a block may be
// written, and the pause before the next attempt after a failure. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

enum class AnswerUse {
  kAppend,       // the body continues the partial file
  kFromStart,    // the body is the whole file: empty the partial file first
  kComplete,     // the partial file is already whole
  kFail,         // write nothing; the attempt failed
  kFailAndEmpty, // write nothing, and the partial file cannot be resumed
};

// The answer to a request for the bytes from `from` on, of a file of `total`
// bytes (-1 unknown). rangeStart is the first byte named by the answer's
// Content-Range (-1 when it has none).
AnswerUse JudgeAnswer(int status, int32_t from, int32_t total, int64_t rangeStart);

// The first byte position of a Content-Range value ("bytes 100-199/200");
// -1 when the text is not of that form.
int64_t ContentRangeStart(const char* value);

// How many of `count` bytes just read may be written when `received` bytes
// are already in the file: never past total (-1: no limit).
uint32_t WritableBytes(int32_t total, int32_t received, uint32_t count);

// The pause before the next attempt after one that failed without progress:
// 1 s after the first, doubling up to a minute.
uint32_t NextRetryPauseMs(uint32_t previousMs);
constexpr uint32_t kLongestRetryPauseMs = 60000;

// The catalogue request's address for a base address (a folder when it ends
// with "/" or "\": "<base><n>.txt"; a script otherwise:
// "<base>?key=<id as 8 lower-case hex digits>&postfix=<partner code>").
void CatalogueRequestAddress(const char* base, int32_t n, uint32_t id, const char* partnerCode,
                             char* out, size_t outSize);
