// The race recorder: seed, car, and per tick the input refreshes, Ctrl and lag count.
#include "shell/race_recorder.h"

#include <fmt/format.h>

#include <utility>

#include "shell/form.h"

namespace brakkon::shell {
namespace {

bool RaceOpen(TGameState state) {
  return state == TGameState::Race || state == TGameState::RaceSetup;
}

// Later refreshes of a tick repeat the last listed value on playback, so
// trailing repeats carry nothing.
void DropTrailingRepeats(std::vector<std::uint64_t>& values) {
  while (values.size() > 1 && values[values.size() - 1] == values[values.size() - 2]) {
    values.pop_back();
  }
}

}  // namespace

RaceRecorder::RaceRecorder(std::filesystem::path file) : file_(std::move(file)) {}

RaceRecorder::~RaceRecorder() {
  // The game closed during a race: what was played is still a valid script.
  if (recording_) {
    out_ << tick_ << " end\n";
    out_.close();
  }
}

std::filesystem::path RaceRecorder::FileFor(int number) const {
  if (number <= 1) return file_;
  std::filesystem::path path = file_;
  path += fmt::format(".{}", number);
  return path;
}

void RaceRecorder::RaceOpened(const TMForm& form, std::uint32_t seed) {
  if (recording_) Finish();
  ++races_;
  current_ = FileFor(races_);
  out_.open(current_, std::ios::binary | std::ios::trunc);
  if (!out_)
    throw ERecordingError(fmt::format("Cannot write the race recording '{}'", current_.string()));
  recording_ = true;
  tick_ = 0;
  lastRefreshes_.clear();
  lastLag_ = 1;
  lastControl_ = false;
  out_ << "# A recorded race: tick T's input refreshes read these states (hex), in order.\n"
       << "seed " << seed << "\ncar " << form.Race.CarModel << '\n';
  CheckWritten();
}

// Every tick is followed, recording or not: a gamepad's A opens the race inside
// a tick, whose handler then runs the race's first tick on what was read before.
void RaceRecorder::TickStarting(const TMForm& form, int lagCount) {
  // A tick whose handler raised never reached TickDone; it still ran, and the
  // playback must run it too.
  if (inTick_) TickDone(form);
  inTick_ = true;
  refreshes_.clear();
  lag_ = lagCount;
  // Key events come between ticks, so the value at the tick's start is the tick's.
  control_ = form.Shell.KeyCtrl;
}

io::TInputStates RaceRecorder::Refreshed(io::TInputStates states) {
  if (inTick_) refreshes_.push_back(states.Bits());
  return states;
}

void RaceRecorder::TickDone(const TMForm& form) {
  if (!inTick_) return;
  inTick_ = false;
  if (!recording_) return;
  // A tick always refreshes at least once; should it not, nothing was read.
  if (refreshes_.empty()) refreshes_.push_back(lastRefreshes_.empty() ? 0 : lastRefreshes_.back());
  DropTrailingRepeats(refreshes_);
  const bool wrote = refreshes_ != lastRefreshes_ || control_ != lastControl_ || lag_ != lastLag_;
  if (refreshes_ != lastRefreshes_) {
    out_ << tick_ << " states";
    for (std::uint64_t bits : refreshes_) out_ << fmt::format(" {:x}", bits);
    out_ << '\n';
    lastRefreshes_ = refreshes_;
  }
  if (control_ != lastControl_) {
    out_ << tick_ << " control " << (control_ ? 1 : 0) << '\n';
    lastControl_ = control_;
  }
  if (lag_ != lastLag_) {
    out_ << tick_ << " lag " << lag_ << '\n';
    lastLag_ = lag_;
  }
  ++tick_;
  if (!RaceOpen(form.Shell.GameState)) {
    Finish();
  } else if (wrote) {
    // Should the game die, the file still holds the race up to here.
    out_.flush();
  }
}

void RaceRecorder::Finish() {
  recording_ = false;
  out_ << tick_ << " end\n";
  out_.close();
  CheckWritten();
}

void RaceRecorder::CheckWritten() {
  // A full disk shows only at a flush; the race goes on unrecorded.
  if (out_.fail()) {
    recording_ = false;
    out_.close();
    throw ERecordingError(fmt::format("Cannot write the race recording '{}'", current_.string()));
  }
}

void StartRaceRecording(TMForm& form, const std::filesystem::path& file) {
  AttachRaceRecorder(form, std::make_shared<RaceRecorder>(file));
}

void AttachRaceRecorder(TMForm& form, std::shared_ptr<RaceRecorder> recorder) {
  form.OnRaceOpened = [&form, recorder](std::uint32_t seed) { recorder->RaceOpened(form, seed); };
  form.OnTickStarting = [&form, recorder](int lagCount) { recorder->TickStarting(form, lagCount); };
  form.OnTickDone = [&form, recorder] { recorder->TickDone(form); };
  form.MDXInput.OnRefresh = [recorder](io::TInputStates states) {
    return recorder->Refreshed(states);
  };
}

}  // namespace brakkon::shell
