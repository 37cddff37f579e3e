// Picture items cut into patterns, their collection with name look-up and
// archive loading, and the image list that binds a collection to a display.
#include "engine/picture_collection.h"

#include <fmt/printf.h>

#include <algorithm>

#include "engine/byte_reader.h"
#include "engine/component_reader.h"
#include "engine/dxdraw.h"
#include "engine/errors.h"

namespace brakkon::engine {

namespace {

// `Picture` of an item as a stream sees it: its picture data is a defined property.
class PictureStreamObject : public TStreamObject {
 public:
  explicit PictureStreamObject(TPicture& picture) : picture_(picture) {}
  void DefineProperties(TPropertyList& properties) override {
    properties.Binary("Data",
                      [this](std::span<const std::uint8_t> data) { picture_.ReadData(data); });
  }

 private:
  TPicture& picture_;
};

class ItemStreamObject : public TStreamObject {
 public:
  explicit ItemStreamObject(TPictureCollectionItem& item) : item_(item), picture_(item.Picture()) {}
  void DefineProperties(TPropertyList& properties) override {
    TPictureCollectionItem& item = item_;
    properties.String("Name", [&item](const std::string& name) { item.SetName(name); });
    properties.Integer("PatternHeight", [&item](std::int32_t v) { item.PatternHeight = v; });
    properties.Integer("PatternWidth", [&item](std::int32_t v) { item.PatternWidth = v; });
    properties.Object("Picture", &picture_);
    properties.Integer("SkipHeight", [&item](std::int32_t v) { item.SkipHeight = v; });
    properties.Integer("SkipWidth", [&item](std::int32_t v) { item.SkipWidth = v; });
    properties.Boolean("SystemMemory", [&item](bool v) { item.SystemMemory = v; });
    properties.Boolean("Transparent", [&item](bool v) { item.Transparent = v; });
    properties.Color("TransparentColor", [&item](TColor c) { item.SetTransparentColor(c); });
  }

 private:
  TPictureCollectionItem& item_;
  PictureStreamObject picture_;
};

// The root's `List`: the collection of items, with its colour table.
class ListStreamObject : public TStreamObject, public TCollectionTarget {
 public:
  explicit ListStreamObject(TPictureCollection& collection) : collection_(collection) {}
  void DefineProperties(TPropertyList& properties) override {
    properties.Binary("ColorTable", [this](std::span<const std::uint8_t> data) {
      ByteReader in(data);
      for (std::uint32_t& entry : collection_.ColorTable) entry = in.U32();
    });
  }
  void ClearItems() override { collection_.Clear(); }
  std::unique_ptr<TStreamObject> AddItem() override {
    return std::make_unique<ItemStreamObject>(collection_.Add());
  }

 private:
  TPictureCollection& collection_;
};

// The temporary root an image archive is read into.
class PictureCollectionComponent : public TStreamObject {
 public:
  explicit PictureCollectionComponent(TPictureCollection& collection) : list_(collection) {}
  void DefineProperties(TPropertyList& properties) override {
    DefineComponentRootProperties(properties);
    properties.Collection("List", list_, &list_);
  }

