// The platform on SDL: the real window, keyboard, mouse, joystick, clock, message
// boxes, the desktop's opener and the sound output. Includes no SDL header, so the
// program entry can.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace brakkon::platform {

class SdlPlatform final : public IPlatform {
 public:
  // Starts SDL's video and controller support under the driver the environment
  // selects (SDL_VIDEODRIVER). Check Ok() before use; Error() says why not.
  // Without `display` SDL runs on its dummy video driver: files, key names and
  // the environment work, and no window is shown.
  explicit SdlPlatform(bool display = true);
  ~SdlPlatform() override;
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }

  IClock& Clock() override;
  IVideo& Video() override;
  IInput& Input() override;
  IDialogs& Dialogs() override;
  IOpener& Opener() override;
  IAudio& Audio() override;
  IModulePlayer& Music() override;
  IHttp& Http() override;
  IFiles& Files() override;
  std::string Environment(const std::string& name) override;
  void Warn(const std::string& line) override;
  void StartupPhase(const char* phase) override;
  std::unique_ptr<IFileView> MapFile(const std::string& path) override;
  void PrepareHeap(std::size_t bytes) override;

 private:
  struct Parts;
  std::string error_;
  bool sdlStarted_ = false;
  bool reportTimings_ = false;
  double lastPhaseMs_ = 0;
  std::unique_ptr<Parts> parts_;
};

}  // namespace brakkon::platform
