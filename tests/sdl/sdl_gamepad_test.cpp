// Pads and joysticks on SDL, played by SDL's virtual joysticks: the layout a known
// pad gets, plugging in and out while running, and the mapping files.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_joystick.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/sdl/sdl_video.h"

namespace brakkon::platform {
namespace {

namespace fs = std::filesystem;

constexpr int kA = 7;  // where the game reads fire, pause, ... (InputButton8 is index 7)
constexpr int kB = 6;
constexpr int kY = 5;
constexpr int kBack = 4;
constexpr int kStart = 3;

// A virtual device: a game controller (buttons and axes in SDL's controller order)
// or a plain joystick with 8 buttons, 2 axes and a hat.
int Attach(SDL_JoystickType type, const char* name) {
  SDL_VirtualJoystickDesc desc;
  SDL_zero(desc);
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = static_cast<Uint16>(type);
  const bool controller = type == SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = controller ? SDL_CONTROLLER_AXIS_MAX : 2;
  desc.nbuttons = controller ? SDL_CONTROLLER_BUTTON_MAX : 8;
  desc.nhats = controller ? 0 : 1;
  desc.name = name;
  return SDL_JoystickAttachVirtualEx(&desc);
}

std::string GuidOf(int deviceIndex) {
  char text[64];
  SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(deviceIndex), text, sizeof text);
  return text;
}

// The GUID a mapping line gives for a plain virtual joystick called `name` (SDL
// started for it alone). Without the name's checksum, as the database's lines are:
// SDL 2.26 finds no mapping with it for a virtual device.
std::string PlainJoystickGuid(const char* name) {
  SDL_InitSubSystem(SDL_INIT_JOYSTICK);
  const int index = Attach(SDL_JOYSTICK_TYPE_UNKNOWN, name);
  std::string guid = GuidOf(index);
  SDL_JoystickDetachVirtual(index);
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  return guid.replace(4, 4, "0000");
}

void WriteMapping(const fs::path& file, const std::string& guid, const char* name,
                  const char* buttons) {
  if (file.has_parent_path()) fs::create_directories(file.parent_path());
  std::ofstream(file) << "# test mapping\n"
                      << guid << "," << name << "," << buttons
                      << ",leftx:a0,lefty:a1,platform:Linux,\n";
}

// A fresh folder, the working directory while it lives.
class TempFolder {
 public:
  TempFolder() {
    dir_ = fs::temp_directory_path() / ("brakkon-pad-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
    previous_ = fs::current_path();
    fs::current_path(dir_);
  }
  ~TempFolder() {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  const fs::path& Path() const { return dir_; }

 private:
  fs::path dir_;
  fs::path previous_;
};

class SdlGamepadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    video_ = std::make_unique<SdlVideo>();
    input_ = std::make_unique<SdlInput>(*video_);
  }
  void TearDown() override {
    if (handle_) SDL_JoystickClose(handle_);
    input_.reset();
    video_.reset();
    SDL_Quit();
  }

  // Plugs a device in and keeps a handle of the test's own for setting its state.
  int PlugIn(SDL_JoystickType type, const char* name = "test pad") {
    const int index = Attach(type, name);
    EXPECT_GE(index, 0) << SDL_GetError();
    if (handle_) SDL_JoystickClose(handle_);
    handle_ = SDL_JoystickOpen(index);
    return index;
  }
  void Unplug() {
    SDL_JoystickDetachVirtual(0);
    SDL_JoystickClose(handle_);
    handle_ = nullptr;
  }
  void SetButton(int button, bool down) {
    SDL_JoystickSetVirtualButton(handle_, button, down ? 1 : 0);
  }
  void SetAxis(int axis, int value) {
    SDL_JoystickSetVirtualAxis(handle_, axis, static_cast<Sint16>(value));
  }
  void SetHat(Uint8 value) { SDL_JoystickSetVirtualHat(handle_, 0, value); }

  // Delivers SDL's events to the input, as the message loop does, then reads the stick.
  bool Read(JoystickState& state) {
    Event event;
    while (input_->PollEvent(event)) {
    }
    return input_->ReadJoystick(state);
  }
  // The indices of the buttons down.
  std::vector<int> ButtonsDown() {
    JoystickState state;
    EXPECT_TRUE(Read(state));
    std::vector<int> down;
    for (int i = 0; i < static_cast<int>(state.buttons.size()); ++i) {
      if (state.buttons[i]) down.push_back(i);
    }
    return down;
  }

