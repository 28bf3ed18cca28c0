#include "ui/engine/png_decoder.h"

#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace engine {
namespace {

// --- inflate

constexpr int kMaxCodeBits = 15;
constexpr int kFastBits = 10;
constexpr unsigned kFastSize = 1u << kFastBits;
constexpr size_t kWindow = 32768;      // the farthest a copy reaches back
constexpr size_t kRing = 65536;        // history plus what is not yet read
constexpr size_t kMaxLength = 258;     // the longest copy
constexpr size_t kBurst = 4096;        // output decoded at one step, at most (plus one copy)

// A canonical Huffman code. Codes of up to kFastBits bits are found with one
// lookup by the next input bits (entry: symbol << 4 | length; 0 when the code
// is longer or does not exist); longer ones are walked length by length.
struct HuffmanTable {
  uint16_t fast[kFastSize];
  uint16_t perLength[kMaxCodeBits + 1];
  uint16_t symbols[288];  // by code, shortest codes first
};

bool BuildTable(HuffmanTable* table, const uint8_t* lengths, int count) {
  std::memset(table->perLength, 0, sizeof table->perLength);
  for (int i = 0; i < count; ++i) ++table->perLength[lengths[i]];
  table->perLength[0] = 0;
  int left = 1;
  for (int length = 1; length <= kMaxCodeBits; ++length) {
    left = (left << 1) - table->perLength[length];
    if (left < 0) return false;  // more codes than the lengths allow
  }
  uint16_t offsets[kMaxCodeBits + 2] = {};
  for (int length = 1; length <= kMaxCodeBits; ++length) {
    offsets[length + 1] = static_cast<uint16_t>(offsets[length] + table->perLength[length]);
  }
  for (int symbol = 0; symbol < count; ++symbol) {
    if (lengths[symbol] != 0) table->symbols[offsets[lengths[symbol]]++] = static_cast<uint16_t>(symbol);
  }
  std::memset(table->fast, 0, sizeof table->fast);
  // Codes arrive first bit first, so the fast table is indexed bit-reversed.
  unsigned code = 0, at = 0;
  for (int length = 1; length <= kMaxCodeBits; ++length) {
    for (unsigned n = 0; n < table->perLength[length]; ++n, ++code, ++at) {
      if (length > kFastBits) continue;
      unsigned reversed = 0;
      for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
      uint16_t entry = static_cast<uint16_t>(table->symbols[at] << 4 | length);
      for (unsigned i = reversed; i < kFastSize; i += 1u << length) table->fast[i] = entry;
    }
    code <<= 1;
  }
  return true;
}

// The compressed stream, which may lie in several pieces (a picture's data
// chunks), read as one run of bits.
struct Piece {
  const uint8_t* bytes;
  size_t size;
};

// Inflates on demand: Read hands out the next bytes of the output, decoding
// only as far as needed into a ring that keeps the window copies reach into.
class Inflater {
 public:
  explicit Inflater(std::vector<Piece> pieces) : pieces_(std::move(pieces)) {
    if (!pieces_.empty()) {
      in_ = pieces_[0].bytes;
      end_ = in_ + pieces_[0].size;
    }
  }

  bool Start() {
    unsigned method = Bits(8), flags = Bits(8);
    if (Overrun() || (method & 15) != 8 || (method >> 4) > 7 || (method << 8 | flags) % 31 != 0 ||
        (flags & 0x20) != 0) {
      return false;  // not deflate, a window past 32 KB, a bad check, or a preset dictionary
    }
    ring_.reset(new (std::nothrow) uint8_t[kRing]);
    tables_.reset(new (std::nothrow) Tables);
    return ring_ != nullptr && tables_ != nullptr;
  }

  // The next n bytes of output; false on damage or when the stream ends first.
  bool Read(uint8_t* to, size_t n) {
    while (n > 0) {
      if (produced_ == delivered_ && !Step()) return false;
      size_t at = delivered_ & (kRing - 1);
      size_t run = produced_ - delivered_;
      if (run > n) run = n;
      if (run > kRing - at) run = kRing - at;
      std::memcpy(to, ring_.get() + at, run);
      AddToChecksum(to, run);
      to += run;
      n -= run;
      delivered_ += run;
    }
    return true;
  }

