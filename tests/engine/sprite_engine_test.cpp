// The sprite-engine component bound to a display on the headless platform.
#include "engine/sprite_engine.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/dxdraw.h"
#include "platform/headless/headless_platform.h"

namespace brakkon::engine {
namespace {

class TCounter : public TSprite {
 public:
  explicit TCounter(TSprite* parent) : TSprite(parent) {
    Width = 10;
    Height = 10;
  }
  void DrawSelf() override { ++draws; }
  void MoveSelf(int) override { ++moves; }
  int draws = 0;
  int moves = 0;
};

class DXSpriteEngineTest : public ::testing::Test {
 protected:
  platform::HeadlessVideo video;
  TDXDraw display{video};
  TDXSpriteEngine engine;
  TCounter* sprite = new TCounter(&engine.Engine());
};

TEST_F(DXSpriteEngineTest, FollowsTheDisplaysInitialiseAndFinalise) {
  engine.SetDXDraw(&display);
  EXPECT_EQ(engine.DXDraw(), &display);
  EXPECT_EQ(engine.Engine().Surface, nullptr);
  engine.Draw();
  engine.Move(1);
  EXPECT_EQ(sprite->draws, 0);  // the display is not initialised
  EXPECT_EQ(sprite->moves, 1);  // moving needs no display

  display.Initialize();
  TSpriteEngine& root = engine.Engine();
  EXPECT_EQ(root.Surface, &display.Surface());
  EXPECT_EQ(root.SurfaceRect, (TRect{0, 0, 800, 600}));
  EXPECT_EQ(root.Width, 800);
  EXPECT_EQ(root.Height, 600);
  engine.Draw();
  EXPECT_EQ(sprite->draws, 1);

  display.Finalize();
  EXPECT_EQ(root.Surface, nullptr);
  EXPECT_EQ(root.SurfaceRect, (TRect{0, 0, 800, 600}));  // kept
  engine.Draw();
  EXPECT_EQ(sprite->draws, 1);

  display.Initialize();  // a display-mode switch: the sprites survive it
  EXPECT_EQ(root.Surface, &display.Surface());
  engine.Draw();
  EXPECT_EQ(sprite->draws, 2);
}

TEST_F(DXSpriteEngineTest, DrawNeedsABoundDisplay) {
  display.Initialize();
  engine.Draw();
  EXPECT_EQ(sprite->draws, 0);
}

TEST_F(DXSpriteEngineTest, RebindingMovesTheRegistration) {
  platform::HeadlessVideo otherVideo;
  TDXDraw other(otherVideo);
  display.Initialize();
  engine.SetDXDraw(&display);  // already up: takes its surface at once
  EXPECT_EQ(engine.Engine().Surface, &display.Surface());

  engine.SetDXDraw(&other);
  EXPECT_EQ(engine.Engine().Surface, nullptr);
  display.Finalize();
  display.Initialize();  // no longer listened to
  EXPECT_EQ(engine.Engine().Surface, nullptr);
  other.Initialize();
  EXPECT_EQ(engine.Engine().Surface, &other.Surface());
}

TEST_F(DXSpriteEngineTest, EitherSideMayGoFirst) {
  platform::HeadlessVideo otherVideo;
  auto doomed = std::make_unique<TDXDraw>(otherVideo);
  doomed->Initialize();
  engine.SetDXDraw(doomed.get());
  doomed.reset();
  EXPECT_EQ(engine.DXDraw(), nullptr);
  EXPECT_EQ(engine.Engine().Surface, nullptr);
  engine.Draw();
  EXPECT_EQ(sprite->draws, 0);

  {
    TDXSpriteEngine shortLived;
    shortLived.SetDXDraw(&display);
  }
  display.Initialize();  // must not reach the freed component
  display.Finalize();
}

}  // namespace
}  // namespace brakkon::engine
