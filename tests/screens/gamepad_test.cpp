// A gamepad in the menus and the name entry, as the SDL platform lays out a known pad.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "race/race_fixture.h"

namespace brakkon::test {
namespace {

using platform::JoystickState;
using shell::TGameState;
namespace vk = platform::vk;

// Indices in JoystickState::buttons of a known pad's buttons.
constexpr int kStart = 3;
constexpr int kB = 6;
constexpr int kA = 7;

enum class Pad { kUp, kDown, kLeft, kRight, kA, kB, kStart };

class GamepadFixture : public RaceFixture {
 protected:
  void Hold(Pad pad) { Set(pad, true); }
  void Release(Pad pad) { Set(pad, false); }
  // Down for one tick, then up for one.
  void Press(Pad pad) {
    Hold(pad);
    Ticks(1);
    Release(pad);
    Ticks(1);
  }
  void Press(const std::vector<Pad>& pads) {
    for (Pad pad : pads) Press(pad);
  }
  bool FullScreen() { return form().Records.Options.FullScreen; }

 private:
  void Set(Pad pad, bool down) {
    platform.input.joystickAttached = true;
    JoystickState& j = platform.input.joystick;
    switch (pad) {
      case Pad::kUp:
        j.y = down ? JoystickState::kAxisMin : 0;
        break;
      case Pad::kDown:
        j.y = down ? JoystickState::kAxisMax : 0;
        break;
      case Pad::kLeft:
        j.x = down ? JoystickState::kAxisMin : 0;
        break;
      case Pad::kRight:
        j.x = down ? JoystickState::kAxisMax : 0;
        break;
      case Pad::kA:
        j.buttons[kA] = down;
        break;
      case Pad::kB:
        j.buttons[kB] = down;
        break;
      case Pad::kStart:
        j.buttons[kStart] = down;
        break;
    }
  }
};

struct SubScreen {
  const char* name;
  int menuSlot;
  TGameState state;
};

constexpr SubScreen kSubScreens[] = {
    {"CarSelect", 1, TGameState::CarSelect},
    {"Options", 2, TGameState::Options},
    {"HighScores", 3, TGameState::HighScores},
    {"Help", 4, TGameState::Help},
};

class GamepadSubScreenTest : public GamepadFixture,
                             public ::testing::WithParamInterface<SubScreen> {};

TEST_P(GamepadSubScreenTest, DpadAndAOpenTheEntryAndBLeadsBack) {
  const SubScreen& screen = GetParam();
  StartAtRest();
  for (int slot = 1; slot < screen.menuSlot; ++slot) Press(Pad::kDown);
  ASSERT_EQ(shell().ActiveButton, screen.menuSlot);
  Press(Pad::kA);
  ASSERT_EQ(shell().GameState, screen.state);
  Press(Pad::kB);
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_EQ(shell().ActiveButton, screen.menuSlot);
}

INSTANTIATE_TEST_SUITE_P(Screens, GamepadSubScreenTest, ::testing::ValuesIn(kSubScreens),
                         [](const auto& info) { return std::string(info.param.name); });

class GamepadMenuTest : public GamepadFixture {
 protected:
  // The main menu at rest with Options highlighted; its screen opens on Display.
  void HighlightOptions() {
    StartAtRest();
    Press(Pad::kDown);
    ASSERT_EQ(shell().ActiveButton, 2);
  }
};

TEST_F(GamepadMenuTest, AHeldActsOnceAndAgainOnlyAfterARelease) {
  HighlightOptions();
  const bool fullScreen = FullScreen();
  Hold(Pad::kA);
  Ticks(10);
  ASSERT_EQ(shell().GameState, TGameState::Options);
  ASSERT_EQ(shell().ActiveButton, 7);
  EXPECT_EQ(FullScreen(), fullScreen);
  Release(Pad::kA);
  Ticks(1);
  Press(Pad::kA);
  EXPECT_EQ(FullScreen(), !fullScreen);
}

TEST_F(GamepadMenuTest, SpaceHeldActsOnceAsBefore) {
  HighlightOptions();
  const bool fullScreen = FullScreen();
  // Space both sets the fire state and types a character, as on the real keyboard.
  HoldKey(vk::kSpace);
  Type(" ");
  Ticks(10);
  EXPECT_EQ(shell().GameState, TGameState::Options);
  EXPECT_EQ(FullScreen(), fullScreen);
}

TEST_F(GamepadMenuTest, BOnTheMainMenuDoesNothingAsEscDoes) {
  CopyBakedSaves();  // sound on
  HighlightOptions();
  const int presses = SoundPlays("Button_Pressed");
  Press(Pad::kB);
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_EQ(shell().ActiveButton, 2);
  EXPECT_EQ(SoundPlays("Button_Pressed"), presses);
}

class GamepadNameEntryTest : public GamepadFixture {
 protected:
  // Ends a race with a score for the table; the entry starts with NONAME.
  void EnterNameEntry(bool holdingFire = false) {
    StartRace();
    SkipBanner();
    if (holdingFire) Hold(Pad::kA);
    race().Score = 100000;
    TapKey(vk::kEscape);
    Ticks(1);
    TapKey('Y');
    Ticks(1);
    ASSERT_EQ(shell().GameState, TGameState::NameEntry);
    Ticks(1);
  }
  const std::string& Name() { return shell().PlayerName; }
};

struct PickerCase {
  const char* name;
  std::vector<Pad> presses;
  std::string expected;
};

const std::vector<Pad> kClear(6, Pad::kLeft);

std::vector<Pad> Then(std::vector<Pad> first, const std::vector<Pad>& more) {
  first.insert(first.end(), more.begin(), more.end());
  return first;
}

const PickerCase kPickerCases[] = {
    {"UpStepsTheLastLetter", {Pad::kUp}, "NONAMF"},
    {"DownStepsItBack", {Pad::kDown, Pad::kDown}, "NONAMC"},
    {"UpOnAnEmptyNameAppendsA", Then(kClear, {Pad::kUp}), "A"},
    {"DownOnAnEmptyNameAppendsZ", Then(kClear, {Pad::kDown}), "Z"},
    {"ZThenSpaceThenAWrapping", Then(kClear, {Pad::kDown, Pad::kUp}), " "},
    {"SpaceUpIsA", Then(kClear, {Pad::kDown, Pad::kUp, Pad::kUp}), "A"},
    {"ADownIsSpace", Then(kClear, {Pad::kUp, Pad::kDown}), " "},
    {"RightThenUpAppends", {Pad::kRight, Pad::kUp}, "NONAMEA"},
    {"RightThenDownAppendsZ", {Pad::kRight, Pad::kDown}, "NONAMEZ"},
    {"TheNewLetterIsSteppedAfterwards", {Pad::kRight, Pad::kUp, Pad::kUp}, "NONAMEB"},
    {"RightTwiceOpensOneSlot", {Pad::kRight, Pad::kRight, Pad::kUp}, "NONAMEA"},
    {"RightAloneAddsNothing", {Pad::kRight}, "NONAME"},
    {"LeftDeletesAndDropsTheSlot", {Pad::kRight, Pad::kLeft, Pad::kUp}, "NONAN"},
    {"BDeletes", {Pad::kB, Pad::kB}, "NONA"},
    {"DeletingPastEmptyStaysEmpty", Then(kClear, {Pad::kLeft, Pad::kB}), ""},
    {"RightOnAnEmptyNameIsNoSecondSlot", Then(kClear, {Pad::kRight, Pad::kUp, Pad::kUp}), "B"},
};

class PickerTest : public GamepadNameEntryTest, public ::testing::WithParamInterface<PickerCase> {};

TEST_P(PickerTest, PressesGiveTheName) {
  EnterNameEntry();
  Press(GetParam().presses);
  EXPECT_EQ(Name(), GetParam().expected);
  EXPECT_EQ(shell().GameState, TGameState::NameEntry);
}

INSTANTIATE_TEST_SUITE_P(Presses, PickerTest, ::testing::ValuesIn(kPickerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GamepadNameEntryTest, OnlyTheEdgeCountsAndTheKeyboardArrowsStillTypeNothing) {
  EnterNameEntry();
  Hold(Pad::kUp);
  Ticks(10);
  EXPECT_EQ(Name(), "NONAMF");
  Release(Pad::kUp);
  Ticks(1);
  HoldKey(vk::kUp);
  HoldKey(vk::kRight);
  Ticks(3);
  ReleaseKey(vk::kUp);
  ReleaseKey(vk::kRight);
  HoldKey(vk::kLeft);
  Ticks(3);
  EXPECT_EQ(Name(), "NONAMF");
}

TEST_F(GamepadNameEntryTest, TypingAfterRightTakesOverTheNewSlot) {
  EnterNameEntry();
  Press(Pad::kRight);
  Type("x");
  Ticks(1);
  Press(Pad::kUp);
  EXPECT_EQ(Name(), "NONAMEY");
}

TEST_F(GamepadNameEntryTest, RightStopsAtTheWidthLimitWhereLettersStop) {
  EnterNameEntry();
  for (int i = 0; i < 30; ++i) {
    Type("W");
    Ticks(1);
  }
  const std::string full = Name();
  ASSERT_GE(shell().TextEndX, 579 - shell().CursorSprite->Width);
  Press({Pad::kRight, Pad::kUp});
  EXPECT_EQ(Name(), full.substr(0, full.size() - 1) + "X");
  // One letter fewer leaves room for one more again.
  Press({Pad::kLeft, Pad::kRight, Pad::kUp});
  EXPECT_EQ(Name(), full.substr(0, full.size() - 1) + "A");
}

// Keyboard and pad mixed: a space typed past the limit stays a space under the picker.
TEST_F(GamepadNameEntryTest, ThePickerKeepsTheWidthLimitOfTypedSpaces) {
  EnterNameEntry();
  for (int i = 0; i < 30; ++i) {
    Type("W");
    Ticks(1);
  }
  const std::string full = Name();
  Type("  ");
  Ticks(1);
  Press({Pad::kUp, Pad::kDown, Pad::kUp});
  EXPECT_EQ(Name(), full + "  ");
  Press({Pad::kLeft, Pad::kLeft, Pad::kUp});
  EXPECT_EQ(Name(), full.substr(0, full.size() - 1) + "X") << "the last letter still steps";
}

class NameEntryEndTest : public GamepadNameEntryTest, public ::testing::WithParamInterface<Pad> {};

TEST_P(NameEntryEndTest, EndsTheEntryWithTheNameAsItStands) {
  EnterNameEntry();
  Press({Pad::kB, Pad::kUp});
  Press(GetParam());
  ASSERT_EQ(shell().GameState, TGameState::SendPrompt);
  EXPECT_EQ(form().Records.HighScores[0].Name, "NONAN");
  EXPECT_EQ(form().Records.HighScores[0].Score, 100000);
  // The prompt takes the pad as the menus do: Right to Cancel, A on it sends nothing.
  Press({Pad::kRight, Pad::kA});
  EXPECT_TRUE(platform.dialogs.messages.empty());
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
}

INSTANTIATE_TEST_SUITE_P(Buttons, NameEntryEndTest, ::testing::Values(Pad::kA, Pad::kStart),
                         [](const auto& info) {
                           return std::string(info.param == Pad::kA ? "A" : "Start");
                         });

TEST_F(GamepadNameEntryTest, FireHeldWhenTheRaceEndsIsNoPressAfterwards) {
  EnterNameEntry(true);
  Ticks(3);
  EXPECT_EQ(shell().GameState, TGameState::NameEntry);
  Release(Pad::kA);
  Ticks(1);
  Press(Pad::kA);
  EXPECT_EQ(shell().GameState, TGameState::SendPrompt);
}

}  // namespace
}  // namespace brakkon::test