  std::unique_ptr<SdlVideo> video_;
  std::unique_ptr<SdlInput> input_;
  SDL_Joystick* handle_ = nullptr;
};

TEST_F(SdlGamepadTest, AKnownPadsButtonsLandWhereTheRaceReadsThem) {
  PlugIn(SDL_JOYSTICK_TYPE_GAMECONTROLLER);
  input_->OpenJoystick();
  ASSERT_TRUE(ButtonsDown().empty());
  const struct {
    SDL_GameControllerButton button;
    int index;
  } kCases[] = {
      {SDL_CONTROLLER_BUTTON_A, kA},         {SDL_CONTROLLER_BUTTON_B, kB},
      {SDL_CONTROLLER_BUTTON_Y, kY},         {SDL_CONTROLLER_BUTTON_BACK, kBack},
      {SDL_CONTROLLER_BUTTON_START, kStart},
  };
  for (const auto& c : kCases) {
    SetButton(c.button, true);
    EXPECT_EQ(ButtonsDown(), std::vector<int>{c.index}) << "controller button " << c.button;
    SetButton(c.button, false);
    EXPECT_TRUE(ButtonsDown().empty());
  }
  // The other buttons stay off the ones the game reads, and the d-pad is no button.
  for (int button = 0; button < SDL_CONTROLLER_BUTTON_MAX; ++button) {
    const auto b = static_cast<SDL_GameControllerButton>(button);
    if (b == SDL_CONTROLLER_BUTTON_A || b == SDL_CONTROLLER_BUTTON_B ||
        b == SDL_CONTROLLER_BUTTON_Y || b == SDL_CONTROLLER_BUTTON_BACK ||
        b == SDL_CONTROLLER_BUTTON_START)
      continue;
    SetButton(button, true);
    for (int index : ButtonsDown()) EXPECT_GT(index, kA) << "controller button " << button;
    SetButton(button, false);
  }
}

// The settings file's pad lines: the game hands its layout over as pairs.
TEST_F(SdlGamepadTest, ARemappedLayoutReplacesTheDefaultAndAnEmptyOneRestoresIt) {
  PlugIn(SDL_JOYSTICK_TYPE_GAMECONTROLLER);
  input_->OpenJoystick();
  const int x = input_->PadButtonFromName("X");
  const int a = input_->PadButtonFromName("a");
  ASSERT_EQ(x, SDL_CONTROLLER_BUTTON_X);
  ASSERT_EQ(a, SDL_CONTROLLER_BUTTON_A);
  EXPECT_EQ(input_->PadButtonFromName("trigger"), -1);
  input_->SetPadButtons({{x, kA}, {a, kB}, {a, kY}});
  SetButton(SDL_CONTROLLER_BUTTON_X, true);
  EXPECT_EQ(ButtonsDown(), std::vector<int>{kA});
  SetButton(SDL_CONTROLLER_BUTTON_X, false);
  SetButton(SDL_CONTROLLER_BUTTON_A, true);
  EXPECT_EQ(ButtonsDown(), (std::vector<int>{kY, kB}));
  input_->SetPadButtons({});
  EXPECT_EQ(ButtonsDown(), std::vector<int>{kA});
}

TEST_F(SdlGamepadTest, TheLeftStickAndTheDpadSteer) {
  PlugIn(SDL_JOYSTICK_TYPE_GAMECONTROLLER);
  input_->OpenJoystick();
  const struct {
    const char* what;
    int axis;  // -1: a d-pad button instead
    int button;
    int value;
    int x, y;
  } kCases[] = {
      {"stick left", SDL_CONTROLLER_AXIS_LEFTX, 0, -20000, -20000, 0},
      {"stick down", SDL_CONTROLLER_AXIS_LEFTY, 0, 30000, 0, 30000},
      {"d-pad left", -1, SDL_CONTROLLER_BUTTON_DPAD_LEFT, 0, JoystickState::kAxisMin, 0},
      {"d-pad right", -1, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0, JoystickState::kAxisMax, 0},
      {"d-pad up", -1, SDL_CONTROLLER_BUTTON_DPAD_UP, 0, 0, JoystickState::kAxisMin},
      {"d-pad down", -1, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 0, 0, JoystickState::kAxisMax},
  };
  for (const auto& c : kCases) {
    if (c.axis >= 0) {
      SetAxis(c.axis, c.value);
    } else {
      SetButton(c.button, true);
    }
    JoystickState state;
    ASSERT_TRUE(Read(state));
    EXPECT_EQ(state.x, c.x) << c.what;
    EXPECT_EQ(state.y, c.y) << c.what;
    if (c.axis >= 0) {
      SetAxis(c.axis, 0);
    } else {
      SetButton(c.button, false);
    }
  }
}

TEST_F(SdlGamepadTest, APadPluggedInWhileRunningWorksAndUnpluggingReleasesAll) {
  input_->OpenJoystick();
  JoystickState state;
  EXPECT_FALSE(Read(state));
  for (int round = 0; round < 2; ++round) {
    PlugIn(SDL_JOYSTICK_TYPE_GAMECONTROLLER);
    SetButton(SDL_CONTROLLER_BUTTON_A, true);
    SetAxis(SDL_CONTROLLER_AXIS_LEFTX, JoystickState::kAxisMax);
    ASSERT_TRUE(Read(state)) << "round " << round;
    EXPECT_TRUE(state.buttons[kA]);
    EXPECT_EQ(state.x, JoystickState::kAxisMax);
    Unplug();
    EXPECT_FALSE(Read(state)) << "round " << round;
    EXPECT_EQ(state.x, 0);
    EXPECT_FALSE(state.buttons[kA]);
  }
}

TEST_F(SdlGamepadTest, ADeviceSdlDoesNotKnowStaysAPlainJoystick) {
  PlugIn(SDL_JOYSTICK_TYPE_UNKNOWN);
  input_->OpenJoystick();
  for (int button : {0, 3, 7}) {
    SetButton(button, true);
    EXPECT_EQ(ButtonsDown(), std::vector<int>{button});
    SetButton(button, false);
  }
  SetHat(SDL_HAT_LEFT);
  JoystickState state;
  ASSERT_TRUE(Read(state));
  EXPECT_EQ(state.x, JoystickState::kAxisMin);
  SetHat(SDL_HAT_CENTERED);
  SetAxis(1, 12345);
  ASSERT_TRUE(Read(state));
  EXPECT_EQ(state.y, 12345);
}

TEST(SdlGamepadFiles, TheFilesAreBesideTheGameThenInTheUsersDataFolder) {
  const struct {
    const char* xdg;
    const char* home;
    std::vector<std::string> files;
  } kCases[] = {
      {"/x/data", "/home/p", {"gamecontrollerdb.txt", "/x/data/brakkon/gamecontrollerdb.txt"}},
      {nullptr,
       "/home/p",
       {"gamecontrollerdb.txt", "/home/p/.local/share/brakkon/gamecontrollerdb.txt"}},
      {"",
       "/home/p",
       {"gamecontrollerdb.txt", "/home/p/.local/share/brakkon/gamecontrollerdb.txt"}},
      {"relative",
       "/home/p",
       {"gamecontrollerdb.txt", "/home/p/.local/share/brakkon/gamecontrollerdb.txt"}},
      {nullptr, nullptr, {"gamecontrollerdb.txt"}},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ControllerMappingFiles(c.xdg, c.home), c.files)
        << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
  }
}

