// Chunked cell buffer.
#include "cellstore.h"

#include <cstring>
#include <mutex>

namespace {

// Chunks of released record sets, kept for the next query: a run reads one query after another,
// and memory the process already touched is much cheaper to fill than fresh pages. Record sets are
// filled and released on more than one thread (queries run ahead), hence the lock.
class ChunkPool {
 public:
  static constexpr size_t kChunkBytes = size_t(1) << 22;
  // Four chunks cover the index and text of most results; more would be held idle all run long.
  static constexpr size_t kKept = 4;

  std::unique_ptr<char[]> take() {
    std::lock_guard lock(mutex_);
    if (free_.empty()) return std::make_unique_for_overwrite<char[]>(kChunkBytes);
    auto chunk = std::move(free_.back());
    free_.pop_back();
    return chunk;
  }
  void give(std::unique_ptr<char[]> chunk) {
    std::lock_guard lock(mutex_);
    if (free_.size() < kKept) free_.push_back(std::move(chunk));
  }

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<char[]>> free_;
};

// Never destroyed: a worker left to end by itself may release its record set after the process began
// to exit.
ChunkPool &pool() {
  static ChunkPool *const instance = new ChunkPool;
  return *instance;
}

}  // namespace

CellStore::~CellStore() {
  release();
}

void CellStore::release() {
  for (auto &chunk : chunks_)
    if (chunk.capacity == ChunkPool::kChunkBytes) pool().give(std::move(chunk.bytes));
  for (auto &chunk : indexChunks_) pool().give(std::move(chunk));
  chunks_.clear();
  indexChunks_.clear();
}

void CellStore::Clear() {
  release();
  index_.clear();
  used_ = 0;
  count_ = 0;
  last_ = 0;
}

void CellStore::push(uint64_t value) {
  if ((count_ & (kIndexChunk - 1)) == 0) {
    indexChunks_.push_back(pool().take());
    index_.push_back(reinterpret_cast<uint64_t *>(indexChunks_.back().get()));
  }
  index_.back()[count_ & (kIndexChunk - 1)] = value;
  ++count_;
}

void CellStore::Append(const char *data, size_t size) {
  if (chunks_.empty() || used_ + size > chunks_.back().capacity) {
    if (size <= kChunkBytes) {
      chunks_.push_back({pool().take(), kChunkBytes});
    } else {
      chunks_.push_back({std::make_unique_for_overwrite<char[]>(size), size});
    }
    used_ = 0;
  }
  if (size > 0) std::memcpy(chunks_.back().bytes.get() + used_, data, size);
  used_ += size;
  last_ = (uint64_t(chunks_.size() - 1) << 32) | uint64_t(used_);
  push(last_);
}

void CellStore::AppendNull() {
  push(last_ | kNull);
}
