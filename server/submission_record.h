// Reading a submitted result: the inf parameter's code and the record behind it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace brakkon::server {

inline constexpr std::size_t kMaxNameLength = 64;     // characters
inline constexpr std::size_t kMaxCountryLength = 64;  // characters
inline constexpr std::int32_t kMaxScore = 10'000'000;
inline constexpr std::int32_t kScoreStep = 5;  // every score the game gives is a multiple of it

struct SubmissionRecord {
  std::string name;
  std::int32_t score = 0;
  std::string p;
  std::string country;
};

// Why a submission is not taken, as one line of text for the reply.
struct Refusal {
  std::string reason;
};

// Decodes `inf` and checks every piece of the record except whether this server issued `p`.
std::variant<SubmissionRecord, Refusal> ReadSubmission(std::string_view inf);

}  // namespace brakkon::server
