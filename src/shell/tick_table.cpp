// Tick dispatch by game state.
#include "shell/tick_table.h"

#include <array>

#include "race/race_tick.h"
#include "screens/car_select_screen.h"
#include "screens/help_screen.h"
#include "screens/high_score_screen.h"
#include "screens/main_menu.h"
#include "screens/name_entry.h"
#include "screens/options_screen.h"
#include "shell/form.h"

namespace brakkon::shell {
namespace {

// Race set-up runs inside one click handler with the timer stopped; should a
// tick ever arrive meanwhile, it only moves and draws the sprites.
void RaceSetupTick(TMForm& form, int lagCount) {
  form.BeginFrame(lagCount, true);
  form.EndFrame();
}

constexpr std::size_t kStateCount = 72;  // states run from 0 to 71

constexpr std::array<TickHandler, kStateCount> MakeTable() {
  std::array<TickHandler, kStateCount> table{};
  table[static_cast<std::size_t>(TGameState::MainMenu)] = &screens::MainMenuTick;
  table[static_cast<std::size_t>(TGameState::Options)] = &screens::OptionsTick;
  table[static_cast<std::size_t>(TGameState::HighScores)] = &screens::HighScoreTick;
  table[static_cast<std::size_t>(TGameState::Help)] = &screens::HelpTick;
  table[static_cast<std::size_t>(TGameState::CarSelect)] = &screens::CarSelectTick;
  table[static_cast<std::size_t>(TGameState::RaceSetup)] = &RaceSetupTick;
  table[static_cast<std::size_t>(TGameState::Race)] = &race::RaceTick;
  table[static_cast<std::size_t>(TGameState::NameEntry)] = &screens::NameEntryTick;
  table[static_cast<std::size_t>(TGameState::SendPrompt)] = &screens::SendPromptTick;
  return table;
}

constexpr std::array<TickHandler, kStateCount> kTicks = MakeTable();

}  // namespace

TickHandler TickFor(TGameState state) {
  const auto index = static_cast<std::int64_t>(state);
  if (index < 0 || index >= static_cast<std::int64_t>(kStateCount)) return nullptr;
  return kTicks[static_cast<std::size_t>(index)];
}

}  // namespace brakkon::shell
