// The roots of both archive kinds: what the component class may carry beside
// the list loads, and a property it does not have is named with its root.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/archive_writer.h"
#include "engine/errors.h"
#include "engine/picture_collection.h"
#include "io/dx_sound.h"

namespace brakkon::io {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct ArchiveKind {
  const char* name;
  // Writes an archive of one item called "Item" with the given root.
  std::function<Bytes(const engine::ArchiveRoot&)> write;
  // Loads it into a fresh collection; answers the item count.
  std::function<int(const Bytes&)> load;
};

Bytes SilentWave() {
  TWaveStream stream;
  stream.Open(true);
  const Bytes format = {1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0};
  stream.SetFormat(format);
  stream.Write(Bytes(8, 0));
  return stream.Image();
}

const std::vector<ArchiveKind>& Kinds() {
  static const std::vector<ArchiveKind> kinds = {
      {"images",
       [](const engine::ArchiveRoot& root) {
         engine::ImageArchiveItem item;
         item.name = "Item";
         item.image = engine::RgbImage(4, 2);
         return engine::WriteImageArchive({item}, "IMAGES", root);
       },
       [](const Bytes& bytes) {
         engine::TPictureCollection collection;
         collection.LoadArchiveBytes(bytes);
         return collection.Count();
       }},
      {"sounds",
       [](const engine::ArchiveRoot& root) {
         return engine::WriteSoundArchive({{"Item", false, 0, SilentWave()}}, "SOUNDS", root);
       },
       [](const Bytes& bytes) {
         TWaveCollection collection;
         collection.LoadFromBytes(bytes);
         return collection.Count();
       }},
  };
  return kinds;
}

TEST(ArchiveRoot, APlacedComponentsPositionAndTagAreAcceptedAndIgnored) {
  const engine::ArchiveRoot placed{"DXImageList1", {{"Left", 96}, {"Top", 48}, {"Tag", 3}}};
  for (const ArchiveKind& kind : Kinds()) {
    SCOPED_TRACE(kind.name);
    EXPECT_EQ(kind.load(kind.write(placed)), 1);
    EXPECT_EQ(kind.load(kind.write({})), 1);
  }
}

TEST(ArchiveRoot, APropertyTheComponentLacksIsNamedWithItsRoot) {
  struct Case {
    engine::ArchiveRoot root;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{"DXImageList1", {{"Width", 10}}},
       "Error reading DXImageList1.Width: Property Width does not exist"},
      // An unnamed root still gives the point between root and property.
      {{"", {{"Width", 10}}}, "Error reading .Width: Property Width does not exist"},
  };
  for (const ArchiveKind& kind : Kinds()) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << kind.name << ": " << c.message);
      try {
        kind.load(kind.write(c.root));
        ADD_FAILURE() << "loaded";
      } catch (const engine::EReadError& e) {
        EXPECT_STREQ(e.what(), c.message);
      }
    }
  }
}

}  // namespace
}  // namespace brakkon::io
