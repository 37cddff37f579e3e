// Named pictures cut into patterns: the items of an image archive, their
// pattern surfaces (built while the display is initialised) and look-up by name.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/hash_collection.h"
#include "engine/picture.h"
#include "engine/rect.h"
#include "engine/surface.h"

namespace brakkon::engine {

class TDXDraw;
class TPictureCollection;

class TPictureCollectionItem : public THashCollectionItem {
 public:
  explicit TPictureCollectionItem(TPictureCollection& collection);
  ~TPictureCollectionItem();
  TPictureCollectionItem(const TPictureCollectionItem&) = delete;
  TPictureCollectionItem& operator=(const TPictureCollectionItem&) = delete;

  void SetName(std::string_view name);  // relinks the item at the head of its hash chain
  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }

  std::int32_t PatternWidth = 0;
  std::int32_t PatternHeight = 0;
  std::int32_t SkipWidth = 0;
  std::int32_t SkipHeight = 0;
  bool SystemMemory = false;
  bool Transparent = true;
  TColor TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(TColor color);  // re-keys every existing surface

  bool Initialized() const { return initialized_; }
  int Index() const;  // position in the collection

  // PatternWidth when > 0, else the picture's width (likewise Height).
  int Width() const;
  int Height() const;
  int PatternCount() const;
  TRect PatternRect(int index) const;  // (0,0,0,0) outside 0..PatternCount-1
  const TDirectDrawSurface* PatternSurface(int index) const;  // nullptr outside

  // Copies pattern `patternIndex` to dest with its top-left at (x, y); nothing
  // when not initialised or the index is outside the patterns.
  void Draw(TDirectDrawSurface& dest, int x, int y, int patternIndex) const;
  // Draws the pattern scaled to width x height, turned by `angle` 256ths of a
  // turn about (x, y), which sits on the fraction (pivotX, pivotY) of it.
  void DrawRotated(TDirectDrawSurface& dest, int x, int y, int width, int height,
                   int patternIndex, double pivotX, double pivotY, int angle) const;

  void BuildSurfaces();
  void ReleaseSurfaces();
  void Initialize();  // Initialized = the collection's state
  void Finalize();

 private:
  friend class TPictureCollection;
  // The pattern grid: pattern k is cell (k mod cols, k div cols), its
  // rectangle relative to the picture, which one surface holds whole.
  struct Layout {
    int count = 0;
    int cols = 0;
    int width = 0;
    int height = 0;
    std::int64_t cellWidth = 0;
    std::int64_t cellHeight = 0;
  };
  Layout ComputeLayout() const;
  // The built layout while surfaces exist, else the one the picture gives now.
  Layout ActiveLayout() const { return surfaces_.empty() ? ComputeLayout() : built_; }

  TPictureCollection& collection_;
  TPicture picture_;
  TColor transparentColor_ = 0;
  bool initialized_ = false;
  Layout built_;  // the layout the surfaces were cut with
  std::vector<std::unique_ptr<TDirectDrawSurface>> surfaces_;
};

class TPictureCollection {
 public:
  TPictureCollection();
  ~TPictureCollection();
  TPictureCollection(const TPictureCollection&) = delete;
  TPictureCollection& operator=(const TPictureCollection&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TPictureCollectionItem& Items(int index);  // EListError "List index out of bounds (%d)"
  TPictureCollectionItem& Add();
  void Delete(int index);
  void Clear();

  // The item named `name` ignoring case (the last one named so); raises
  // EPictureCollectionError "Image '%s' not found".
  TPictureCollectionItem& ItemByName(std::string_view name);
  // nullptr instead of raising.
  TPictureCollectionItem* Find(std::string_view name);

  // Reads an archive file; EFOpenError "Cannot open file "%s". %s" when it cannot be opened.
  void LoadArchive(const std::string& fileName);
  void LoadArchiveBytes(std::span<const std::uint8_t> bytes);

  // Display binding (driven by TDXImageList's notifications).
  void InitializeFor(TDXDraw* dxDraw);  // step 1 of the display-initialised notification
  void Restore();                       // every item builds its surfaces
  void Finalize();                      // every item releases its surfaces
  bool Initialized() const { return dxDraw_ != nullptr && initialized_; }
  TDXDraw* DXDraw() const { return dxDraw_; }

  std::array<std::uint32_t, 256> ColorTable{};  // blue, green, red, reserved per entry

 private:
  friend class TPictureCollectionItem;

  std::vector<std::unique_ptr<TPictureCollectionItem>> items_;
  THashIndex index_;
  TDXDraw* dxDraw_ = nullptr;
  bool initialized_ = false;
};

// The image-list component: owns a collection and binds it to a display.
class TDXImageList {
 public:
  TDXImageList();
  ~TDXImageList();
  TDXImageList(const TDXImageList&) = delete;
  TDXImageList& operator=(const TDXImageList&) = delete;

  TPictureCollection& Items() { return items_; }
  // Registers with the display's notifications (and unregisters from the previous one).
  void SetDXDraw(TDXDraw* dxDraw);
  TDXDraw* DXDraw() const { return dxDraw_; }

 private:
  TPictureCollection items_;
  TDXDraw* dxDraw_ = nullptr;
  int listenerId_ = 0;
};

}  // namespace brakkon::engine
