// The web pages the game opens through the platform: its site, the online score
// table, and the link file handed off at exit.
#pragma once

#include <filesystem>
#include <string>

#include "platform/platform.h"

#ifndef BRAKKON_SCORE_HOST
#define BRAKKON_SCORE_HOST "localhost:8642"
#endif

namespace brakkon::records {

// The score server's host (name and optional port), fixed at build time.
inline constexpr const char* kScoreHost = BRAKKON_SCORE_HOST;
inline constexpr const char* kLinkFile = "play.url";

// The root page of the score server's host: the game's web site.
std::string WebSiteAddress();
// The online high-score table on the score server.
std::string OnlineTableAddress();

// Asks the platform to open `address`. The outcome is not looked at by design:
// nothing is reported to the player either way.
void OpenAddress(platform::IOpener& opener, const std::string& address);

// When `linkFile` exists, opens the address on its "URL=" line, or the file itself
// when it names none. Nothing happens when it is missing.
void OpenLinkFile(platform::IOpener& opener, const std::filesystem::path& linkFile = kLinkFile);

// The address on the first "URL=" line of an internet-shortcut text; empty when none.
std::string LinkFileAddress(const std::string& text);

}  // namespace brakkon::records
