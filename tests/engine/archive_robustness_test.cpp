// Archives are files a player can replace: every truncation and corruption of
// a real archive must end in one of the documented errors, never in a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/archive_writer.h"
#include "engine/dxdraw.h"
#include "engine/errors.h"
#include "engine/picture_collection.h"
#include "platform/headless/headless_platform.h"

namespace brakkon::engine {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// "TDIB" data of an 8 x 4 run-length picture with a two-colour table.
Bytes Rle8PictureData() {
  Bytes b = {4, 'T', 'D', 'I', 'B'};
  const Bytes runs = {8, 1, 0, 0, 0, 4, 0, 1, 0, 1, 0, 2, 2, 1, 3, 1, 0, 0, 8, 0, 0, 1};
  for (std::uint32_t v : {40u, 8u, 4u}) Put32(b, v);
  b.insert(b.end(), {1, 0, 8, 0});
  for (std::uint32_t v : {1u, static_cast<std::uint32_t>(runs.size()), 0u, 0u, 2u, 0u}) Put32(b, v);
  Put32(b, 0x000000);
  Put32(b, 0xFFFFFF);
  b.insert(b.end(), runs.begin(), runs.end());
  return b;
}

// A small archive with patterns, skips, a colour identifier and both kinds of DIB.
Bytes RealArchive() {
  RgbImage strip(12, 4);
  for (std::size_t i = 0; i < strip.pixels.size(); ++i) {
    strip.pixels[i] = static_cast<std::uint32_t>(i * 0x0A0B0C);
  }
  TComponentWriter writer("RES1", "TPictureCollectionComponent", "");
  writer.PropertyName("List.ColorTable");
  writer.Binary(Bytes(1024, 0x40));
  writer.PropertyName("List");
  writer.BeginCollection();
  writer.BeginItem();
  writer.PropertyName("Name");
  writer.String("Strip");
  writer.PropertyName("PatternHeight");
  writer.Integer(4);
  writer.PropertyName("PatternWidth");
  writer.Integer(3);
  writer.PropertyName("Picture.Data");
  writer.Binary(EncodeDib24PictureData(strip));
  writer.PropertyName("SkipWidth");
  writer.Integer(1);
  writer.PropertyName("SystemMemory");
  writer.Boolean(false);
  writer.PropertyName("Transparent");
  writer.Boolean(true);
  writer.PropertyName("TransparentColor");
  writer.Identifier("clFuchsia");
  writer.EndItem();
  writer.BeginItem();
  writer.PropertyName("Name");
  writer.String("Runs");
  writer.PropertyName("Picture.Data");
  writer.Binary(Rle8PictureData());
  writer.EndItem();
  writer.EndCollection();
  return writer.Finish();
}

// One display for all loads: setting one up per load would dominate the run time.
struct Display {
  platform::HeadlessVideo video;
  TDXDraw draw{video};
  TDXImageList list;
  Display() {
    list.SetDXDraw(&draw);
    draw.Initialize();
  }
};

// Loads into a collection bound to an initialised display, so surfaces are
// cut too. Returns the error message, or "" when the archive loaded.
std::string LoadMessage(const Bytes& bytes) {
  static Display display;
  TDXImageList& list = display.list;
  try {
    list.Items().LoadArchiveBytes(bytes);
    for (int i = 0; i < list.Items().Count(); ++i) {
      TPictureCollectionItem& item = list.Items().Items(i);
      TDirectDrawSurface dest(16, 16);
      for (int pattern = -1; pattern <= item.PatternCount(); ++pattern) {
        item.Draw(dest, 0, 0, pattern);
        item.DrawRotated(dest, 8, 8, 16, 16, pattern, 0.5, 0.5, 32);
      }
    }
  } catch (const EReadError& e) {
    return e.what();
  } catch (const EInvalidImage& e) {
    return e.what();
  } catch (const EInvalidGraphic& e) {
    return e.what();
  }
  return "";
}

bool IsDocumentedMessage(const std::string& message) {
  static const std::vector<std::string> kExact = {"Invalid stream format", "Stream read error",
                                                  "Invalid property value", "DIB is invalid",
                                                  "PixelFormat in invalid"};
  for (const std::string& m : kExact) {
    if (message == m) return true;
  }
  return message.starts_with("Error reading ") || message.starts_with("Bitcount in invalid (");
}

TEST(ArchiveRobustness, TheRealArchiveLoads) {
  EXPECT_EQ(LoadMessage(RealArchive()), "");
  TPictureCollection collection;
  collection.LoadArchiveBytes(RealArchive());
  ASSERT_EQ(collection.Count(), 2);
  EXPECT_EQ(collection.ItemByName("Strip").PatternCount(), 3);
  const Rgb565Image& runs = collection.ItemByName("Runs").Picture().Graphic()->Image();
  EXPECT_EQ(runs.At(0, 3), 0xFFFFu) << "the first run fills the bottom row";
  EXPECT_EQ(runs.At(0, 2), 0u);
}

TEST(ArchiveRobustness, EveryTruncationRaisesADocumentedError) {
  const Bytes archive = RealArchive();
  for (std::size_t size = 0; size < archive.size(); ++size) {
    const std::string message = LoadMessage(Bytes(archive.begin(), archive.begin() + size));
    ASSERT_TRUE(IsDocumentedMessage(message)) << "cut at " << size << ": \"" << message << "\"";
  }
}

TEST(ArchiveRobustness, EveryCorruptedByteLoadsOrRaisesADocumentedError) {
  const Bytes archive = RealArchive();
  for (std::size_t offset = 0; offset < archive.size(); ++offset) {
    for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0x7F}, std::uint8_t{0xFF},
                               static_cast<std::uint8_t>(archive[offset] ^ 0x01)}) {
      if (value == archive[offset]) continue;
      Bytes corrupt = archive;
      corrupt[offset] = value;
      const std::string message = LoadMessage(corrupt);
      ASSERT_TRUE(message.empty() || IsDocumentedMessage(message))
          << "byte " << offset << " = " << int{value} << ": \"" << message << "\"";
    }
  }
}

