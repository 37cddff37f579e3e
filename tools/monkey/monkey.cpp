// The whole-game random player: event generation, the stand-in score server,
// the invariants, and the event log that replays a run.
#include "monkey/monkey.h"

#include <fmt/format.h>

#include <array>
#include <deque>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <system_error>

#include "engine/sprite.h"
#include "platform/headless/headless_platform.h"
#include "screens/widgets.h"
#include "shell/application.h"
#include "shell/form.h"

namespace brakkon::monkey {
namespace {

namespace fs = std::filesystem;
namespace vk = platform::vk;
using shell::TGameState;
using Kind = MonkeyEvent::Kind;

// Far more than any screen or race holds at once: a count past it is a leak of sprites.
constexpr int kMaxSprites = 120;
constexpr std::uint32_t kTickMs = 30;
constexpr std::uint32_t kSlowServerMs = 10000;  // the client's whole-request bound

struct KindName {
  Kind kind;
  const char* name;
};
constexpr std::array<KindName, 13> kKindNames = {{
    {Kind::kKeyDown, "key-down"},
    {Kind::kKeyUp, "key-up"},
    {Kind::kMove, "move"},
    {Kind::kClick, "click"},
    {Kind::kDoubleClick, "double-click"},
    {Kind::kPadPlug, "pad-plug"},
    {Kind::kPadButton, "pad-button"},
    {Kind::kPadAxis, "pad-axis"},
    {Kind::kFocus, "focus"},
    {Kind::kServer, "server"},
    {Kind::kScore, "score"},
    {Kind::kTicks, "ticks"},
    {Kind::kQuit, "quit"},
}};

// The score server as the game sees it through its HTTP client.
class MonkeyHttp : public platform::IHttp {
 public:
  explicit MonkeyHttp(platform::ManualClock& clock) : clock_(clock) {}
  void Get(const std::string& url, std::string& body) override {
    body.clear();
    switch (mode) {
      case ServerMode::kDown:
        throw platform::EHttpError("Could not connect to " + url);
      case ServerMode::kSlow:
        // The client gives up after its bound; the game's clock has moved on meanwhile.
        clock_.Advance(kSlowServerMs);
        waitedMs += kSlowServerMs;
        body = "OK|";
        throw platform::EHttpError("Operation timed out");
      case ServerMode::kAnswering:
        body = url.find("?version") != std::string::npos ? "OK|1|0|0|P123456|" : "OK";
        return;
      case ServerMode::kJunk:
        body = std::string("\x01OK|\xff|||||") + url.substr(0, 7);
        return;
    }
  }
  ServerMode mode = ServerMode::kDown;
  std::uint64_t waitedMs = 0;  // game time spent waiting for the slow server

 private:
  platform::ManualClock& clock_;
};

class MonkeyPlatform : public platform::HeadlessPlatform {
 public:
  platform::IHttp& Http() override { return monkeyHttp; }
  MonkeyHttp monkeyHttp{clock};
};

bool KnownState(TGameState state) {
  switch (state) {
    case TGameState::MainMenu:
    case TGameState::Race:
    case TGameState::Options:
    case TGameState::HighScores:
    case TGameState::Help:
    case TGameState::SendPrompt:
    case TGameState::CarSelect:
    case TGameState::RaceSetup:
    case TGameState::NameEntry:
      return true;
  }
  return false;
}

void CollectSprites(const engine::TSprite& sprite, std::set<const engine::TSprite*>& live) {
  for (int i = 0; i < sprite.ChildCount(); ++i) {
    const engine::TSprite* child = sprite.Child(i);
    live.insert(child);
    CollectSprites(*child, live);
  }
}

// The character SDL types for a key pressed without Alt: letters in either
// case, digits and space as themselves, Enter, Esc and Backspace as 13, 27, 8.
char TypedBy(int key, bool upper) {
  if (key >= vk::kA && key < vk::kA + 26) {
    return static_cast<char>((upper ? 'A' : 'a') + (key - vk::kA));
  }
  if (key >= vk::k0 && key < vk::k0 + 10) return static_cast<char>(key);
  switch (key) {
    case vk::kSpace:
      return ' ';
    case vk::kReturn:
      return 13;
    case vk::kEscape:
      return 27;
    case vk::kBack:
      return 8;
    default:
      return 0;
  }
}

// Draws events with a bias toward what matters in the state the game is in.
// Most draws are short gestures a player makes (a tap: key down, a tick, key
// up, a tick; the pointer onto a button and an arrow in the same tick), queued
// and handed out one event at a time.
class Generator {
 public:
  explicit Generator(std::uint32_t seed) : random_(seed) {}