  // After all the output wanted: the stream must end whole. Output past it is
  // ignored (some encoders write a little); its checksum then covers bytes not
  // read and is not checked.
  bool Finish() {
    if (produced_ != delivered_) discarded_ = true;
    delivered_ = produced_;
    while (state_ != State::kEnd) {
      if (!Step()) return false;
      if (produced_ != delivered_) discarded_ = true;
      delivered_ = produced_;
    }
    if (discarded_) return true;
    Bits(static_cast<unsigned>(count_ & 7));  // to the byte boundary
    uint32_t expected = 0;
    for (int i = 0; i < 4; ++i) expected = expected << 8 | Bits(8);
    return !Overrun() && expected == (adlerB_ << 16 | adlerA_);
  }

 private:
  enum class State { kHeader, kStored, kCodes, kEnd };
  struct Tables {
    HuffmanTable literals;
    HuffmanTable distances;
  };

  // Keeps at least 56 bits at hand while input lasts; past its end zeros
  // come in, counted so that using them is caught.
  void Refill() {
    if (end_ - in_ >= 8) {  // eight bytes at once, keeping the whole ones that fit
      uint64_t word = 0;
      for (int i = 7; i >= 0; --i) word = word << 8 | in_[i];
      bits_ |= word << count_;
      in_ += (63 - count_) >> 3;
      count_ |= 56;
      return;
    }
    while (count_ <= 56) {
      while (in_ == end_ && piece_ + 1 < pieces_.size()) {
        ++piece_;
        in_ = pieces_[piece_].bytes;
        end_ = in_ + pieces_[piece_].size;
      }
      uint64_t byte = 0;
      if (in_ < end_) {
        byte = *in_++;
      } else {
        ++padding_;
      }
      bits_ |= byte << count_;
      count_ += 8;
    }
  }
  bool Overrun() const { return padding_ * 8 > static_cast<uint64_t>(count_); }
  // The next n bits, from those at hand.
  unsigned Take(unsigned n) {
    unsigned value = static_cast<unsigned>(bits_ & ((uint64_t{1} << n) - 1));
    Drop(n);
    return value;
  }
  void Drop(unsigned n) {
    bits_ >>= n;
    count_ -= static_cast<int>(n);
  }
  unsigned Bits(unsigned n) {
    Refill();
    return Take(n);
  }
  // A symbol from bits at hand (at least 15); -1 for bits that begin no code.
  int Decode(const HuffmanTable& table) {
    unsigned entry = table.fast[bits_ & (kFastSize - 1)];
    if (entry != 0) {
      Drop(entry & 15);
      return static_cast<int>(entry >> 4);
    }
    // Longer than the fast table: length by length (the first, count and
    // index of each length's codes).
    int code = 0, first = 0, index = 0;
    for (int length = 1; length <= kMaxCodeBits; ++length) {
      code |= static_cast<int>(Take(1));
      int count = table.perLength[length];
      if (code - first < count) return table.symbols[index + code - first];
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    return -1;
  }

  void Put(uint8_t byte) { ring_[produced_++ & (kRing - 1)] = byte; }

  void AddToChecksum(const uint8_t* p, size_t n) {
    while (n > 0) {
      size_t run = n < 5552 ? n : 5552;  // no overflow before the modulo
      for (size_t i = 0; i < run; ++i) {
        adlerA_ += p[i];
        adlerB_ += adlerA_;
      }
      adlerA_ %= 65521;
      adlerB_ %= 65521;
      p += run;
      n -= run;
    }
  }

  // Decodes a little more output: a block header, part of a stored block, or
  // one literal or copy. False on damage or at the stream's end.
  bool Step() {
    switch (state_) {
      case State::kHeader: return Header();
      case State::kStored: return Stored();
      case State::kCodes:
        // A run of codes at a time, up to a few kilobytes.
        for (uint64_t until = produced_ + kBurst; state_ == State::kCodes && produced_ < until;) {
          if (!Code()) return false;
        }
        return true;
      case State::kEnd: return false;
    }
    return false;
  }

  bool Header() {
    if (last_) {
      state_ = State::kEnd;
      return true;
    }
    last_ = Bits(1) != 0;
    unsigned type = Bits(2);
    bool ok = false;
    if (type == 0) {
      Bits(static_cast<unsigned>(count_ & 7));
      unsigned length = Bits(16), complement = Bits(16);
      ok = (length ^ 0xFFFF) == complement;
      storedLeft_ = length;
      state_ = State::kStored;
    } else if (type == 1) {
      ok = FixedTables();
      state_ = State::kCodes;
    } else if (type == 2) {
      ok = DynamicTables();
      state_ = State::kCodes;
    }
    return ok && !Overrun();
  }

  bool Stored() {
    size_t run = storedLeft_ < kBurst ? storedLeft_ : kBurst;
    for (size_t i = 0; i < run; ++i) Put(static_cast<uint8_t>(Bits(8)));
    storedLeft_ -= run;
    if (storedLeft_ == 0) state_ = State::kHeader;
    return !Overrun();
  }

  bool FixedTables() {
    uint8_t lengths[288 + 32];
    std::memset(lengths, 8, 144);
    std::memset(lengths + 144, 9, 112);
    std::memset(lengths + 256, 7, 24);
    std::memset(lengths + 280, 8, 8);
    std::memset(lengths + 288, 5, 32);
    return BuildTable(&tables_->literals, lengths, 288) && BuildTable(&tables_->distances, lengths + 288, 32);
  }

  bool DynamicTables() {
    static const uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    unsigned literalCount = Bits(5) + 257, distanceCount = Bits(5) + 1, lengthCount = Bits(4) + 4;
    if (literalCount > 286 || distanceCount > 30) return false;
    uint8_t lengths[19] = {};
    for (unsigned i = 0; i < lengthCount; ++i) lengths[kOrder[i]] = static_cast<uint8_t>(Bits(3));
    // The code-length code borrows the distance table.
    if (!BuildTable(&tables_->distances, lengths, 19)) return false;
    uint8_t all[286 + 30] = {};
    unsigned total = literalCount + distanceCount;
    for (unsigned i = 0; i < total;) {
      Refill();
      int symbol = Decode(tables_->distances);
      if (symbol < 0 || Overrun()) return false;
      if (symbol < 16) {
        all[i++] = static_cast<uint8_t>(symbol);
        continue;
      }
      uint8_t value = 0;
      unsigned repeat;
      if (symbol == 16) {
        if (i == 0) return false;
        value = all[i - 1];
        repeat = 3 + Take(2);
      } else if (symbol == 17) {
        repeat = 3 + Take(3);
      } else {
        repeat = 11 + Take(7);
      }
      if (i + repeat > total) return false;
      while (repeat-- > 0) all[i++] = value;
    }
    if (all[256] == 0) return false;  // no end-of-block code
    return BuildTable(&tables_->literals, all, static_cast<int>(literalCount)) &&
           BuildTable(&tables_->distances, all + literalCount, static_cast<int>(distanceCount));
  }

  // One literal, copy or end of block. One refill serves a whole copy: 56 bits
  // hold its longest length code, extra bits, distance code and extra bits
  // (15 + 5 + 15 + 13).
  bool Code() {
    static const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                             2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const uint16_t kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                               33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static const uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                               6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    Refill();
    int symbol = Decode(tables_->literals);
    if (symbol < 0 || Overrun()) return false;
    if (symbol < 256) {
      Put(static_cast<uint8_t>(symbol));
      return true;
    }
    if (symbol == 256) {
      state_ = State::kHeader;
      return true;
    }
    symbol -= 257;
    if (symbol >= 29) return false;
    size_t length = kLengthBase[symbol] + Take(kLengthExtra[symbol]);
    int code = Decode(tables_->distances);
    if (code < 0 || code >= 30) return false;
    size_t distance = kDistanceBase[code] + Take(kDistanceExtra[code]);
    if (Overrun() || distance > produced_ || distance > kWindow) return false;
    size_t from = (produced_ - distance) & (kRing - 1), to = produced_ & (kRing - 1);
    if (distance >= length && from + length <= kRing && to + length <= kRing) {
      std::memcpy(ring_.get() + to, ring_.get() + from, length);
      produced_ += length;
    } else {
      for (size_t i = 0; i < length; ++i) Put(ring_[(from + i) & (kRing - 1)]);  // may repeat what it writes
    }
    return true;
  }

  std::vector<Piece> pieces_;
  size_t piece_ = 0;
  const uint8_t* in_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint64_t bits_ = 0;
  int count_ = 0;
  uint64_t padding_ = 0;
  State state_ = State::kHeader;
  bool last_ = false;
  size_t storedLeft_ = 0;
  std::unique_ptr<uint8_t[]> ring_;
  std::unique_ptr<Tables> tables_;
  uint64_t produced_ = 0;   // output decoded so far
  uint64_t delivered_ = 0;  // of it, handed out (or passed over by Finish)
  bool discarded_ = false;
  uint32_t adlerA_ = 1, adlerB_ = 0;
};

static_assert(kRing >= kWindow + kBurst + kMaxLength, "the ring keeps the window while a step writes");

// --- PNG

uint32_t BigEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

uint32_t Crc32(const uint8_t* p, size_t n) {
  static const auto kTable = [] {
    struct Table {
      uint32_t v[256];
    } table;
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table.v[i] = c;
    }
    return table;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) c = kTable.v[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

struct Header {
  uint32_t width = 0, height = 0;
  int depth = 0, colourType = 0, channels = 0;
  bool interlaced = false;
};

bool ValidDepth(int colourType, int depth) {
  switch (colourType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
  }
}

// What the chunks before the image data say.
struct Picture {
  Header header;
  uint32_t palette[256];  // RGBA, red in the low byte; black where PLTE has no entry
  int paletteSize = 0;
  bool haveKey = false;   // tRNS of a grey or truecolour picture: this one value is transparent
  uint16_t key[3] = {};
  std::vector<Piece> data;  // the IDAT chunks' contents
};

int Paeth(int a, int b, int c) {
  int p = a + b - c, pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
  return (pa <= pb && pa <= pc) ? a : pb <= pc ? b : c;
}

bool Unfilter(uint8_t* row, const uint8_t* prior, size_t length, size_t bpp, uint8_t filter) {
  switch (filter) {
    case 0: return true;
    case 1:
      for (size_t i = bpp; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
      return true;
    case 2:
      for (size_t i = 0; i < length; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      return true;
    case 3:
      for (size_t i = 0; i < length; ++i) {
        int left = i >= bpp ? row[i - bpp] : 0;
        row[i] = static_cast<uint8_t>(row[i] + ((left + prior[i]) >> 1));
      }
      return true;
    case 4:
      for (size_t i = 0; i < length; ++i) {
        int left = i >= bpp ? row[i - bpp] : 0, upperLeft = i >= bpp ? prior[i - bpp] : 0;
        row[i] = static_cast<uint8_t>(row[i] + Paeth(left, prior[i], upperLeft));
      }
      return true;
    default: return false;
  }
}

uint32_t Rgba(unsigned r, unsigned g, unsigned b, unsigned a) { return r | g << 8 | b << 16 | a << 24; }

// One unfiltered row of `count` pixels as RGBA.
void ConvertRow(const Picture& picture, const uint8_t* row, uint32_t count, uint32_t* rgba) {
  const Header& h = picture.header;
  const bool wide = h.depth == 16;
  auto sample = [&](uint32_t index) -> unsigned {  // the index-th 16-bit or 8-bit sample
    return wide ? static_cast<unsigned>(row[2 * index] << 8 | row[2 * index + 1]) : row[index];
  };
  for (uint32_t x = 0; x < count; ++x) {
    switch (h.colourType) {
      case 0: {
        unsigned value, grey;
        if (h.depth < 8) {
          unsigned perByte = 8u / static_cast<unsigned>(h.depth), mask = (1u << h.depth) - 1;
          unsigned shift = 8u - static_cast<unsigned>(h.depth) * (x % perByte + 1);
          value = (row[x / perByte] >> shift) & mask;
          grey = value * 255u / mask;
        } else {
          value = sample(x);
          grey = wide ? value >> 8 : value;
        }
        unsigned alpha = picture.haveKey && value == picture.key[0] ? 0 : 255;
        rgba[x] = Rgba(grey, grey, grey, alpha);
        break;
      }
      case 2: {
        unsigned r = sample(3 * x), g = sample(3 * x + 1), b = sample(3 * x + 2);
        bool clear = picture.haveKey && r == picture.key[0] && g == picture.key[1] && b == picture.key[2];
        if (wide) r >>= 8, g >>= 8, b >>= 8;
        rgba[x] = Rgba(r, g, b, clear ? 0 : 255);
        break;
      }
      case 3: {
        unsigned perByte = 8u / static_cast<unsigned>(h.depth), mask = (1u << h.depth) - 1;
        unsigned shift = 8u - static_cast<unsigned>(h.depth) * (x % perByte + 1);
        rgba[x] = picture.palette[(row[x / perByte] >> shift) & mask];
        break;
      }
      case 4: {
        unsigned grey = sample(2 * x), alpha = sample(2 * x + 1);
        if (wide) grey >>= 8, alpha >>= 8;
        rgba[x] = Rgba(grey, grey, grey, alpha);
        break;
      }
      default: {
        unsigned r = sample(4 * x), g = sample(4 * x + 1), b = sample(4 * x + 2), a = sample(4 * x + 3);
        if (wide) r >>= 8, g >>= 8, b >>= 8, a >>= 8;
        rgba[x] = Rgba(r, g, b, a);
        break;
      }
    }
  }
}

uint8_t Premultiply(unsigned colour, unsigned alpha) { return static_cast<uint8_t>((colour * alpha + 127) / 255); }

void StorePixel(uint32_t rgba, uint8_t* to) {
  unsigned r = rgba & 0xFF, g = rgba >> 8 & 0xFF, b = rgba >> 16 & 0xFF, a = rgba >> 24;
  if (a != 255) r = Premultiply(r, a), g = Premultiply(g, a), b = Premultiply(b, a);
  to[0] = static_cast<uint8_t>(b);
  to[1] = static_cast<uint8_t>(g);
  to[2] = static_cast<uint8_t>(r);
  to[3] = static_cast<uint8_t>(a);
}

// The common kinds, 8-bit colour with or without alpha, straight to BGRA.
void StoreTruecolourRow(const uint8_t* row, uint32_t count, bool alpha, const Picture& picture, uint8_t* to) {
  if (alpha) {
    for (uint32_t x = 0; x < count; ++x, row += 4, to += 4) {
      unsigned a = row[3];
      if (a == 255) {
        to[0] = row[2], to[1] = row[1], to[2] = row[0];
      } else {
        to[0] = Premultiply(row[2], a), to[1] = Premultiply(row[1], a), to[2] = Premultiply(row[0], a);
      }
      to[3] = static_cast<uint8_t>(a);
    }
    return;
  }
  for (uint32_t x = 0; x < count; ++x, row += 3, to += 4) {
    bool clear = picture.haveKey && row[0] == picture.key[0] && row[1] == picture.key[1] && row[2] == picture.key[2];
    if (clear) {
      to[0] = to[1] = to[2] = to[3] = 0;
    } else {
      to[0] = row[2], to[1] = row[1], to[2] = row[0], to[3] = 255;
    }
  }
}

size_t RowBytes(const Header& h, uint32_t width) {
  return (static_cast<size_t>(width) * static_cast<size_t>(h.channels * h.depth) + 7) / 8;
}

struct Pass {
  uint32_t x0, y0, dx, dy;
};
const Pass kWhole[1] = {{0, 0, 1, 1}};
const Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                        {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

uint32_t PassSide(uint32_t side, uint32_t start, uint32_t step) {
  return side > start ? (side - start + step - 1) / step : 0;
}

bool ReadChunks(const uint8_t* bytes, size_t size, Picture* picture) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size < 8 || std::memcmp(bytes, kSignature, 8) != 0) return false;
  Header& h = picture->header;
  for (int i = 0; i < 256; ++i) picture->palette[i] = Rgba(0, 0, 0, 255);
  bool first = true;
  for (size_t at = 8;;) {
    if (size - at < 12) return false;  // no IEND
    uint32_t length = BigEndian32(bytes + at);
    if (length > size - at - 12) return false;
    const uint8_t* type = bytes + at + 4;
    const uint8_t* data = type + 4;
    if (Crc32(type, length + 4) != BigEndian32(data + length)) return false;
    at += 12 + length;
    bool isHeader = std::memcmp(type, "IHDR", 4) == 0;
    if (first != isHeader) return false;  // IHDR comes first, once
    first = false;
    if (isHeader) {
      if (length != 13) return false;
      h.width = BigEndian32(data);
      h.height = BigEndian32(data + 4);
      h.depth = data[8];
      h.colourType = data[9];
      if (!ValidDepth(h.colourType, h.depth) || data[10] != 0 || data[11] != 0 || data[12] > 1) return false;
      static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
      h.channels = kChannels[h.colourType];
      h.interlaced = data[12] == 1;
    } else if (std::memcmp(type, "PLTE", 4) == 0) {
      if (length % 3 != 0 || length == 0 || length > 768) return false;
      picture->paletteSize = static_cast<int>(length / 3);
      for (int i = 0; i < picture->paletteSize; ++i) {
        picture->palette[i] = Rgba(data[3 * i], data[3 * i + 1], data[3 * i + 2], 255);
      }
    } else if (std::memcmp(type, "tRNS", 4) == 0) {
      if (h.colourType == 3) {
        for (uint32_t i = 0; i < length && i < 256; ++i) {
          picture->palette[i] = (picture->palette[i] & 0x00FFFFFFu) | static_cast<uint32_t>(data[i]) << 24;
        }
      } else if (h.colourType == 0 && length == 2) {
        picture->haveKey = true;
        picture->key[0] = static_cast<uint16_t>(data[0] << 8 | data[1]);
      } else if (h.colourType == 2 && length == 6) {
        picture->haveKey = true;
        for (int i = 0; i < 3; ++i) picture->key[i] = static_cast<uint16_t>(data[2 * i] << 8 | data[2 * i + 1]);
      }
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      if (length > 0) picture->data.push_back(Piece{data, length});
    } else if (std::memcmp(type, "IEND", 4) == 0) {
      return !picture->data.empty() && (h.colourType != 3 || picture->paletteSize > 0);
    } else if ((type[0] & 0x20) == 0) {
      return false;  // a critical chunk this decoder does not know
    }
  }
}

}  // namespace

bool Inflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
  Inflater inflater({Piece{in, inSize}});
  return inflater.Start() && inflater.Read(out, outSize) && inflater.Finish();
}

bool DecodePng(const uint8_t* bytes, size_t size, uint8_t* pixels, int width, int height, size_t stride,
               bool* opaque) {
  if (bytes == nullptr || pixels == nullptr || width < 1 || height < 1) return false;
  Picture picture;
  if (!ReadChunks(bytes, size, &picture)) return false;
  const Header& h = picture.header;
  if (h.width != static_cast<uint32_t>(width) || h.height != static_cast<uint32_t>(height)) return false;
  if (stride < static_cast<size_t>(width) * 4) return false;

  // Row by row as the stream inflates: two rows are held, the one being
  // unfiltered and the one above it.
  const Pass* passes = h.interlaced ? kAdam7 : kWhole;
  const int passCount = h.interlaced ? 7 : 1;
  const size_t widest = RowBytes(h, h.width);
  std::unique_ptr<uint8_t[]> rows(new (std::nothrow) uint8_t[2 * (widest + 1)]);
  std::unique_ptr<uint32_t[]> rgba(new (std::nothrow) uint32_t[h.width]);
  if (rows == nullptr || rgba == nullptr) return false;
  Inflater inflater(std::move(picture.data));
  if (!inflater.Start()) return false;

  const size_t bpp = static_cast<size_t>(h.channels * h.depth + 7) / 8;
  for (int p = 0; p < passCount; ++p) {
    const Pass& pass = passes[p];
    uint32_t w = PassSide(h.width, pass.x0, pass.dx), count = PassSide(h.height, pass.y0, pass.dy);
    if (w == 0) continue;
    size_t rowBytes = RowBytes(h, w);
    uint8_t* current = rows.get();
    uint8_t* prior = rows.get() + widest + 1;
    std::memset(prior, 0, rowBytes + 1);  // the row above the first is zeros
    for (uint32_t r = 0; r < count; ++r) {
      if (!inflater.Read(current, rowBytes + 1)) return false;
      uint8_t* row = current + 1;
      if (!Unfilter(row, prior + 1, rowBytes, bpp, current[0])) return false;
      uint8_t* line = pixels + (pass.y0 + r * pass.dy) * stride;
      if (!h.interlaced && h.depth == 8 && (h.colourType == 2 || h.colourType == 6)) {
        StoreTruecolourRow(row, w, h.colourType == 6, picture, line);
      } else {
        ConvertRow(picture, row, w, rgba.get());
        for (uint32_t x = 0; x < w; ++x) StorePixel(rgba[x], line + (pass.x0 + x * pass.dx) * 4);
      }
      std::swap(current, prior);
    }
  }
  if (!inflater.Finish()) return false;
  if (opaque != nullptr) {
    bool clear = h.colourType == 4 || h.colourType == 6 || picture.haveKey;
    for (int i = 0; i < 256 && !clear; ++i) clear = (picture.palette[i] >> 24) != 255;
    *opaque = !clear;
  }
  return true;
}

}  // namespace engine
