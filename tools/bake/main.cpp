// The asset baker: draws, synthesizes and composes every picture, sound and tune
// of the game and writes them as the data files the game loads.
//
//   brakkon_bake GAME_DIR [ART_DIR]   the whole data set under GAME_DIR/Data, review pages in
//   ART_DIR brakkon_bake --saves GAME_DIR     only the default save files, where they are missing
//   brakkon_bake --icons DIR          the application icons under DIR/hicolor
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "art.h"
#include "canvas.h"
#include "contact_sheet.h"
#include "engine/archive_writer.h"
#include "icon.h"
#include "music.h"
#include "save_defaults.h"
#include "sounds.h"
#include "xm_writer.h"

namespace fs = std::filesystem;
using namespace brakkon;

namespace {

std::vector<engine::ImageArchiveItem> ToArchiveItems(const bake::PictureSet& pictures) {
  std::vector<engine::ImageArchiveItem> items;
  for (const bake::Picture& p : pictures) {
    engine::ImageArchiveItem item;
    item.name = p.name;
    item.patternWidth = p.patternWidth;
    item.patternHeight = p.patternHeight;
    item.transparent = p.transparent;
    item.transparentColor = 0;
    item.image = p.image;
    items.push_back(std::move(item));
  }
  return items;
}

void Bake(const fs::path& gameDir, const fs::path& artDir) {
  const fs::path res = gameDir / "Data" / "Res";
  const fs::path music = gameDir / "Data" / "Music";
  fs::create_directories(res);
  fs::create_directories(music);

  bake::FontLibrary fonts;
  bake::PictureSet race = bake::MakeRaceArt();
  bake::PictureSet menu = bake::MakeMenuArt(race);
  for (bake::Picture& font : bake::MakeFonts()) menu.push_back(std::move(font));

  engine::WriteFileBytes((res / "Res1.dxg").string(),
                         engine::WriteImageArchive(ToArchiveItems(menu)));
  engine::WriteFileBytes((res / "Res3.dxg").string(),
                         engine::WriteImageArchive(ToArchiveItems(race)));
  engine::WriteFileBytes((res / "Sounds.dxw").string(),
                         engine::WriteSoundArchive(bake::MakeSounds()));
  engine::WriteFileBytes((music / "Menu.xm").string(), bake::WriteXm(bake::MakeMenuTune()));
  engine::WriteFileBytes((music / "Race.xm").string(), bake::WriteXm(bake::MakeRaceTune()));
  bake::WriteDefaultSaves((gameDir / "Data" / "Save").string());

  if (!artDir.empty()) {
    fs::create_directories(artDir);
    bake::WriteContactSheet(menu, "Res1.dxg - menu archive",
                            (artDir / "contact-sheet-menu.png").string());
    bake::WriteContactSheet(race, "Res3.dxg - race archive",
                            (artDir / "contact-sheet-race.png").string());
    bake::WriteMenuMockup(menu, (artDir / "mockup-menu-options.png").string());
    bake::WriteRaceMockup(menu, race, (artDir / "mockup-race.png").string());
    bake::WriteExtraMockups(menu, artDir.string());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 2 && args[0] == "--saves") {
      bake::WriteDefaultSaves((fs::path(args[1]) / "Data" / "Save").string());
      return 0;
    }
    if (args.size() == 2 && args[0] == "--icons") {
      bake::WriteIcons(args[1]);
      return 0;
    }
    if (args.empty() || args.size() > 2 || args[0].starts_with("-")) {
      std::fprintf(stderr,
                   "usage: brakkon_bake GAME_DIR [ART_DIR] | --saves GAME_DIR | --icons DIR\n");
      return 2;
    }
    auto start = std::chrono::steady_clock::now();
    Bake(args[0], args.size() > 1 ? fs::path(args[1]) : fs::path());
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("brakkon_bake: data set written to %s/Data in %.2f s\n", args[0].c_str(), seconds);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "brakkon_bake: %s\n", e.what());
    return 1;
  }
}
