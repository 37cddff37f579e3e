// Sending a stored result to the online score table.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace brakkon::records {

inline constexpr const char* kCantConnectMessage = "Can't connect to server!";

// Asks the score server at `host` for its version record and sends it the
// encoded result. Blocks until both requests have finished. A server that
// cannot be reached, answers with an error or not with "OK" is reported in an
// information box and nothing is sent; the outcome of the sending is not looked at.
void SubmitScore(platform::IHttp& http, platform::IDialogs& dialogs, const std::string& host,
                 const std::string& name, std::int32_t score, const std::string& country);

}  // namespace brakkon::records
