// Collections whose items are found by name ignoring letter case, through 256
// chains; of several items with one name, the one named last is found.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace brakkon::engine {

// Compares ASCII names ignoring letter case.
bool SameText(std::string_view a, std::string_view b);

class THashCollectionItem {
 public:
  const std::string& Name() const { return name_; }

 protected:
  std::string name_;

 private:
  friend class THashIndex;
  THashCollectionItem* nextInChain_ = nullptr;
};

// The chains of one collection. Items are linked and unlinked by their owner.
class THashIndex {
 public:
  // A byte hash of the lower-cased name: 16 x length, plus the first and the
  // second-to-last character when the name is longer than one character.
  static int HashOf(std::string_view name);
  // Puts `item` at the head of its name's chain.
  void Link(THashCollectionItem& item);
  void Unlink(THashCollectionItem& item);
  // The first item of the chain with that name, or nullptr.
  THashCollectionItem* Find(std::string_view name) const;
  void Clear() { chains_.fill(nullptr); }

 private:
  std::array<THashCollectionItem*, 256> chains_{};
};

}  // namespace brakkon::engine
