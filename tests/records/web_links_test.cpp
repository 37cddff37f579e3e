// The web pages the game opens and the exit link file, on the headless opener.
#include "records/web_links.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "records/save_fixture.h"

namespace brakkon::records {
namespace {

using Strings = std::vector<std::string>;

TEST(WebLinksTest, AddressesAreOnTheScoreHost) {
  EXPECT_EQ(WebSiteAddress(kScoreHost), "http://" BRAKKON_SCORE_HOST "/");
  EXPECT_EQ(OnlineTableAddress(kScoreHost),
            "http://" BRAKKON_SCORE_HOST "/cgi/version.pl?prg=Brakkon&show&type=0");
}

TEST(WebLinksTest, EveryRequestOpensAgainWhateverTheOutcome) {
  platform::HeadlessOpener opener;
  opener.succeed = false;
  OpenAddress(opener, OnlineTableAddress(kScoreHost));
  OpenAddress(opener, OnlineTableAddress(kScoreHost));
  EXPECT_EQ(opener.addresses, Strings(2, OnlineTableAddress(kScoreHost)));
  EXPECT_TRUE(opener.files.empty());
}

TEST(WebLinksTest, FindsTheShortcutsAddress) {
  struct Case {
    const char* text;
    const char* address;
  };
  const Case cases[] = {
      {"[InternetShortcut]\r\nURL=http://example.org/play\r\n", "http://example.org/play"},
      {"[InternetShortcut]\nurl = x\nUrl=https://example.org/a?b=c \r\n",
       "https://example.org/a?b=c"},
      {"[InternetShortcut]\r\nIconIndex=0\r\n  URL=http://x/\r\nURL=http://y/\r\n", "http://x/"},
      {"[InternetShortcut]\r\nURL=\r\n", ""},
      {"[InternetShortcut]\r\nMYURL=http://x/\r\n", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(LinkFileAddress(c.text), c.address) << c.text;
}

class LinkFileTest : public SaveFolderTest {};

TEST_F(LinkFileTest, OpensTheAddressInsideOrTheFileOrNothing) {
  platform::HeadlessOpener opener;
  OpenLinkFile(opener, files_);
  EXPECT_TRUE(opener.addresses.empty());
  EXPECT_TRUE(opener.files.empty());

  WriteFile("play.url", "[InternetShortcut]\r\nURL=http://example.org/play\r\n");
  OpenLinkFile(opener, files_);
  EXPECT_EQ(opener.addresses, Strings{"http://example.org/play"});
  EXPECT_TRUE(opener.files.empty());

  WriteFile("play.url", "[InternetShortcut]\r\n");
  OpenLinkFile(opener, files_);
  EXPECT_EQ(opener.files, Strings{"play.url"});
  EXPECT_EQ(opener.addresses.size(), 1u);
}

}  // namespace
}  // namespace brakkon::records
