// The replay loop: start-up, the menu at rest, the chosen car, then held keys tick by tick.
#include "replay/replay_runner.h"

#include <fmt/format.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "platform/headless/headless_platform.h"
#include "race/race_tick.h"
#include "screens/car_select_screen.h"
#include "shell/form.h"

namespace brakkon::replay {
namespace {

constexpr int kTickMs = shell::TMForm::kTickIntervalMs;
constexpr int kMenuTickLimit = 1000;  // far more than the slide-in takes
constexpr int kFirstCarSlot = 7;      // the car selection's slots 7..10 are cars 1..4

int VirtualKey(ReplayKey key) {
  namespace vk = platform::vk;
  switch (key) {
    case ReplayKey::kUp:
      return vk::kUp;
    case ReplayKey::kDown:
      return vk::kDown;
    case ReplayKey::kLeft:
      return vk::kLeft;
    case ReplayKey::kRight:
      return vk::kRight;
    case ReplayKey::kFire:
      return vk::kSpace;
    case ReplayKey::kCtrl:
      return vk::kControl;
    case ReplayKey::kPause:
      return 'P';
    case ReplayKey::kEsc:
      return vk::kEscape;
    case ReplayKey::kY:
      return 'Y';
    case ReplayKey::kN:
      return 'N';
  }
  return 0;
}

bool RaceOpen(shell::TGameState state) {
  return state == shell::TGameState::Race || state == shell::TGameState::RaceSetup;
}

class Session {
 public:
  Session() : form_(std::make_unique<shell::TMForm>(platform_)) {
    // Counted around the form's own handler: a step whose Idle raised nothing
    // means the timer is off.
    auto handler = form_->MDXTimer.OnTimer;
    form_->MDXTimer.OnTimer = [this, handler](int lagCount) {
      ++timerTicks_;
      handler(lagCount);
    };
  }

  ~Session() {
    // The game saves its options at exit; the player's sound setting stays theirs.
    if (started_) form_->Records.Options.Sound = savedSound_;
    form_->OnSoundPlayed = nullptr;
    form_->MDXInput.OnRefresh = nullptr;
  }

  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void Start() {
    form_->FormCreate();
    started_ = true;
    savedSound_ = form_->Records.Options.Sound;
    form_->Records.Options.Sound = true;
    for (int i = 0; i < kMenuTickLimit && form_->Shell.MenuPhase != 0; ++i) {
      if (!Step()) break;
    }
    if (form_->Shell.MenuPhase != 0) throw ReplayError("the main menu never came to rest");
    menuSprites_ = form_->MDXSpriteEngine.Engine().ChildCount();
  }

  // Chooses the car as the car selection does when it is clicked.
  void OpenRace(const ReplayScript& script, std::int32_t startLevel) {
    form_->Random.Seed(script.seed);
    screens::OpenCarSelect(*form_);
    form_->Shell.ActiveButton = kFirstCarSlot - 1 + script.car;
    form_->MDXDrawClick(0, 0);
    if (startLevel > 1) {
      // The level needs the car and the marker the race's set-up made.
      if (form_->Shell.GameState == shell::TGameState::Race && form_->Race.CarSprite != nullptr) {
        race::StartLevel(*form_, startLevel);
      } else {
        problems_.push_back(fmt::format("opening the race: no race to start on level {}",
                                        startLevel));
      }
    }
    form_->OnSoundPlayed = [this](std::string_view name) { sounds_.emplace_back(name); };
    CollectMessages(-1);
    sounds_.clear();
  }

  ReplayOutcome Play(const ReplayScript& script, const ReplayOptions& options) {
    ReplayOutcome outcome;
    KeySet held;
    // A recording is the input's source of truth: the key table cannot hold a
    // joystick's states or a tap between a tick's two refreshes.
    if (script.Recorded()) {
      form_->MDXInput.OnRefresh = [this, &script](io::TInputStates) {
        return io::TInputStates::FromBits(script.StatesAt(tick_, refresh_++));
      };
    }
    const std::int64_t scriptEnd = script.end.value_or(options.tickLimit);
    for (std::int64_t tick = 0;; ++tick) {
      if (!RaceOpen(form_->Shell.GameState)) {
        if (tick == 0) {
          problems_.push_back(fmt::format("the race did not open: the game is in state {}",
                                          static_cast<int>(form_->Shell.GameState)));
        }
        outcome.end = ReplayEnd::kRaceOver;
        break;
      }
      if (tick >= options.tickLimit) {
        outcome.end = ReplayEnd::kTickLimit;
        break;
      }
      if (tick >= scriptEnd) {
        outcome.end = ReplayEnd::kScriptEnd;
        break;
      }
      if (script.Recorded()) {
        HoldControl(script.ControlAt(tick));
      } else {
        const KeySet wanted = script.KeysAt(tick);
        Hold(held, wanted);
        held = wanted;
      }
      tick_ = tick;
      refresh_ = 0;
      if (!Step(script.LagAt(tick))) {
        outcome.end = form_->Terminated() ? ReplayEnd::kGameClosed : ReplayEnd::kTimerStopped;
        if (outcome.end == ReplayEnd::kTimerStopped) {
          problems_.push_back(fmt::format("tick {}: the frame timer raised no tick", tick));
        }
        break;
      }
      ++outcome.ticks;
      CollectMessages(tick);
      TickRecord record = CaptureTick(*form_, tick, problems_);
      if (outcome.ticks == 1) outcome.firstLevel = record.level;
      outcome.lastLevel = record.level;
      if (RaceOpen(form_->Shell.GameState)) {
        outcome.maxSprites =
            std::max(outcome.maxSprites, form_->MDXSpriteEngine.Engine().ChildCount());
      }
      record.sounds = std::move(sounds_);
      sounds_.clear();
      if (options.onTick) options.onTick(record);
      if (options.onFrame) options.onFrame(tick, platform_.video);
      if (form_->Terminated()) {
        outcome.end = ReplayEnd::kGameClosed;
        break;
      }
    }
    CheckTornDown(outcome);
    outcome.problems = std::move(problems_);
    return outcome;
  }

