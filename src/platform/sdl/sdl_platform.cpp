// The platform on SDL: the real window, keyboard, mouse, joystick, clock, message
// boxes, the desktop's opener and the game's files.
#include "platform/sdl/sdl_platform.h"

#include <SDL.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <exception>
#include <random>
#include <filesystem>
#include <system_error>

#include "platform/sdl/curl_http.h"
#include "platform/sdl/posix_files.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_video.h"

namespace brakkon::platform {
namespace {

class SdlClock final : public IClock {
 public:
  std::uint32_t Milliseconds() override { return SDL_GetTicks(); }
  // The milliseconds since start-up are nearly the same on every run; the time
  // of day mixed with the system's random source is not.
  std::uint32_t RandomSeed() override {
    std::uint64_t seed = static_cast<std::uint64_t>(
        std::chrono::system_clock::now().time_since_epoch().count());
    try {
      std::random_device device;
      seed ^= (static_cast<std::uint64_t>(device()) << 32) | device();
    } catch (const std::exception&) {
      // No random source: the time of day alone still differs between runs.
    }
    seed ^= seed >> 33;
    seed *= 0xff51afd7ed558ccdULL;
    seed ^= seed >> 33;
    return static_cast<std::uint32_t>(seed ^ (seed >> 32) ^ SDL_GetTicks());
  }
};

class SdlDialogs final : public IDialogs {
 public:
  explicit SdlDialogs(const SdlVideo& video) : video_(video) {}

  void ShowMessage(MessageKind kind, const std::string& title, const std::string& text) override {
    const Uint32 flags =
        kind == MessageKind::kError ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    if (SDL_ShowSimpleMessageBox(flags, title.c_str(), text.c_str(), video_.Window()) == 0) return;
    // No box can be shown (no display, or the dummy driver): the message must still be seen.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    std::fflush(stderr);
  }

 private:
  const SdlVideo& video_;
};

// Hands addresses and files to the desktop's opener (xdg-open on Linux).
class SdlOpener final : public IOpener {
 public:
  bool OpenAddress(const std::string& address) override {
    return SDL_OpenURL(address.c_str()) == 0;
  }

  bool OpenFile(const std::string& path) override {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) return false;
    return OpenAddress(FileUrl(absolute.generic_string()));
  }

 private:
  static std::string FileUrl(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : path) {
      const auto byte = static_cast<unsigned char>(c);
      const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                         (byte >= '0' && byte <= '9') || SDL_strchr("/-._~", c) != nullptr;
      if (plain) {
        url += c;
      } else {
        url += '%';
        url += kHex[byte >> 4];
        url += kHex[byte & 15];
      }
    }
    return url;
  }
};

// SDL falls back to drivers that show nothing when no display answers; the game
// would then run unseen. They are fine when asked for by name (tests use them).
bool UsableVideoDriver() {
  const char* requested = SDL_getenv("SDL_VIDEODRIVER");
  if (requested && *requested) return true;
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && SDL_strcmp(driver, "offscreen") != 0 && SDL_strcmp(driver, "dummy") != 0;
}

// Milliseconds since the kernel started this process, dynamic linking and all;
// the kernel counts the start in clock ticks (10 ms), so this may read up to a
// tick long.
double MillisecondsSinceProcessStart() {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double nowMs = static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // Field 22; the command name in field 2 may hold spaces, so count after its ')'.
  std::size_t at = text.rfind(')');
  if (at == std::string::npos) return 0;
  for (int field = 2; field < 22 && at != std::string::npos; ++field) at = text.find(' ', at + 1);
  if (at == std::string::npos) return 0;
  const double startTicks = std::strtod(text.c_str() + at + 1, nullptr);
  return nowMs - startTicks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// A whole file mapped read-only, its pages brought in by one call.
class MappedFile final : public IFileView {
 public:
  MappedFile(void* start, std::size_t size) : start_(start), size_(size) {}
  ~MappedFile() override { munmap(start_, size_); }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  std::span<const std::uint8_t> Bytes() const override {
    return {static_cast<const std::uint8_t*>(start_), size_};
  }

 private:
  void* start_;
  std::size_t size_;
};

}  // namespace

struct SdlPlatform::Parts {
  SdlClock clock;
  SdlVideo video;
  SdlInput input{video};
  SdlDialogs dialogs{video};
  SdlOpener opener;
  SdlSoundOutput audio;  // opened by the first user; no device leaves the game silent
  SdlModulePlayer music{audio};
  CurlHttp http;
  PosixFiles files;
};

