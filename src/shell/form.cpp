// The main window's start-up, frame cycle, tick dispatch, error handler and shut-down.
#include "shell/form.h"

#include "records/web_links.h"
#include "screens/car_select_screen.h"
#include "screens/help_screen.h"
#include "screens/high_score_screen.h"
#include "screens/main_menu.h"
#include "screens/name_entry.h"
#include "screens/options_screen.h"
#include "screens/pad_keys.h"
#include "screens/widgets.h"
#include "screens/scroll_background.h"
#include "shell/tick_table.h"

namespace brakkon::shell {

TMForm::TMForm(platform::IPlatform& platform)
    : MDXDraw(platform.Video()),
      MDXTimer(platform.Clock()),
      MDXInput(platform.Input(), platform.Video()),
      MDXSound(platform.Audio()),
      platform_(platform) {
  MDXDraw.SetOptions(engine::doAllowReboot | engine::doWaitVBlank | engine::doCenter |
                     engine::doFlip | engine::doDirectX7Mode | engine::doHardware |
                     engine::doSelectDriver);
  MDXDraw.OnInitialize = [this] { MDXDrawInitialize(); };
  MDXDraw.OnFinalize = [this] { MDXDrawFinalize(); };
  MDXImageList.SetDXDraw(&MDXDraw);
  MDXImageList3.SetDXDraw(&MDXDraw);
  MDXSpriteEngine.SetDXDraw(&MDXDraw);
  MDXWaveList.SetDXSound(&MDXSound);
  // The sound device starts with the form, before FormCreate loads the sounds.
  try {
    MDXSound.Initialize();
  } catch (const io::EDirectSoundError&) {
    // No sound output: the game runs silent, by design without a message.
  }

  MDXTimer.SetEnabled(false);
  MDXTimer.SetActiveOnly(true);
  MDXTimer.SetInterval(kTickIntervalMs);
  MDXTimer.OnTimer = [this](int lagCount) { MDXTimerTimer(lagCount); };
}

TMForm::~TMForm() {
  FormDestroy();
  // Sprites go before the image lists whose pictures they point at.
  MDXSpriteEngine.Engine().Clear();
  platform_.Video().CloseWindow();
}

void TMForm::LoadArchives() {
  struct Archive {
    engine::TPictureCollection& collection;
    const char* path;
    std::unique_ptr<platform::IFileView> file;
  };
  Archive archives[] = {{MDXImageList.Items(), "Data/Res/Res1.dxg", nullptr},
                        {MDXImageList3.Items(), "Data/Res/Res3.dxg", nullptr}};
  std::size_t stored = 0;
  for (Archive& archive : archives) {
    archive.file = platform_.MapFile(archive.path);
    if (archive.file) stored += archive.file->Bytes().size();
  }
  // Our pictures are stored with 24 bits a pixel and kept with 16.
  platform_.PrepareHeap(stored / 3 * 2);
  for (Archive& archive : archives) {
    if (archive.file) {
      archive.collection.LoadArchiveBytes(archive.file->Bytes());
      archive.file.reset();
    } else {
      archive.collection.LoadArchive(archive.path);
    }
  }
}

void TMForm::FormCreate() {
  LoadArchives();
  platform_.StartupPhase("archives");
  if (const auto sounds = platform_.MapFile("Data/Res/Sounds.dxw")) {
    MDXWaveList.Items().LoadFromBytes(sounds->Bytes());
  } else {
    MDXWaveList.Items().LoadFromFile("Data/Res/Sounds.dxw");
  }
  platform_.StartupPhase("sounds");
  Random.Seed(platform_.Clock().RandomSeed());
  records::LoadRecords(platform_.Files(), Records);
  platform_.StartupPhase("saves");
  // The options screen shows the mode the run is in, so the option holds it while the run lasts.
  if (displayOverride_) {
    savedFullScreen_ = Records.Options.FullScreen;
    Records.Options.FullScreen = *displayOverride_;
  }
  const std::string host = platform_.Environment(records::kScoreHostVariable);
  if (!host.empty()) Records.ScoreHost = host;
  ApplySettings();
  ApplyDisplayMode();
  platform_.StartupPhase("display");
  FontAdvances = screens::PrepareFontTables();
  Shell.ScrollBackground =
      new screens::TScrollBackground(&MDXSpriteEngine.Engine(), *this, "MainMenuBackground");
  screens::ShowMainMenu(*this, true, 0);
  startedUp_ = true;
}

void TMForm::ApplySettings() {
  const LoadedSettings loaded = LoadSettings(platform_);
  for (const std::string& problem : loaded.problems) platform_.Warn(problem);
  Settings = loaded.values;
  platform_.Video().SetPresentation(Settings.presentation);
  MDXInput.Keyboard.SetKeyAssigns(KeyAssignsFor(Settings, MDXInput.Keyboard.KeyAssigns()));
  ctrlFires_ = CtrlFires(Settings);
  platform_.Input().SetPadButtons(PadSlotsFor(Settings, platform_.Input()));
  platform_.Music().SetVolume(Settings.musicVolume);
  const std::int32_t attenuation = AttenuationForPercent(Settings.soundVolume);
  for (int i = 0; i < MDXWaveList.Items().Count(); ++i) {
    io::TWaveCollectionItem& item = MDXWaveList.Items().Items(i);
    item.Volume = attenuation;
    // A looped sound plays its main buffer, which took its volume when it was filled.
    if (attenuation != 0 && item.MainBuffer() != nullptr) item.MainBuffer()->SetVolume(attenuation);
  }
}

void TMForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  // After a failed start-up the options and scores were never read: saving
  // them would overwrite the player's files with defaults.
  if (!startedUp_) {
    terminated_ = true;
    return;
  }
  Guarded([this] { ShutDown(true); });
}

