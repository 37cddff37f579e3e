// HTTP GET through libcurl.
#include "platform/sdl/curl_http.h"

#include <curl/curl.h>

namespace brakkon::platform {
namespace {

constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";

std::size_t Append(char* data, std::size_t size, std::size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

}  // namespace

CurlHttp::CurlHttp() {
  globalInit_ = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  if (globalInit_) handle_ = curl_easy_init();
  // An empty cookie file switches the cookie engine on without reading a file;
  // set once, since every setting of it queues a file name the engine keeps.
  if (handle_ != nullptr) curl_easy_setopt(static_cast<CURL*>(handle_), CURLOPT_COOKIEFILE, "");
}

CurlHttp::~CurlHttp() {
  if (handle_ != nullptr) curl_easy_cleanup(static_cast<CURL*>(handle_));
  if (globalInit_) curl_global_cleanup();
}

void CurlHttp::Get(const std::string& url, std::string& body) {
  body.clear();
  auto* curl = static_cast<CURL*>(handle_);
  if (curl == nullptr) throw EHttpError("The HTTP client cannot be started");
  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, "Accept: text/html, */*");
  headers = curl_slist_append(headers, "Content-Type: text/html");
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, totalTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Append);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  const CURLcode result = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_slist_free_all(headers);
  // The body that arrived stays in `body` for the caller, also on failure.
  if (result != CURLE_OK) throw EHttpError(curl_easy_strerror(result));
  if (status >= 400) throw EHttpError("HTTP status " + std::to_string(status));
}

}  // namespace brakkon::platform