TEST(SdlGamepadFiles, AMappingFileMakesAPlainJoystickAPadAndTheUsersFileWins) {
  constexpr const char* kName = "brakkon mapped stick";
  const std::string guid = PlainJoystickGuid(kName);
  TempFolder folder;
  // Beside the game A is raw button 1; the user's own file moves it to raw button 2.
  WriteMapping("gamecontrollerdb.txt", guid, kName, "a:b1,start:b5");
  WriteMapping(folder.Path() / "data" / "brakkon" / "gamecontrollerdb.txt", guid, kName,
               "a:b2,start:b5");
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("XDG_DATA_HOME", (folder.Path() / "data").c_str(), 1);
  {
    SdlPlatform sdl;
    const int index = Attach(SDL_JOYSTICK_TYPE_UNKNOWN, kName);
    ASSERT_TRUE(SDL_IsGameController(index));
    SDL_Joystick* handle = SDL_JoystickOpen(index);
    SDL_JoystickSetVirtualButton(handle, 2, 1);
    SDL_JoystickSetVirtualButton(handle, 5, 1);
    Event event;
    while (sdl.Input().PollEvent(event)) {
    }
    JoystickState state;
    ASSERT_TRUE(sdl.Input().ReadJoystick(state));
    EXPECT_TRUE(state.buttons[kA]);
    EXPECT_TRUE(state.buttons[kStart]);
    EXPECT_FALSE(state.buttons[2]);
    EXPECT_FALSE(state.buttons[5]);
    SDL_JoystickClose(handle);
  }
  unsetenv("XDG_DATA_HOME");
}

TEST(SdlGamepadFiles, TheEnvironmentsMappingBeatsTheFiles) {
  constexpr const char* kName = "brakkon env stick";
  const std::string guid = PlainJoystickGuid(kName);
  TempFolder folder;
  WriteMapping("gamecontrollerdb.txt", guid, kName, "a:b2");
  const std::string fromEnvironment = guid + "," + kName + ",a:b3,platform:Linux,";
  setenv("SDL_GAMECONTROLLERCONFIG", fromEnvironment.c_str(), 1);
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  {
    SdlPlatform sdl;
    const int index = Attach(SDL_JOYSTICK_TYPE_UNKNOWN, kName);
    SDL_Joystick* handle = SDL_JoystickOpen(index);
    SDL_JoystickSetVirtualButton(handle, 3, 1);
    Event event;
    while (sdl.Input().PollEvent(event)) {
    }
    JoystickState state;
    ASSERT_TRUE(sdl.Input().ReadJoystick(state));
    EXPECT_TRUE(state.buttons[kA]);
    SDL_JoystickClose(handle);
  }
  unsetenv("SDL_GAMECONTROLLERCONFIG");
}

}  // namespace
}  // namespace brakkon::platform
