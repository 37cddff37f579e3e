// Which module plays when, the restart at the wrap, and the Music option, on a
// scripted module player.
#include "io/music.h"

#include <gtest/gtest.h>

#include "platform/headless/headless_audio.h"

namespace brakkon::io {
namespace {

using Call = platform::ModuleCall::Kind;

constexpr std::int32_t kMainMenu = 0;
constexpr std::int32_t kRace = 1;
constexpr std::int32_t kRaceSetup = 10;

class MusicFixture : public ::testing::Test {
 protected:
  void Tick(std::int32_t gameState = kMainMenu, bool musicOn = true) {
    CheckMusic(music_, player_, musicOn, gameState);
  }

  TMusicState music_;
  platform::HeadlessModulePlayer player_;
};

TEST_F(MusicFixture, ModuleByGameState) {
  const struct {
    std::int32_t state;
    const char* file;
  } cases[] = {{0, "Data/Music/Menu.xm"}, {1, "Data/Music/Race.xm"},  {2, "Data/Music/Menu.xm"},
               {3, "Data/Music/Menu.xm"}, {4, "Data/Music/Menu.xm"},  {7, "Data/Music/Menu.xm"},
               {8, "Data/Music/Menu.xm"}, {10, "Data/Music/Race.xm"}, {71, "Data/Music/Menu.xm"},
               {-1, "Data/Music/Menu.xm"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state);
    StartMusic(music_, player_, true, c.state);
    EXPECT_EQ(player_.PlayingPath(), c.file);
    EXPECT_EQ(player_.LoadedModules(), 1) << "the previous module is freed first";
  }
}

TEST_F(MusicFixture, WrapToOrderZeroReloadsOnTheFirstTickThatSeesIt) {
  StartMusic(music_, player_, true, kMainMenu);
  const std::uint32_t first = music_.MusicHandle;
  ASSERT_NE(first, 0u);
  for (const std::int32_t order : {0, 1, 3}) {
    player_.order = order;
    Tick();
    EXPECT_EQ(music_.MusicOrder, order);
    EXPECT_EQ(music_.MusicHandle, first);
  }
  player_.order = 0;
  Tick();
  EXPECT_NE(music_.MusicHandle, first);
  EXPECT_EQ(music_.MusicOrder, 0);
  EXPECT_EQ(player_.playing(), music_.MusicHandle);
  EXPECT_EQ(player_.PlayingPath(), "Data/Music/Menu.xm");
  EXPECT_EQ(player_.Count(Call::kLoad), 2);
  EXPECT_EQ(player_.LoadedModules(), 1);
  const std::uint32_t second = music_.MusicHandle;
  Tick();
  EXPECT_EQ(music_.MusicHandle, second) << "order 0 right after a start is no wrap";
}

TEST_F(MusicFixture, RestartTakesTheModuleOfTheStateAtThatTick) {
  StartMusic(music_, player_, true, kRaceSetup);
  EXPECT_EQ(player_.PlayingPath(), "Data/Music/Race.xm");
  player_.order = 5;
  Tick(kRace);
  player_.order = 0;
  Tick(kRace);
  EXPECT_EQ(player_.PlayingPath(), "Data/Music/Race.xm");
}

TEST_F(MusicFixture, ModuleThatNeverLeavesOrderZeroIsNeverRestarted) {
  StartMusic(music_, player_, true, kMainMenu);
  for (int i = 0; i < 100; ++i) Tick();
  EXPECT_EQ(player_.Count(Call::kLoad), 1);
}

TEST_F(MusicFixture, MusicOffNeverCallsThePlayer) {
  StartMusic(music_, player_, false, kRaceSetup);
  for (int i = 0; i < 10; ++i) Tick(kRace, false);
  StopMusic(music_, player_);
  EXPECT_TRUE(player_.calls.empty());
  EXPECT_EQ(music_.MusicHandle, 0u);
}

TEST_F(MusicFixture, MusicOffLeavesALoadedModuleAlone) {
  StartMusic(music_, player_, true, kMainMenu);
  player_.order = 2;
  Tick();
  const std::size_t calls = player_.calls.size();
  LoadMusic(music_, player_, false, kRaceMusicFile);
  EXPECT_EQ(music_.MusicOrder, 0);
  EXPECT_EQ(player_.calls.size(), calls);
  EXPECT_EQ(player_.PlayingPath(), "Data/Music/Menu.xm");
}

TEST_F(MusicFixture, UnreadableModulePlaysNothingAndIsNotPolled) {
  player_.unreadable.insert("Data/Music/Menu.xm");
  StartMusic(music_, player_, true, kMainMenu);
  EXPECT_EQ(music_.MusicHandle, 0u);
  EXPECT_EQ(player_.Count(Call::kPlay), 0);
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_EQ(player_.Count(Call::kOrder), 0);
}

TEST_F(MusicFixture, PauseAndResumeStartTheRaceModuleFromItsBeginning) {
  StartMusic(music_, player_, true, kRaceSetup);
  player_.order = 4;
  Tick(kRace);
  StopMusic(music_, player_);  // pause
  EXPECT_EQ(player_.playing(), 0u);
  EXPECT_EQ(player_.LoadedModules(), 0);
  for (int i = 0; i < 3; ++i) Tick(kRace);
  StartMusic(music_, player_, true, kRace);  // resume
  EXPECT_EQ(player_.PlayingPath(), "Data/Music/Race.xm");
  EXPECT_EQ(player_.Count(Call::kLoad), 2);
  EXPECT_EQ(player_.Count(Call::kPlay), 2);
  EXPECT_EQ(music_.MusicOrder, 0);
}

}  // namespace
}  // namespace brakkon::io
