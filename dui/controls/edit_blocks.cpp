// Block storage of the Edit's text: insertion, removal and reads by position.
#include "dui/controls/edit_blocks.h"

#include <algorithm>
#include <iterator>

namespace dui {

EditBlocks::EditBlocks() : blocks_(1) {}

void EditBlocks::setText(const std::wstring& text) {
  blocks_.clear();
  for (std::size_t from = 0; from < text.size(); from += kSetTextBlock)
    blocks_.push_back(Block{text.substr(from, kSetTextBlock), from});
  if (blocks_.empty()) blocks_.emplace_back();
  length_ = text.size();
  lastBlock_ = 0;
}

// The last block whose first position is at or before `pos` (the block
// holding it, or the last block for the end of the text).
std::size_t EditBlocks::blockOf(std::size_t pos) const {
  if (lastBlock_ < blocks_.size()) {
    const Block& hint = blocks_[lastBlock_];
    if (hint.first <= pos && pos < hint.first + hint.chars.size()) return lastBlock_;
  }
  auto it = std::upper_bound(blocks_.begin(), blocks_.end(), pos,
                             [](std::size_t p, const Block& b) { return p < b.first; });
  std::size_t index = it == blocks_.begin() ? 0 : static_cast<std::size_t>(it - blocks_.begin()) - 1;
  lastBlock_ = index;
  return index;
}

wchar_t EditBlocks::at(std::size_t pos) const {
  if (pos >= length_) return 0;
  std::size_t index = blockOf(pos);
  while (index + 1 < blocks_.size() && pos - blocks_[index].first >= blocks_[index].chars.size()) ++index;
  lastBlock_ = index;
  return blocks_[index].chars[pos - blocks_[index].first];
}

std::wstring EditBlocks::copy(std::size_t from, std::size_t count) const {
  std::wstring out;
  if (from >= length_) return out;
  count = std::min(count, length_ - from);
  out.reserve(count);
  for (std::size_t index = blockOf(from); index < blocks_.size() && out.size() < count; ++index) {
    const Block& b = blocks_[index];
    const std::size_t start = from + out.size() > b.first ? from + out.size() - b.first : 0;
    if (start >= b.chars.size()) continue;
    out.append(b.chars, start, count - out.size());
  }
  return out;
}

void EditBlocks::insert(std::size_t pos, const std::wstring& chars) {
  if (chars.empty()) return;
  pos = std::min(pos, length_);
  const std::size_t index = blockOf(pos);
  Block& block = blocks_[index];
  const std::size_t offset = pos - block.first;
  const std::size_t total = block.chars.size() + chars.size();
  if (total <= kBlockCapacity) {
    block.chars.insert(offset, chars);
  } else {
    std::wstring all;
    all.reserve(total);
    all.append(block.chars, 0, offset).append(chars).append(block.chars, offset, std::wstring::npos);
    std::size_t k = total / kSplitBlock;
    if (total % kSplitBlock > kBlockCapacity - kSplitBlock) ++k;
    // Every block gets total / k characters and the first (total % k) blocks
    // one more each: giving the whole remainder to the first block could
    // overfill it when a long text is inserted.
    const std::size_t share = total / k;
    const std::size_t extra = total % k;
    std::vector<Block> parts(k);
    std::size_t from = 0;
    for (std::size_t i = 0; i < k; ++i) {
      const std::size_t size = share + (i < extra ? 1 : 0);
      parts[i].chars = all.substr(from, size);
      from += size;
    }
    // With the room reserved the swap below cannot fail half-way: an
    // insertion that runs out of memory leaves the text as it was.
    blocks_.reserve(blocks_.size() + k - 1);
    blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(index));
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(index), std::make_move_iterator(parts.begin()),
                   std::make_move_iterator(parts.end()));
  }
  length_ += chars.size();
  renumberFrom(index);
}

void EditBlocks::erase(std::size_t from, std::size_t count) {
  if (from >= length_ || count == 0) return;
  count = std::min(count, length_ - from);
  std::size_t index = blockOf(from);
  const std::size_t firstTouched = index;
  std::size_t left = count;
  while (left > 0 && index < blocks_.size()) {
    Block& b = blocks_[index];
    const std::size_t start = from > b.first ? from - b.first : 0;
    if (start < b.chars.size()) {
      const std::size_t n = std::min(left, b.chars.size() - start);
      b.chars.erase(start, n);
      left -= n;
    }
    ++index;
  }
  length_ -= count;
  // Drop emptied blocks (only the lone block of an empty text is ever empty).
  blocks_.erase(std::remove_if(blocks_.begin(), blocks_.end(), [](const Block& b) { return b.chars.empty(); }),
                blocks_.end());
  if (blocks_.empty()) blocks_.emplace_back();
  // Blocks before the first touched one kept their place and size.
  renumberFrom(std::min(firstTouched, blocks_.size() - 1));
}

void EditBlocks::renumberFrom(std::size_t index) {
  std::size_t first = index == 0 ? 0 : blocks_[index - 1].first + blocks_[index - 1].chars.size();
  for (std::size_t i = index; i < blocks_.size(); ++i) {
    blocks_[i].first = first;
    first += blocks_[i].chars.size();
  }
  lastBlock_ = 0;
}

}  // namespace dui
