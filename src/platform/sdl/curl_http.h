// HTTP GET through libcurl with the game's client settings; the library is
// loaded at the first request, so a game that never goes online never maps it.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace brakkon::platform {

class CurlHttp final : public IHttp {
 public:
  CurlHttp();
  ~CurlHttp() override;
  CurlHttp(const CurlHttp&) = delete;
  CurlHttp& operator=(const CurlHttp&) = delete;

  void Get(const std::string& url, std::string& body) override;

  // Bounds on one request; a server that accepts and never answers must not
  // hold the game for longer.
  long connectTimeoutMs = 5000;
  long totalTimeoutMs = 10000;

 private:
  struct Library;
  // Loads the library and makes the handle on first use; false when either fails.
  bool Start();

  std::unique_ptr<Library> curl_;
  void* handle_ = nullptr;  // CURL*, kept so cookies carry from one request to the next
  bool globalInit_ = false;
};

}  // namespace brakkon::platform