void TMForm::ShutDown(bool handOff) {
  if (displayOverride_) {
    Records.Options.FullScreen = savedFullScreen_;
    displayOverride_.reset();
  }
  records::SaveRecords(platform_.Files(), Records);
  if (handOff) records::OpenLinkFile(platform_.Opener(), platform_.Files());
  terminated_ = true;
}

void TMForm::MDXTimerTimer(int lagCount) {
  io::CheckMusic(Music, platform_.Music(), Records.Options.Music,
                 static_cast<std::int32_t>(Shell.GameState));
  if (OnTickStarting) OnTickStarting(lagCount);
  MDXInput.UpdateStates();
  screens::PadKeysTick(*this);
  // A pad key that chose Exit ends the game before another frame, as a typed key does.
  if (TickHandler tick = terminated_ ? nullptr : TickFor(Shell.GameState)) tick(*this, lagCount);
  if (OnTickDone) OnTickDone();
}

void TMForm::PlaySound(std::string_view name, bool wait) {
  io::PlaySound(MDXWaveList, Records.Options.Sound, name, wait);
  if (OnSoundPlayed && Records.Options.Sound) OnSoundPlayed(name);
}

void TMForm::StopSound(std::string_view name) {
  io::StopSound(MDXWaveList, Records.Options.Sound, name);
}

void TMForm::StartMusic() {
  io::StartMusic(Music, platform_.Music(), Records.Options.Music,
                 static_cast<std::int32_t>(Shell.GameState));
}

void TMForm::StopMusic() {
  io::StopMusic(Music, platform_.Music());
}

void TMForm::BeginFrame(int moveAmount, bool doMove) {
  MDXDraw.Surface().Fill(0);
  if (doMove) MDXSpriteEngine.Move(moveAmount);
  MDXSpriteEngine.Draw();
}

void TMForm::EndFrame() {
  MDXDraw.Surface().Canvas().Release();
  MDXDraw.Flip();
  if (!firstFrameShown_) {
    firstFrameShown_ = true;
    platform_.StartupPhase("first frame");
  }
}

void TMForm::ShowError(const std::exception& error) {
  platform_.Dialogs().ShowMessage(platform::MessageKind::kError, "Brakkon", error.what());
}

void TMForm::DispatchEvent(const platform::Event& event) {
  using platform::EventType;
  Guarded([&] {
    switch (event.type) {
      case EventType::kQuit:
        FormDestroy();
        break;
      case EventType::kMouseMove:
        MDXDrawMouseMove(event.x, event.y);
        break;
      case EventType::kClick:
      case EventType::kDoubleClick:
        MDXDrawClick(event.x, event.y);
        break;
      case EventType::kKeyDown: {
        int key = event.key;
        FormKeyDown(key, event.alt, event.ctrl);
        break;
      }
      case EventType::kKeyUp: {
        int key = event.key;
        FormKeyUp(key, event.alt, event.ctrl);
        break;
      }
      case EventType::kChar: {
        char ch = event.ch;
        FormKeyPress(ch);
        break;
      }
      case EventType::kActivate:
        MDXTimer.ApplicationActivated();
        break;
      case EventType::kDeactivate:
        // As P would: the first tick after the focus is back pauses the race.
        if (Settings.pauseOnFocusLoss && Shell.GameState == TGameState::Race && Race.RaceRunning)
          MDXInput.PressOnce(io::TInputState::InputButton4);
        MDXTimer.ApplicationDeactivated();
        break;
    }
  });
}

