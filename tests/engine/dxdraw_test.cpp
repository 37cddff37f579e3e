// The display: option rules, notification order, presentation and failures.
#include "engine/dxdraw.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/errors.h"
#include "platform/headless/headless_platform.h"

namespace brakkon::engine {
namespace {

constexpr TDXDrawOptions kFormOptions =
    doAllowReboot | doWaitVBlank | doCenter | doFlip | doDirectX7Mode | doHardware | doSelectDriver;

TEST(DXDrawOptions, EffectiveSetsOfTheGame) {
  platform::HeadlessVideo video;
  TDXDraw draw(video);
  draw.SetOptions(kFormOptions);
  EXPECT_EQ(draw.NowOptions(), doWaitVBlank | doCenter);
  draw.SetOptions(kFormOptions | doFullScreen);
  EXPECT_EQ(draw.NowOptions(), doFullScreen | doAllowReboot | doWaitVBlank | doCenter | doFlip);
  draw.SetOptions(doFullScreen | doFlip | doSystemMemory | do3D | doDirectX7Mode | doRetainedMode);
  EXPECT_EQ(draw.NowOptions(), doFullScreen | doSystemMemory | do3D | doDirectX7Mode);
}

TEST(DXDrawOptions, WhileInitialisedOnlyPresentationOptionsApplyAtOnce) {
  platform::HeadlessVideo video;
  TDXDraw draw(video);
  draw.SetOptions(kFormOptions);
  draw.Initialize();
  draw.SetOptions(kFormOptions | doFullScreen | doStretch);
  EXPECT_EQ(draw.NowOptions(), doWaitVBlank | doCenter | doStretch);
  EXPECT_FALSE(video.FullScreen());
  draw.Initialize();
  EXPECT_TRUE(video.FullScreen());
  EXPECT_TRUE(draw.NowOptions() & doFullScreen);
}

TEST(DXDrawCycle, NotifiesInOrderAndFlipsOnlyWhileInitialised) {
  std::vector<std::string> log;  // outlives the display, which notifies as it goes
  platform::HeadlessVideo video;
  TDXDraw draw(video);
  const int id = draw.RegisterNotifyEvent([&](TDXDraw&, TDXDrawNotifyType t) {
    log.push_back("n" + std::to_string(static_cast<int>(t)));
  });
  draw.OnInitialize = [&] { log.push_back("OnInitialize"); };
  draw.OnFinalize = [&] { log.push_back("OnFinalize"); };

  draw.Flip();
  EXPECT_EQ(video.presentCount(), 0);
  draw.Initialize();
  EXPECT_TRUE(draw.Initialized());
  EXPECT_EQ(draw.Surface().Width(), 800);
  EXPECT_EQ(draw.Surface().Height(), 600);
  draw.Surface().Fill(0xF800);
  draw.Flip();
  EXPECT_EQ(video.presentCount(), 1);
  EXPECT_EQ(video.FramePixel(799, 599), 0xF800);
  draw.Finalize();
  draw.Flip();
  EXPECT_EQ(video.presentCount(), 1);

  // initialising, size set, initialised, OnInitialize, surface initialised, restore;
  // then surface finalising, OnFinalize, finalising.
  EXPECT_EQ(log, (std::vector<std::string>{"n1", "n7", "n2", "OnInitialize", "n3", "n6", "n5",
                                           "OnFinalize", "n4"}));
  draw.UnRegisterNotifyEvent(id);
  log.clear();
  draw.Initialize();
  EXPECT_EQ(log, (std::vector<std::string>{"OnInitialize"}));
}

TEST(DXDrawCycle, FullScreenNotAvailableLeavesTheDisplayFinalised) {
  platform::HeadlessVideo video;
  video.fullScreenAvailable = false;
  TDXDraw draw(video);
  draw.SetOptions(kFormOptions | doFullScreen);
  bool initialised = false;
  draw.OnInitialize = [&] { initialised = true; };
  try {
    draw.Initialize();
    FAIL() << "no error";
  } catch (const EDXDrawError& e) {
    EXPECT_STREQ(e.what(), "Display mode cannot be changed (800x600 16bit)");
  }
  EXPECT_FALSE(draw.Initialized());
  EXPECT_FALSE(initialised);
}

TEST(DXDrawCycle, NoWindowIsAPrimarySurfaceError) {
  platform::HeadlessVideo video;
  video.canOpen = false;
  TDXDraw draw(video);
  EXPECT_THROW(
      {
        try {
          draw.Initialize();
        } catch (const EDXDrawError& e) {
          EXPECT_STREQ(e.what(), "Primary Surface cannot be made");
          throw;
        }
      },
      EDXDrawError);
}

// A failure after the surfaces exist (a listener, OnInitialize) is passed on,
// but every later step still runs and the display keeps presenting frames.
TEST(DXDrawCycle, AFailingStepAfterTheSurfacesExistLeavesAWorkingDisplay) {
  for (const TDXDrawNotifyType failing :
       {TDXDrawNotifyType::dxntSetSurfaceSize, TDXDrawNotifyType::dxntInitialize,
        TDXDrawNotifyType::dxntInitializeSurface, TDXDrawNotifyType::dxntRestore}) {
    SCOPED_TRACE(static_cast<int>(failing));
    std::vector<TDXDrawNotifyType> heard;
    platform::HeadlessVideo video;
    TDXDraw draw(video);
    draw.RegisterNotifyEvent([&](TDXDraw&, TDXDrawNotifyType t) {
      heard.push_back(t);
      if (t == failing) throw EDXDrawError("listener failed");
    });
    EXPECT_THROW(draw.Initialize(), EDXDrawError);
    EXPECT_TRUE(draw.Initialized());
    EXPECT_EQ(heard.back(), TDXDrawNotifyType::dxntRestore) << "the restore still ran";
    draw.Surface().Fill(0x07E0);
    draw.Flip();
    EXPECT_EQ(video.presentCount(), 1);
  }
  platform::HeadlessVideo video;
  TDXDraw draw(video);
  draw.OnInitialize = [] { throw EDXDrawError("handler failed"); };
  EXPECT_THROW(draw.Initialize(), EDXDrawError);
  draw.Flip();
  EXPECT_EQ(video.presentCount(), 1);
}

TEST(DXDrawCycle, FullScreenFlipWaitsForTheActiveWindow) {
  platform::HeadlessVideo video;
  TDXDraw draw(video);
  draw.SetOptions(kFormOptions | doFullScreen);
  draw.Initialize();
  video.SetActive(false);
  draw.Flip();
  EXPECT_EQ(video.presentCount(), 0);
  video.SetActive(true);
  draw.Flip();
  EXPECT_EQ(video.presentCount(), 1);
}

}  // namespace
}  // namespace brakkon::engine
