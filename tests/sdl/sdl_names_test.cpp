// Key names as the settings file gives them: SDL's names give the codes the key
// events give, and the headless platform's table, which scenario tests use,
// agrees with SDL on every name it knows.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/headless/headless_platform.h"
#include "platform/sdl/sdl_keys.h"

namespace brakkon::platform {
namespace {

// Key names go through SDL's keymap, which the video system sets up.
class SdlKeyNames : public ::testing::Test {
 protected:
  void SetUp() override {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
  }
  void TearDown() override { SDL_Quit(); }
};

TEST_F(SdlKeyNames, SdlAndTheHeadlessTableAgree) {
  HeadlessPlatform headless;
  std::vector<std::string> names = {
      "Up",        "Down",      "Left",      "Right",      "Space",      "Escape",      "Return",
      "Tab",       "Backspace", "Left Ctrl", "Right Ctrl", "Left Shift", "Right Shift", "Left Alt",
      "Right Alt", "Home",      "End",       "PageUp",     "PageDown",   "Insert",      "Delete",
      "up",        "SPACE",     "left ctrl", "F1",         "F12",        "w",           "W"};
  for (char c = 'A'; c <= 'Z'; ++c) names.emplace_back(1, c);
  for (char c = '0'; c <= '9'; ++c) {
    names.emplace_back(1, c);
    names.push_back(std::string("Keypad ") + c);
  }
  for (const std::string& name : names) {
    const int code = VirtualKeyFromName(name.c_str());
    EXPECT_NE(code, 0) << name;
    EXPECT_EQ(headless.input.KeyFromName(name), code) << name;
  }
  for (const char* unknown : {"Turbo", "", "Ctrl", "Keypad"})
    EXPECT_EQ(VirtualKeyFromName(unknown), 0) << unknown;
}

TEST_F(SdlKeyNames, NamesGiveTheCodesOfTheirKeyEvents) {
  const struct {
    const char* name;
    SDL_Scancode scancode;
    SDL_Keycode key;
  } kCases[] = {
      {"W", SDL_SCANCODE_W, SDLK_w},
      {"Up", SDL_SCANCODE_UP, SDLK_UP},
      {"Keypad 8", SDL_SCANCODE_KP_8, SDLK_KP_8},
      {"Right Ctrl", SDL_SCANCODE_RCTRL, SDLK_RCTRL},
      {"Space", SDL_SCANCODE_SPACE, SDLK_SPACE},
  };
  for (const auto& c : kCases) {
    SDL_Keysym keysym{};
    keysym.scancode = c.scancode;
    keysym.sym = c.key;
    keysym.mod = KMOD_NUM;
    EXPECT_EQ(VirtualKeyFromName(c.name), VirtualKeyFromSdl(keysym)) << c.name;
  }
  EXPECT_EQ(VirtualKeyFromName("Keypad 8"), vk::kNumpad0 + 8);
}

TEST(SdlPadNames, SdlAndTheHeadlessTableAgree) {
  HeadlessPlatform headless;
  for (int button = 0; button < SDL_CONTROLLER_BUTTON_MAX; ++button) {
    const char* name =
        SDL_GameControllerGetStringForButton(static_cast<SDL_GameControllerButton>(button));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(headless.input.PadButtonFromName(name), button) << name;
  }
  EXPECT_EQ(headless.input.PadButtonFromName("Start"), SDL_CONTROLLER_BUTTON_START);
  EXPECT_EQ(headless.input.PadButtonFromName("trigger"), -1);
}

}  // namespace
}  // namespace brakkon::platform
