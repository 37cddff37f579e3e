// The settings file: good and bad files and what is in force after them, the
// file written once when missing, and its values reaching the race, the mixer
// and the focus handling.
#include "shell/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/headless/headless_platform.h"
#include "race/race_fixture.h"
#include "shell/application.h"

namespace brakkon::shell {
namespace {

namespace fs = std::filesystem;
namespace vk = platform::vk;
using platform::ScaleMode;

const platform::HeadlessPlatform& Names() {
  static const platform::HeadlessPlatform platform;
  return platform;
}

Settings Parse(const std::string& text, std::vector<std::string>& problems) {
  return ParseSettings(text, "/cfg/settings.ini", Names().input, problems);
}

struct FileCase {
  const char* name;
  const char* text;
  std::vector<std::string> problems;  // exactly these lines
  std::function<void(const Settings&)> check;
};

const Settings& Defaults() {
  static const Settings settings = DefaultSettings(Names().input);
  return settings;
}

void ExpectDefaultKeys(const Settings& s) {
  for (int i = 0; i < kKeyActionCount; ++i) EXPECT_EQ(s.keys[i].codes, Defaults().keys[i].codes);
}

const FileCase kFileCases[] = {
    {"EmptyFileIsAllDefaults",
     "",
     {},
     [](const Settings& s) {
       ExpectDefaultKeys(s);
       EXPECT_EQ(s.presentation, platform::PresentationSettings{});
       EXPECT_FALSE(s.pauseOnFocusLoss);
       EXPECT_EQ(s.musicVolume, 100);
       EXPECT_EQ(s.soundVolume, 100);
     }},
    {"EveryKeySet",
     "# a comment\n"
     "up = W, Up\n"
     "down = s\n"
     "left = A, Left, Keypad 4\n"
     "right = D\n"
     "fire = F\n"
     "pause = K\n"
     "finish = Q\n"
     "yes = Return\n"
     "no = Backspace\n"
     "pad-fire = x, a\n"
     "pad-pause = back\n"
     "pad-finish = start\n"
     "pad-yes = a\n"
     "pad-no = b\n"
     "scale = integer\n"
     "window-scale = auto\n"
     "vsync = off\n"
     "pause-on-focus-loss = on\n"
     "music-volume = 40\n"
     "sound-volume = 0\n",
     {},
     [](const Settings& s) {
       EXPECT_EQ(s.keys[0].codes, (std::vector<int>{'W', vk::kUp}));
       EXPECT_EQ(s.keys[1].codes, std::vector<int>{'S'});
       EXPECT_EQ(s.keys[2].codes, (std::vector<int>{'A', vk::kLeft, vk::kNumpad0 + 4}));
       EXPECT_EQ(s.keys[4].codes, std::vector<int>{'F'});
       EXPECT_EQ(s.keys[8].codes, std::vector<int>{vk::kBack});
       EXPECT_EQ(s.pad[0].codes, (std::vector<int>{2, 0}));
       EXPECT_EQ(s.pad[0].names, (std::vector<std::string>{"x", "a"}));
       EXPECT_EQ(s.presentation.scale, ScaleMode::kInteger);
       EXPECT_EQ(s.presentation.windowScale, 0);
       EXPECT_FALSE(s.presentation.vsync);
       EXPECT_TRUE(s.pauseOnFocusLoss);
       EXPECT_EQ(s.musicVolume, 40);
       EXPECT_EQ(s.soundVolume, 0);
     }},
    {"BlanksAndIndentsAndCaseOfNames",
     "\n   up=   w ,  UP  \r\n\tscale = smooth\r\n",
     {},
     [](const Settings& s) {
       EXPECT_EQ(s.keys[0].codes, (std::vector<int>{'W', vk::kUp}));
       EXPECT_EQ(s.presentation.scale, ScaleMode::kSmooth);
     }},
    {"AnEmptyListMeansNoKey",
     "pause =\n",
     {},
     [](const Settings& s) { EXPECT_TRUE(s.keys[5].codes.empty()); }},
    {"UnknownKey",
     "colour = red\nscale = integer\n",
     {"/cfg/settings.ini:1: colour: unknown key"},
     [](const Settings& s) { EXPECT_EQ(s.presentation.scale, ScaleMode::kInteger); }},
    {"BadValuesKeepTheirDefaults",
     "scale = nearest\nwindow-scale = 4\nvsync = maybe\nmusic-volume = 101\nsound-volume = 50%\n",
     {"/cfg/settings.ini:1: scale: 'nearest' is not sharp, integer or smooth; the default (sharp) "
      "stays",
      "/cfg/settings.ini:2: window-scale: '4' is not 1, 2, 3 or auto; the default (1) stays",
      "/cfg/settings.ini:3: vsync: 'maybe' is not on or off; the default (on) stays",
      "/cfg/settings.ini:4: music-volume: '101' is not a whole number from 0 to 100; the default "
      "(100) stays",
      "/cfg/settings.ini:5: sound-volume: '50%' is not a whole number from 0 to 100; the default "
      "(100) stays"},
     [](const Settings& s) {
       EXPECT_EQ(s.presentation, platform::PresentationSettings{});
       EXPECT_EQ(s.musicVolume, 100);
       EXPECT_EQ(s.soundVolume, 100);
     }},
    {"DuplicateKeyKeepsTheFirst",
     "scale = integer\nfire = F\nscale = smooth\n",
     {"/cfg/settings.ini:3: scale: set again; the value of line 1 stays"},
     [](const Settings& s) { EXPECT_EQ(s.presentation.scale, ScaleMode::kInteger); }},
    {"KeyNameSdlDoesNotKnow",
     "up = W, Turbo\n",
     {"/cfg/settings.ini:1: up: 'Turbo' is not a key name SDL knows; the default (Up, Keypad 8) "
      "stays"},
     ExpectDefaultKeys},
    {"PadButtonSdlDoesNotKnow",
     "pad-fire = trigger\n",
     {"/cfg/settings.ini:1: pad-fire: 'trigger' is not a pad button name SDL knows; the default "
      "(a) stays"},
     [](const Settings& s) { EXPECT_EQ(s.pad[0].codes, Defaults().pad[0].codes); }},
    {"TooManyKeys",
     "left = A, B, C, D\nfire = A, B, C, Left Ctrl, Right Ctrl\n",
     {"/cfg/settings.ini:1: left: more than 3 keys; the default (Left) stays"},
     [](const Settings& s) {
       EXPECT_EQ(s.keys[2].codes, std::vector<int>{vk::kLeft});
       EXPECT_EQ(s.keys[4].codes.size(), 5u);  // the Ctrl keys take no slot of the table
     }},
    {"EmptyNameInTheList",
     "up = W,,Up\n",
     {"/cfg/settings.ini:1: up: an empty name in the list (names are separated by commas); the "
      "default (Up, Keypad 8) stays"},
     ExpectDefaultKeys},
    {"SectionsAreNotPartOfTheFile",
     "[keys]\nup = W\n",
     {"/cfg/settings.ini:2: up: unknown key (the file has no sections, not [keys])"},
     ExpectDefaultKeys},
    {"ALineWithoutEquals",
     "scale = integer\njust words\nvsync = off\n",
     {"/cfg/settings.ini:2: not a 'key = value' line; it is skipped"},
     [](const Settings& s) {
       EXPECT_EQ(s.presentation.scale, ScaleMode::kInteger);
       EXPECT_FALSE(s.presentation.vsync);
     }},
};

void PrintTo(const FileCase& c, std::ostream* out) {
  *out << c.name;
}

class SettingsFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(SettingsFileTest, ProblemsAndValuesInForce) {
  std::vector<std::string> problems;
  const Settings settings = Parse(GetParam().text, problems);
  EXPECT_EQ(problems, GetParam().problems);
  GetParam().check(settings);
}

INSTANTIATE_TEST_SUITE_P(Files, SettingsFileTest, ::testing::ValuesIn(kFileCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Settings, TheWrittenDefaultsReadBackAsTheDefaultsWithEveryKey) {
  std::vector<std::string> problems;
  const Settings read = Parse(DefaultSettingsText(), problems);
  EXPECT_TRUE(problems.empty());
  for (int i = 0; i < kKeyActionCount; ++i) EXPECT_EQ(read.keys[i].names, Defaults().keys[i].names);
  for (const char* key : {"up =",           "down =",        "left =",
                          "right =",        "fire =",        "pause =",
                          "finish =",       "yes =",         "no =",
                          "pad-fire =",     "pad-pause =",   "pad-finish =",
                          "pad-yes =",      "pad-no =",      "scale =",
                          "window-scale =", "vsync =",       "pause-on-focus-loss =",
                          "music-volume =", "sound-volume ="}) {
    EXPECT_NE(DefaultSettingsText().find(std::string("\n") + key), std::string::npos) << key;
  }
}

TEST(Settings, DefaultsGiveTheFormsKeyTableAndThePlatformsPadLayout) {
  const io::TKeyboard keyboard;
  EXPECT_EQ(KeyAssignsFor(Defaults(), keyboard.KeyAssigns()), keyboard.KeyAssigns());
  EXPECT_TRUE(CtrlFires(Defaults()));
  EXPECT_TRUE(PadSlotsFor(Defaults(), Names().input).empty());
}

TEST(Settings, RemappedKeysAndPadButtonsLandInTheirStates) {
  std::vector<std::string> problems;
  const Settings s = Parse("fire = F\npad-fire = x\npad-no = b, y\n", problems);
  const io::TKeyboard keyboard;
  const io::TKeyAssigns assigns = KeyAssignsFor(s, keyboard.KeyAssigns());
  EXPECT_EQ(assigns[static_cast<int>(io::TInputState::InputButton8)],
            (std::array<std::int32_t, 3>{'F', 0, 0}));
  EXPECT_EQ(assigns[static_cast<int>(io::TInputState::InputButton1)],
            keyboard.KeyAssigns()[static_cast<int>(io::TInputState::InputButton1)]);
  EXPECT_FALSE(CtrlFires(s));
  const auto slots = PadSlotsFor(s, Names().input);
  const auto has = [&slots](int button, int index) {
    return std::find(slots.begin(), slots.end(), std::pair(button, index)) != slots.end();
  };
  EXPECT_TRUE(has(2, 7));   // x fires
  EXPECT_FALSE(has(0, 7));  // a no longer does
  EXPECT_TRUE(has(1, 6));
  EXPECT_TRUE(has(3, 6));  // y says no
  EXPECT_TRUE(has(3, 5));  // and still yes
  EXPECT_TRUE(has(6, 3));  // start pauses as before
}

TEST(Settings, Attenuation) {
  EXPECT_EQ(AttenuationForPercent(100), 0);
  EXPECT_EQ(AttenuationForPercent(0), -10000);
  EXPECT_EQ(AttenuationForPercent(50), -1204);  // a quarter of the gain
  EXPECT_EQ(AttenuationForPercent(10), -4000);
}

class SettingsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() / ("brakkon-settings-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
    platform.environment["XDG_CONFIG_HOME"] = dir_.string();
    platform.environment["HOME"] = "/nonexistent-home";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  fs::path File() const { return dir_ / "brakkon" / "settings.ini"; }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  platform::HeadlessPlatform platform;
  fs::path dir_;
};

TEST_F(SettingsFolderTest, PathFollowsXdgConfigHomeThenHome) {
  EXPECT_EQ(SettingsPath(platform), File().string());
  platform.environment["XDG_CONFIG_HOME"] = "relative/config";
  EXPECT_EQ(SettingsPath(platform), "/nonexistent-home/.config/brakkon/settings.ini");
  platform.environment.erase("HOME");
  EXPECT_EQ(SettingsPath(platform), "");
}

TEST_F(SettingsFolderTest, AMissingFileIsWrittenOnceAndNeverOverwritten) {
  const LoadedSettings first = LoadSettings(platform);
  EXPECT_TRUE(first.written);
  EXPECT_TRUE(first.problems.empty());
  EXPECT_EQ(Read(File()), DefaultSettingsText());
  std::ofstream(File(), std::ios::trunc) << "scale = smooth\n";
  const LoadedSettings second = LoadSettings(platform);
  EXPECT_FALSE(second.written);
  EXPECT_EQ(second.values.presentation.scale, ScaleMode::kSmooth);
  EXPECT_EQ(Read(File()), "scale = smooth\n");
  std::ofstream(File(), std::ios::trunc) << "";  // emptied by the player: stays empty
  EXPECT_FALSE(LoadSettings(platform).written);
  EXPECT_EQ(Read(File()), "");
}

TEST_F(SettingsFolderTest, AFolderInItsPlaceIsReportedAndLeftAlone) {
  fs::create_directories(File());
  const LoadedSettings loaded = LoadSettings(platform);
  ASSERT_EQ(loaded.problems.size(), 1u);
  EXPECT_EQ(loaded.problems[0],
            File().string() + ": cannot be read (is it a file?); every setting keeps its default");
  EXPECT_FALSE(loaded.written);
  EXPECT_TRUE(fs::is_directory(File()));
  EXPECT_EQ(loaded.values.presentation, platform::PresentationSettings{});
}

TEST_F(SettingsFolderTest, ShowSettingsPrintsThePathAndTheValuesInForce) {
  fs::create_directories(File().parent_path());
  std::ofstream(File()) << "up = W\nscale = wide\nwindow-scale = auto\n";
  std::string printed;
  EXPECT_EQ(ShowSettings(platform, [&printed](const std::string& text) { printed += text; }), 0);
  EXPECT_EQ(printed.substr(0, printed.find('\n')), "settings file: " + File().string());
  EXPECT_NE(printed.find("\nup = W\n"), std::string::npos);
  EXPECT_NE(printed.find("\nscale = sharp\n"), std::string::npos);
  EXPECT_NE(printed.find("\nwindow-scale = auto\n"), std::string::npos);
  EXPECT_NE(printed.find("\nfire = Space, Left Ctrl, Right Ctrl\n"), std::string::npos);
  ASSERT_EQ(platform.warnings.size(), 1u);
  EXPECT_NE(platform.warnings[0].find(":2: scale: 'wide'"), std::string::npos);
}

}  // namespace
}  // namespace brakkon::shell

namespace brakkon::test {
namespace {

namespace vk = platform::vk;

// A whole game whose settings file the test writes before start-up.
class SettingsGameTest : public RaceFixture {
 protected:
  void WriteSettings(const std::string& text) {
    const fs::path folder = fs::current_path() / "config";
    fs::create_directories(folder / "brakkon");
    std::ofstream(folder / "brakkon" / "settings.ini") << text;
    platform.environment["XDG_CONFIG_HOME"] = folder.string();
  }
};

TEST_F(SettingsGameTest, RemappedKeysDriveTheRace) {
  WriteSettings("up = W\npause = K\nfire = F\n");
  StartEmptyRoad();
  EXPECT_TRUE(platform.warnings.empty());
  HoldKey(vk::kUp);  // no longer accelerates
  Ticks(20);
  EXPECT_EQ(race().ScrollSpeed, 0);
  ReleaseKey(vk::kUp);
  HoldKey('W');
  Ticks(20);
  EXPECT_GT(race().ScrollSpeed, 0);
  ReleaseKey('W');
  TapKey('P');
  Ticks(2);
  EXPECT_FALSE(race().Paused);
  TapKey('K');
  Ticks(2);
  EXPECT_TRUE(race().Paused);
  // Ctrl is not among the fire keys: it no longer counts as the race's second trigger.
  platform.input.PushKeyDown(vk::kControl);
  DeliverEvents();
  EXPECT_FALSE(shell().KeyCtrl);
}

TEST_F(SettingsGameTest, UnchangedKeysKeepCtrlAsTheSecondTrigger) {
  StartEmptyRoad();
  platform.input.PushKeyDown(vk::kControl);
  DeliverEvents();
  EXPECT_TRUE(shell().KeyCtrl);
}

TEST_F(SettingsGameTest, VolumesReachTheMixer) {
  WriteSettings("music-volume = 40\nsound-volume = 50\n");
  StartRace();
  EXPECT_EQ(platform.music.volume, 40);
  // Loading the sounds sets full volume before the settings are read; every
  // call from the first play on takes the setting.
  const auto& calls = platform.audio.calls;
  const auto firstPlay = std::find_if(calls.begin(), calls.end(), [](const platform::AudioCall& c) {
    return c.kind == platform::AudioCall::Kind::kPlay;
  });
  int volumeCalls = 0;
  for (auto call = firstPlay; call != calls.end(); ++call) {
    if (call->kind != platform::AudioCall::Kind::kVolume) continue;
    ++volumeCalls;
    EXPECT_EQ(call->value, shell::AttenuationForPercent(50));
  }
  EXPECT_GT(volumeCalls, 0);
  // The engine's looped sound plays its main buffer.
  io::TWaveCollectionItem& engine = form().MDXWaveList.Items().Find("Engine");
  ASSERT_NE(engine.MainBuffer(), nullptr);
  EXPECT_EQ(platform.audio.Volume(engine.MainBuffer()->Id()), shell::AttenuationForPercent(50));
}

TEST_F(SettingsGameTest, FullVolumesPlayAsBefore) {
  StartRace();
  EXPECT_EQ(platform.music.volume, 100);
  for (const platform::AudioCall& call : platform.audio.calls) {
    if (call.kind == platform::AudioCall::Kind::kVolume) {
      EXPECT_EQ(call.value, 0);
    }
  }
}

TEST_F(SettingsGameTest, PresentationReachesTheVideoBeforeTheWindowOpens) {
  WriteSettings("scale = integer\nwindow-scale = 2\nvsync = off\n");
  Start();
  EXPECT_EQ(platform.video.presentation,
            (platform::PresentationSettings{platform::ScaleMode::kInteger, 2, false}));
}

class FocusLossTest : public SettingsGameTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FocusLossTest, PausesTheRaceOnlyWhenOn) {
  const bool on = GetParam();
  WriteSettings(std::string("pause-on-focus-loss = ") + (on ? "on" : "off") + "\n");
  StartEmptyRoad();
  HoldKey(vk::kUp);
  Ticks(5);
  platform.video.SetActive(false);
  platform.input.Push(platform::Event{platform::EventType::kDeactivate});
  DeliverEvents();
  platform.video.SetActive(true);
  platform.input.Push(platform::Event{platform::EventType::kActivate});
  Ticks(2);
  EXPECT_EQ(race().Paused, on);
  EXPECT_EQ(race().RaceRunning, !on);
  if (!on) return;
  // As after P: P resumes it.
  ReleaseKey(vk::kUp);
  TapKey('P');
  Ticks(2);
  EXPECT_FALSE(race().Paused);
}

TEST_P(FocusLossTest, OutsideARaceNothingHappens) {
  WriteSettings(std::string("pause-on-focus-loss = ") + (GetParam() ? "on" : "off") + "\n");
  StartAtRest();
  platform.input.Push(platform::Event{platform::EventType::kDeactivate});
  platform.input.Push(platform::Event{platform::EventType::kActivate});
  Ticks(2);
  EXPECT_EQ(shell().GameState, shell::TGameState::MainMenu);
  EXPECT_FALSE(form().MDXInput.InputStates().Has(io::TInputState::InputButton4));
}

INSTANTIATE_TEST_SUITE_P(OnAndOff, FocusLossTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "On" : "Off"; });

}  // namespace
}  // namespace brakkon::test
