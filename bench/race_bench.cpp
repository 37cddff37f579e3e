// Times a full race frame of the real game against copying a frame buffer twice.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "race/player_car.h"
#include "race/race_setup.h"
#include "race/race_state.h"
#include "race/race_tick.h"
#include "race/road_objects.h"
#include "screens/car_select_screen.h"
#include "shell/application.h"
#include "shell/form.h"

namespace {

using namespace brakkon;
namespace fs = std::filesystem;

constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 600;
constexpr int kFirstCarSlot = 7;  // the car selection's first car button

// The game started in a folder of its own and driven into a full race at top speed.
class RaceAtSpeed {
 public:
  RaceAtSpeed() {
    previous_ = fs::current_path();
    dir_ = fs::temp_directory_path() /
           ("brakkon-race-bench-" + std::to_string(std::random_device{}()));
    const fs::path baked = BRAKKON_BAKED_DATA_DIR;
    if (!fs::exists(baked / "Res"))
      throw std::runtime_error("no baked data in " + baked.string() + ": build brakkon_data");
    fs::create_directories(dir_ / "Data");
    fs::create_directory_symlink(baked / "Res", dir_ / "Data" / "Res");
    fs::create_directory_symlink(baked / "Music", dir_ / "Data" / "Music");
    // The saves a fresh install ships (sound and music on): the race starts as a player's would.
    fs::copy(baked / "Save", dir_ / "Data" / "Save", fs::copy_options::recursive);
    fs::current_path(dir_);
    try {
      Start();
    } catch (...) {
      CleanUp();
      throw;
    }
  }

  ~RaceAtSpeed() { CleanUp(); }

  RaceAtSpeed(const RaceAtSpeed&) = delete;
  RaceAtSpeed& operator=(const RaceAtSpeed&) = delete;

  // One race frame as a running race tick draws it; out of line so that a
  // profiler can collect this alone (valgrind --toggle-collect).
  [[gnu::noinline]] void Frame() {
    shell::TMForm& form = *form_;
    form.BeginFrame(1, true);
    race::DrawNeedle(form);
    race::DrawRaceNumbers(form);
    race::DrawBonusPanel(form);
    form.EndFrame();
  }

  // The objects back where FillRoad put them: a frame moves them down by the
  // road's speed, and left alone they would reach the car within a second.
  void RewindRoad() {
    race::RaceState& race = form_->Race;
    for (int s = 1; s <= race::kRoadSlotCount; ++s) race.RoadSlots[s]->Y = startY_[s];
  }

  const std::uint16_t* Pixels() const { return platform_.video.frame().data(); }
  int ObjectsOnRoad() const {
    int n = 0;
    for (int s = 1; s <= race::kRoadSlotCount; ++s) n += form_->Race.SlotUsed[s] ? 1 : 0;
    return n;
  }

 private:
  // The main menu at rest, the first car chosen, Up held until top speed, the road filled.
  void Start() {
    form_ = std::make_unique<shell::TMForm>(platform_);
    auto handler = form_->MDXTimer.OnTimer;
    form_->MDXTimer.OnTimer = [this, handler](int lagCount) {
      ++ticks_;
      handler(lagCount);
    };
    shell::TMForm& form = *form_;
    form.FormCreate();
    for (int i = 0; i < 300 && form.Shell.MenuPhase != 0; ++i) Tick();
    if (form.Shell.MenuPhase != 0) throw std::runtime_error("the main menu never came to rest");
    Tick();

    screens::OpenCarSelect(form);
    form.Shell.ActiveButton = kFirstCarSlot;
    form.MDXDrawClick(0, 0);
    race::RaceState& race = form.Race;
    if (race.CarSprite == nullptr)
      throw std::runtime_error("the car selection did not start a race");
    // No random objects on the way up to speed: one in the car's lane would crash it.
    race.SpawnChance.fill(0);
    platform_.input.PressKey(platform::vk::kUp);
    for (int i = 0; i < 600 && race.ScrollSpeed < race.CarSprite->MaxSpeed; ++i) Tick();
    if (race.ScrollSpeed < race.CarSprite->MaxSpeed || !race.RaceRunning || race.Crashed)
      throw std::runtime_error("the race never ran at top speed");

    FillRoad();
  }

  void CleanUp() {
    form_.reset();
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(dir_, ignored);
  }

  void Tick() {
    const int target = ticks_ + 1;
    for (int i = 0; i < 1000 && ticks_ < target; ++i) shell::RunLoopOnce(*form_, platform_);
    if (ticks_ < target) throw std::runtime_error("the frame timer stopped");
  }