SdlPlatform::SdlPlatform(bool display) {
  if (!display) {
    // The dummy driver shows nothing and needs no display, but gives SDL its
    // keymap, through which key names are looked up.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    sdlStarted_ = SDL_Init(SDL_INIT_VIDEO) == 0;
    parts_ = std::make_unique<Parts>();
    return;
  }
  const char* timings = SDL_getenv("BRAKKON_TIMINGS");
  reportTimings_ = timings && *timings && SDL_strcmp(timings, "0") != 0;
  StartupPhase("program");
  // Windows-like double clicks: the second press must land close to the first.
  SDL_SetHint(SDL_HINT_MOUSE_DOUBLE_CLICK_RADIUS, "4");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "1");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    error_ = std::string("The video system cannot be started: ") + SDL_GetError();
  } else {
    sdlStarted_ = true;
    if (!UsableVideoDriver()) error_ = "There is no display to show the game on";
  }
  parts_ = std::make_unique<Parts>();
  // Without controller support the game still runs, on the keyboard alone.
  if (sdlStarted_ && SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0) {
    AddControllerMappings(ControllerMappingFiles(SDL_getenv("XDG_DATA_HOME"), SDL_getenv("HOME")));
    parts_->input.OpenJoystick();
  }
  StartupPhase("sdl");
}

SdlPlatform::~SdlPlatform() {
  parts_.reset();
  if (sdlStarted_) SDL_Quit();
}

IClock& SdlPlatform::Clock() {
  return parts_->clock;
}
IVideo& SdlPlatform::Video() {
  return parts_->video;
}
IInput& SdlPlatform::Input() {
  return parts_->input;
}
IDialogs& SdlPlatform::Dialogs() {
  return parts_->dialogs;
}
IOpener& SdlPlatform::Opener() {
  return parts_->opener;
}
IAudio& SdlPlatform::Audio() {
  return parts_->audio;
}
IModulePlayer& SdlPlatform::Music() {
  return parts_->music;
}
IHttp& SdlPlatform::Http() {
  return parts_->http;
}
IFiles& SdlPlatform::Files() {
  return parts_->files;
}
void SdlPlatform::StartupPhase(const char* phase) {
  if (!reportTimings_) return;
  const double ms = MillisecondsSinceProcessStart();
  timespec wall{};
  clock_gettime(CLOCK_REALTIME, &wall);
  // Processor time tells the game's own work apart from waiting for a busy machine.
  timespec cpu{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
  const double cpuMs = static_cast<double>(cpu.tv_sec) * 1000.0 + static_cast<double>(cpu.tv_nsec) / 1e6;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  // The wall clock lets a caller that noted the time before starting the game
  // measure the whole start more finely than the kernel's ticks allow.
  std::fprintf(stderr,
               "brakkon: timings: %-12s %7.1f ms  (+%6.1f)  cpu %7.1f ms  faults %6ld  wall %lld.%06ld\n",
               phase, ms, ms - lastPhaseMs_, cpuMs, usage.ru_minflt + usage.ru_majflt,
               static_cast<long long>(wall.tv_sec), wall.tv_nsec / 1000);
  std::fflush(stderr);
  lastPhaseMs_ = ms;
}

std::unique_ptr<IFileView> SdlPlatform::MapFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  void* start = MAP_FAILED;
  // Reading the archives into fresh memory cost a page fault per 4 KB, most of
  // the start-up on a virtual machine; the page cache's own pages, mapped in
  // one go, cost almost nothing.
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
    start = mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  close(fd);
  if (start == MAP_FAILED) return nullptr;
  return std::make_unique<MappedFile>(start, static_cast<std::size_t>(info.st_size));
}

void SdlPlatform::PrepareHeap(std::size_t bytes) {
  if (bytes == 0) return;
  // A first touch of a fresh page traps to the kernel, and on a virtual machine
  // to the hypervisor too: 25 of the 28 ms it took to decode the pictures. One
  // call brings the whole block in; freed, it stays in the heap, where the
  // pictures' allocations find it. Blocks of any size come from the heap for
  // that, and the heap is not trimmed below it.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);  // the largest it takes
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(std::min<std::size_t>(bytes * 2, 1 << 30)));
  void* block = std::malloc(bytes);
  if (block == nullptr) return;
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto first = (reinterpret_cast<std::uintptr_t>(block) + page - 1) & ~(page - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(block) + bytes) & ~(page - 1);
  // Kernels before 5.14 refuse the advice; the pages then come one by one, as before.
#ifdef MADV_POPULATE_WRITE
  if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#endif
  std::free(block);
}

void SdlPlatform::Warn(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

std::string SdlPlatform::Environment(const std::string& name) {
  const char* value = SDL_getenv(name.c_str());
  return value != nullptr ? value : "";
}

}  // namespace brakkon::platform
