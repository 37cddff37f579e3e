// The score server's wire format, shared by the game and the server: the
// version reply's fields, the submission record and its letter-and-digit code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brakkon::records {

// 32 distinct capital letters and digits; position n stands for the 5 bits of n.
inline constexpr std::string_view kScoreAlphabet = "K3RWZ8MHTQ5BXNJ2CVFY9LDPGS6AE4U7";
// The fixed value of the record's `key` piece.
inline constexpr char kScoreKey = 'Q';

// True when the reply begins with "OK" (case matters).
bool VersionReplyOk(std::string_view reply);
// The fifth "|"-separated field ("OK" is the first) when a "|" follows it, else empty.
std::string VersionReplyP(std::string_view reply);

// type=0|name=N|score=S|key=K|p=P|add=C|z= padded with '0' to a multiple of 5 characters.
std::string BuildSubmissionRecord(std::string_view name, std::int32_t score, std::string_view p,
                                  std::string_view country);

// Each byte as eight '0'/'1' characters, most significant bit first.
std::string BinaryText(std::string_view bytes);
// Groups of five bits, front-padded with '0' to a multiple of 5, as alphabet characters;
// any character other than '0' counts as a 1 bit.
std::string Base32Text(std::string_view bits);
// BinaryText, then Base32Text: 8 characters per 5 bytes.
std::string EncodeRecord(std::string_view record);
// The bytes behind an encoded text; nothing when a character is outside the
// alphabet or the length is not a multiple of 8.
std::optional<std::string> DecodeRecord(std::string_view encoded);

}  // namespace brakkon::records
