// Sending a stored result to the online score table.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace brakkon::records {

inline constexpr const char* kCantConnectMessage = "Can't connect to server!";

// Sends `name`, `score` and `country` to the score server. Without an HTTP
// client in the platform every server is unreachable: the player is told so in
// an information box and nothing is sent.
void SubmitScore(platform::IDialogs& dialogs, const std::string& name, std::int32_t score,
                 const std::string& country);

}  // namespace brakkon::records
