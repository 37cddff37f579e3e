// The platform without a window or devices: a clock the test advances,
// scripted input, captured frames, recorded message boxes, and the real disk
// with faults on call.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/headless/headless_audio.h"
#include "platform/headless/headless_files.h"
#include "platform/platform.h"

namespace brakkon::platform {

class ManualClock : public IClock {
 public:
  std::uint32_t Milliseconds() override { return now_; }
  void Advance(std::uint32_t milliseconds) { now_ += milliseconds; }
  void Set(std::uint32_t milliseconds) { now_ = milliseconds; }

 private:
  std::uint32_t now_ = 0;
};

class HeadlessVideo : public IVideo {
 public:
  void SetPresentation(const PresentationSettings& settings) override { presentation = settings; }
  bool OpenWindow(const std::string& title, int width, int height, std::string& error) override;
  void CloseWindow() override { open_ = false; }
  bool SetFullScreen(bool fullScreen) override;
  bool FullScreen() const override { return fullScreen_; }
  bool GetPlacement(WindowPlacement& placement) const override;
  void SetPlacement(const WindowPlacement& placement) override { placement_ = placement; }
  void CenterWindow() override;
  void Present(const std::uint16_t* pixels, int width, int height, int pitch) override;
  void ShowPointer(bool visible) override { pointerVisible_ = visible; }
  bool Active() const override { return active_; }

  // What a test sets up or inspects.
  PresentationSettings presentation;  // as the game last asked for it
  bool canOpen = true;
  bool fullScreenAvailable = true;
  bool open() const { return open_; }
  const std::string& title() const { return title_; }
  bool pointerVisible() const { return pointerVisible_; }
  void SetActive(bool active) { active_ = active; }
  int presentCount() const { return presentCount_; }
  int frameWidth() const { return frameWidth_; }
  int frameHeight() const { return frameHeight_; }
  // The last presented frame, RGB565, frameWidth() x frameHeight().
  const std::vector<std::uint16_t>& frame() const { return frame_; }
  std::uint16_t FramePixel(int x, int y) const {
    return frame_[static_cast<std::size_t>(y) * frameWidth_ + x];
  }

 private:
  bool open_ = false;
  bool fullScreen_ = false;
  bool active_ = true;
  bool pointerVisible_ = true;
  std::string title_;
  WindowPlacement placement_{100, 100, 800, 600};
  int presentCount_ = 0;
  int frameWidth_ = 0;
  int frameHeight_ = 0;
  std::vector<std::uint16_t> frame_;
};

class HeadlessInput : public IInput {
 public:
  explicit HeadlessInput(ManualClock& clock) : clock_(clock) {}
  bool PollEvent(Event& event) override;
  // Without pending events, waiting lets simulated time pass.
  void WaitForEvent(std::uint32_t timeoutMs) override;
  void RefreshKeyTable(std::array<std::uint8_t, 256>& keys) override;
  bool ReadJoystick(JoystickState& state) override;
  // The SDL platform's names of the keys and pad buttons a test is likely to use,
  // with SDL's numbers; a test of the SDL platform checks they agree.
  int KeyFromName(std::string_view name) const override;
  int PadButtonFromName(std::string_view name) const override;
  void SetPadButtons(const std::vector<std::pair<int, int>>& slots) override { padButtons = slots; }
  std::vector<std::pair<int, int>> padButtons;  // as the game last set them

  // Script: events are delivered in order by PollEvent.
  void Push(const Event& event) { events_.push_back(event); }
  void PushKeyDown(int key, bool alt = false, bool ctrl = false);
  void PushKeyUp(int key, bool alt = false, bool ctrl = false);
  void PushChar(char ch);
  void PushClick(int x, int y);
  void PushMouseMove(int x, int y);
  // Key table: held keys read down until released; a press and release between
  // two refreshes reads down once.
  void PressKey(int key);
  void ReleaseKey(int key);
  // Joystick 0; `attached` false reads as unplugged.
  JoystickState joystick;
  bool joystickAttached = false;
  std::size_t pendingEvents() const { return events_.size(); }

 private:
  ManualClock& clock_;
  std::deque<Event> events_;
  std::array<bool, 256> held_{};
  std::array<bool, 256> pressedSinceRefresh_{};
};

struct RecordedMessage {
  MessageKind kind;
  std::string title;
  std::string text;
};

class HeadlessDialogs : public IDialogs {
 public:
  void ShowMessage(MessageKind kind, const std::string& title, const std::string& text) override {
    messages.push_back(RecordedMessage{kind, title, text});
  }
  std::vector<RecordedMessage> messages;
};

// Records what the game asked to open; nothing is opened.
class HeadlessOpener : public IOpener {
 public:
  bool OpenAddress(const std::string& address) override {
    addresses.push_back(address);
    return succeed;
  }
  bool OpenFile(const std::string& path) override {
    files.push_back(path);
    return succeed;
  }
  std::vector<std::string> addresses;
  std::vector<std::string> files;
  bool succeed = true;  // what the calls answer
};

// Scripted replies by address; every request is recorded. An address without
// a reply fails as an unreachable server does.
class HeadlessHttp : public IHttp {
 public:
  struct Reply {
    std::string body;
    bool fail = false;  // raise after handing back `body`
  };
  void Get(const std::string& url, std::string& body) override;

  // Replies for addresses beginning with the key; the longest key matching wins.
  std::map<std::string, Reply> replies;
  std::vector<std::string> requests;
};

class HeadlessPlatform : public IPlatform {
 public:
  IClock& Clock() override { return clock; }
  IVideo& Video() override { return video; }
  IInput& Input() override { return input; }
  IDialogs& Dialogs() override { return dialogs; }
  IOpener& Opener() override { return opener; }
  IAudio& Audio() override { return audio; }
  IModulePlayer& Music() override { return music; }
  IHttp& Http() override { return http; }
  IFiles& Files() override { return files; }
  std::string Environment(const std::string& name) override {
    const auto it = environment.find(name);
    return it != environment.end() ? it->second : std::string();
  }
  void Warn(const std::string& line) override { warnings.push_back(line); }

  ManualClock clock;
  HeadlessVideo video;
  HeadlessInput input{clock};
  HeadlessDialogs dialogs;
  HeadlessOpener opener;
  HeadlessAudio audio{clock};
  HeadlessModulePlayer music;
  HeadlessHttp http;
  HeadlessFiles files;
  std::map<std::string, std::string> environment;
  std::vector<std::string> warnings;
};

}  // namespace brakkon::platform