void TMForm::MDXDrawInitialize() { MDXTimer.SetEnabled(true); }

void TMForm::MDXDrawFinalize() { MDXTimer.SetEnabled(false); }

void TMForm::MDXDrawClick(int /*x*/, int /*y*/) {
  // No hit test: a click anywhere acts on the highlighted button.
  if (Shell.ActiveButton != 0) screens::PlayPressSound(*this);
  const std::uint32_t seed = Random.SeedValue();
  const TGameState before = Shell.GameState;
  ClickByState();
  const bool opened =
      Shell.GameState == TGameState::Race || Shell.GameState == TGameState::RaceSetup;
  if (OnRaceOpened && opened && before != TGameState::Race && before != TGameState::RaceSetup) {
    OnRaceOpened(seed);
  }
}

void TMForm::ClickByState() {
  switch (Shell.GameState) {
    case TGameState::MainMenu:
      screens::MainMenuClick(*this);
      break;
    case TGameState::Options:
      screens::OptionsClick(*this);
      break;
    case TGameState::HighScores:
      screens::HighScoresClick(*this);
      break;
    case TGameState::Help:
      screens::HelpClick(*this);
      break;
    case TGameState::CarSelect:
      screens::CarSelectClick(*this);
      break;
    case TGameState::SendPrompt:
      screens::SendPromptClick(*this);
      break;
    default:
      break;
  }
}

void TMForm::MDXDrawMouseMove(int x, int y) {
  Shell.MouseX = x;
  Shell.MouseY = y;
  screens::HoverTest(*this);
}

void TMForm::FormKeyPress(char& key) {
  constexpr char kEsc = 27;
  // One key acts once: the state it arrived in decides, so Enter that closes
  // the options screen does not go on to click the main menu and reopen it.
  const TGameState state = Shell.GameState;
  if (state == TGameState::Options) screens::OptionsKeyPress(*this, key);
  if (state != TGameState::Race && state != TGameState::Options && state != TGameState::RaceSetup) {
    if (key == kEsc) {
      if (state == TGameState::HighScores) Shell.ActiveButton = 3;
      if (state == TGameState::Help) Shell.ActiveButton = 4;
      if (state == TGameState::CarSelect) Shell.ActiveButton = 1;
    }
    if (!(state == TGameState::MainMenu && key == kEsc)) MDXDrawClick(Shell.MouseX, Shell.MouseY);
  }
  if (state == TGameState::NameEntry) screens::NameEntryKeyPress(*this, key);
}

void TMForm::FormKeyDown(int& key, bool alt, bool /*ctrl*/) {
  if (key == platform::vk::kControl && ctrlFires_) Shell.KeyCtrl = true;
  if (key == platform::vk::kReturn && alt) {
    Records.Options.FullScreen = !Records.Options.FullScreen;
    ApplyDisplayMode();
  }
}

void TMForm::FormKeyUp(int& key, bool /*alt*/, bool /*ctrl*/) {
  if (key == platform::vk::kControl) Shell.KeyCtrl = false;
}

void TMForm::ApplyDisplayMode() {
  // After start-up only the player switches the mode, and that choice is saved as usual.
  if (startedUp_) displayOverride_.reset();
  if (Records.Options.FullScreen) {
    SetFullScreenMode();
  } else {
    SetWindowMode();
  }
}

void TMForm::SetWindowMode() {
  MDXDraw.Finalize();
  if (haveSavedPlacement_) {
    platform_.Video().SetPlacement(savedPlacement_);
    haveSavedPlacement_ = false;
  } else {
    platform_.Video().CenterWindow();
  }
  MDXDraw.SetOptions(MDXDraw.Options() & ~engine::doFullScreen);
  MDXDraw.Initialize();
}

void TMForm::SetFullScreenMode() {
  MDXDraw.Finalize();
  haveSavedPlacement_ = platform_.Video().GetPlacement(savedPlacement_);
  MDXDraw.SetOptions(MDXDraw.Options() | engine::doFullScreen);
  MDXDraw.Initialize();
}

}  // namespace brakkon::shell
