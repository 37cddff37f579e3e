// Writes the seed corpus of every fuzz target: small archives, WAVE images, save
// files, replay scripts and submission codes made by the game's own writers,
// plus one-picture archives cut from the baked data when its folder is given.
// Usage: brakkon_fuzz_seeds OUT_DIR [BAKED_DATA_DIR]
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/archive_writer.h"
#include "engine/picture_collection.h"
#include "engine/rgb_image.h"
#include "records/game_options.h"
#include "records/high_scores.h"
#include "records/score_codec.h"

namespace {

using namespace brakkon;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

void Save(const fs::path& folder, const std::string& name, const std::string& text) {
  fs::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
}

void Save(const fs::path& folder, const std::string& name, const Bytes& bytes) {
  Save(folder, name, std::string(bytes.begin(), bytes.end()));
}

void Put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

void PutTag(Bytes& b, const char* tag) {
  b.insert(b.end(), tag, tag + 4);
}

engine::RgbImage Gradient(int w, int h) {
  engine::RgbImage image(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.At(x, y) = (x * 40 % 256) << 16 | (y * 60 % 256) << 8 | ((x + y) % 2) * 0xFF;
  return image;
}

// A DIB with a colour table (1, 4 or 8 bits) or bit fields (16, 32), as `TDIB` picture data.
Bytes PalettedDib(int bitCount, std::uint32_t compression, const Bytes& pixels, int w, int h) {
  Bytes dib;
  const std::uint32_t colors = bitCount <= 8 ? (1u << bitCount) : 0;
  for (std::uint32_t v : {40u, static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h)}) Put32(dib, v);
  Put16(dib, 1);
  Put16(dib, static_cast<std::uint32_t>(bitCount));
  Put32(dib, compression);
  Put32(dib, static_cast<std::uint32_t>(pixels.size()));
  for (std::uint32_t v : {0u, 0u, colors, 0u}) Put32(dib, v);
  if (compression == 3) {
    const bool wide = bitCount == 32;
    for (std::uint32_t m : {wide ? 0xFF0000u : 0xF800u, wide ? 0xFF00u : 0x07E0u, wide ? 0xFFu : 0x001Fu})
      Put32(dib, m);
  }
  for (std::uint32_t i = 0; i < colors; ++i) Put32(dib, (i * 0x3F1F0Fu) & 0xFFFFFF);
  dib.insert(dib.end(), pixels.begin(), pixels.end());
  Bytes data;
  const std::string cls = "TDIB";
  data.push_back(static_cast<std::uint8_t>(cls.size()));
  data.insert(data.end(), cls.begin(), cls.end());
  data.insert(data.end(), dib.begin(), dib.end());
  return data;
}

Bytes OnePictureArchive(const std::string& name, const Bytes& pictureData, int patternWidth,
                        int patternHeight) {
  engine::TComponentWriter writer("RES", "TPictureCollectionComponent", "");
  writer.PropertyName("List.ColorTable");
  writer.Binary(Bytes(1024, 0x20));
  writer.PropertyName("List");
  writer.BeginCollection();
  writer.BeginItem();
  writer.PropertyName("Name");
  writer.String(name);
  writer.PropertyName("PatternHeight");
  writer.Integer(patternHeight);
  writer.PropertyName("PatternWidth");
  writer.Integer(patternWidth);
  writer.PropertyName("Picture.Data");
  writer.Binary(pictureData);
  writer.PropertyName("SkipWidth");
  writer.Integer(1);
  writer.PropertyName("Transparent");
  writer.Boolean(true);
  writer.PropertyName("TransparentColor");
  writer.Identifier("clFuchsia");
  writer.EndItem();
  writer.EndCollection();
  return writer.Finish();
}

void ImageSeeds(const fs::path& out, const fs::path& baked) {
  const fs::path folder = out / "image_archive";
  std::vector<engine::ImageArchiveItem> items;
  items.push_back({"Strip", 3, 4, 1, 0, false, true, 0, Gradient(12, 4)});
  items.push_back({"Whole", 0, 0, 0, 0, true, false, 0x00FF00FF, Gradient(5, 3)});
  Save(folder, "written", engine::WriteImageArchive(items, "RES1"));
  // Every stored pixel format the reader takes, 4 x 2 pixels, rows padded to 4 bytes.
  Save(folder, "dib1", OnePictureArchive("One", PalettedDib(1, 0, {0xA0, 0, 0, 0, 0x50, 0, 0, 0}, 4, 2), 2, 2));
  Save(folder, "dib4", OnePictureArchive("Four", PalettedDib(4, 0, {0x12, 0x34, 0, 0, 0x56, 0x78, 0, 0}, 4, 2), 0, 0));
  Save(folder, "dib8", OnePictureArchive("Eight", PalettedDib(8, 0, {1, 2, 3, 4, 5, 6, 7, 8}, 4, 2), 2, 1));
  Save(folder, "dib16", OnePictureArchive("Sixteen", PalettedDib(16, 3, Bytes(16, 0x5A), 4, 2), 0, 0));
  Save(folder, "dib32", OnePictureArchive("ThirtyTwo", PalettedDib(32, 3, Bytes(32, 0xC3), 4, 2), 0, 0));
  // Run-length 8: a run, an absolute run, end of line, end of picture.
  Save(folder, "rle8", OnePictureArchive("Runs", PalettedDib(8, 1, {4, 1, 0, 0, 0, 4, 2, 3, 4, 5, 0, 1}, 4, 2), 0, 0));
  Save(folder, "rle4", OnePictureArchive("Runs4", PalettedDib(4, 2, {4, 0x12, 0, 0, 4, 0x34, 0, 1}, 4, 2), 0, 0));
  if (baked.empty()) return;
  // The baked pictures that are small enough to keep a run quick, one per archive.
  engine::TPictureCollection collection;
  collection.LoadArchive((baked / "Res" / "Res3.dxg").string());
  for (int i = 0; i < collection.Count(); ++i) {
    auto& item = collection.Items(i);
    const auto& image = item.Picture().Graphic()->Image();
    if (image.width * image.height > 64 * 64) continue;
    engine::RgbImage rgb(image.width, image.height);
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) {
        const std::uint16_t p = image.At(x, y);
        rgb.At(x, y) = ((p >> 11) << 19) | (((p >> 5) & 0x3F) << 10) | ((p & 0x1F) << 3);
      }
    Save(folder, "baked_" + item.Name(),
         engine::WriteImageArchive({{item.Name(), item.PatternWidth, item.PatternHeight, item.SkipWidth,
                                     item.SkipHeight, false, item.Transparent, 0, rgb}}));
  }
}

