// The score server's answers: issuing p, judging submissions, serving the pages.
#include "server/score_service.h"

#include <fmt/format.h>
#include <sys/random.h>

#include <cerrno>
#include <chrono>
#include <system_error>

#include "records/score_codec.h"
#include "server/html_pages.h"
#include "server/submission_record.h"

namespace brakkon::server {
namespace {

constexpr std::size_t kTicketBytes = 10;  // 80 random bits, 16 code characters
constexpr std::int64_t kRateWindowSeconds = 60;
constexpr std::size_t kMaxRateAddresses = 100'000;

// From the kernel's CSPRNG: a guessable p would let anyone skip the version query.
std::string FreshTicket() {
  std::string bytes(kTicketBytes, '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "getrandom");
    }
    filled += static_cast<std::size_t>(got);
  }
  return records::EncodeRecord(bytes);
}

Reply Refuse(std::string reason) {
  return Reply{400, std::string(kPlainText), std::move(reason) + "\n", 0};
}

std::string ClaimRefusal(ClaimResult result) {
  switch (result) {
    case ClaimResult::kUnknownTicket:
      return "p was not issued by this server, or has expired";
    case ClaimResult::kUsedTicket:
      return "p has already been used";
    case ClaimResult::kStaleTicket:
      return fmt::format("p is older than {} minutes", kTicketLifetimeSeconds / 60);
    case ClaimResult::kOtherAddress:
      return "p was issued to another address";
    case ClaimResult::kStored:
      break;
  }
  return "p was refused";
}

}  // namespace

std::int64_t SystemSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

ScoreService::ScoreService(ScoreStore& store, Clock clock)
    : store_(store),
      clock_(std::move(clock)),
      submissions_(kSubmissionsPerMinute, kRateWindowSeconds, kMaxRateAddresses),
      homePage_(RenderHomePage()) {
  RefreshTable(store_.Backend().TableGeneration());
}

Reply ScoreService::VersionQuery(const std::string& address) {
  const std::int64_t now = clock_();
  const std::string ticket = FreshTicket();
  store_.AddTicket(ticket, address, now, now - kTicketLifetimeSeconds);
  return Reply{200, std::string(kPlainText), "OK|1|0|0|" + ticket + "|", 0};
}

Reply ScoreService::Submit(const std::string& address, std::optional<std::string_view> inf) {
  const std::int64_t now = clock_();
  StoreBackend& backend = store_.Backend();
  if (const std::optional<std::string> reason = backend.BanReason(address)) {
    return Reply{403, std::string(kPlainText),
                 fmt::format("this address may not submit results: {}\n", *reason), 0};
  }
  const bool allowed =
      backend.Shared()
          ? backend.AllowSubmission(address, now, kSubmissionsPerMinute, kRateWindowSeconds)
          : submissions_.Allow(address, now);
  if (!allowed) {
    return Reply{
        429, std::string(kPlainText),
        fmt::format("more than {} submissions a minute from this address\n", kSubmissionsPerMinute),
        kRateWindowSeconds};
  }
  if (!inf) return Refuse("the request needs exactly one inf parameter");
  auto read = ReadSubmission(*inf);
  if (const Refusal* refusal = std::get_if<Refusal>(&read)) return Refuse(refusal->reason);
  const SubmissionRecord& record = std::get<SubmissionRecord>(read);
  const ClaimResult result = store_.StoreScore(record.p, address, now - kTicketLifetimeSeconds,
                                               {record.name, record.score, record.country, now});
  if (result != ClaimResult::kStored) return Refuse(ClaimRefusal(result));
  RefreshTable(backend.TableGeneration());
  return Reply{200, std::string(kPlainText), "OK\n", 0};
}

Reply ScoreService::TablePage() {
  const std::int64_t generation = store_.Backend().TableGeneration();
  if (generation != tableGeneration_) RefreshTable(generation);
  std::shared_ptr<const std::string> page;
  {
    std::lock_guard lock(tableMutex_);
    page = tablePage_;
  }
  return Reply{200, std::string(kHtml), *page, 0};
}

Reply ScoreService::HomePage() const {
  return Reply{200, std::string(kHtml), homePage_, 0};
}

void ScoreService::RefreshTable(std::int64_t generation) {
  std::lock_guard refresh(refreshMutex_);
  // Read before the rows: a change in between makes the next request rebuild again, never
  // leaves a stale table looking fresh.
  if (generation == tableGeneration_ && tablePage_) return;
  auto page = std::make_shared<const std::string>(RenderTablePage(store_.BestScores(kTableLength)));
  std::lock_guard lock(tableMutex_);
  tablePage_ = std::move(page);
  tableGeneration_ = generation;
}

}  // namespace brakkon::server
