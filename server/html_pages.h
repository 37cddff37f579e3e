// The two HTML pages of the score server: the game's home page and the table of best results.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "server/score_store.h"

namespace brakkon::server {

// The address the game opens for the online table.
inline constexpr std::string_view kTableAddress = "/cgi/version.pl?prg=Brakkon&show&type=0";

// `text` with & < > " ' written as entities, safe in element content and quoted attributes.
std::string EscapeHtml(std::string_view text);

// The table of `entries`, ranked in the order given.
std::string RenderTablePage(const std::vector<ScoreEntry>& entries);

// What the game is, and a link to the table.
std::string RenderHomePage();

}  // namespace brakkon::server
