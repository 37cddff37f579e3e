// The sprite-engine component and its display binding.
#include "engine/sprite_engine.h"

#include "engine/dxdraw.h"

namespace brakkon::engine {

TCustomDXSpriteEngine::TCustomDXSpriteEngine() : engine_(std::make_unique<TSpriteEngine>()) {}

TCustomDXSpriteEngine::~TCustomDXSpriteEngine() {
  SetDXDraw(nullptr);
}

void TCustomDXSpriteEngine::SetDXDraw(TDXDraw* dxDraw) {
  if (dxDraw == dxDraw_) return;
  if (dxDraw_ != nullptr) {
    dxDraw_->UnRegisterNotifyEvent(listenerId_);
    // The old display's surface must not outlive the binding.
    engine_->Surface = nullptr;
  }
  dxDraw_ = dxDraw;
  listenerId_ = 0;
  if (dxDraw_ == nullptr) return;
  listenerId_ = dxDraw_->RegisterNotifyEvent(
      [this](TDXDraw& sender, TDXDrawNotifyType type) { DXDrawNotifyEvent(sender, type); });
  // Bound to a display that is already up: no initialised notification will come.
  if (dxDraw_->Initialized()) TakeSurface(*dxDraw_);
}

void TCustomDXSpriteEngine::Move(int moveAmount) {
  engine_->Move(moveAmount);
}

void TCustomDXSpriteEngine::Draw() {
  if (dxDraw_ != nullptr && dxDraw_->Initialized()) engine_->Draw();
}

void TCustomDXSpriteEngine::DXDrawNotifyEvent(TDXDraw& sender, TDXDrawNotifyType type) {
  switch (type) {
    case TDXDrawNotifyType::dxntDestroying:
      SetDXDraw(nullptr);
      break;
    case TDXDrawNotifyType::dxntInitialize:
      TakeSurface(sender);
      break;
    case TDXDrawNotifyType::dxntFinalize:
      engine_->Surface = nullptr;
      break;
    default:
      break;
  }
}

void TCustomDXSpriteEngine::TakeSurface(TDXDraw& dxDraw) {
  TDirectDrawSurface& surface = dxDraw.Surface();
  engine_->Surface = &surface;
  engine_->SurfaceRect = surface.ClientRect();
  engine_->Width = engine_->SurfaceRect.Width();
  engine_->Height = engine_->SurfaceRect.Height();
}

}  // namespace brakkon::engine