  MonkeyEvent Next(const shell::TMForm& form, bool padPlugged, bool focused) {
    if (queue_.empty()) Plan(form, padPlugged, focused);
    const MonkeyEvent event = queue_.front();
    queue_.pop_front();
    if (event.kind == Kind::kKeyDown) held_.insert(event.a);
    if (event.kind == Kind::kKeyUp) held_.erase(event.a);
    return event;
  }

 private:
  static constexpr std::array<int, 4> kArrows = {vk::kUp, vk::kDown, vk::kLeft, vk::kRight};

  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }
  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }
  template <typename T, std::size_t N>
  T Pick(const std::array<T, N>& from) {
    return from[static_cast<std::size_t>(Uniform(0, static_cast<int>(N) - 1))];
  }

  void Push(MonkeyEvent event) { queue_.push_back(event); }
  void Wait(int ticks) { Push({Kind::kTicks, ticks}); }
  void Down(int key, bool alt = false) {
    Push({Kind::kKeyDown, key, alt ? 0 : TypedBy(key, Chance(0.3)), alt ? 1 : 0});
  }
  void Up(int key) { Push({Kind::kKeyUp, key}); }
  void Tap(int key) {
    Down(key);
    Wait(Uniform(1, 2));
    Up(key);
    Wait(1);
  }

  void Plan(const shell::TMForm& form, bool padPlugged, bool focused) {
    const auto& s = form.Shell;
    const TGameState state = s.GameState;
    if (!focused) {
      Wait(Uniform(1, 20));
      Push({Kind::kFocus, 1});
      return;
    }
    if (!held_.empty() && Chance(state == TGameState::Race ? 0.1 : 0.6)) {
      auto it = held_.begin();
      std::advance(it, Uniform(0, static_cast<int>(held_.size()) - 1));
      Up(*it);
      return;
    }
    const int roll = Uniform(0, 999);
    if (state == TGameState::Race && roll < 350) return PlanRace();
    if (roll < 120) return Wait(WaitTicks());
    if (roll < 330) return Tap(Pick(kArrows));
    if (roll < 430) {
      // The pointer onto a button and an arrow read in the same tick.
      Push(PointerMove(s));
      Down(Pick(kArrows));
      Wait(1);
      return;
    }
    if (roll < 560) return Push(PointerMove(s));
    if (roll < 640)
      return Push({Chance(0.9) ? Kind::kClick : Kind::kDoubleClick, s.MouseX, s.MouseY});
    if (roll < 760) {
      static constexpr std::array<int, 10> kKeys = {
          vk::kReturn, vk::kReturn, vk::kEscape, vk::kSpace,   vk::kBack,
          'P',         'Y',         'N',         vk::kControl, vk::kTab};
      int key = Pick(kKeys);
      if (Chance(0.3)) key = vk::kA + Uniform(0, 25);
      if (Chance(0.03)) key = vk::k0 + Uniform(0, 9);
      return Tap(key);
    }
    if (roll < 790) return Down(Chance(0.5) ? Pick(kArrows) : vk::kA + Uniform(0, 25));
    if (roll < 890) return PlanPad(padPlugged);
    if (roll < 920) return Push({Kind::kServer, Uniform(0, 3)});
    if (roll < 935) return Push({Kind::kFocus, 0});
    if (roll < 945) {
      Down(vk::kReturn, true);
      Wait(1);
      return Up(vk::kReturn);
    }
    if (roll < 947) return Push({Kind::kQuit});
    Wait(WaitTicks());
  }

  // Up held most of the time, steering, pause, the finish question with its
  // answers, the gun, and now and then a score worth the table.
  void PlanRace() {
    const int roll = Uniform(0, 99);
    if (roll < 25) {
      if (held_.count(vk::kUp) == 0) return Down(vk::kUp);
      return Wait(WaitTicks());
    }
    if (roll < 50) {
      const int key = Chance(0.5) ? vk::kLeft : vk::kRight;
      Down(key);
      Wait(Uniform(1, 15));
      return Up(key);
    }
    if (roll < 60) return Tap(Chance(0.5) ? vk::kSpace : vk::kControl);
    if (roll < 68) return Tap('P');
    if (roll < 78) {
      Tap(vk::kEscape);
      Wait(Uniform(0, 5));
      return Tap(Chance(0.4) ? 'Y' : (Chance(0.5) ? 'N' : vk::kEscape));
    }
    if (roll < 85) return Push({Kind::kScore, Uniform(0, 250000)});
    if (roll < 90) return Tap(vk::kDown);
    Wait(WaitTicks());
  }

