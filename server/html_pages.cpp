// Rendering the score server's pages; every text from a player goes through EscapeHtml.
#include "server/html_pages.h"

#include <fmt/chrono.h>
#include <fmt/format.h>

#include <ctime>

namespace brakkon::server {
namespace {

constexpr std::string_view kStyle =
    "body{font-family:sans-serif;background:#1d2330;color:#e8e8e8;margin:2em auto;max-width:46em;"
    "padding:0 1em}"
    "a{color:#ffcf40}"
    "h1{color:#ffcf40}"
    "table{border-collapse:collapse;width:100%}"
    "th,td{padding:.3em .6em;border-bottom:1px solid #3a4254;text-align:left}"
    "th{background:#2b3345}"
    "td.n{text-align:right;font-variant-numeric:tabular-nums}";

std::string PageStart(std::string_view title) {
  return fmt::format(
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>{}</title>\n<style>{}</style>\n</head>\n<body>\n",
      EscapeHtml(title), kStyle);
}

constexpr std::string_view kPageEnd = "</body>\n</html>\n";

std::string DateText(std::int64_t secondsSinceEpoch) {
  return fmt::format("{:%Y-%m-%d}", fmt::gmtime(static_cast<std::time_t>(secondsSinceEpoch)));
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string RenderTablePage(const std::vector<ScoreEntry>& entries) {
  std::string page = PageStart("Brakkon - best scores");
  page += "<h1>Brakkon: the best scores</h1>\n<p><a href=\"/\">About the game</a></p>\n";
  page +=
      "<table>\n<thead><tr><th>Rank</th><th>Name</th><th>Score</th><th>Country</th>"
      "<th>Date</th></tr></thead>\n<tbody>\n";
  if (entries.empty()) page += "<tr><td colspan=\"5\">No scores yet.</td></tr>\n";
  int rank = 0;
  for (const ScoreEntry& entry : entries) {
    page += fmt::format(
        "<tr><td class=\"n\">{}</td><td>{}</td><td class=\"n\">{}</td><td>{}</td><td>{}</td>"
        "</tr>\n",
        ++rank, EscapeHtml(entry.name), entry.score, EscapeHtml(entry.country),
        DateText(entry.submittedAt));
  }
  page += "</tbody>\n</table>\n";
  page += kPageEnd;
  return page;
}

std::string RenderHomePage() {
  std::string page = PageStart("Brakkon");
  page += fmt::format(
      "<h1>Brakkon</h1>\n"
      "<p>A top-down, vertically scrolling road race for one player. Pick one of four cars and "
      "drive it up a road full of walls, spikes, water, stones, cracks, rabbits and traffic both "
      "ways; collect points, a gun, turbo and extra lives, and finish every level before its "
      "clock runs out.</p>\n"
      "<p>A score good enough for the game's own top ten can be sent here from the game, and "
      "the best hundred are shown online.</p>\n"
      "<p><a href=\"{}\">The best scores</a></p>\n",
      EscapeHtml(kTableAddress));
  page += kPageEnd;
  return page;
}

}  // namespace brakkon::server
