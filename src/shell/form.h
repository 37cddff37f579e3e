// The main window: owns every engine object and the game's state for the
// whole run, dispatches ticks by game state and window events to handlers.
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "engine/dx_timer.h"
#include "engine/dxdraw.h"
#include "engine/picture_collection.h"
#include "engine/sprite_engine.h"
#include "io/dx_input.h"
#include "io/dx_sound.h"
#include "io/music.h"
#include "platform/platform.h"
#include "race/race_state.h"
#include "records/records_state.h"
#include "screens/bitmap_text.h"
#include "shell/game_state.h"
#include "shell/random.h"
#include "shell/settings.h"

namespace brakkon::shell {

class TMForm {
 public:
  // Builds the components with the form's settings; nothing is loaded or shown
  // until FormCreate.
  explicit TMForm(platform::IPlatform& platform);
  ~TMForm();
  TMForm(const TMForm&) = delete;
  TMForm& operator=(const TMForm&) = delete;

  // Start-up: archives, generator, display mode, background, main menu. Raises
  // the first error met; the later steps do not run.
  void FormCreate();
  // The window is going away: saves and hands off once.
  void FormDestroy();

  // One frame timer tick: music, input states, then the current state's tick.
  void MDXTimerTimer(int lagCount);
  // Window events, each run under the default error handler.
  void DispatchEvent(const platform::Event& event);
  // Runs `handler`; an error escaping it is shown in a message box and the game goes on.
  template <typename Handler>
  void Guarded(Handler&& handler) {
    try {
      handler();
    } catch (const std::exception& error) {
      ShowError(error);
    }
  }
  void ShowError(const std::exception& error);

  // The two halves of every frame.
  void BeginFrame(int moveAmount, bool doMove);
  void EndFrame();

  // Saves options and scores; with `handOff` opens the link file; ends the message loop.
  void ShutDown(bool handOff);
  bool Terminated() const { return terminated_; }

  // Display mode switching by Options.FullScreen.
  void ApplyDisplayMode();
  // Before FormCreate: the display mode of this run (true = full screen). The
  // options file keeps its value unless the player switches the mode in the game.
  void SetDisplayOverride(std::optional<bool> fullScreen) { displayOverride_ = fullScreen; }
  void SetWindowMode();
  void SetFullScreenMode();

  // Event handlers.
  void MDXDrawClick(int x, int y);
  void MDXDrawMouseMove(int x, int y);
  void FormKeyPress(char& key);
  void FormKeyDown(int& key, bool alt, bool ctrl);
  void FormKeyUp(int& key, bool alt, bool ctrl);
  void MDXDrawInitialize();
  void MDXDrawFinalize();

  platform::IPlatform& Platform() { return platform_; }

  // Components, by their form names.
  engine::TDXDraw MDXDraw;
  engine::TDXImageList MDXImageList;   // menu and screen pictures
  engine::TDXImageList MDXImageList3;  // race pictures
  engine::TDXTimer MDXTimer;
  engine::TDXSpriteEngine MDXSpriteEngine;
  io::TDXInput MDXInput;
  io::TDXSound MDXSound;          // the sound device
  io::TDXWaveList MDXWaveList;    // the sound effects, played on MDXSound

  // The game's state.
  ShellState Shell;
  records::RecordsState Records;  // Options, HighScores
  race::RaceState Race;
  TRandom Random;
  io::TMusicState Music;  // MusicHandle, MusicOrder
  screens::FontTables FontAdvances;
  shell::Settings Settings;  // the settings file's values, read at start-up

  // Sound effects by name; silent while Options.Sound is off.
  void PlaySound(std::string_view name, bool wait);
  // Told the name of every effect PlaySound starts (the replay tool lists them per tick).
  std::function<void(std::string_view name)> OnSoundPlayed;
  void StopSound(std::string_view name);
  // Race recording hooks: told of every timer tick before its input refresh and
  // after its handler, and of a click that opened a race, with the generator's
  // state from before the click (the race's first random draw comes after it).
  std::function<void(int lagCount)> OnTickStarting;
  std::function<void()> OnTickDone;
  std::function<void(std::uint32_t seed)> OnRaceOpened;
  // Music by game state; silent while Options.Music is off.
  void StartMusic();
  void StopMusic();

  static constexpr int kTickIntervalMs = 30;

 private:
  void ClickByState();
  // Reads the settings file and hands its values to the platform and the components.
  void ApplySettings();
  // Loads both image archives, from mappings of their files where the platform offers them.
  void LoadArchives();

  platform::IPlatform& platform_;
  bool terminated_ = false;
  bool startedUp_ = false;  // FormCreate ran to its end
  bool firstFrameShown_ = false;
  bool shutDownDone_ = false;
  bool destroyed_ = false;
  bool haveSavedPlacement_ = false;
  platform::WindowPlacement savedPlacement_;
  std::optional<bool> displayOverride_;  // set while the run's mode is not the player's choice
  bool savedFullScreen_ = false;         // Options.FullScreen as read, put back when saving
  bool ctrlFires_ = true;                // the fire keys list a Ctrl key
};

}  // namespace brakkon::shell