  void PlanPad(bool plugged) {
    if (!plugged || Chance(0.05)) return Push({Kind::kPadPlug, plugged ? 0 : 1});
    if (Chance(0.5)) {
      // The buttons the game reads (pause, finish, yes, no, fire, B, A) most of the time.
      static constexpr std::array<int, 7> kUsed = {3, 4, 5, 6, 7, 0, 1};
      const int button = Chance(0.8) ? Pick(kUsed) : Uniform(0, 31);
      Push({Kind::kPadButton, button, 1});
      Wait(Uniform(1, 3));
      return Push({Kind::kPadButton, button, 0});
    }
    static constexpr std::array<int, 3> kPushed = {platform::JoystickState::kAxisMin,
                                                   platform::JoystickState::kAxisMax, 12000};
    const int axis = Uniform(0, 1);
    int value = Pick(kPushed);
    if (Chance(0.2))
      value = Uniform(platform::JoystickState::kAxisMin, platform::JoystickState::kAxisMax);
    Push({Kind::kPadAxis, axis, value});
    Wait(Uniform(1, 4));
    if (Chance(0.8)) Push({Kind::kPadAxis, axis, 0});
  }

  int WaitTicks() {
    const int roll = Uniform(0, 99);
    if (roll < 70) return Uniform(1, 3);
    if (roll < 95) return Uniform(4, 60);
    return Uniform(61, 400);
  }

  // Mostly onto a button of the screen, the main menu's above all while a
  // sub-screen is up; Exit less often, since it ends the game. Now and then
  // anywhere, a little off the picture included.
  MonkeyEvent PointerMove(const shell::ShellState& s) {
    std::vector<int> slots;
    for (int i = 1; i <= s.ButtonCount && i < static_cast<int>(s.Buttons.size()); ++i) {
      if (s.Buttons[i] == nullptr) continue;
      if (i == 6 && s.ButtonCount >= 6 && !Chance(0.2)) continue;
      slots.push_back(i);
      if (i <= 6 && s.ButtonCount > 6) slots.push_back(i);
    }
    if (!slots.empty() && Chance(0.85)) {
      const screens::TMenuButton& b = *s.Buttons[slots[static_cast<std::size_t>(
          Uniform(0, static_cast<int>(slots.size()) - 1))]];
      const int x = static_cast<int>(b.X) + Uniform(0, b.Width);
      const int y = static_cast<int>(b.Y) + Uniform(0, b.Height);
      return {Kind::kMove, x, y};
    }
    return {Kind::kMove, Uniform(-20, 819), Uniform(-20, 619)};
  }

  std::mt19937 random_;
  std::deque<MonkeyEvent> queue_;
  std::set<int> held_;
};

// A fresh folder for one game: the baked pictures and tunes linked, the saves copied.
void PrepareFolder(const MonkeyWorld& world) {
  std::error_code ignored;
  fs::remove_all(world.folder, ignored);
  fs::create_directories(world.folder / "Data");
  fs::copy(world.bakedData / "Save", world.folder / "Data" / "Save", fs::copy_options::recursive);
  fs::create_directory_symlink(fs::absolute(world.bakedData / "Res"),
                               world.folder / "Data" / "Res");
  fs::create_directory_symlink(fs::absolute(world.bakedData / "Music"),
                               world.folder / "Data" / "Music");
}

// Runs in the run's folder and goes back to where it was, whatever happens.
class FolderScope {
 public:
  explicit FolderScope(const fs::path& folder) : previous_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~FolderScope() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
  }
  FolderScope(const FolderScope&) = delete;
  FolderScope& operator=(const FolderScope&) = delete;

 private:
  fs::path previous_;
};

class Run {
 public:
  Run(std::uint32_t seed, std::FILE* log, MonkeyTotals& totals)
      : seed_(seed), log_(log), totals_(totals), form_(platform_) {
    auto handler = form_.MDXTimer.OnTimer;
    form_.MDXTimer.OnTimer = [this, handler](int lagCount) {
      ++ticks_;
      handler(lagCount);
    };
  }

  std::optional<MonkeyFailure> Start() {
    form_.FormCreate();
    return Check();
  }

