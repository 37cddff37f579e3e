// Records every race of a run as a replay script that plays back to the same end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "io/dx_input.h"

namespace brakkon::shell {

class TMForm;

// A recording that cannot be written; what() names the file.
class ERecordingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Listens to the form's hooks and writes one script per race: the first to
// `file`, the n-th to `file`.n. The file is written as the race goes and ends
// with an "end" line when the race is over or the recorder goes.
class RaceRecorder {
 public:
  explicit RaceRecorder(std::filesystem::path file);
  ~RaceRecorder();
  RaceRecorder(const RaceRecorder&) = delete;
  RaceRecorder& operator=(const RaceRecorder&) = delete;

  // The hooks' bodies; `form` is the form whose hooks call them.
  void RaceOpened(const TMForm& form, std::uint32_t seed);
  void TickStarting(const TMForm& form, int lagCount);
  io::TInputStates Refreshed(io::TInputStates states);
  void TickDone(const TMForm& form);

  // Where race `number` (1 = the first of the run) is written.
  std::filesystem::path FileFor(int number) const;
  int RacesStarted() const { return races_; }

 private:
  void Finish();
  void CheckWritten();

  std::filesystem::path file_;
  std::filesystem::path current_;
  std::ofstream out_;
  int races_ = 0;
  bool recording_ = false;
  bool inTick_ = false;
  std::int64_t tick_ = 0;
  std::vector<std::uint64_t> refreshes_;      // this tick's, in order
  std::vector<std::uint64_t> lastRefreshes_;  // as last written
  int lag_ = 1;
  int lastLag_ = 1;
  bool control_ = false;
  bool lastControl_ = false;
};

// Points the form's recording hooks at `recorder`, which then lives as long as
// they do; clearing the hooks lets it go.
void AttachRaceRecorder(TMForm& form, std::shared_ptr<RaceRecorder> recorder);

// Makes `form` record each race it plays from now on (see RaceRecorder) until
// the form goes. Call before the first race opens.
void StartRaceRecording(TMForm& form, const std::filesystem::path& file);

}  // namespace brakkon::shell
