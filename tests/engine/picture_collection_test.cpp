// Picture items and their collection: pattern cutting, drawing, look-up by
// name, archive loading and the binding to the display's notifications.
#include "engine/picture_collection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/archive_writer.h"
#include "engine/dxdraw.h"
#include "engine/errors.h"
#include "platform/headless/headless_platform.h"

namespace brakkon::engine {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Every pixel a different colour that survives the conversion to 16 bits.
RgbImage Numbered(int width, int height) {
  RgbImage image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.At(x, y) = (static_cast<std::uint32_t>(x * 8 % 256) << 16) |
                       (static_cast<std::uint32_t>(y * 4 % 256) << 8) | 0x08;
    }
  }
  return image;
}

ImageArchiveItem Item(const std::string& name, RgbImage image, int patternWidth = 0,
                      int patternHeight = 0) {
  ImageArchiveItem item;
  item.name = name;
  item.image = std::move(image);
  item.patternWidth = patternWidth;
  item.patternHeight = patternHeight;
  return item;
}

Bytes PictureData(const std::string& className, const Bytes& data) {
  Bytes b = {static_cast<std::uint8_t>(className.size())};
  b.insert(b.end(), className.begin(), className.end());
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

// An archive of one item written property by property.
Bytes OneItemArchive(const std::function<void(TComponentWriter&)>& properties) {
  TComponentWriter writer("IMAGES", "TPictureCollectionComponent", "");
  writer.PropertyName("List");
  writer.BeginCollection();
  writer.BeginItem();
  properties(writer);
  writer.EndItem();
  writer.EndCollection();
  return writer.Finish();
}

// A display that is up, with an image list bound to it.
struct Display {
  platform::HeadlessVideo video;
  TDXDraw draw{video};
  TDXImageList list;
  Display() {
    list.SetDXDraw(&draw);
    draw.Initialize();
  }
};

TEST(PictureItem, PatternCountsAndRectanglesFollowTheCellGrid) {
  struct Case {
    int pictureWidth, pictureHeight, patternWidth, patternHeight, skipWidth, skipHeight;
    int count;
    TRect lastRect;
  };
  const std::vector<Case> cases = {
      {256, 64, 64, 64, 0, 0, 4, {192, 0, 256, 64}},
      {256, 64, 64, 64, 1, 0, 3, {130, 0, 194, 64}},
      {100, 50, 0, 0, 0, 0, 1, {0, 0, 100, 50}},
      {100, 50, 0, 0, 5, 5, 1, {0, 0, 100, 50}},
      {64, 32, 32, 0, 0, 0, 2, {32, 0, 64, 32}},
      {64, 64, 10, 10, 2, 3, 25, {48, 52, 58, 62}},
      // The last cell holds a whole pattern but only part of its skip.
      {102, 35, 30, 35, 5, 0, 3, {70, 0, 100, 35}},
      {50, 50, 60, 60, 0, 0, 0, {}},
      // A negative skip overlaps the patterns; the last one still ends inside the picture.
      {50, 50, 10, 10, -5, 0, 45, {40, 40, 50, 50}},
      {50, 50, 10, 10, 0, -9, 205, {40, 40, 50, 50}},
      // A cell of no pixels cuts nothing.
      {50, 50, 10, 10, -10, 0, 0, {}},
      {50, 50, 10, 10, -15, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.pictureWidth << "x" << c.pictureHeight << " by " << c.patternWidth << "x"
                 << c.patternHeight << " skip " << c.skipWidth << "," << c.skipHeight);
    ImageArchiveItem item =
        Item("P", Numbered(c.pictureWidth, c.pictureHeight), c.patternWidth, c.patternHeight);
    item.skipWidth = c.skipWidth;
    item.skipHeight = c.skipHeight;
    const Bytes archive = WriteImageArchive({item});

    TPictureCollection unbound;
    unbound.LoadArchiveBytes(archive);
    EXPECT_EQ(unbound.Items(0).PatternCount(), c.count) << "before surfaces exist";

    Display display;
    display.list.Items().LoadArchiveBytes(archive);
    const TPictureCollectionItem& loaded = display.list.Items().Items(0);
    EXPECT_EQ(loaded.PatternCount(), c.count);
    EXPECT_EQ(loaded.PatternRect(c.count - 1), c.lastRect);
    EXPECT_EQ(loaded.PatternSurface(0) != nullptr, c.count > 0);
  }
}

TEST(PictureItem, DrawCopiesOnePatternAndNothingOutsideThePatterns) {
  Display display;
  const RgbImage image = Numbered(256, 64);
  display.list.Items().LoadArchiveBytes(WriteImageArchive({Item("Strip", image, 64, 64)}));
  TPictureCollectionItem& strip = display.list.Items().ItemByName("Strip");
  ASSERT_TRUE(strip.Initialized());
  EXPECT_EQ(strip.Width(), 64);
  EXPECT_EQ(strip.Height(), 64);

  TDirectDrawSurface dest(100, 100);
  for (int index : {-1, 4, 1000}) {
    EXPECT_EQ(strip.PatternRect(index), TRect{}) << index;
    EXPECT_EQ(strip.PatternSurface(index), nullptr) << index;
    strip.Draw(dest, 0, 0, index);
    strip.DrawRotated(dest, 50, 50, 64, 64, index, 0.5, 0.5, 0);
  }
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) ASSERT_EQ(dest.Pixel(x, y), 0) << x << "," << y;
  }

  strip.Draw(dest, 10, 20, 2);
  EXPECT_EQ(dest.Pixel(10, 20), Rgb565FromRgb(image.At(128, 0)));
  EXPECT_EQ(dest.Pixel(73, 83), Rgb565FromRgb(image.At(191, 63)));
  EXPECT_EQ(dest.Pixel(74, 20), 0);
  EXPECT_EQ(dest.Pixel(9, 20), 0);

  TDirectDrawSurface rotated(100, 100);
  strip.DrawRotated(rotated, 10, 20, 64, 64, 2, 0, 0, 0);
  EXPECT_EQ(rotated.Pixel(10, 20), Rgb565FromRgb(image.At(128, 0)));
}

