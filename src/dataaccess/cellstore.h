// The client-side buffer of a record set: every cell's bytes, row after row, in large chunks (no
// copying when it grows), with one 64-bit index entry per cell.
#pragma once

#include <QtGlobal>
#include <cstdint>
#include <memory>
#include <vector>

// One cell: its bytes in the buffer, or null.
struct CellView {
  const char *data = nullptr;
  qsizetype size = 0;
  bool null = true;
};

class CellStore {
 public:
  CellStore() = default;
  ~CellStore();
  CellStore(const CellStore &) = delete;
  CellStore &operator=(const CellStore &) = delete;

  void Clear();
  void Append(const char *data, size_t size);
  void AppendNull();
  size_t Size() const { return count_; }
  CellView Cell(size_t index) const {
    const uint64_t end = entry(index);
    if (end & kNull) return {};
    const uint64_t previous = index == 0 ? 0 : entry(index - 1) & ~kNull;
    const uint64_t chunk = end >> 32;
    // A cell starts where the one before it ended, unless it opened a new chunk.
    const uint64_t start = (previous >> 32) == chunk ? (previous & 0xffffffffu) : 0;
    return {chunks_[chunk].bytes.get() + start, qsizetype((end & 0xffffffffu) - start), false};
  }

 private:
  // An index entry: chunk number in the high half, end offset in the low half, bit 63 for null.
  static constexpr uint64_t kNull = uint64_t(1) << 63;
  static constexpr size_t kChunkBytes = size_t(1) << 22;
  static constexpr size_t kIndexShift = 19;  // index chunks of 4 MB, the size of byte chunks
  static constexpr size_t kIndexChunk = size_t(1) << kIndexShift;
  static_assert(kIndexChunk * sizeof(uint64_t) == kChunkBytes);

  uint64_t entry(size_t index) const { return index_[index >> kIndexShift][index & (kIndexChunk - 1)]; }
  void release();
  void push(uint64_t entry);

  struct Chunk {
    std::unique_ptr<char[]> bytes;
    size_t capacity;
  };
  std::vector<Chunk> chunks_;
  size_t used_ = 0;
  std::vector<std::unique_ptr<char[]>> indexChunks_;
  std::vector<uint64_t *> index_;
  size_t count_ = 0;
  uint64_t last_ = 0;
};
