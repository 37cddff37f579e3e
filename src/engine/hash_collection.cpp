// Name look-up through hash chains.
#include "engine/hash_collection.h"

namespace brakkon::engine {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

int THashIndex::HashOf(std::string_view name) {
  unsigned hash = 16u * static_cast<unsigned>(name.size());
  if (name.size() > 1) {
    hash += static_cast<unsigned char>(LowerAscii(name.front()));
    hash += static_cast<unsigned char>(LowerAscii(name[name.size() - 2]));
  }
  return static_cast<int>(hash % 256);
}

void THashIndex::Link(THashCollectionItem& item) {
  THashCollectionItem*& head = chains_[HashOf(item.name_)];
  item.nextInChain_ = head;
  head = &item;
}

void THashIndex::Unlink(THashCollectionItem& item) {
  THashCollectionItem** link = &chains_[HashOf(item.name_)];
  while (*link != nullptr && *link != &item) link = &(*link)->nextInChain_;
  if (*link != nullptr) *link = item.nextInChain_;
  item.nextInChain_ = nullptr;
}

THashCollectionItem* THashIndex::Find(std::string_view name) const {
  for (THashCollectionItem* item = chains_[HashOf(name)]; item != nullptr;
       item = item->nextInChain_) {
    if (SameText(item->name_, name)) return item;
  }
  return nullptr;
}

}  // namespace brakkon::engine