TEST(PictureItem, TransparentColourFromTheArchiveKeysTheSurface) {
  constexpr std::uint32_t kFuchsia = 0xFF00FF;  // as 0x00RRGGBB
  RgbImage image(4, 1);
  image.pixels = {kFuchsia, 0xFF0000, kFuchsia, 0x00FF00};
  for (const char* ident : {"clFuchsia", "CLfuchsia"}) {
    Display display;
    display.list.Items().LoadArchiveBytes(OneItemArchive([&](TComponentWriter& w) {
      w.PropertyName("Name");
      w.String("Keyed");
      w.PropertyName("Picture.Data");
      w.Binary(EncodeDib24PictureData(image));
      w.PropertyName("TransparentColor");
      w.Identifier(ident);
    }));
    TPictureCollectionItem& item = display.list.Items().ItemByName("keyed");
    EXPECT_EQ(item.TransparentColor(), 0xFF00FFu);
    EXPECT_TRUE(item.Transparent);

    TDirectDrawSurface dest(4, 1);
    dest.Fill(0x1234);
    item.Draw(dest, 0, 0, 0);
    EXPECT_EQ(dest.Pixel(0, 0), 0x1234);
    EXPECT_EQ(dest.Pixel(1, 0), Rgb565FromRgb(0xFF0000));
    EXPECT_EQ(dest.Pixel(2, 0), 0x1234);

    // A new key applies to the surface that already exists.
    item.SetTransparentColor(0x0000FF);  // clRed as TColor
    dest.Fill(0x1234);
    item.Draw(dest, 0, 0, 0);
    EXPECT_EQ(dest.Pixel(0, 0), Rgb565FromRgb(kFuchsia));
    EXPECT_EQ(dest.Pixel(1, 0), 0x1234);

    item.Transparent = false;
    item.Draw(dest, 0, 0, 0);
    EXPECT_EQ(dest.Pixel(1, 0), Rgb565FromRgb(0xFF0000));
  }

  Display system;
  system.list.Items().LoadArchiveBytes(OneItemArchive([&](TComponentWriter& w) {
    w.PropertyName("Picture.Data");
    w.Binary(EncodeDib24PictureData(image));
    w.PropertyName("TransparentColor");
    w.Identifier("clBtnFace");
  }));
  EXPECT_EQ(system.list.Items().Items(0).TransparentColor(), 0xFF00000Fu);
}

