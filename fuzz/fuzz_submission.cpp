// Fuzz target: the inf parameter of a submission as the score server reads
// it. An accepted record has one reading only: the game's own encoder must
// give back exactly the code that was sent.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

#include "records/score_codec.h"
#include "server/submission_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brakkon;
  const std::string_view inf(reinterpret_cast<const char*>(data), size);
  const auto result = server::ReadSubmission(inf);
  if (const auto* record = std::get_if<server::SubmissionRecord>(&result)) {
    const std::string again = records::EncodeRecord(
        records::BuildSubmissionRecord(record->name, record->score, record->p, record->country));
    if (again != inf) __builtin_trap();
  } else if (std::get<server::Refusal>(result).reason.empty()) {
    __builtin_trap();  // every refusal names its reason on the reply's line
  }
  return 0;
}