// Offsets into the first item's TDIB payload, found by searching the archive.
std::size_t DibOffset(const Bytes& archive) {
  const Bytes marker = {4, 'T', 'D', 'I', 'B'};
  const auto at = std::search(archive.begin(), archive.end(), marker.begin(), marker.end());
  return static_cast<std::size_t>(at - archive.begin()) + marker.size();
}

TEST(ArchiveRobustness, CorruptedHeadersGiveTheirOwnErrors) {
  const Bytes archive = RealArchive();
  const std::size_t dib = DibOffset(archive);
  struct Case {
    const char* name;
    std::size_t offset;
    std::vector<std::uint8_t> bytes;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"resource marker", 0, {0x00}, "Invalid stream format"},
      {"resource type", 1, {11}, "Invalid stream format"},
      {"signature", 3 + 5 + 6, {'X'}, "Invalid stream format"},
      {"DIB header size", dib, {41}, "DIB is invalid"},
      {"DIB width", dib + 4, {0xA0, 0x86, 0x01, 0x00}, "DIB is invalid"},
      {"DIB height", dib + 8, {0xA0, 0x86, 0x01, 0x00}, "DIB is invalid"},
      {"DIB bit count", dib + 14, {3}, "Bitcount in invalid (3)"},
      {"DIB compression", dib + 16, {7}, "DIB is invalid"},
      {"DIB bit fields on 24 bits", dib + 16, {3}, "DIB is invalid"},
      {"binary length", dib - 9, {0xFF, 0xFF, 0xFF, 0x7F}, "Stream read error"},
  };
  for (const Case& c : cases) {
    Bytes corrupt = archive;
    std::copy(c.bytes.begin(), c.bytes.end(), corrupt.begin() + c.offset);
    EXPECT_EQ(LoadMessage(corrupt), c.message) << c.name;
  }
}

}  // namespace
}  // namespace brakkon::engine