TEST(PictureCollection, ItemByNameIgnoresCaseAndFindsTheLastNamed) {
  TPictureCollection collection;
  collection.LoadArchiveBytes(
      WriteImageArchive({Item("Car1_Active", Numbered(4, 4)), Item("Twin", Numbered(2, 2)),
                         Item("Other", Numbered(3, 3)), Item("TWIN", Numbered(5, 5))}));
  ASSERT_EQ(collection.Count(), 4);
  EXPECT_EQ(&collection.ItemByName("car1_active"), &collection.Items(0));
  EXPECT_EQ(&collection.ItemByName("CAR1_ACTIVE"), &collection.Items(0));
  EXPECT_EQ(&collection.ItemByName("twin"), &collection.Items(3));
  EXPECT_EQ(collection.Items(3).Index(), 3);

  // Renaming puts the item at the head of its chain; deleting unlinks it.
  collection.Items(1).SetName("Twin");
  EXPECT_EQ(&collection.ItemByName("Twin"), &collection.Items(1));
  collection.Delete(1);
  EXPECT_EQ(collection.ItemByName("Twin").Picture().Width(), 5);
  EXPECT_EQ(collection.Items(2).Index(), 2);
  collection.Delete(2);
  EXPECT_EQ(collection.Find("twin"), nullptr);

  try {
    collection.ItemByName("Car1_Activ");
    ADD_FAILURE() << "no error";
  } catch (const EPictureCollectionError& e) {
    EXPECT_STREQ(e.what(), "Image 'Car1_Activ' not found");
  }
  try {
    collection.Items(2);
    ADD_FAILURE() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
}

TEST(PictureCollection, UnknownPictureClassLeavesTheItemWithoutPicture) {
  Display display;
  display.list.Items().LoadArchiveBytes(OneItemArchive([](TComponentWriter& w) {
    w.PropertyName("Name");
    w.String("Meta");
    w.PropertyName("PatternWidth");
    w.Integer(8);
    w.PropertyName("Picture.Data");
    w.Binary(PictureData("TMetafile", {1, 2, 3, 4}));
  }));
  TPictureCollectionItem& item = display.list.Items().ItemByName("Meta");
  EXPECT_EQ(item.Picture().Graphic(), nullptr);
  item.BuildSurfaces();
  EXPECT_EQ(item.PatternCount(), 0);
  EXPECT_EQ(item.PatternSurface(0), nullptr);
  TDirectDrawSurface dest(8, 8);
  item.Draw(dest, 0, 0, 0);
  EXPECT_EQ(dest.Pixel(0, 0), 0);
}

TEST(PictureCollection, EmptyListLeavesTheCollectionEmptyAndKeepsTheColourTable) {
  TComponentWriter writer("IMAGES", "TPictureCollectionComponent", "");
  Bytes table(1024);
  table[4] = 0x11;  // entry 1: blue
  table[5] = 0x22;
  table[6] = 0x33;
  writer.PropertyName("Tag");
  writer.Integer(5);
  writer.PropertyName("List.ColorTable");
  writer.Binary(table);
  writer.PropertyName("List");
  writer.BeginCollection();
  writer.EndCollection();
  TPictureCollection collection;
  collection.LoadArchiveBytes(WriteImageArchive({Item("Old", Numbered(2, 2))}));
  collection.LoadArchiveBytes(writer.Finish());
  EXPECT_EQ(collection.Count(), 0);
  EXPECT_EQ(collection.Find("Old"), nullptr);
  EXPECT_EQ(collection.ColorTable[1], 0x332211u);
}

TEST(PictureCollection, FailedLoadKeepsTheItemsReadSoFar) {
  TComponentWriter writer("IMAGES", "TPictureCollectionComponent", "");
  writer.PropertyName("List");
  writer.BeginCollection();
  writer.BeginItem();
  writer.PropertyName("Name");
  writer.String("First");
  writer.EndItem();
  writer.BeginItem();
  writer.PropertyName("Nmae");
  writer.String("Second");
  writer.EndItem();
  writer.EndCollection();
  TPictureCollection collection;
  try {
    collection.LoadArchiveBytes(writer.Finish());
    ADD_FAILURE() << "no error";
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Error reading .Nmae: Property Nmae does not exist");
  }
  EXPECT_NE(collection.Find("First"), nullptr);
}

TEST(PictureCollection, LoadArchiveReadsFilesAndNamesThoseItCannotOpen) {
  const std::filesystem::path dir =
      std::filesystem::path(testing::TempDir()) / "picture_collection_test";
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "Res1.dxg").string();
  WriteFileBytes(file, WriteImageArchive({Item("MainMenuBackground", Numbered(8, 6))}));

  TPictureCollection collection;
  collection.LoadArchive(file);
  EXPECT_EQ(collection.ItemByName("MainMenuBackground").Picture().Width(), 8);

  const std::string missing = (dir / "Missing.dxg").string();
  for (const std::string& path : {missing, dir.string()}) {
    try {
      collection.LoadArchive(path);
      ADD_FAILURE() << path;
    } catch (const EFOpenError& e) {
      const std::string prefix = "Cannot open file \"" + path + "\". ";
      EXPECT_EQ(std::string(e.what()).substr(0, prefix.size()), prefix);
      EXPECT_GT(std::string(e.what()).size(), prefix.size()) << "the platform's reason";
    }
  }
  try {
    collection.LoadArchive(missing);
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos);
  }
}

