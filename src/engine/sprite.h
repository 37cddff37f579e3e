// The sprite tree: sprites owning their children, kept in creation order and in
// depth order, with the recursive move, draw and collision passes.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/rect.h"

namespace brakkon::engine {

class TDirectDrawSurface;
class TPictureCollectionItem;
class TSpriteEngine;

class TSprite {
 public:
  // Creates the sprite under `parent` (nullptr for a root). A sprite with a
  // parent must come from `new`: the parent owns it and frees it with `delete`.
  explicit TSprite(TSprite* parent);
  // Frees the subtree (last child first) and unlinks the sprite from its parent.
  virtual ~TSprite();
  TSprite(const TSprite&) = delete;
  TSprite& operator=(const TSprite&) = delete;

  // Called on the hitter for each sprite its collision pass hits; setting `done`
  // stops the pass from descending into `other`'s children.
  virtual void HandleCollision(TSprite* other, bool& done);
  // Paints the sprite on the engine's surface; called by Draw when it is on screen.
  virtual void DrawSelf();
  // The sprite's own per-pass movement, before its children are moved.
  virtual void MoveSelf(int moveAmount);
  // The bounding box in surface pixels: truncated absolute position, Width x Height.
  virtual TRect GetBounds();
  // Whether a collision with `other` counts; asked of both sprites.
  virtual bool AcceptsCollision(TSprite* other);

  TSpriteEngine* Engine() const { return engine_; }
  TSprite* Parent() const { return parent_; }

  bool CollisionEnabled = true;  // the sprite and its subtree take part in collision passes
  bool MoveEnabled = true;       // the sprite and its subtree are moved
  bool Visible = true;           // the sprite and its subtree are drawn
  double X = 0;                  // px, relative to the parent
  double Y = 0;
  std::int32_t Width = 0;  // px
  std::int32_t Height = 0;

  std::int32_t Z() const { return z_; }
  // Stores the depth and re-inserts the sprite among its siblings' draw order;
  // a sprite given its current depth stays where it is.
  void SetZ(std::int32_t z);

  double AbsoluteX() const;
  double AbsoluteY() const;

  int ChildCount() const { return static_cast<int>(children_.size()); }
  // The child at `index` in creation order. Raises ESpriteError when there are
  // no children and EListError when `index` is out of range.
  TSprite* Child(int index) const;

  // Move pass: MoveSelf, then the children in creation order; nothing when MoveEnabled is off.
  void Move(int moveAmount);
  // Draw pass: DrawSelf when on the surface, then the children by depth; nothing when invisible.
  void Draw();
  // Offers every collision-enabled sprite of the tree overlapping this one's
  // bounds to HandleCollision; returns the number of hits.
  int CheckCollisions();
  // Frees all children, the last one first.
  void Clear();

 private:
  void InsertByDepth(TSprite* child);
  void VisitForCollision(TSpriteEngine& engine);

  TSpriteEngine* engine_ = nullptr;
  TSprite* parent_ = nullptr;
  std::vector<TSprite*> children_;   // creation order; owned
  std::vector<TSprite*> drawOrder_;  // the same children, Z ascending
  std::int32_t z_ = 0;
};

// A sprite showing one pattern of a picture, with an optional animation over its patterns.
class TImageSprite : public TSprite {
 public:
  explicit TImageSprite(TSprite* parent) : TSprite(parent) {}

  // Draws the current pattern at DrawRect; nothing without an image or a surface.
  void DrawSelf() override;
  // Advances the animation by AnimRate per move unit, wrapping or stopping at the ends.
  void MoveSelf(int moveAmount) override;

  // Trunc(AnimPosition) + AnimFirst.
  int CurrentPattern() const;
  // The bounds with the image centred in the sprite's box.
  TRect DrawRect();

  std::int32_t AnimFrames = 0;  // patterns the animation runs over
  bool AnimLoop = false;
  double AnimPosition = 0;                  // in patterns
  double AnimRate = 0;                      // patterns per move unit
  std::int32_t AnimFirst = 0;               // pattern shown at position 0
  TPictureCollectionItem* Image = nullptr;  // not owned
};

// One cell paint of a background map: pattern `index` with its top-left at (x, y).
struct TMapDraw {
  int x = 0;
  int y = 0;
  int index = 0;
  bool operator==(const TMapDraw&) const = default;
};

// A map of picture patterns, drawn once or tiled endlessly over the surface.
class TBackgroundSprite : public TSprite {
 public:
  // Backgrounds never take part in collisions.
  explicit TBackgroundSprite(TSprite* parent);
  ~TBackgroundSprite() override;

  void DrawSelf() override;
  // The surface rectangle when tiled, else the map's extent (empty without an image).
  TRect GetBounds() override;

  // Reallocates the map with every cell 0; a size <= 0 in either dimension empties it.
  void ResizeMap(int columns, int rows);
  int MapColumns() const { return mapColumns_; }
  int MapRows() const { return mapRows_; }
  // The pattern index of a cell, -1 outside the map.
  int MapCell(int column, int row) const;
  // Stores a pattern index; cells outside the map are ignored.
  void SetMapCell(int column, int row, int index);

  // The cell paints DrawSelf makes, in painting order (rows top to bottom, each left to right).
  std::vector<TMapDraw> MapDraws() const;

  TPictureCollectionItem* Image = nullptr;  // not owned
  bool Tiled = false;                       // repeat the map endlessly over the whole surface

 private:
  int mapColumns_ = 0;
  int mapRows_ = 0;
  std::vector<std::int32_t> cells_;  // row-major pattern indices
};

// The root of a sprite tree: the surface its sprites draw on and the state of
// the running collision pass.
class TSpriteEngine : public TSprite {
 public:
  explicit TSpriteEngine(TSprite* parent = nullptr) : TSprite(parent) {}
  // Frees the tree while the engine part is still whole.
  ~TSpriteEngine() override { Clear(); }

  TDirectDrawSurface* Surface = nullptr;  // not owned; nullptr while the display is finalised
  TRect SurfaceRect;  // client rectangle of the last surface; kept when Surface is dropped

  TSprite* HitSprite = nullptr;  // the running collision pass
  TRect HitRect;
  std::int32_t HitCount = 0;
  bool HitDone = false;
};

}  // namespace brakkon::engine
