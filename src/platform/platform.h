// The services the game needs from the operating system, as small interfaces.
// Only src/platform/sdl includes SDL or any system header; the game and the
// tests see these interfaces and nothing else.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/scaling.h"

namespace brakkon::platform {

// Virtual key codes as the game's key handlers number them.
namespace vk {
inline constexpr int kBack = 8;
inline constexpr int kTab = 9;
inline constexpr int kReturn = 13;
inline constexpr int kShift = 16;
inline constexpr int kControl = 17;
inline constexpr int kMenu = 18;  // Alt
inline constexpr int kPause = 19;
inline constexpr int kEscape = 27;
inline constexpr int kSpace = 32;
inline constexpr int kPrior = 33;
inline constexpr int kNext = 34;
inline constexpr int kEnd = 35;
inline constexpr int kHome = 36;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kInsert = 45;
inline constexpr int kDelete = 46;
inline constexpr int k0 = 48;  // '0'..'9' are 48..57
inline constexpr int kA = 65;  // 'A'..'Z' are 65..90
inline constexpr int kNumpad0 = 96;  // keypad 0..9 are 96..105
inline constexpr int kMultiply = 106;
inline constexpr int kAdd = 107;
inline constexpr int kSubtract = 109;
inline constexpr int kDecimal = 110;
inline constexpr int kDivide = 111;
inline constexpr int kF1 = 112;  // F1..F12 are 112..123
inline constexpr int kLShift = 160;
inline constexpr int kRShift = 161;
inline constexpr int kLControl = 162;
inline constexpr int kRControl = 163;
inline constexpr int kLMenu = 164;
inline constexpr int kRMenu = 165;
}  // namespace vk

enum class EventType {
  kQuit,         // the window's close button
  kMouseMove,    // x, y in picture coordinates
  kClick,        // a click (button released) at x, y
  kDoubleClick,  // the second press of a double click at x, y
  kKeyDown,      // key, alt, ctrl (repeats arrive as further key downs)
  kKeyUp,        // key, alt, ctrl
  kChar,         // ch: a typed character; Enter, Esc and Backspace arrive as 13, 27, 8
  kActivate,     // the window gained the input focus
  kDeactivate,   // the window lost the input focus
};

struct Event {
  EventType type = EventType::kQuit;
  int x = 0;  // picture pixels, for pointer events
  int y = 0;
  int key = 0;  // virtual key code, for key events
  char ch = 0;  // single-byte character, for kChar
  bool alt = false;
  bool ctrl = false;
};

enum class MessageKind { kInformation, kError };

// Window position and size, as saved before full screen and restored after.
struct WindowPlacement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct JoystickState {
  static constexpr int kAxisMin = -32768;
  static constexpr int kAxisMax = 32767;
  int x = 0;  // kAxisMin..kAxisMax, 0 = centred
  int y = 0;
  int z = 0;
  std::array<bool, 32> buttons{};
};

// Millisecond clock. Only the frame timer reads it; nothing else in the game
// measures time.
class IClock {
 public:
  virtual ~IClock() = default;
  // A free-running 32-bit millisecond counter; callers take differences modulo 2^32.
  virtual std::uint32_t Milliseconds() = 0;
  // A seed for the game's generator that differs from run to run. The
  // headless clock answers its own time, so a test run is reproducible.
  virtual std::uint32_t RandomSeed() { return Milliseconds(); }
};

// How the picture is put on the screen; the settings file holds it.
struct PresentationSettings {
  ScaleMode scale = ScaleMode::kSharp;  // for full screen and a scaled window
  int windowScale = 1;                  // the window is this many times the picture; 0 = auto
  bool vsync = true;                    // wait for the vertical blank where the driver can
  bool operator==(const PresentationSettings&) const = default;
};

// The one game window and the picture it shows.
class IVideo {
 public:
  virtual ~IVideo() = default;
  // Before OpenWindow: how the window is sized and the picture scaled.
  virtual void SetPresentation(const PresentationSettings& /*settings*/) {}
  // Creates the window (client area width x height, centred, titled) or shows it
  // again; false with a reason in `error` when no window can be had.
  virtual bool OpenWindow(const std::string& title, int width, int height, std::string& error) = 0;
  // Destroys the window. Safe when none is open.
  virtual void CloseWindow() = 0;
  // Switches between a bordered window and full screen (the picture scaled to fit
  // and letterboxed, the desktop resolution unchanged). False when it cannot be had.
  virtual bool SetFullScreen(bool fullScreen) = 0;
  virtual bool FullScreen() const = 0;
  // The window's current placement; false when there is no window.
  virtual bool GetPlacement(WindowPlacement& placement) const = 0;
  virtual void SetPlacement(const WindowPlacement& placement) = 0;
  virtual void CenterWindow() = 0;
  // Presents a whole RGB565 picture. `pitch` is in pixels.
  virtual void Present(const std::uint16_t* pixels, int width, int height, int pitch) = 0;
  virtual void ShowPointer(bool visible) = 0;
  // True while the game's window is the foreground window.
  virtual bool Active() const = 0;
};

// Window events, the keyboard table and the joystick.
class IInput {
 public:
  virtual ~IInput() = default;
  // Takes the next pending event; false when none is waiting.
  virtual bool PollEvent(Event& event) = 0;
  // Blocks until an event is pending or `timeoutMs` has passed. The main loop
  // sleeps here between ticks instead of spinning.
  virtual void WaitForEvent(std::uint32_t timeoutMs) = 0;
  // Fills a table of 256 entries by virtual key, non-zero = down. A key pressed
  // and released since the previous refresh reads down once.
  virtual void RefreshKeyTable(std::array<std::uint8_t, 256>& keys) = 0;
  // Reads joystick 0; false when no joystick is attached.
  virtual bool ReadJoystick(JoystickState& state) = 0;

