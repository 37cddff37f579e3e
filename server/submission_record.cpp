// The strict reader of the game's submission record.
#include "server/submission_record.h"

#include <fmt/format.h>

#include <algorithm>
#include <optional>

#include "records/score_codec.h"

namespace brakkon::server {
namespace {

// The '0's after "z=": however many make the record's length a multiple of 5.
constexpr std::size_t kMaxPadding = 4;
constexpr std::size_t kRecordBlock = 5;
constexpr std::size_t kCodeBlock = 8;  // code characters per record block
constexpr std::size_t kMaxScoreDigits = 8;

bool AllInAlphabet(std::string_view text) {
  return text.find_first_not_of(records::kScoreAlphabet) == std::string_view::npos;
}

// Walks the record front to back. A value ends at the next '|': the rules for every
// value but the country exclude '|', and a '|' in the country fails the check for
// "|z=" that follows it, so a record never has two readings.
class RecordCursor {
 public:
  explicit RecordCursor(std::string_view record) : record_(record) {}

  // The value of the piece `key` at the cursor (after its '|' unless it is the first).
  std::optional<std::string_view> Piece(std::string_view key, bool first) {
    std::string_view rest = record_.substr(at_);
    if (!first) {
      if (rest.empty() || rest.front() != '|') return std::nullopt;
      rest.remove_prefix(1);
    }
    if (rest.substr(0, key.size()) != key || rest.substr(key.size(), 1) != "=") return std::nullopt;
    rest.remove_prefix(key.size() + 1);
    const std::string_view value = rest.substr(0, rest.find('|'));
    at_ = static_cast<std::size_t>(value.data() + value.size() - record_.data());
    return value;
  }

  std::string_view Rest() const { return record_.substr(at_); }

 private:
  std::string_view record_;
  std::size_t at_ = 0;
};

std::optional<std::string> NameFault(std::string_view name) {
  if (name.size() > kMaxNameLength) {
    return fmt::format("name is longer than {} characters", kMaxNameLength);
  }
  const auto allowed = [](char c) { return (c >= 'A' && c <= 'Z') || c == ' '; };
  if (!std::all_of(name.begin(), name.end(), allowed)) {
    return "name may hold only capital letters and spaces";
  }
  return std::nullopt;
}

// The score as the game writes it: plain decimal digits, no sign, no leading zero.
std::optional<std::int32_t> ParseScore(std::string_view text) {
  if (text.empty() || text.size() > kMaxScoreDigits || (text.size() > 1 && text.front() == '0')) {
    return std::nullopt;
  }
  std::int32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<std::string> CountryFault(std::string_view country) {
  if (country.size() > kMaxCountryLength) {
    return fmt::format("country is longer than {} characters", kMaxCountryLength);
  }
  const auto printable = [](char c) { return c >= ' ' && c <= '~'; };
  if (!std::all_of(country.begin(), country.end(), printable)) {
    return "country may hold only printable ASCII characters";
  }
  return std::nullopt;
}

std::string MissingPiece(std::string_view key, std::string_view after) {
  if (after.empty()) return fmt::format("the record must begin with the {} piece", key);
  return fmt::format(
      "expected the {} piece right after {} (pieces missing, out of order, or a '|' inside a "
      "value)",
      key, after);
}

// Every check on the decoded record, piece by piece in their fixed order.
std::variant<SubmissionRecord, Refusal> ReadRecord(std::string_view record) {
  RecordCursor cursor(record);
  SubmissionRecord result;

  const auto type = cursor.Piece("type", true);
  if (!type) return Refusal{MissingPiece("type", "")};
  if (*type != "0") return Refusal{"type must be 0"};

  const auto name = cursor.Piece("name", false);
  if (!name) return Refusal{MissingPiece("name", "type")};
  if (auto fault = NameFault(*name)) return Refusal{*fault};
  result.name = std::string(*name);

  const auto scoreText = cursor.Piece("score", false);
  if (!scoreText) return Refusal{MissingPiece("score", "name")};
  const auto score = ParseScore(*scoreText);
  if (!score) return Refusal{"score must be plain decimal digits without leading zeros"};
  if (*score > kMaxScore) return Refusal{fmt::format("score is over {}", kMaxScore)};
  if (*score % kScoreStep != 0) {
    return Refusal{fmt::format("score is not a multiple of {}", kScoreStep)};
  }
  result.score = *score;

  const auto key = cursor.Piece("key", false);
  if (!key) return Refusal{MissingPiece("key", "score")};
  if (*key != std::string_view(&records::kScoreKey, 1)) return Refusal{"wrong key"};

  const auto p = cursor.Piece("p", false);
  if (!p) return Refusal{MissingPiece("p", "key")};
  if (p->empty()) return Refusal{"p is empty"};
  if (!AllInAlphabet(*p)) return Refusal{"p holds a character outside the code's alphabet"};
  result.p = std::string(*p);

  const auto country = cursor.Piece("add", false);
  if (!country) return Refusal{MissingPiece("add", "p")};
  if (auto fault = CountryFault(*country)) return Refusal{*fault};
  result.country = std::string(*country);

  const auto padding = cursor.Piece("z", false);
  if (!padding) return Refusal{MissingPiece("z", "add")};
  if (!cursor.Rest().empty()) return Refusal{"nothing may follow the z piece"};
  if (padding->find_first_not_of('0') != std::string_view::npos) {
    return Refusal{"the padding after z= may hold only '0'"};
  }
  if (padding->size() > kMaxPadding || record.size() % kRecordBlock != 0) {
    return Refusal{
        fmt::format("the padding must bring the record to a multiple of {} characters "
                    "with at most {} '0's",
                    kRecordBlock, kMaxPadding)};
  }
  return result;
}

}  // namespace

std::variant<SubmissionRecord, Refusal> ReadSubmission(std::string_view inf) {
  if (inf.empty()) return Refusal{"inf is empty"};
  if (!AllInAlphabet(inf)) return Refusal{"inf holds a character outside the code's alphabet"};
  if (inf.size() % kCodeBlock != 0) {
    return Refusal{
        fmt::format("inf is {} characters long, not a multiple of {}", inf.size(), kCodeBlock)};
  }
  const std::optional<std::string> record = records::DecodeRecord(inf);
  if (!record) return Refusal{"inf does not decode"};
  return ReadRecord(*record);
}

}  // namespace brakkon::server