  // Every slot taken, by kinds 1..30 (walls, hazards, bonuses, roadside signs and
  // walls, traffic), spread over the lanes and the screen above the car, so that
  // all of them are drawn and none touches the car during a frame.
  void FillRoad() {
    shell::TMForm& form = *form_;
    race::RaceState& race = form.Race;
    race::FreeRoadObjects(form);
    const double carTop = race.CarSprite->Y;
    for (int s = 1; s <= race::kRoadSlotCount; ++s) {
      const int kind = s;
      auto* o = new race::TWallSprite(&form.MDXSpriteEngine.Engine(), form, kind, s);
      const int lane = 1 + (s - 1) % 4;
      if (kind < 17 || kind > 22) o->X = race::LaneCentreX(lane, o->Width);
      // Eight rows, the first entering at the top, the last a frame's travel
      // (road and own speed) and more above the car.
      const int row = (s - 1) / 4;
      const double bottom = carTop - 2 * race::kTurboTopSpeed;
      o->Y = row * bottom / 8 - o->Height / 2;
      if (o->Y + o->Height > bottom) o->Y = bottom - o->Height;
      startY_[s] = o->Y;
      race.RoadSlots[s] = o;
      race.SlotUsed[s] = true;
    }
  }

  platform::HeadlessPlatform platform_;
  std::unique_ptr<shell::TMForm> form_;
  int ticks_ = 0;
  double startY_[race::kRoadSlotCount + 1] = {};
  fs::path previous_;
  fs::path dir_;
};

std::unique_ptr<RaceAtSpeed> gRace;

void BM_RaceFrame(benchmark::State& state) {
  if (!gRace) gRace = std::make_unique<RaceAtSpeed>();
  if (gRace->ObjectsOnRoad() != race::kRoadSlotCount) {
    state.SkipWithError("road slots were freed");
    return;
  }
  for (auto _ : state) {
    gRace->Frame();
    benchmark::DoNotOptimize(gRace->Pixels());
    benchmark::ClobberMemory();
    // 30 stores: next to a frame, below the timer's resolution.
    gRace->RewindRoad();
  }
}
BENCHMARK(BM_RaceFrame);

// One frame buffer copied twice. The clobber between the copies keeps the
// compiler from dropping the first as overwritten.
void BM_MemcpyFramePair(benchmark::State& state) {
  const std::size_t bytes = std::size_t{kFrameWidth} * kFrameHeight * sizeof(std::uint16_t);
  std::vector<std::uint8_t> from(bytes, 0x5A), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyFramePair);

// The console output as usual, and per benchmark the time per iteration, the
// median when repetitions ran.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      Timing& t = timings[run.run_name.function_name];
      if (t.fromMedian && !median) continue;
      t = Timing{run.GetAdjustedRealTime() * Scale(run.time_unit),
                 run.GetAdjustedCPUTime() * Scale(run.time_unit), median};
    }
  }

  struct Timing {
    double realNs = 0;
    double cpuNs = 0;
    bool fromMedian = false;
  };
  std::map<std::string, Timing> timings;

 private:
  static double Scale(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kSecond:
        return 1e9;
      case benchmark::kMillisecond:
        return 1e6;
      case benchmark::kMicrosecond:
        return 1e3;
      case benchmark::kNanosecond:
        return 1;
    }
    return 1;
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  try {
    benchmark::RunSpecifiedBenchmarks(&reporter);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "race_bench: %s\n", error.what());
    gRace.reset();
    return 1;
  }
  gRace.reset();
  benchmark::Shutdown();

  const auto frame = reporter.timings.find("BM_RaceFrame");
  const auto copy = reporter.timings.find("BM_MemcpyFramePair");
  if (frame == reporter.timings.end() || copy == reporter.timings.end()) return 0;
  const double goal = 3;
  const RatioReporter::Timing& f = frame->second;
  const RatioReporter::Timing& c = copy->second;
  // CPU time as well: on a shared machine the wall clock also counts time spent preempted.
  std::printf("race frame %.0f ns (cpu %.0f ns), memcpy pair %.0f ns (cpu %.0f ns)\n", f.realNs,
              f.cpuNs, c.realNs, c.cpuNs);
  std::printf("ratio race frame / memcpy pair: %.2f (cpu %.2f), goal at most %.0f\n",
              f.realNs / c.realNs, f.cpuNs / c.cpuNs, goal);
  return 0;
}
