// The sprite-engine component: owns the root of the sprite tree and binds it to
// the display's back surface through the display's notifications.
#pragma once

#include <memory>

#include "engine/sprite.h"

namespace brakkon::engine {

class TDXDraw;
enum class TDXDrawNotifyType;

class TCustomDXSpriteEngine {
 public:
  TCustomDXSpriteEngine();
  // Unregisters from the display and frees the whole sprite tree.
  virtual ~TCustomDXSpriteEngine();
  TCustomDXSpriteEngine(const TCustomDXSpriteEngine&) = delete;
  TCustomDXSpriteEngine& operator=(const TCustomDXSpriteEngine&) = delete;

  // The root every sprite of the game is created under; owned.
  TSpriteEngine& Engine() { return *engine_; }

  TDXDraw* DXDraw() const { return dxDraw_; }
  // Moves the registration from the previous display to `dxDraw` (nullptr unbinds);
  // a display being destroyed unbinds itself through its notification.
  void SetDXDraw(TDXDraw* dxDraw);

  // One move pass over the tree.
  void Move(int moveAmount);
  // One draw pass over the tree; nothing unless bound to an initialised display.
  void Draw();

 private:
  void DXDrawNotifyEvent(TDXDraw& sender, TDXDrawNotifyType type);
  void TakeSurface(TDXDraw& dxDraw);

  std::unique_ptr<TSpriteEngine> engine_;
  TDXDraw* dxDraw_ = nullptr;
  int listenerId_ = 0;
};

// The form's published form of the component.
class TDXSpriteEngine : public TCustomDXSpriteEngine {};

}  // namespace brakkon::engine