 private:
  ListStreamObject list_;
};

}  // namespace

TPictureCollectionItem::TPictureCollectionItem(TPictureCollection& collection)
    : collection_(collection) {}

TPictureCollectionItem::~TPictureCollectionItem() = default;

void TPictureCollectionItem::SetName(std::string_view name) {
  collection_.index_.Unlink(*this);
  name_ = std::string(name);
  collection_.index_.Link(*this);
}

void TPictureCollectionItem::SetTransparentColor(TColor color) {
  transparentColor_ = color;
  for (const auto& surface : surfaces_) {
    surface->SetTransparentColor(surface->MatchColor(color));
  }
}

int TPictureCollectionItem::Index() const {
  for (int i = 0; i < collection_.Count(); ++i) {
    if (collection_.items_[i].get() == this) return i;
  }
  return -1;
}

int TPictureCollectionItem::Width() const {
  return PatternWidth > 0 ? PatternWidth : picture_.Width();
}

int TPictureCollectionItem::Height() const {
  return PatternHeight > 0 ? PatternHeight : picture_.Height();
}

TPictureCollectionItem::Layout TPictureCollectionItem::ComputeLayout() const {
  Layout layout;
  const std::int64_t pw = picture_.Width();
  const std::int64_t ph = picture_.Height();
  const std::int64_t w = Width();
  const std::int64_t h = Height();
  if (pw <= 0 || ph <= 0) return layout;
  layout.width = static_cast<int>(w);
  layout.height = static_cast<int>(h);
  if (w == pw && h == ph) {
    layout.count = 1;
    layout.cols = 1;
    layout.cellWidth = pw;
    layout.cellHeight = ph;
    return layout;
  }
  // A negative skip makes patterns overlap; it still cuts patterns as long as
  // a cell keeps at least one pixel, and the last one of a row then ends at
  // or inside the picture's edge, since cols * cell <= picture + skip.
  const std::int64_t cellWidth = w + SkipWidth;
  const std::int64_t cellHeight = h + SkipHeight;
  if (cellWidth <= 0 || cellHeight <= 0) return Layout{};
  const std::int64_t cols = std::max<std::int64_t>(0, (pw + SkipWidth) / cellWidth);
  const std::int64_t rows = std::max<std::int64_t>(0, (ph + SkipHeight) / cellHeight);
  if (cols == 0 || rows == 0) return Layout{};
  layout.cellWidth = cellWidth;
  layout.cellHeight = cellHeight;
  // Cells are at least one pixel, so the count never exceeds the picture's pixels.
  layout.cols = static_cast<int>(cols);
  layout.count = static_cast<int>(cols * rows);
  return layout;
}

int TPictureCollectionItem::PatternCount() const {
  return ActiveLayout().count;
}

TRect TPictureCollectionItem::PatternRect(int index) const {
  const Layout layout = ActiveLayout();
  if (index < 0 || index >= layout.count) return TRect{};
  const std::int64_t left = (index % layout.cols) * layout.cellWidth;
  const std::int64_t top = (index / layout.cols) * layout.cellHeight;
  return Bounds(static_cast<std::int32_t>(left), static_cast<std::int32_t>(top), layout.width,
                layout.height);
}

const TDirectDrawSurface* TPictureCollectionItem::PatternSurface(int index) const {
  if (surfaces_.empty() || index < 0 || index >= built_.count) return nullptr;
  return surfaces_.front().get();
}

void TPictureCollectionItem::Draw(TDirectDrawSurface& dest, int x, int y, int patternIndex) const {
  if (!initialized_) return;
  const TDirectDrawSurface* surface = PatternSurface(patternIndex);
  if (surface == nullptr) return;
  dest.Draw(x, y, PatternRect(patternIndex), surface, Transparent);
}

void TPictureCollectionItem::DrawRotated(TDirectDrawSurface& dest, int x, int y, int width,
                                         int height, int patternIndex, double pivotX, double pivotY,
                                         int angle) const {
  if (!initialized_) return;
  const TDirectDrawSurface* surface = PatternSurface(patternIndex);
  if (surface == nullptr) return;
  dest.DrawRotated(x, y, width, height, PatternRect(patternIndex), surface, pivotX, pivotY,
                   Transparent, angle);
}

void TPictureCollectionItem::BuildSurfaces() {
  const TGraphic* graphic = picture_.Graphic();
  if (graphic == nullptr) return;
  if (!initialized_) {
    if (collection_.Initialized()) Initialize();
    if (!initialized_) return;
  }
  ReleaseSurfaces();
  const Layout layout = ComputeLayout();
  if (layout.count == 0) return;
  // One surface per picture: every pattern's rectangle is its place in the picture.
  auto surface = std::make_unique<TDirectDrawSurface>();
  surface->LoadPictureRect(*graphic, TRect{0, 0, graphic->Width(), graphic->Height()});
  surface->SetTransparentColor(surface->MatchColor(transparentColor_));
  surfaces_.push_back(std::move(surface));
  built_ = layout;
}

void TPictureCollectionItem::ReleaseSurfaces() {
  surfaces_.clear();
  built_ = Layout{};
}

void TPictureCollectionItem::Initialize() {
  ReleaseSurfaces();
  initialized_ = collection_.Initialized();
}

void TPictureCollectionItem::Finalize() {
  ReleaseSurfaces();
  initialized_ = false;
}

TPictureCollection::TPictureCollection() = default;

TPictureCollection::~TPictureCollection() = default;

TPictureCollectionItem& TPictureCollection::Items(int index) {
  if (index < 0 || index >= Count()) {
    throw EListError(fmt::sprintf("List index out of bounds (%d)", index));
  }
  return *items_[index];
}

TPictureCollectionItem& TPictureCollection::Add() {
  items_.push_back(std::make_unique<TPictureCollectionItem>(*this));
  TPictureCollectionItem& item = *items_.back();
  index_.Link(item);
  return item;
}

void TPictureCollection::Delete(int index) {
  TPictureCollectionItem& item = Items(index);
  index_.Unlink(item);
  items_.erase(items_.begin() + index);
}

void TPictureCollection::Clear() {
  items_.clear();
  index_.Clear();
}

TPictureCollectionItem* TPictureCollection::Find(std::string_view name) {
  return static_cast<TPictureCollectionItem*>(index_.Find(name));
}

TPictureCollectionItem& TPictureCollection::ItemByName(std::string_view name) {
  TPictureCollectionItem* item = Find(name);
  if (item == nullptr) throw EPictureCollectionError(fmt::sprintf("Image '%s' not found", name));
  return *item;
}

void TPictureCollection::LoadArchive(const std::string& fileName) {
  const std::vector<std::uint8_t> bytes = ReadFileBytes(fileName);
  LoadArchiveBytes(bytes);
}

void TPictureCollection::LoadArchiveBytes(std::span<const std::uint8_t> bytes) {
  Clear();
  {
    PictureCollectionComponent root(*this);
    ReadComponentResource(bytes, root);
  }
  if (Initialized()) {
    for (const auto& item : items_) item->Initialize();
    Restore();
  }
}

void TPictureCollection::InitializeFor(TDXDraw* dxDraw) {
  for (const auto& item : items_) item->ReleaseSurfaces();
  dxDraw_ = dxDraw;
  initialized_ = dxDraw != nullptr && dxDraw->Initialized();
  if (!initialized_) {
    // Items must not keep building for a display that is not there.
    for (const auto& item : items_) item->Finalize();
    throw EPictureCollectionError(fmt::sprintf("%s cannot be initialized", "TPictureCollection"));
  }
  for (const auto& item : items_) item->Initialize();
}

void TPictureCollection::Restore() {
  for (const auto& item : items_) item->BuildSurfaces();
}

void TPictureCollection::Finalize() {
  for (const auto& item : items_) item->Finalize();
  dxDraw_ = nullptr;
  initialized_ = false;
}

TDXImageList::TDXImageList() = default;

TDXImageList::~TDXImageList() {
  if (dxDraw_ != nullptr) dxDraw_->UnRegisterNotifyEvent(listenerId_);
}

void TDXImageList::SetDXDraw(TDXDraw* dxDraw) {
  if (dxDraw == dxDraw_) return;
  if (dxDraw_ != nullptr) {
    dxDraw_->UnRegisterNotifyEvent(listenerId_);
    items_.Finalize();
  }
  dxDraw_ = dxDraw;
  listenerId_ = 0;
  if (dxDraw_ == nullptr) return;
  listenerId_ = dxDraw_->RegisterNotifyEvent([this](TDXDraw& sender, TDXDrawNotifyType type) {
    switch (type) {
      case TDXDrawNotifyType::dxntInitialize:
        items_.InitializeFor(&sender);
        break;
      case TDXDrawNotifyType::dxntRestore:
        items_.Restore();
        break;
      case TDXDrawNotifyType::dxntFinalize:
        items_.Finalize();
        break;
      case TDXDrawNotifyType::dxntDestroying:
        items_.Finalize();
        sender.UnRegisterNotifyEvent(listenerId_);
        dxDraw_ = nullptr;
        listenerId_ = 0;
        break;
      default:
        break;
    }
  });
  // A display that is already up sends no initialise notification of its own.
  if (dxDraw_->Initialized()) {
    items_.InitializeFor(dxDraw_);
    items_.Restore();
  }
}

}  // namespace brakkon::engine
