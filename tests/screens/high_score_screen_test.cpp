// The high-score screen: the drawn table, clearing it and the online table's link.
#include <gtest/gtest.h>

#include "records/web_links.h"
#include "screens/game_fixture.h"

namespace brakkon::test {
namespace {

using platform::vk::kLeft;
using platform::vk::kRight;
using shell::TGameState;

constexpr std::uint32_t kTableInk = 0x281808;  // glyph outline of the medium active font

class HighScoreScreenTest : public GameFixture {
 protected:
  void OpenHighScores() {
    StartAtRest();
    ClickSlot(3);
    Ticks(1);
    ASSERT_EQ(shell().GameState, TGameState::HighScores);
  }
  // Ink of row n (1 to 10) between x0 and x1.
  int RowInk(int n, int x0, int x1) {
    const int y = 126 + 26 * n;
    return CountFramePixels(x0, y, x1, y + 24, kTableInk);
  }
};

TEST_F(HighScoreScreenTest, ShowsTheTenRowsAndLeftRightMovesBetweenItsButtons) {
  CopyBakedSaves();
  OpenHighScores();
  SaveFrame("high-scores-default");
  EXPECT_EQ(shell().ActiveButton, 8);
  for (int n = 1; n <= 10; ++n) {
    SCOPED_TRACE(n);
    EXPECT_GT(RowInk(n, 53, 90), 0);    // rank
    EXPECT_GT(RowInk(n, 126, 280), 0);  // "ANONYMOUS"
    EXPECT_GT(RowInk(n, 377, 460), 0);  // score
    EXPECT_EQ(RowInk(n, 290, 370), 0);  // nothing between name and score
  }
  // The last text drawn is slot 10's score "200" from x 377.
  EXPECT_EQ(shell().TextEndX, 377 + 14 + 13 + 13);

  for (int key : {kLeft, kLeft, kRight, kRight}) {
    const int before = shell().ActiveButton;
    StepKey(key);
    EXPECT_EQ(shell().ActiveButton, before == 8 ? 7 : 8);
    EXPECT_TRUE(shell().Buttons[shell().ActiveButton]->IsActive);
  }
}

TEST_F(HighScoreScreenTest, ClearResetsTheTableAndTheScreenStays) {
  OpenHighScores();  // no save files: ten empty names scoring 0
  EXPECT_EQ(RowInk(1, 126, 280), 0);
  auto& table = form().Records.HighScores;
  table[records::kStagingIndex].Name = "STAGED";

  TapKey(kLeft);
  Ticks(1);
  ASSERT_EQ(shell().ActiveButton, 7);
  Type("\r");
  DeliverEvents();
  const auto defaults = records::DefaultHighScores();
  for (int i = 0; i < records::kHighScoreTableSize; ++i) {
    EXPECT_EQ(table[i].Name, defaults[i].Name);
    EXPECT_EQ(table[i].Score, defaults[i].Score);
  }
  EXPECT_EQ(table[records::kStagingIndex].Name, "STAGED");
  Ticks(1);
  EXPECT_EQ(shell().GameState, TGameState::HighScores);
  EXPECT_GT(RowInk(1, 126, 280), 0);
}

TEST_F(HighScoreScreenTest, ViewOnlineOpensTheAddressOnEveryClick) {
  OpenHighScores();
  ClickSlot(8);
  platform.input.PushClick(shell().MouseX, shell().MouseY);
  Ticks(1);
  EXPECT_EQ(platform.opener.addresses,
            (std::vector<std::string>{records::OnlineTableAddress(records::kScoreHost),
                                      records::OnlineTableAddress(records::kScoreHost)}));
  EXPECT_EQ(shell().GameState, TGameState::HighScores);
  // An unanswered open changes nothing either.
  platform.opener.succeed = false;
  Type(" ");
  Ticks(1);
  EXPECT_EQ(platform.opener.addresses.size(), 3u);
  EXPECT_EQ(shell().GameState, TGameState::HighScores);
  EXPECT_TRUE(platform.dialogs.messages.empty());
}

}  // namespace
}  // namespace brakkon::test