Bytes Wave(int channels, int bits, int frames) {
  const int blockAlign = channels * bits / 8;
  Bytes b;
  PutTag(b, "RIFF");
  Put32(b, static_cast<std::uint32_t>(4 + 8 + 16 + 8 + frames * blockAlign));
  PutTag(b, "WAVE");
  PutTag(b, "fmt ");
  Put32(b, 16);
  Put16(b, 1);
  Put16(b, static_cast<std::uint32_t>(channels));
  Put32(b, 22050);
  Put32(b, static_cast<std::uint32_t>(22050 * blockAlign));
  Put16(b, static_cast<std::uint32_t>(blockAlign));
  Put16(b, static_cast<std::uint32_t>(bits));
  PutTag(b, "data");
  Put32(b, static_cast<std::uint32_t>(frames * blockAlign));
  for (int i = 0; i < frames * blockAlign; ++i) b.push_back(static_cast<std::uint8_t>(i * 37));
  return b;
}

void SoundSeeds(const fs::path& out) {
  const fs::path folder = out / "sound_archive";
  Save(folder, "mono16", engine::WriteSoundArchive({{"Tick", false, 1, Wave(1, 16, 40)}}));
  Save(folder, "mixed", engine::WriteSoundArchive({{"Loop", true, 0, Wave(2, 8, 30)},
                                                   {"Press", false, 2, Wave(2, 16, 20)}}));
}

void SaveSeeds(const fs::path& out) {
  records::THighScoreTable table{};
  records::ResetHighScores(table);
  Save(out / "high_scores", "default", records::FormatHighScores(table));
  table[1].Name = "ZOE";
  table[1].Score = 123455;
  Save(out / "high_scores", "entered", records::FormatHighScores(table));
  Save(out / "high_scores", "damaged", std::string("A\r\n12x\r\n0\r\n"));
  records::TGameOptions options;
  Save(out / "options", "default", records::FormatOptions(options, table));
  options.FullScreen = true;
  options.Country = "NEW ZEALAND";
  Save(out / "options", "changed", records::FormatOptions(options, table));
}

void ReplaySeeds(const fs::path& out, const fs::path& golden) {
  const fs::path folder = out / "replay_script";
  Save(folder, "keys", std::string("seed 7\ncar 2\n0 up\n40 up,left\n55 fire,ctrl\n70 -\n# done\n"));
  Save(folder, "recorded",
       std::string("seed 3\ncar 4\n0 states 1 1\n12 states 5 5 4\n12 control 1\n20 lag 3\n30 end\n"));
  if (golden.empty() || !fs::is_directory(golden)) return;
  for (const auto& entry : fs::directory_iterator(golden))
    fs::copy_file(entry.path(), folder / entry.path().filename(), fs::copy_options::overwrite_existing);
}

void SubmissionSeeds(const fs::path& out) {
  const fs::path folder = out / "submission";
  Save(folder, "plain", records::EncodeRecord(records::BuildSubmissionRecord("ANNA", 1235, "48213", "NORWAY")));
  Save(folder, "empty", records::EncodeRecord(records::BuildSubmissionRecord("", 0, "1", "")));
  Save(folder, "long", records::EncodeRecord(records::BuildSubmissionRecord(
                           "A VERY LONG NAME OF THIRTY TWO CH", 9999995, "999999999", "SOUTH GEORGIA")));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT_DIR [BAKED_DATA_DIR] [REPLAY_DIR]\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  const fs::path baked = argc > 2 ? argv[2] : "";
  const fs::path golden = argc > 3 ? argv[3] : "";
  ImageSeeds(out, baked.empty() || !fs::exists(baked / "Res" / "Res3.dxg") ? fs::path() : baked);
  SoundSeeds(out);
  SaveSeeds(out);
  ReplaySeeds(out, golden);
  SubmissionSeeds(out);
  return 0;
}