 private:
  // One timer step of exactly `lag` intervals, so the tick's lag count is
  // `lag`; false when no tick ran.
  bool Step(int lag = 1) {
    const int before = timerTicks_;
    platform_.clock.Advance(static_cast<std::uint32_t>(lag) * kTickMs);
    form_->Guarded([this] { form_->MDXTimer.Idle(); });
    return timerTicks_ != before;
  }

  // Key changes between two ticks. Ctrl reaches the race only as key events,
  // which set Shell.KeyCtrl; it goes into the key table too, as on a keyboard.
  void Hold(KeySet from, KeySet to) {
    for (const KeyName& entry : kKeyNames) {
      const bool was = from.Has(entry.key);
      const bool now = to.Has(entry.key);
      if (was == now) continue;
      const int key = VirtualKey(entry.key);
      if (now) {
        platform_.input.PressKey(key);
      } else {
        platform_.input.ReleaseKey(key);
      }
      if (entry.key == ReplayKey::kCtrl) {
        platform::Event event;
        event.type = now ? platform::EventType::kKeyDown : platform::EventType::kKeyUp;
        event.key = key;
        event.ctrl = now;
        form_->DispatchEvent(event);
      }
    }
  }

  // Ctrl as a recording has it: the key events that set Shell.KeyCtrl.
  void HoldControl(bool held) {
    if (form_->Shell.KeyCtrl == held) return;
    platform::Event event;
    event.type = held ? platform::EventType::kKeyDown : platform::EventType::kKeyUp;
    event.key = platform::vk::kControl;
    event.ctrl = held;
    form_->DispatchEvent(event);
  }

  void CollectMessages(std::int64_t tick) {
    const auto& messages = platform_.dialogs.messages;
    for (; messagesSeen_ < messages.size(); ++messagesSeen_) {
      const std::string where =
          tick < 0 ? std::string("opening the race") : fmt::format("tick {}", tick);
      problems_.push_back(fmt::format("{}: error box: {}", where, messages[messagesSeen_].text));
    }
  }

  // Once the race is over its sprites are gone; a pointer left behind would dangle.
  void CheckTornDown(const ReplayOutcome& outcome) {
    if (outcome.end != ReplayEnd::kRaceOver) return;
    const race::RaceState& race = form_->Race;
    auto check = [this](const void* pointer, std::string_view name) {
      if (pointer != nullptr) {
        problems_.push_back(fmt::format("after the race: {} is still set", name));
      }
    };
    check(race.CarSprite, "Race.CarSprite");
    check(race.MessageCaption, "Race.MessageCaption");
    check(race.LeftPanelSprite, "Race.LeftPanelSprite");
    check(race.RightPanelSprite, "Race.RightPanelSprite");
    check(race.ProgressMarker, "Race.ProgressMarker");
    check(race.Needle, "Race.Needle");
    check(race.GunIcon, "Race.GunIcon");
    check(race.TurboIcon, "Race.TurboIcon");
    check(race.NoBonusIcon, "Race.NoBonusIcon");
    check(race.DriftIcon, "Race.DriftIcon");
    check(race.HitSpark, "Race.HitSpark");
    check(race.CrashBlast, "Race.CrashBlast");
    check(race.BonusBody, "Race.BonusBody");
    check(race.BonusFire, "Race.BonusFire");
    for (int slot = 1; slot <= race::kRoadSlotCount; ++slot) {
      if (race.SlotUsed[slot]) {
        problems_.push_back(fmt::format("after the race: slot {} is still used", slot));
      }
    }
    // Back in the main menu, the tree holds what it held before the race; more
    // is a race sprite (a message caption, say) left on the menu.
    const int sprites = form_->MDXSpriteEngine.Engine().ChildCount();
    if (form_->Shell.GameState == shell::TGameState::MainMenu && sprites != menuSprites_) {
      problems_.push_back(
          fmt::format("after the race: the main menu has {} top-level sprites, {} before the race",
                      sprites, menuSprites_));
    }
  }

  platform::HeadlessPlatform platform_;
  std::unique_ptr<shell::TMForm> form_;
  int timerTicks_ = 0;
  std::int64_t tick_ = 0;    // the race tick being played
  std::size_t refresh_ = 0;  // input refreshes so far in that tick
  int menuSprites_ = 0;      // the sprite tree's top level with the main menu at rest
  bool started_ = false;
  bool savedSound_ = false;
  std::vector<std::string> sounds_;
  std::vector<std::string> problems_;
  std::size_t messagesSeen_ = 0;
};

}  // namespace

ReplayOutcome RunReplay(const ReplayScript& script, const ReplayOptions& options) {
  Session session;
  session.Start();
  session.OpenRace(script, options.startLevel);
  return session.Play(script, options);
}

}  // namespace brakkon::replay
