// The sprite tree and its passes.
#include "engine/sprite.h"

#include <fmt/printf.h>

#include <algorithm>
#include <cmath>

#include "engine/errors.h"
#include "engine/picture_collection.h"
#include "engine/surface.h"

namespace brakkon::engine {

namespace {

// Positions beyond this are far off every surface; clamping keeps the
// arithmetic on bounds and cell positions from overflowing.
constexpr double kCoordinateLimit = 1 << 30;  // px

// Truncates toward zero, as the bounds and cell positions are defined.
int TruncCoordinate(double value) {
  if (std::isnan(value)) return 0;
  return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

void EraseSprite(std::vector<TSprite*>& list, TSprite* sprite) {
  const auto it = std::find(list.begin(), list.end(), sprite);
  if (it != list.end()) list.erase(it);
}

// a mod b made non-negative; b > 0.
int WrapIndex(int a, int b) {
  const int r = a % b;
  return r < 0 ? r + b : r;
}

}  // namespace

TSprite::TSprite(TSprite* parent) : parent_(parent) {
  if (parent_ == nullptr) return;
  parent_->children_.push_back(this);
  parent_->InsertByDepth(this);
  auto* engine = dynamic_cast<TSpriteEngine*>(parent_);
  engine_ = engine != nullptr ? engine : parent_->engine_;
}

TSprite::~TSprite() {
  Clear();
  if (parent_ != nullptr) {
    EraseSprite(parent_->children_, this);
    EraseSprite(parent_->drawOrder_, this);
  }
}

void TSprite::HandleCollision(TSprite*, bool&) {}

void TSprite::DrawSelf() {}

void TSprite::MoveSelf(int) {}

TRect TSprite::GetBounds() {
  return Bounds(TruncCoordinate(AbsoluteX()), TruncCoordinate(AbsoluteY()), Width, Height);
}

bool TSprite::AcceptsCollision(TSprite*) {
  return true;
}

void TSprite::SetZ(std::int32_t z) {
  if (z == z_) return;
  z_ = z;
  if (parent_ != nullptr) {
    EraseSprite(parent_->drawOrder_, this);
    parent_->InsertByDepth(this);
  }
}

// Bisection: the child goes in front of the first sibling whose Z is equal or
// greater, so among equal depths the one inserted last is drawn first.
void TSprite::InsertByDepth(TSprite* child) {
  int low = 0;
  int high = static_cast<int>(drawOrder_.size()) - 1;
  while (low <= high) {
    const int mid = (low + high) / 2;
    if (drawOrder_[mid]->z_ < child->z_) {
      low = mid + 1;
    } else {
      high = mid - 1;
    }
  }
  drawOrder_.insert(drawOrder_.begin() + low, child);
}

double TSprite::AbsoluteX() const {
  return parent_ != nullptr ? X + parent_->AbsoluteX() : X;
}

double TSprite::AbsoluteY() const {
  return parent_ != nullptr ? Y + parent_->AbsoluteY() : Y;
}

TSprite* TSprite::Child(int index) const {
  if (children_.empty()) {
    throw ESpriteError(fmt::sprintf("Index of the list exceeds the range. (%d)", index));
  }
  if (index < 0 || index >= ChildCount()) {
    throw EListError(fmt::sprintf("List index out of bounds (%d)", index));
  }
  return children_[index];
}

// The passes take the child count once and read the current list at each index,
// so children freed or created by the hooks shift what is visited; a loop ends
// early when freeing has left fewer children than it started with.
void TSprite::Move(int moveAmount) {
  if (!MoveEnabled) return;
  MoveSelf(moveAmount);
  const int count = ChildCount();
  for (int i = 0; i < count && i < ChildCount(); ++i) children_[i]->Move(moveAmount);
}

void TSprite::Draw() {
  if (!Visible) return;
  if (engine_ != nullptr && OverlapRect(GetBounds(), engine_->SurfaceRect)) DrawSelf();
  const std::size_t count = drawOrder_.size();
  for (std::size_t i = 0; i < count && i < drawOrder_.size(); ++i) drawOrder_[i]->Draw();
}

int TSprite::CheckCollisions() {
  if (engine_ == nullptr || !CollisionEnabled) return 0;
  TSpriteEngine& engine = *engine_;
  engine.HitCount = 0;
  engine.HitDone = false;
  engine.HitRect = GetBounds();
  engine.HitSprite = this;
  const int count = engine.ChildCount();
  for (int i = 0; i < count && i < engine.ChildCount(); ++i) {
    engine.Child(i)->VisitForCollision(engine);
  }
  return engine.HitCount;
}

void TSprite::VisitForCollision(TSpriteEngine& engine) {
  if (!CollisionEnabled) return;
  TSprite* hitter = engine.HitSprite;
  if (this != hitter && OverlapRect(GetBounds(), engine.HitRect) &&
      hitter->AcceptsCollision(this) && AcceptsCollision(hitter)) {
    ++engine.HitCount;
    hitter->HandleCollision(this, engine.HitDone);
    // A hitter that switched itself off is still offered the remaining siblings.
    if (!hitter->CollisionEnabled) engine.HitDone = true;
  }
  if (engine.HitDone) return;
  const int count = ChildCount();
  for (int i = 0; i < count && i < ChildCount(); ++i) children_[i]->VisitForCollision(engine);
}

void TSprite::Clear() {
  // Each child unlinks itself in its destructor.
  while (!children_.empty()) delete children_.back();
}

void TImageSprite::DrawSelf() {
  if (Image == nullptr || Engine() == nullptr || Engine()->Surface == nullptr) return;
  const TRect r = DrawRect();
  Image->Draw(*Engine()->Surface, r.Left, r.Top, CurrentPattern());
}

void TImageSprite::MoveSelf(int moveAmount) {
  const long double advanced =
      static_cast<long double>(AnimPosition) + static_cast<long double>(AnimRate) * moveAmount;
  AnimPosition = static_cast<double>(advanced);
  if (AnimLoop) {
    if (AnimFrames > 0) {
      const long double position = AnimPosition;
      long double wrapped = position - std::trunc(position / AnimFrames) * AnimFrames;
      if (wrapped < 0) wrapped += AnimFrames;
      AnimPosition = static_cast<double>(wrapped);
    } else {
      AnimPosition = 0;
    }
  } else {
    // A one-shot animation stops on its last pattern with its rate cleared; the
    // game's sprites read the cleared rate as the end of the animation.
    if (AnimPosition >= AnimFrames) {
      AnimPosition = AnimFrames - 1;
      AnimRate = 0;
    }
    if (AnimPosition < 0) {
      AnimPosition = 0;
      AnimRate = 0;
    }
  }
}

int TImageSprite::CurrentPattern() const {
  return TruncCoordinate(AnimPosition) + AnimFirst;
}

TRect TImageSprite::DrawRect() {
  TRect r = GetBounds();
  if (Image == nullptr) return r;
  const int dx = (Width - Image->Width()) / 2;
  const int dy = (Height - Image->Height()) / 2;
  return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

TBackgroundSprite::TBackgroundSprite(TSprite* parent) : TSprite(parent) {
  CollisionEnabled = false;
}

TBackgroundSprite::~TBackgroundSprite() {
  ResizeMap(0, 0);
}

TRect TBackgroundSprite::GetBounds() {
  if (Tiled) return Engine() != nullptr ? Engine()->SurfaceRect : TRect{};
  if (Image == nullptr) return TRect{};
  return Bounds(TruncCoordinate(AbsoluteX()), TruncCoordinate(AbsoluteY()),
                Image->Width() * mapColumns_, Image->Height() * mapRows_);
}

void TBackgroundSprite::ResizeMap(int columns, int rows) {
  if (columns == mapColumns_ && rows == mapRows_) return;
  if (columns <= 0 || rows <= 0) {
    columns = 0;
    rows = 0;
  }
  mapColumns_ = columns;
  mapRows_ = rows;
  cells_.assign(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 0);
}

int TBackgroundSprite::MapCell(int column, int row) const {
  if (column < 0 || column >= mapColumns_ || row < 0 || row >= mapRows_) return -1;
  return cells_[static_cast<std::size_t>(row) * mapColumns_ + column];
}

void TBackgroundSprite::SetMapCell(int column, int row, int index) {
  if (column < 0 || column >= mapColumns_ || row < 0 || row >= mapRows_) return;
  cells_[static_cast<std::size_t>(row) * mapColumns_ + column] = index;
}

std::vector<TMapDraw> TBackgroundSprite::MapDraws() const {
  std::vector<TMapDraw> draws;
  if (Image == nullptr || Engine() == nullptr || mapColumns_ <= 0 || mapRows_ <= 0) return draws;
  const TRect pattern = Image->PatternRect(0);
  const int w = pattern.Width();
  const int h = pattern.Height();
  // A picture without a pattern has nothing to tile (and would divide by zero).
  if (w <= 0 || h <= 0) return draws;
  const TRect& surfaceRect = Engine()->SurfaceRect;
  const int cols = (w + surfaceRect.Right) / w;
  const int rows = (h + surfaceRect.Bottom) / h;

  int px = TruncCoordinate(AbsoluteX());
  int py = TruncCoordinate(AbsoluteY());
  int cy = py / h;
  int cx = px / w;
  int fx = 0;
  int fy = 0;
  if (cx < 0) {
    fx = -cx;
    cx = 0;
  }
  px %= w;
  py %= h;
  if (cy < 0) {
    fy = -cy;
    cy = 0;
  }

  auto add = [&](int c, int r, int index) {
    if (index >= 0) draws.push_back(TMapDraw{px + w * c, py + h * r, index});
  };
  if (Tiled) {
    // One spare row and column on every side covers the surface whatever the offset.
    for (int r = -1; r <= rows + 1; ++r) {
      for (int c = -1; c <= cols + 1; ++c) {
        add(c, r, MapCell(WrapIndex(c + fx - cx, mapColumns_), WrapIndex(r + fy - cy, mapRows_)));
      }
    }
  } else {
    const int lastC = std::min(cx + mapColumns_ - fx, cols + 1);
    const int lastR = std::min(cy + mapRows_ - fy, rows + 1);
    for (int r = cy; r < lastR; ++r) {
      for (int c = cx; c < lastC; ++c) add(c, r, MapCell(c + fx - cx, r + fy - cy));
    }
  }
  return draws;
}

void TBackgroundSprite::DrawSelf() {
  if (Engine() == nullptr || Engine()->Surface == nullptr) return;
  TDirectDrawSurface& surface = *Engine()->Surface;
  for (const TMapDraw& d : MapDraws()) Image->Draw(surface, d.x, d.y, d.index);
}

}  // namespace brakkon::engine