TEST(ImageList, SurfacesLiveWhileTheDisplayIsInitialised) {
  platform::HeadlessVideo video;
  auto draw = std::make_unique<TDXDraw>(video);
  TDXImageList list;
  list.Items().LoadArchiveBytes(WriteImageArchive({Item("A", Numbered(8, 8), 4, 4)}));
  TPictureCollectionItem& item = list.Items().Items(0);
  list.SetDXDraw(draw.get());
  EXPECT_FALSE(item.Initialized());
  EXPECT_EQ(item.PatternSurface(0), nullptr);

  draw->Initialize();
  EXPECT_TRUE(list.Items().Initialized());
  EXPECT_EQ(list.Items().DXDraw(), draw.get());
  EXPECT_TRUE(item.Initialized());
  EXPECT_NE(item.PatternSurface(3), nullptr);

  draw->Finalize();
  EXPECT_FALSE(item.Initialized());
  EXPECT_FALSE(list.Items().Initialized());
  EXPECT_EQ(item.PatternSurface(0), nullptr);
  EXPECT_EQ(item.PatternCount(), 4) << "computed from the picture";

  draw->Initialize();
  EXPECT_NE(item.PatternSurface(0), nullptr);

  // Loading while the display is up builds the surfaces at once.
  list.Items().LoadArchiveBytes(WriteImageArchive({Item("B", Numbered(8, 8))}));
  EXPECT_TRUE(list.Items().Items(0).Initialized());
  EXPECT_NE(list.Items().Items(0).PatternSurface(0), nullptr);

  draw.reset();
  EXPECT_EQ(list.DXDraw(), nullptr);
  EXPECT_FALSE(list.Items().Initialized());
  EXPECT_EQ(list.Items().Items(0).PatternSurface(0), nullptr);
}

TEST(ImageList, BindingToADisplayAlreadyUpBuildsAndUnbindingReleases) {
  platform::HeadlessVideo video;
  TDXDraw draw(video);
  draw.Initialize();
  TDXImageList list;
  list.Items().LoadArchiveBytes(WriteImageArchive({Item("A", Numbered(8, 8))}));
  list.SetDXDraw(&draw);
  EXPECT_NE(list.Items().Items(0).PatternSurface(0), nullptr);
  list.SetDXDraw(nullptr);
  EXPECT_EQ(list.Items().Items(0).PatternSurface(0), nullptr);
  draw.Finalize();
  draw.Initialize();
  EXPECT_EQ(list.Items().Items(0).PatternSurface(0), nullptr) << "no longer listening";
}

TEST(PictureCollection, CannotBeInitialisedWithoutAnInitialisedDisplay) {
  platform::HeadlessVideo video;
  TDXDraw draw(video);
  TPictureCollection collection;
  collection.LoadArchiveBytes(WriteImageArchive({Item("A", Numbered(4, 4))}));
  for (TDXDraw* display : {static_cast<TDXDraw*>(nullptr), &draw}) {
    try {
      collection.InitializeFor(display);
      ADD_FAILURE() << "no error";
    } catch (const EPictureCollectionError& e) {
      EXPECT_STREQ(e.what(), "TPictureCollection cannot be initialized");
    }
    EXPECT_FALSE(collection.Initialized());
    collection.Restore();
    EXPECT_EQ(collection.Items(0).PatternSurface(0), nullptr);
  }
}

}  // namespace
}  // namespace brakkon::engine
