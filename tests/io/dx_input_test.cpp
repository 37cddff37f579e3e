// The input states from the headless keyboard table and joystick.
#include "io/dx_input.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "platform/headless/headless_platform.h"

namespace brakkon::io {
namespace {

using platform::JoystickState;
using S = TInputState;

TInputStates Set(std::initializer_list<TInputState> states) {
  TInputStates set;
  for (TInputState s : states) set.Add(s);
  return set;
}

class DXInputTest : public ::testing::Test {
 protected:
  TInputStates Refresh() {
    input_.UpdateStates();
    return input_.InputStates();
  }

  platform::HeadlessPlatform platform_;
  TDXInput input_{platform_.input, platform_.video};
};

TEST(InputStatesTest, IsAPlainValueOfThirtySixBits) {
  TInputStates states = TInputStates::FromBits(~std::uint64_t{0});
  EXPECT_EQ(states.Bits(), (std::uint64_t{1} << 36) - 1);
  EXPECT_TRUE(states.Has(S::InputButton32));
  const TInputStates copy = states;
  states.Remove(S::InputUp);
  EXPECT_TRUE(copy.Has(S::InputUp));
  EXPECT_FALSE(states.Has(S::InputUp));
  EXPECT_EQ(Set({S::InputLeft, S::InputButton8}).Bits(), (1u << 2) | (1u << 11));
  EXPECT_EQ(TInputStates::FromBits(copy.Bits()), copy);
}

TEST(KeyAssignsTest, FormTableIsStoredAsFourHundredThirtyTwoBytes) {
  const TKeyAssignBytes& bytes = FormKeyAssigns();
  ASSERT_EQ(bytes.size(), 432u);
  const std::uint8_t up[12] = {38, 0, 0, 0, 0, 0, 0, 0, 104, 0, 0, 0};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(bytes[i], up[i]) << "byte " << i;
  EXPECT_EQ(bytes[11 * 12], 32);  // InputButton8: Space
  for (std::size_t i = 12 * 12; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i;

  TKeyboard keyboard;
  EXPECT_EQ(keyboard.Assigns(), bytes);
}

TEST(KeyAssignsTest, PropertyReadsUnderBothNamesAndRoundTrips) {
  TKeyAssigns assigns{};
  assigns[0] = {-1, 0x12345678, 255};
  assigns[35] = {7, 0, 0};
  const TKeyAssignBytes bytes = EncodeKeyAssigns(assigns);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[4], 0x78);
  EXPECT_EQ(bytes[7], 0x12);

  TKeyboard keyboard;
  EXPECT_FALSE(keyboard.ReadProperty("Keys", bytes));
  EXPECT_FALSE(keyboard.ReadProperty("Assigns", std::span(bytes).first(431)));
  EXPECT_EQ(keyboard.Assigns(), FormKeyAssigns());
  EXPECT_TRUE(keyboard.ReadProperty("Aissgns", bytes));
  EXPECT_EQ(keyboard.KeyAssigns(), assigns);
  EXPECT_TRUE(keyboard.ReadProperty("Assigns", FormKeyAssigns()));
  EXPECT_EQ(keyboard.Assigns(), FormKeyAssigns());
}

TEST_F(DXInputTest, EachFormKeyDrivesItsOwnState) {
  const struct {
    int key;
    TInputState state;
  } cases[] = {
      {38, S::InputUp},       {104, S::InputUp},      {40, S::InputDown},
      {37, S::InputLeft},     {39, S::InputRight},    {'Z', S::InputButton1},
      {'X', S::InputButton2}, {'C', S::InputButton3}, {'P', S::InputButton4},
      {27, S::InputButton5},  {'Y', S::InputButton6}, {'N', S::InputButton7},
      {32, S::InputButton8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    platform_.input.PressKey(c.key);
    EXPECT_EQ(Refresh(), Set({c.state}));
    platform_.input.ReleaseKey(c.key);
    EXPECT_TRUE(Refresh().Empty());
  }
  // Keys of no state, and the key number 0 of every empty slot, never set anything.
  for (int key : {0, int{'A'}, 98, 255}) platform_.input.PressKey(key);
  EXPECT_TRUE(Refresh().Empty());
}

TEST_F(DXInputTest, TwoKeysOfOneStateAndATapBetweenRefreshes) {
  platform_.input.PressKey(38);
  platform_.input.PressKey(104);
  EXPECT_EQ(Refresh(), Set({S::InputUp}));
  platform_.input.ReleaseKey(38);
  EXPECT_EQ(Refresh(), Set({S::InputUp}));
  platform_.input.ReleaseKey(104);
  EXPECT_TRUE(Refresh().Empty());

  platform_.input.PressKey(32);
  platform_.input.ReleaseKey(32);
  EXPECT_EQ(Refresh(), Set({S::InputButton8}));
  EXPECT_TRUE(Refresh().Empty());
}

TEST(JoystickAxisTest, ScalesThroughTheDeadZone) {
  const struct {
    int raw;
    std::int32_t range, deadZone, expected;
  } cases[] = {
      {0, 1000, 50, 0},
      {JoystickState::kAxisMax, 1000, 50, 1000},
      {JoystickState::kAxisMin, 1000, 50, -1000},
      {16000, 1000, 50, 0},  // inside the dead zone
      {-16000, 1000, 50, 0},
      {16390, 1000, 50, 0},  // just outside, rounds to 0
      {16391, 1000, 50, 1},  // rounds up to 1
      {-16393, 1000, 50, -1},
      {24576, 1000, 50, 500},  // half-way between the dead zone and the end
      {100, 1000, 0, 3},
      {20000, 1000, 100, 0},    // the whole axis is dead
      {20000, 1000, 150, 0},    // clamped to 100
      {100, 1000, -5, 3},       // clamped to 0
      {40000, 1000, 50, 1000},  // beyond the platform's range
  };
  for (const auto& c : cases) {
    TJoystickAxis axis{c.range, c.deadZone};
    EXPECT_EQ(TJoystick::ScaleAxis(c.raw, axis), c.expected)
        << "raw " << c.raw << " dead zone " << c.deadZone;
  }
}

TEST_F(DXInputTest, JoystickDirectionsAndButtons) {
  platform_.input.joystickAttached = true;
  platform_.input.joystick.x = JoystickState::kAxisMin;
  platform_.input.joystick.y = JoystickState::kAxisMax;
  EXPECT_EQ(Refresh(), Set({S::InputLeft, S::InputDown}));
  EXPECT_EQ(input_.Joystick.X(), -1000);

  platform_.input.joystick.x = 12000;  // inside the dead zone
  platform_.input.joystick.y = -30000;
  platform_.input.joystick.z = JoystickState::kAxisMax;  // feeds no state
  platform_.input.joystick.buttons[0] = true;
  platform_.input.joystick.buttons[31] = true;
  EXPECT_EQ(Refresh(), Set({S::InputUp, S::InputButton1, S::InputButton32}));
  EXPECT_EQ(input_.Joystick.Z(), 1000);
}

TEST_F(DXInputTest, KeyAndButtonShareAState) {
  platform_.input.joystickAttached = true;
  platform_.input.PressKey('Z');
  platform_.input.joystick.buttons[0] = true;
  EXPECT_EQ(Refresh(), Set({S::InputButton1}));
  platform_.input.ReleaseKey('Z');
  EXPECT_EQ(Refresh(), Set({S::InputButton1}));
  platform_.input.PressKey('Z');
  platform_.input.joystick.buttons[0] = false;
  EXPECT_EQ(Refresh(), Set({S::InputButton1}));
  platform_.input.ReleaseKey('Z');
  EXPECT_TRUE(Refresh().Empty());
}

TEST_F(DXInputTest, UnpluggedJoystickReleasesEverything) {
  platform_.input.joystickAttached = true;
  platform_.input.joystick.x = JoystickState::kAxisMax;
  platform_.input.joystick.buttons[4] = true;
  EXPECT_EQ(Refresh(), Set({S::InputRight, S::InputButton5}));
  platform_.input.joystickAttached = false;
  EXPECT_TRUE(Refresh().Empty());
  EXPECT_EQ(input_.Joystick.X(), 0);
  platform_.input.joystickAttached = true;
  EXPECT_EQ(Refresh(), Set({S::InputRight, S::InputButton5}));
}

TEST_F(DXInputTest, BackgroundWindowReadsNothing) {
  platform_.input.joystickAttached = true;
  platform_.input.joystick.buttons[1] = true;
  platform_.input.PressKey(37);
  EXPECT_EQ(Refresh(), Set({S::InputLeft, S::InputButton2}));

  platform_.video.SetActive(false);
  EXPECT_TRUE(Refresh().Empty());
  // A tap made before the focus came back does not fire afterwards.
  platform_.input.PressKey('P');
  platform_.input.ReleaseKey('P');
  EXPECT_TRUE(Refresh().Empty());
  platform_.video.SetActive(true);
  EXPECT_EQ(Refresh(), Set({S::InputLeft, S::InputButton2}));

  input_.ActiveOnly = false;
  platform_.video.SetActive(false);
  EXPECT_EQ(Refresh(), Set({S::InputLeft, S::InputButton2}));
}

TEST_F(DXInputTest, DisabledOrUnboundDevicesDoNotFeedTheStates) {
  platform_.input.joystickAttached = true;
  platform_.input.joystick.buttons[2] = true;
  platform_.input.PressKey(40);
  input_.Keyboard.BindInputStates = false;
  EXPECT_EQ(Refresh(), Set({S::InputButton3}));
  EXPECT_EQ(input_.Keyboard.States(), Set({S::InputDown}));
  input_.Joystick.Enabled = false;
  EXPECT_TRUE(Refresh().Empty());
  EXPECT_TRUE(input_.Joystick.States().Empty());
}

}  // namespace
}  // namespace brakkon::io
