// Opening the game's web pages and the exit link file.
#include "records/web_links.h"

#include <optional>

#include "records/save_text.h"

namespace brakkon::records {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

bool StartsWithKey(std::string_view line, std::string_view key) {
  if (line.size() < key.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const char c = line[i];
    const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    if (upper != key[i]) return false;
  }
  return true;
}

}  // namespace

std::string WebSiteAddress(const std::string& host) {
  return "http://" + host + "/";
}

std::string OnlineTableAddress(const std::string& host) {
  return "http://" + host + "/cgi/version.pl?prg=Brakkon&show&type=0";
}

std::string VersionQueryAddress(const std::string& host) {
  return "http://" + host + "/cgi/version.pl?version&prg=Quillora";
}

std::string SubmissionAddress(const std::string& host, const std::string& encodedRecord) {
  return "http://" + host + "/cgi/version.pl?hs&prg=Brakkon&inf=" + encodedRecord;
}

void OpenAddress(platform::IOpener& opener, const std::string& address) {
  opener.OpenAddress(address);
}

std::string LinkFileAddress(const std::string& text) {
  SaveTextReader reader(text);
  while (!reader.AtEnd()) {
    const std::string line = reader.ReadLine();
    const std::string_view trimmed = Trim(line);
    // Keys of the shortcut format are not case-sensitive.
    if (StartsWithKey(trimmed, "URL=")) return std::string(Trim(trimmed.substr(4)));
  }
  return {};
}

void OpenLinkFile(platform::IOpener& opener, platform::IFiles& files,
                  const std::filesystem::path& linkFile) {
  const std::optional<std::string> text = files.ReadFile(linkFile.string());
  if (!text) return;
  // Linux desktops do not read internet shortcuts, so the address inside is opened
  // directly; a file without one is still handed over as it is.
  const std::string address = LinkFileAddress(*text);
  if (!address.empty()) {
    opener.OpenAddress(address);
  } else {
    opener.OpenFile(linkFile.string());
  }
}

}  // namespace brakkon::records