  // Applies one event; a failure of an invariant or a game that stopped ticking ends the run.
  std::optional<MonkeyFailure> Apply(const MonkeyEvent& event) {
    Log(event);
    ++totals_.events;
    auto& input = platform_.input;
    switch (event.kind) {
      case Kind::kKeyDown:
        input.PressKey(event.a);
        input.PushKeyDown(event.a, event.c != 0, event.a == vk::kControl);
        if (event.b != 0) input.PushChar(static_cast<char>(event.b));
        break;
      case Kind::kKeyUp:
        input.ReleaseKey(event.a);
        input.PushKeyUp(event.a);
        break;
      case Kind::kMove:
        input.PushMouseMove(event.a, event.b);
        break;
      case Kind::kClick:
        input.PushClick(event.a, event.b);
        break;
      case Kind::kDoubleClick:
        input.Push(platform::Event{platform::EventType::kDoubleClick, event.a, event.b});
        break;
      case Kind::kPadPlug:
        input.joystickAttached = event.a != 0;
        if (!input.joystickAttached) input.joystick = platform::JoystickState{};
        break;
      case Kind::kPadButton:
        if (event.a >= 0 && event.a < 32)
          input.joystick.buttons[static_cast<std::size_t>(event.a)] = event.b != 0;
        break;
      case Kind::kPadAxis:
        (event.a == 0 ? input.joystick.x : input.joystick.y) = event.b;
        break;
      case Kind::kFocus:
        focused_ = event.a != 0;
        platform_.video.SetActive(focused_);
        input.Push(platform::Event{focused_ ? platform::EventType::kActivate
                                            : platform::EventType::kDeactivate});
        break;
      case Kind::kServer:
        platform_.monkeyHttp.mode = static_cast<ServerMode>(event.a & 3);
        break;
      case Kind::kScore:
        if (form_.Shell.GameState == TGameState::Race) form_.Race.Score = event.a;
        break;
      case Kind::kTicks:
        return RunTicks(event.a);
      case Kind::kQuit:
        input.Push(platform::Event{platform::EventType::kQuit});
        break;
    }
    // Events are delivered at once, as the loop would before the next tick.
    return Deliver();
  }

  bool Over(std::int64_t tickBudget) const { return form_.Terminated() || ticks_ >= tickBudget; }
  const shell::TMForm& form() const { return form_; }
  bool padPlugged() const { return platform_.input.joystickAttached; }
  bool focused() const { return focused_; }

 private:
  void Log(const MonkeyEvent& event) {
    if (log_ == nullptr) return;
    const std::string line = FormatEvent(event) + "\n";
    std::fwrite(line.data(), 1, line.size(), log_);
    if (event.kind == Kind::kTicks) std::fflush(log_);
  }

  std::optional<MonkeyFailure> Deliver() {
    platform::Event event;
    while (!form_.Terminated() && platform_.input.PollEvent(event)) {
      form_.DispatchEvent(event);
      if (auto failure = Check()) return failure;
    }
    return std::nullopt;
  }

  std::optional<MonkeyFailure> RunTicks(int count) {
    const std::int64_t target = ticks_ + count;
    const std::uint32_t start = platform_.clock.Milliseconds();
    const std::uint64_t waitedAtStart = platform_.monkeyHttp.waitedMs;
    const std::uint32_t allowed = static_cast<std::uint32_t>(count + 10) * 4 * kTickMs;
    while (ticks_ < target && !form_.Terminated()) {
      const std::int64_t before = ticks_;
      shell::RunLoopOnce(form_, platform_);
      if (ticks_ != before) {
        CountTick();
        if (auto failure = Check()) return failure;
      }
      // Time spent inside the slow server's requests is no sign of a stopped timer.
      const std::uint64_t passed =
          platform_.clock.Milliseconds() - start - (platform_.monkeyHttp.waitedMs - waitedAtStart);
      if (passed > allowed) {
        // In the background the timer rests by design; in front it must tick.
        if (!focused_) return std::nullopt;
        return Fail(fmt::format(
            "the frame timer stopped in state {} (timer {}, attached {}, active {}, menu phase {})",
            StateName(static_cast<std::int32_t>(form_.Shell.GameState)),
            form_.MDXTimer.Enabled() ? "enabled" : "disabled", form_.MDXTimer.Attached(),
            form_.MDXTimer.ApplicationActive(), form_.Shell.MenuPhase));
      }
    }
    return std::nullopt;
  }

  void CountTick() {
    ++totals_.ticks;
    ++totals_.ticksByState[StateName(static_cast<std::int32_t>(form_.Shell.GameState))];
  }

  MonkeyFailure Fail(std::string what) const {
    return MonkeyFailure{seed_, ticks_, std::move(what)};
  }

