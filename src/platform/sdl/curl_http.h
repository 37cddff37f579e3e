// HTTP GET through libcurl with the game's client settings.
#pragma once

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
  void* handle_ = nullptr;  // CURL*, kept so cookies carry from one request to the next
  bool globalInit_ = false;
};

}  // namespace brakkon::platform
