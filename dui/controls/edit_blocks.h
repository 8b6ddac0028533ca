// The text store of the multi-line Edit: the text in blocks of at most 2000
// characters, numbered by their first global position. Window-free.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace dui {

class EditBlocks {
 public:
  static constexpr std::size_t kBlockCapacity = 2000;  // characters a block may hold
  static constexpr std::size_t kSetTextBlock = 1500;   // block size when the whole text is set
  static constexpr std::size_t kSplitBlock = 1500;     // target size when an insertion splits a block

  struct Block {
    std::wstring chars;
    std::size_t first = 0;  // global position of the block's first character
  };

  EditBlocks();

  // Replaces the whole text, cut into blocks of 1500 characters.
  void setText(const std::wstring& text);
  std::wstring text() const { return copy(0, length_); }
  std::size_t length() const { return length_; }

  // The character at `pos` (< length). Sequential reads are cheap: the block
  // of the last read is tried first.
  wchar_t at(std::size_t pos) const;
  // Up to `count` characters from `from` (clamped to the text).
  std::wstring copy(std::size_t from, std::size_t count) const;

  // Inserts at `pos` (clamped to the length). A block that would grow past
  // 2000 characters is redistributed, with the new characters, over
  // k = total / 1500 blocks (one more when the remainder exceeds 500).
  void insert(std::size_t pos, const std::wstring& chars);
  // Removes up to `count` characters from `from`; emptied blocks go (one
  // empty block stays for an empty text).
  void erase(std::size_t from, std::size_t count);

  const std::vector<Block>& blocks() const { return blocks_; }

 private:
  std::size_t blockOf(std::size_t pos) const;
  void renumberFrom(std::size_t index);

  std::vector<Block> blocks_;  // the block index, in text order
  std::size_t length_ = 0;
  mutable std::size_t lastBlock_ = 0;
};

}  // namespace dui
