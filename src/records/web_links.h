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

// The score server's host (name and optional port) set at build time; the
// environment variable of the same name overrides it when the game starts.
inline constexpr const char* kScoreHost = BRAKKON_SCORE_HOST;
inline constexpr const char* kScoreHostVariable = "BRAKKON_SCORE_HOST";
inline constexpr const char* kLinkFile = "play.url";

// The root page of the score server's host: the game's web site.
std::string WebSiteAddress(const std::string& host);
// The online high-score table on the score server.
std::string OnlineTableAddress(const std::string& host);
// The score server's version query and the submission of an encoded record.
std::string VersionQueryAddress(const std::string& host);
std::string SubmissionAddress(const std::string& host, const std::string& encodedRecord);

// Asks the platform to open `address`. The outcome is not looked at by design:
// nothing is reported to the player either way.
void OpenAddress(platform::IOpener& opener, const std::string& address);

// When `linkFile` can be read, opens the address on its "URL=" line, or the file
// itself when it names none. Nothing happens when it is missing or unreadable.
void OpenLinkFile(platform::IOpener& opener, platform::IFiles& files,
                  const std::filesystem::path& linkFile = kLinkFile);

// The address on the first "URL=" line of an internet-shortcut text; empty when none.
std::string LinkFileAddress(const std::string& text);

}  // namespace brakkon::records
