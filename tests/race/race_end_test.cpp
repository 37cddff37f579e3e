// Crashes, game over, the end of a race, and the name entry with its send prompt.
#include "race/race_fixture.h"
#include "records/score_submission.h"

namespace brakkon::test {
namespace {

using shell::TGameState;
namespace vk = platform::vk;

class RaceEndTest : public RaceFixture {
 protected:
  void CrashIntoWall() {
    race().ScrollSpeed = 15;
    PlaceObject(2, car().X, car().Y);
    Ticks(1);
  }
  // Ends the race by the finish question with `score`.
  void QuitWithScore(int score) {
    race().Score = score;
    TapKey(vk::kEscape);
    Ticks(1);
    TapKey('Y');
    Ticks(1);
  }
  int SpriteCount() { return form().MDXSpriteEngine.Engine().ChildCount(); }
};

TEST_F(RaceEndTest, ACrashCostsALifeAndTheCarIsBackAfterTwoPlaysOfTheBlast) {
  StartEmptyRoad();
  CrashIntoWall();
  EXPECT_EQ(race().Lives, 2);
  EXPECT_TRUE(race().Crashed);
  EXPECT_TRUE(race().CrashBlast->Visible);
  EXPECT_EQ(race().CrashBlast->X, car().X);
  EXPECT_EQ(race().CrashBlast->Y, car().Y);
  int ticks = 0;
  while (race().Crashed && ticks < 60) {
    Ticks(1);
    ++ticks;
  }
  EXPECT_NEAR(ticks, 27, 1);
  EXPECT_FALSE(race().CrashBlast->Visible);
  EXPECT_EQ(car().Z(), 4);
  // With no life left a crash changes nothing.
  race().Lives = 0;
  race::CrashCar(form());
  EXPECT_FALSE(race().Crashed);
}

TEST_F(RaceEndTest, TheLastLifeShowsGameOverThenTheMenuAndItsTable) {
  StartEmptyRoad();
  race().Lives = 1;
  CrashIntoWall();
  const int wreck = race().CrashSlot;
  Ticks(1);
  ASSERT_TRUE(race().GameOverPending);
  ASSERT_NE(race().MessageCaption, nullptr);
  EXPECT_EQ(race().MessageCaption->X, 200);
  EXPECT_EQ(race().MessageCaption->Y, 220);
  EXPECT_FALSE(race().CrashBlast->Visible);
  EXPECT_FALSE(race().RoadSlots[wreck]->Visible);
  int ticks = 0;
  while (shell().GameState == TGameState::Race && ticks < 100) {
    Ticks(1);
    ++ticks;
  }
  EXPECT_NEAR(ticks, 67, 1);
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_TRUE(platform.video.pointerVisible());
  EXPECT_EQ(form().Race.ScrollSpeed, 0);
  EXPECT_TRUE(TickUntil([&] { return shell().GameState == TGameState::HighScores; }, 200));
}

TEST_F(RaceEndTest, ANewRaceStartsCleanAfterTheLastOne) {
  StartRace();
  const int raceSprites = SpriteCount();
  SkipBanner();
  HoldKey(vk::kUp);
  Ticks(300);
  ReleaseKey(vk::kUp);
  QuitWithScore(0);
  ASSERT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_EQ(shell().ScrollBackground->X, 0);
  EXPECT_EQ(shell().ScrollBackground->Y, 0);
  ASSERT_NO_FATAL_FAILURE(BackToCarSelect());
  Type("\r");
  Ticks(1);
  ASSERT_EQ(shell().GameState, TGameState::Race);
  EXPECT_EQ(shell().ScrollBackground->X, 124);
  EXPECT_EQ(SpriteCount(), raceSprites);
  EXPECT_EQ(race().Level, 1);
  EXPECT_EQ(race().Lives, 3);
  EXPECT_EQ(race().Score, 0);
}

// A traffic car runs into the stopped car while "time is over" shows, so many
// ticks before the message ends.
class MessageOverlapTest : public RaceEndTest, public ::testing::WithParamInterface<int> {};

TEST_P(MessageOverlapTest, TheLastLifeLostDuringTheTimeOverMessageLeavesNoCaptionBehind) {
  StartEmptyRoad();
  race().Lives = 2;
  race().TimeLeft = 0;
  race().ScrollSpeed = 0;
  Ticks(1);
  ASSERT_TRUE(race().TimeOverPending);
  ASSERT_EQ(race().Lives, 1);
  while (race().TimeOverTimer > GetParam() * 30) Ticks(1);
  PlaceObject(30, car().X, car().Y - 40).OwnSpeed = 60;
  // Then "game over" shows for its whole 2 s, whenever the crash came.
  int gameOverTicks = 0;
  for (int i = 0; i < 200 && shell().GameState == TGameState::Race; ++i) {
    Ticks(1);
    if (shell().GameState == TGameState::Race && race().GameOverPending) ++gameOverTicks;
  }
  ASSERT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_NEAR(gameOverTicks, 67, 1);
  EXPECT_EQ(race().MessageCaption, nullptr);
  // Only the menu's own sprites are left: background, hint, two panels, six buttons.
  EXPECT_EQ(SpriteCount(), 1 + 3 + 6);
}

INSTANTIATE_TEST_SUITE_P(TicksBeforeTheMessageEnds, MessageOverlapTest,
                         ::testing::Values(40, 1, 0));

class NameEntryTest : public RaceEndTest {
 protected:
  void EnterNameEntry(int score = 100000) {
    StartRace();
    SkipBanner();
    QuitWithScore(score);
    ASSERT_EQ(shell().GameState, TGameState::NameEntry);
    Ticks(1);
  }
  const screens::TCaptionSprite& cursor() { return *shell().CursorSprite; }
};

TEST_F(NameEntryTest, StartsWithNONAMEAndTheCursorBehindIt) {
  EnterNameEntry();
  EXPECT_EQ(shell().PlayerName, "NONAME");
  EXPECT_EQ(shell().TextEndX, 511);
  EXPECT_EQ(cursor().X, 511);
  EXPECT_EQ(cursor().Y, 265);
  EXPECT_EQ(shell().ScreenCaption->X, 200);
  EXPECT_EQ(shell().ScreenCaption->Y, 160);
  SaveFrame("name-entry");
}

TEST_F(NameEntryTest, TypingRulesAndThePressSound) {
  EnterNameEntry();
  const int presses = SoundPlays("Button_Pressed");
  Type(std::string(6, '\b'));
  Ticks(1);
  EXPECT_EQ(shell().PlayerName, "");
  Type("\b");
  Ticks(1);
  EXPECT_EQ(shell().PlayerName, "");
  EXPECT_EQ(cursor().X, 398);
  Type("ab1-c d");
  Ticks(1);
  EXPECT_EQ(shell().PlayerName, "ABC D");
  EXPECT_EQ(SoundPlays("Button_Pressed"), presses + 14);
  // Letters stop at the width limit, spaces do not.
  for (int i = 0; i < 30; ++i) {
    Type("W");
    Ticks(1);
  }
  const std::string full = shell().PlayerName;
  EXPECT_LT(full.size(), 30u);
  EXPECT_GE(shell().TextEndX, 579 - cursor().Width);
  Type("  W");
  Ticks(1);
  EXPECT_EQ(shell().PlayerName, full + "  ");
}

TEST_F(NameEntryTest, TheCursorBlinksAboutEveryHalfSecond) {
  EnterNameEntry();
  std::vector<bool> shown;
  for (int i = 0; i < 66; ++i) {
    Ticks(1);
    shown.push_back(cursor().Visible);
  }
  int changes = 0;
  for (std::size_t i = 1; i < shown.size(); ++i) changes += shown[i] != shown[i - 1] ? 1 : 0;
  EXPECT_EQ(changes, 4);
  const auto visible = std::count(shown.begin(), shown.end(), true);
  EXPECT_NEAR(visible, 33, 2);
}

TEST_F(NameEntryTest, EnterStoresTheResultAndThePromptSendsOrCancels) {
  EnterNameEntry(123455);
  Type("\b\b\b\b\b\bace\r");
  Ticks(1);
  ASSERT_EQ(shell().GameState, TGameState::SendPrompt);
  EXPECT_EQ(form().Records.HighScores[0].Name, "ACE");
  EXPECT_EQ(form().Records.HighScores[0].Score, 123455);
  EXPECT_EQ(shell().ActiveButton, 1);
  SaveFrame("send-prompt");
  StepKey(vk::kLeft);
  EXPECT_EQ(shell().ActiveButton, 2);
  StepKey(vk::kRight);
  EXPECT_EQ(shell().ActiveButton, 1);
  // OK: the server cannot be reached, the player is told, the menu and its table follow.
  Type("\r");
  Ticks(1);
  ASSERT_EQ(platform.dialogs.messages.size(), 1u);
  EXPECT_EQ(platform.dialogs.messages[0].kind, platform::MessageKind::kInformation);
  EXPECT_EQ(platform.dialogs.messages[0].title, "Information");
  EXPECT_EQ(platform.dialogs.messages[0].text, records::kCantConnectMessage);
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_TRUE(TickUntil([&] { return shell().GameState == TGameState::HighScores; }, 200));
  // The table is written at exit and read back at the next start.
  form().FormDestroy();
  platform::HeadlessPlatform nextRun;
  shell::TMForm next(nextRun);
  next.FormCreate();
  EXPECT_EQ(next.Records.HighScores[0].Name, "ACE");
  EXPECT_EQ(next.Records.HighScores[0].Score, 123455);
}

TEST_F(NameEntryTest, AnEmptyNameIsStoredEmptyAndCancelSendsNothing) {
  EnterNameEntry();
  Type(std::string(6, '\b') + "\r");
  Ticks(1);
  EXPECT_EQ(form().Records.HighScores[0].Name, "");
  StepKey(vk::kRight);
  Type("\x1b");  // Esc acts on the highlighted button, here Cancel
  Ticks(1);
  EXPECT_TRUE(platform.dialogs.messages.empty());
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
}

}  // namespace
}  // namespace brakkon::test