  // The virtual key a key name stands for, as the platform's own key names go
  // ("Up", "W", "Keypad 8", "Left Ctrl"; letter case ignored); 0 when unknown.
  // Keypad digits name the digit codes (Num Lock on).
  virtual int KeyFromName(std::string_view name) const = 0;
  // The number of a known pad's button by its name ("a", "start", "back";
  // letter case ignored); -1 when unknown.
  virtual int PadButtonFromName(std::string_view name) const = 0;
  // Which entries of JoystickState::buttons a known pad's buttons press: pairs of
  // (pad button number, index). Replaces the platform's own layout; an empty
  // list restores it. A plain joystick keeps its numbering.
  virtual void SetPadButtons(const std::vector<std::pair<int, int>>& /*slots*/) {}
};

// Modal message boxes.
class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // Shows `text` and waits until the player dismisses it.
  virtual void ShowMessage(MessageKind kind, const std::string& title, const std::string& text) = 0;
};

// The system's service for opening an address or a document in the program the
// desktop chooses (a web browser for a web page).
class IOpener {
 public:
  virtual ~IOpener() = default;
  // Hands `address` (a URL) to the desktop; false when it could not be handed over.
  virtual bool OpenAddress(const std::string& address) = 0;
  // Hands the file at `path` (relative to the working directory or absolute) to the desktop.
  virtual bool OpenFile(const std::string& path) = 0;
};

// What a sound buffer is doing.
struct SoundStatus {
  bool playing = false;
  bool looping = false;  // set together with playing
};

// The sound output: buffers of sampled sound, mixed together. A buffer is a
// number, 0 meaning none. Every call on an unknown buffer does nothing.
class IAudio {
 public:
  virtual ~IAudio() = default;
  // Opens the sound output; false when there is none, and the caller stays silent.
  virtual bool Open() = 0;
  // Stops and frees every buffer; the output itself may stay open for music.
  virtual void Close() = 0;
  // A buffer of `length` bytes of silence laid out as `format` says: a wave format
  // block (format tag 1 = PCM, channels, rate in Hz, bytes per second, block align,
  // bits per sample, little-endian). 0 when the format cannot be played or the
  // output is not open.
  virtual int CreateBuffer(std::span<const std::uint8_t> format, std::size_t length) = 0;
  // Copies `bytes` over the buffer from its start; false when they do not fit.
  virtual bool WriteBuffer(int buffer, std::span<const std::uint8_t> bytes) = 0;
  // A new buffer sharing `buffer`'s samples, stopped at position 0; 0 when none can be made.
  virtual int DuplicateBuffer(int buffer) = 0;
  virtual void FreeBuffer(int buffer) = 0;
  // Plays from the current position, once or until stopped.
  virtual void Play(int buffer, bool looping) = 0;
  // Stops; the position stays where it was.
  virtual void Stop(int buffer) = 0;
  virtual void SetPosition(int buffer, std::uint32_t byteOffset) = 0;
  // Playback rate in Hz; 0 restores the buffer's own rate.
  virtual void SetFrequency(int buffer, std::int32_t hz) = 0;
  // Hundredths of a dB taken off one side: -10000 (left only) .. 0 (centre) .. 10000 (right only).
  virtual void SetPan(int buffer, std::int32_t pan) = 0;
  // Attenuation in hundredths of a dB: 0 (full) .. -10000 (silent).
  virtual void SetVolume(int buffer, std::int32_t volume) = 0;
  // A buffer played once stops by itself at its end.
  virtual SoundStatus Status(int buffer) = 0;
  // Blocks the caller for `ms` while the output plays on.
  virtual void Sleep(std::uint32_t ms) = 0;
};

