// The options screen: row navigation, the three toggles and the country field.
#include <gtest/gtest.h>

#include "screens/game_fixture.h"

namespace brakkon::test {
namespace {

using platform::vk::kDown;
using platform::vk::kUp;
using shell::TGameState;

constexpr std::uint32_t kActiveInk = 0x281808;    // outline of the chosen value
constexpr std::uint32_t kInactiveInk = 0x181820;  // outline of the other value
constexpr std::uint32_t kCursorInk = 0xFFE428;

class OptionsScreenTest : public GameFixture {
 protected:
  void OpenOptions() {
    StartAtRest();
    ClickSlot(2);
    Ticks(1);
    ASSERT_EQ(shell().GameState, TGameState::Options);
  }
  // Highlights the country row by keyboard and starts editing with Enter.
  void EditCountry() {
    TapKey(kUp);
    Ticks(1);
    ASSERT_EQ(shell().ActiveButton, 10);
    Type("\r");
    Ticks(1);
    ASSERT_TRUE(shell().CountryEditing);
  }
  // Types one character and lets the frame redraw the field.
  void TypeAndDraw(char c) {
    platform.input.PushChar(c);
    Ticks(1);
  }
  const std::string& Country() { return form().Records.Options.Country; }
  screens::TCaptionSprite& Cursor() { return *shell().CursorSprite; }
};

TEST_F(OptionsScreenTest, UpAndDownWrapThroughTheFourRows) {
  OpenOptions();
  for (int expected : {8, 9, 10, 7}) {
    StepKey(kDown);
    EXPECT_EQ(shell().ActiveButton, expected);
    EXPECT_TRUE(shell().Buttons[expected]->IsActive);
  }
  StepKey(kUp);
  EXPECT_EQ(shell().ActiveButton, 10);
  // A held key moves one row only.
  HoldKey(kUp);
  Ticks(3);
  EXPECT_EQ(shell().ActiveButton, 9);
}

struct Toggle {
  int slot;
  bool records::TGameOptions::*option;
  int y;           // px, text row
  int onX0, onX1;  // px, the value chosen while the option is true
  int offX0, offX1;
};

constexpr Toggle kToggles[] = {
    {7, &records::TGameOptions::FullScreen, 145, 379, 533, 265, 365},
    {8, &records::TGameOptions::Music, 193, 265, 297, 312, 357},
    {9, &records::TGameOptions::Sound, 241, 265, 297, 312, 357},
};

TEST_F(OptionsScreenTest, EachToggleFlipsItsOptionAndLightsTheChosenValue) {
  OpenOptions();
  auto& options = form().Records.Options;
  for (const Toggle& t : kToggles) {
    SCOPED_TRACE(t.slot);
    for (int round = 0; round < 2; ++round) {
      const bool before = options.*t.option;
      ClickSlot(t.slot);
      Ticks(1);
      const bool now = options.*t.option;
      EXPECT_NE(now, before);
      const int chosenX0 = now ? t.onX0 : t.offX0, chosenX1 = now ? t.onX1 : t.offX1;
      const int otherX0 = now ? t.offX0 : t.onX0, otherX1 = now ? t.offX1 : t.onX1;
      EXPECT_GT(CountFramePixels(chosenX0, t.y, chosenX1, t.y + 24, kActiveInk), 20);
      EXPECT_EQ(CountFramePixels(chosenX0, t.y, chosenX1, t.y + 24, kInactiveInk), 0);
      EXPECT_EQ(CountFramePixels(otherX0, t.y, otherX1, t.y + 24, kActiveInk), 0);
      EXPECT_GT(CountFramePixels(otherX0, t.y, otherX1, t.y + 24, kInactiveInk), 20);
      if (t.option == &records::TGameOptions::FullScreen) {
        EXPECT_EQ(platform.video.FullScreen(), now);
        EXPECT_TRUE(form().MDXTimer.Enabled());
      }
    }
  }
  // Alt+Enter switches the display from this screen as well, and the screen goes on.
  platform.input.PushKeyDown(platform::vk::kReturn, true);
  Ticks(2);
  EXPECT_TRUE(options.FullScreen);
  EXPECT_TRUE(platform.video.FullScreen());
  EXPECT_EQ(shell().GameState, TGameState::Options);
}

TEST_F(OptionsScreenTest, TogglesSoundTheirConfirmationAndSwitchTheMusic) {
  CopyBakedSaves();  // music and sound on
  StartAtRest();
  const int activated = SoundPlays("Button_Activated");
  ClickSlot(2);
  Ticks(1);
  EXPECT_EQ(SoundPlays("Button_Activated"), activated + 1);  // the DISPLAY row lights up

  // The dispatcher's press sound, then each row's own confirmation, both gated
  // by the sound option as it is at that moment.
  struct Act {
    int slot;
    int pressSounds;
  };
  const Act acts[] = {
      {7, 2},  {7, 2},  // display
      {8, 2},  {8, 2},  // music off, on
      {9, 1},           // sound off: only the press before the toggle is heard
      {7, 0},           // silent
      {9, 1},           // sound on: only the confirmation after it
      {10, 2}, {10, 1}  // country editing on, off
  };
  const int loads = platform.music.Count(platform::ModuleCall::Kind::kLoad);
  for (const Act& act : acts) {
    const int pressed = SoundPlays("Button_Pressed");
    ClickSlot(act.slot);
    DeliverEvents();
    EXPECT_EQ(SoundPlays("Button_Pressed") - pressed, act.pressSounds) << "slot " << act.slot;
    if (act.slot == 8 && !form().Records.Options.Music) {
      EXPECT_EQ(platform.music.playing(), 0u);
    }
  }
  // Music back on restarts the menu module from its beginning.
  EXPECT_EQ(platform.music.Count(platform::ModuleCall::Kind::kLoad), loads + 1);
  EXPECT_EQ(platform.music.PlayingPath(), "Data/Music/Menu.xm");
}

TEST_F(OptionsScreenTest, CountryTakesCapitalLettersAndSpacesWhileEditing) {
  OpenOptions();
  TapKey(kUp);
  Ticks(1);
  Type("ab");  // row highlighted, editing off
  Ticks(1);
  EXPECT_EQ(Country(), "");

  Type("\r");
  Ticks(1);
  ASSERT_TRUE(shell().CountryEditing);
  EXPECT_EQ(Cursor().X, 264);
  EXPECT_EQ(Cursor().Y, 312);
  EXPECT_FALSE(Cursor().Visible);

  for (char c : std::string("no rway1?-")) TypeAndDraw(c);
  EXPECT_EQ(Country(), "NO RWAY");
  Ticks(1);
  EXPECT_EQ(Cursor().X, shell().TextEndX);

  for (int i = 0; i < 3; ++i) TypeAndDraw('\b');
  EXPECT_EQ(Country(), "NO R");
  for (int i = 0; i < 6; ++i) TypeAndDraw('\b');
  EXPECT_EQ(Country(), "");
  Ticks(1);
  EXPECT_EQ(Cursor().X, 264);

  // Enter on the row again stops editing; so does acting on any other row.
  TypeAndDraw('\r');
  EXPECT_FALSE(shell().CountryEditing);
  EXPECT_FALSE(Cursor().Visible);
  TypeAndDraw('x');
  EXPECT_EQ(Country(), "");
  TypeAndDraw('\r');
  ASSERT_TRUE(shell().CountryEditing);
  ClickSlot(9);
  Ticks(1);
  EXPECT_FALSE(shell().CountryEditing);

  // Esc while editing closes the screen; the country is kept.
  TapKey(kDown);
  Ticks(1);
  TypeAndDraw('\r');
  TypeAndDraw('n');
  Type("\x1b");
  Ticks(1);
  EXPECT_EQ(shell().GameState, TGameState::MainMenu);
  EXPECT_FALSE(shell().CountryEditing);
  EXPECT_EQ(Country(), "N");
}

TEST_F(OptionsScreenTest, CountryStopsTakingLettersAtItsDrawnWidthButNotSpaces) {
  OpenOptions();
  EditCountry();
  // From x 265 eight "W" (27 px each) end at 481, left of 500 - 18 (the cursor's
  // width): an "I" (6 px) still goes in and ends at 487, after which letters are refused.
  for (char c : std::string("wwwwwwwwiiw")) TypeAndDraw(c);
  const std::string full = std::string(8, 'W') + "I";
  EXPECT_EQ(Country(), full);
  EXPECT_EQ(shell().TextEndX, 487);
  // The cursor stays behind the last letter that ended left of the limit.
  EXPECT_EQ(Cursor().X, 481);
  Ticks(6);  // the first blink shows it, from the next frame on
  ASSERT_TRUE(Cursor().Visible);
  SaveFrame("options-country-full");
  EXPECT_GT(CountFramePixels(481, 312, 481 + 18, 316, kCursorInk), 40);
  TypeAndDraw(' ');
  TypeAndDraw(' ');
  TypeAndDraw('w');
  EXPECT_EQ(Country(), full + "  ");

  // Deleting back under the limit lets letters in again.
  for (int i = 0; i < 3; ++i) TypeAndDraw('\b');
  TypeAndDraw('a');
  EXPECT_EQ(Country(), std::string(8, 'W') + "A");
}

TEST_F(OptionsScreenTest, CursorBlinksAboutTwiceASecondOnceEditingStarts) {
  OpenOptions();
  EditCountry();  // the tick after Enter counts as the first
  int ticks = 1;
  auto ticksUntil = [&](bool visible) {
    int n = 0;
    while (Cursor().Visible != visible && n < 100) {
      Ticks(1);
      ++n;
    }
    return n;
  };
  EXPECT_EQ(ticks + ticksUntil(true), 17);  // 500 ms hidden at the start
  EXPECT_EQ(ticksUntil(false), 17);
  EXPECT_EQ(ticksUntil(true), 16);
  EXPECT_EQ(ticksUntil(false), 17);
}

}  // namespace
}  // namespace brakkon::test