  // What must hold between any two events: a known state, a highlight on a
  // real slot or none, every filled slot a live sprite, a bounded sprite count,
  // and no error escaped to a message box.
  std::optional<MonkeyFailure> Check() {
    const auto& s = form_.Shell;
    if (!KnownState(s.GameState)) {
      return Fail(fmt::format("unknown game state {}", static_cast<std::int32_t>(s.GameState)));
    }
    if (s.ActiveButton < 0 || s.ActiveButton > 10) {
      return Fail(fmt::format("highlight on slot {} in state {}", s.ActiveButton,
                              StateName(static_cast<std::int32_t>(s.GameState))));
    }
    std::set<const engine::TSprite*> live;
    CollectSprites(form_.MDXSpriteEngine.Engine(), live);
    for (int i = 1; i <= 10; ++i) {
      if (s.Buttons[static_cast<std::size_t>(i)] != nullptr &&
          live.count(s.Buttons[static_cast<std::size_t>(i)]) == 0) {
        return Fail(fmt::format("slot {} holds a freed button in state {}", i,
                                StateName(static_cast<std::int32_t>(s.GameState))));
      }
    }
    if (static_cast<int>(live.size()) > kMaxSprites) {
      return Fail(fmt::format("{} sprites in state {}", live.size(),
                              StateName(static_cast<std::int32_t>(s.GameState))));
    }
    auto& messages = platform_.dialogs.messages;
    for (; messagesSeen_ < messages.size(); ++messagesSeen_) {
      const platform::RecordedMessage& message = messages[messagesSeen_];
      ++totals_.messages[message.text];
      if (message.kind == platform::MessageKind::kError) {
        return Fail("an error reached the message box: " + message.text);
      }
    }
    return std::nullopt;
  }

  std::uint32_t seed_;
  std::FILE* log_;
  MonkeyTotals& totals_;
  MonkeyPlatform platform_;
  shell::TMForm form_;
  std::int64_t ticks_ = 0;
  std::size_t messagesSeen_ = 0;
  bool focused_ = true;
};

}  // namespace

std::string FormatEvent(const MonkeyEvent& event) {
  const char* name = "ticks";
  for (const KindName& k : kKindNames) {
    if (k.kind == event.kind) name = k.name;
  }
  return fmt::format("{} {} {} {}", name, event.a, event.b, event.c);
}

std::optional<MonkeyEvent> ParseEvent(const std::string& line) {
  std::istringstream in(line);
  std::string name;
  MonkeyEvent event;
  if (!(in >> name >> event.a >> event.b >> event.c)) return std::nullopt;
  for (const KindName& k : kKindNames) {
    if (name == k.name) {
      event.kind = k.kind;
      return event;
    }
  }
  return std::nullopt;
}

std::string StateName(std::int32_t state) {
  switch (static_cast<TGameState>(state)) {
    case TGameState::MainMenu:
      return "main-menu";
    case TGameState::Race:
      return "race";
    case TGameState::Options:
      return "options";
    case TGameState::HighScores:
      return "high-scores";
    case TGameState::Help:
      return "help";
    case TGameState::SendPrompt:
      return "send-prompt";
    case TGameState::CarSelect:
      return "car-select";
    case TGameState::RaceSetup:
      return "race-setup";
    case TGameState::NameEntry:
      return "name-entry";
  }
  return fmt::format("state-{}", state);
}

std::optional<MonkeyFailure> RunOnce(const MonkeyWorld& world, std::uint32_t seed,
                                     std::int64_t ticks, const std::vector<MonkeyEvent>* events,
                                     std::FILE* log, MonkeyTotals& totals) {
  PrepareFolder(world);
  FolderScope scope(world.folder);
  if (log != nullptr) {
    const std::string head = fmt::format("seed {}\n", seed);
    std::fwrite(head.data(), 1, head.size(), log);
    std::fflush(log);
  }
  ++totals.runs;
  Run run(seed, log, totals);
  if (auto failure = run.Start()) return failure;
  if (events != nullptr) {
    for (const MonkeyEvent& event : *events) {
      if (run.Over(INT64_MAX)) break;
      if (auto failure = run.Apply(event)) return failure;
    }
    return std::nullopt;
  }
  Generator generator(seed);
  while (!run.Over(ticks)) {
    const MonkeyEvent event = generator.Next(run.form(), run.padPlugged(), run.focused());
    if (auto failure = run.Apply(event)) return failure;
  }
  return std::nullopt;
}

std::optional<MonkeyLog> ReadLog(const std::filesystem::path& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  MonkeyLog log;
  std::string line;
  bool haveSeed = false;
  while (std::getline(in, line)) {
    if (line.rfind("seed ", 0) == 0) {
      log.seed = static_cast<std::uint32_t>(std::stoul(line.substr(5)));
      haveSeed = true;
      continue;
    }
    if (auto event = ParseEvent(line)) log.events.push_back(*event);
  }
  if (!haveSeed) return std::nullopt;
  return log;
}

}  // namespace brakkon::monkey