// A music-module player mixed into the same output. A module is a number, 0 meaning none.
class IModulePlayer {
 public:
  virtual ~IModulePlayer() = default;
  // Loads a whole module file; 0 when it is missing or unreadable or there is no
  // sound output. Never raises.
  virtual std::uint32_t LoadFromFile(const std::string& path) = 0;
  // Starts `module` from its first order, in the background, looping for ever.
  virtual void Play(std::uint32_t module) = 0;
  // Stops `module` if it plays and releases it; the number is invalid afterwards.
  virtual void Free(std::uint32_t module) = 0;
  // The order position playing now: 0 during the first order and again after the song wraps.
  virtual std::int32_t Order(std::uint32_t module) = 0;
  // How loud music plays, 0 (silent) to 100 (as the module is written); from now on.
  virtual void SetVolume(int /*percent*/) {}
};

// An HTTP request that failed: the server could not be reached, did not answer
// in time, or answered with an error status.
class EHttpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Plain HTTP GET requests with the game's fixed client settings.
class IHttp {
 public:
  virtual ~IHttp() = default;
  // Fetches `url` into `body`. Raises EHttpError on failure; `body` then holds
  // whatever arrived before it. Connecting is bounded to 5 s, the whole request to 10 s.
  virtual void Get(const std::string& url, std::string& body) = 0;
};

// The bytes of a whole file, read-only, for as long as the object lives.
class IFileView {
 public:
  virtual ~IFileView() = default;
  virtual std::span<const std::uint8_t> Bytes() const = 0;
};

// A file open for writing, handed out by IFiles::CreateFile. Destroying it
// without Close still closes it, with nobody told how that went.
class IWriteFile {
 public:
  virtual ~IWriteFile() = default;
  // Appends all of `bytes`; false when any of them could not be written (some
  // may have landed).
  virtual bool Write(std::string_view bytes) = 0;
  // Returns once what was written is on the disk; false when the disk says it is not.
  virtual bool Sync() = 0;
  // False when closing reported an error: some of what was written may be lost.
  virtual bool Close() = 0;
};

// The files the game keeps below its working directory: whole-file reads, and
// the steps ReplaceFile puts together into a write that never leaves half a file.
// Paths are relative to the working directory or absolute.
class IFiles {
 public:
  virtual ~IFiles() = default;
  // The whole file; nothing when it is missing or cannot be read.
  virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
  // Creates the folder and any missing parents; false when it is no folder afterwards.
  virtual bool CreateFolders(const std::string& path) = 0;
  // Creates the file, or empties it, for writing; null when it cannot be opened.
  virtual std::unique_ptr<IWriteFile> CreateFile(const std::string& path) = 0;
  // Puts `from` in the place of `to` in one step: a reader sees the old file or the new one.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  virtual bool Remove(const std::string& path) = 0;
  // Puts the folder's entries, a rename into it above all, on the disk.
  virtual bool SyncFolder(const std::string& path) = 0;
  // True when something (a file, a folder, anything) is at `path`.
  virtual bool Exists(const std::string& path) = 0;
};

// The temporary file ReplaceFile writes beside `path` before renaming it over.
std::string TemporaryFileFor(const std::string& path);

// Makes `path` hold exactly `bytes`: creates its folder, writes the temporary
// file, puts it on the disk and renames it over `path`. False when any step
// fails; `path` is then as it was and the temporary is gone.
bool ReplaceFile(IFiles& files, const std::string& path, std::string_view bytes);

// Everything above, owned by one object.
class IPlatform {
 public:
  virtual ~IPlatform() = default;
  virtual IClock& Clock() = 0;
  virtual IVideo& Video() = 0;
  virtual IInput& Input() = 0;
  virtual IDialogs& Dialogs() = 0;
  virtual IOpener& Opener() = 0;
  virtual IAudio& Audio() = 0;
  virtual IModulePlayer& Music() = 0;
  virtual IHttp& Http() = 0;
  virtual IFiles& Files() = 0;
  // The value of the environment variable `name`; empty when it is not set.
  virtual std::string Environment(const std::string& name) = 0;
  // One line for the player about a problem the game goes on after (a setting
  // that cannot be read): standard error on a desktop.
  virtual void Warn(const std::string& line) = 0;
  // A start-up phase has ended. The SDL platform reports each with its time when
  // asked to (BRAKKON_TIMINGS=1), so slow starts can be traced to their phase.
  virtual void StartupPhase(const char* /*phase*/) {}
  // The file at `path` mapped into memory, or null when it cannot be (the caller
  // then reads it the ordinary way, which also reports why it failed).
  virtual std::unique_ptr<IFileView> MapFile(const std::string& /*path*/) { return nullptr; }
  // The game is about to make many allocations of about `bytes` in all that it
  // keeps for the run (decoded pictures); a platform may bring that much memory
  // in at once instead of a page at a time.
  virtual void PrepareHeap(std::size_t /*bytes*/) {}
};

}  // namespace brakkon::platform
