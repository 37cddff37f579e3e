// HTTP GET through libcurl, loaded at the first request.
#include "platform/sdl/curl_http.h"

#include <curl/curl.h>
#include <dlfcn.h>

namespace brakkon::platform {
namespace {

constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
// The library's file name for the ABI its header describes.
constexpr const char* kLibraryName = "libcurl.so.4";

std::size_t Append(char* data, std::size_t size, std::size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

}  // namespace

// The calls the client makes, looked up once in the loaded library.
struct CurlHttp::Library {
  void* module = nullptr;
  decltype(&curl_global_init) globalInit = nullptr;
  decltype(&curl_global_cleanup) globalCleanup = nullptr;
  decltype(&curl_easy_init) easyInit = nullptr;
  decltype(&curl_easy_cleanup) easyCleanup = nullptr;
  decltype(&curl_easy_setopt) setopt = nullptr;
  decltype(&curl_easy_perform) perform = nullptr;
  decltype(&curl_easy_getinfo) getinfo = nullptr;
  decltype(&curl_easy_strerror) strerror = nullptr;
  decltype(&curl_slist_append) slistAppend = nullptr;
  decltype(&curl_slist_free_all) slistFreeAll = nullptr;

  template <typename Function>
  bool Find(Function& function, const char* name) {
    function = reinterpret_cast<Function>(dlsym(module, name));
    return function != nullptr;
  }

  // False, with the library let go, when it or one of its calls is missing.
  bool Load() {
    module = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return false;
    const bool found = Find(globalInit, "curl_global_init") &&
                       Find(globalCleanup, "curl_global_cleanup") &&
                       Find(easyInit, "curl_easy_init") && Find(easyCleanup, "curl_easy_cleanup") &&
                       Find(setopt, "curl_easy_setopt") && Find(perform, "curl_easy_perform") &&
                       Find(getinfo, "curl_easy_getinfo") && Find(strerror, "curl_easy_strerror") &&
                       Find(slistAppend, "curl_slist_append") &&
                       Find(slistFreeAll, "curl_slist_free_all");
    if (!found) {
      dlclose(module);
      module = nullptr;
    }
    return found;
  }
};

// libcurl and the TLS, Kerberos and LDAP libraries it brings are a third of the
// game's shared libraries: mapping them at every start cost 20 ms and a few MB,
// for a client most runs never use.
CurlHttp::CurlHttp() = default;

CurlHttp::~CurlHttp() {
  if (!curl_) return;
  if (handle_ != nullptr) curl_->easyCleanup(static_cast<CURL*>(handle_));
  if (globalInit_) curl_->globalCleanup();
  // Kept mapped: the TLS libraries it loaded may have registered exit handlers.
}

bool CurlHttp::Start() {
  if (curl_) return handle_ != nullptr;
  curl_ = std::make_unique<Library>();
  if (!curl_->Load()) return false;
  globalInit_ = curl_->globalInit(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  if (globalInit_) handle_ = curl_->easyInit();
  // An empty cookie file switches the cookie engine on without reading a file;
  // set once, since every setting of it queues a file name the engine keeps.
  if (handle_ != nullptr) curl_->setopt(static_cast<CURL*>(handle_), CURLOPT_COOKIEFILE, "");
  return handle_ != nullptr;
}

void CurlHttp::Get(const std::string& url, std::string& body) {
  body.clear();
  if (!Start()) throw EHttpError("The HTTP client cannot be started");
  auto* curl = static_cast<CURL*>(handle_);
  const Library& lib = *curl_;
  curl_slist* headers = nullptr;
  headers = lib.slistAppend(headers, "Accept: text/html, */*");
  headers = lib.slistAppend(headers, "Content-Type: text/html");
  lib.setopt(curl, CURLOPT_URL, url.c_str());
  lib.setopt(curl, CURLOPT_HTTPGET, 1L);
  lib.setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  lib.setopt(curl, CURLOPT_HTTPHEADER, headers);
  lib.setopt(curl, CURLOPT_PROXY, "");
  lib.setopt(curl, CURLOPT_NOPROXY, "*");
  lib.setopt(curl, CURLOPT_NOSIGNAL, 1L);
  lib.setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs);
  lib.setopt(curl, CURLOPT_TIMEOUT_MS, totalTimeoutMs);
  lib.setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  lib.setopt(curl, CURLOPT_WRITEFUNCTION, &Append);
  lib.setopt(curl, CURLOPT_WRITEDATA, &body);
  const CURLcode result = lib.perform(curl);
  long status = 0;
  lib.getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  lib.slistFreeAll(headers);
  // The body that arrived stays in `body` for the caller, also on failure.
  if (result != CURLE_OK) throw EHttpError(lib.strerror(result));
  if (status >= 400) throw EHttpError("HTTP status " + std::to_string(status));
}

}  // namespace brakkon::platform
