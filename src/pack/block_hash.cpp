#include "pack/block_hash.h"

#include <algorithm>
#include <cstring>

namespace carafe::pack {

void BlockHash::add(const std::uint8_t* data, std::size_t size) {
  length_ += size;
  while (size > 0) {
    if (pendingSize_ == 0 && size >= pending_.size()) {
      block(data);
      data += pending_.size();
      size -= pending_.size();
      continue;
    }
    const std::size_t taken = std::min(size, pending_.size() - pendingSize_);
    std::memcpy(pending_.data() + pendingSize_, data, taken);
    pendingSize_ += taken;
    data += taken;
    size -= taken;
    if (pendingSize_ == pending_.size()) {
      block(pending_.data());
      pendingSize_ = 0;
    }
  }
}

void BlockHash::pad() {
  const std::uint64_t bits = length_ * 8;
  const std::uint8_t one = 0x80;
  const std::uint8_t zero = 0;
  add(&one, 1);
  while (pendingSize_ != 56) add(&zero, 1);
  std::uint8_t end[8];
  for (int i = 0; i < 8; ++i) end[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  add(end, sizeof end);
}

}  // namespace carafe::pack
