#include "platform/image_memory.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

namespace platform {
namespace {

// Released memory kept for reuse; beyond this the oldest goes back to the system.
constexpr std::size_t kPoolLimit = std::size_t(128) << 20;
// The size of a block is kept just before its pixels.
constexpr std::size_t kHeader = 64;

std::atomic<bool> poolClosed{false};

class Pool {
public:
  ~Pool() { poolClosed = true; }

  std::unique_ptr<std::uint8_t[]> Take(std::size_t need) {
    std::lock_guard lock(mutex_);
    auto best = free_.end();
    for (auto it = free_.begin(); it != free_.end(); ++it) {
      const std::size_t capacity = Capacity(it->get());
      // A block much larger than needed would keep memory busy for nothing.
      if (capacity >= need && capacity <= 2 * need &&
          (best == free_.end() || capacity < Capacity(best->get())))
        best = it;
    }
    if (best == free_.end())
      return nullptr;
    auto block = std::move(*best);
    free_.erase(best);
    freeBytes_ -= Capacity(block.get());
    return block;
  }

  void Give(std::unique_ptr<std::uint8_t[]> block) {
    std::lock_guard lock(mutex_);
    freeBytes_ += Capacity(block.get());
    free_.push_back(std::move(block));
    while (freeBytes_ > kPoolLimit && !free_.empty()) {
      freeBytes_ -= Capacity(free_.front().get());
      free_.pop_front();
    }
  }

  static std::size_t Capacity(const std::uint8_t* block) {
    std::size_t capacity;
    std::copy_n(block, sizeof capacity, reinterpret_cast<std::uint8_t*>(&capacity));
    return capacity;
  }

private:
  std::mutex mutex_;
  std::deque<std::unique_ptr<std::uint8_t[]>> free_;
  std::size_t freeBytes_ = 0;
};

Pool& ThePool() {
  static Pool pool;
  return pool;
}

std::unique_ptr<std::uint8_t[]> NewBlock(std::size_t capacity) {
  auto block = std::make_unique_for_overwrite<std::uint8_t[]>(kHeader + capacity);
  std::copy_n(reinterpret_cast<const std::uint8_t*>(&capacity), sizeof capacity, block.get());
  return block;
}

extern "C" void ReleaseBlock(void* info) {
  std::unique_ptr<std::uint8_t[]> block(static_cast<std::uint8_t*>(info));
  if (!poolClosed)
    ThePool().Give(std::move(block));
}

std::size_t BytesPerLine(int width, QImage::Format format) {
  const std::size_t bits = std::size_t(width) * QImage::toPixelFormat(format).bitsPerPixel();
  return ((bits + 31) / 32) * 4;
}

} // namespace

QImage AllocateImage(int width, int height, QImage::Format format) {
  if (width <= 0 || height <= 0)
    return QImage(std::max(width, 0), std::max(height, 0), format);
  const std::size_t stride = BytesPerLine(width, format);
  const std::size_t need = stride * std::size_t(height);
  auto block = ThePool().Take(need);
  if (!block)
    block = NewBlock(need);
  std::uint8_t* pixels = block.get() + kHeader;
  QImage image(pixels, width, height, qsizetype(stride), format, ReleaseBlock, block.get());
  if (image.isNull())
    return QImage(width, height, format);
  block.release(); // now owned by the image's cleanup
  return image;
}

} // namespace platform
