// The baker as the build runs it: identical bytes on every run, and default save
// files that appear only where the player has none.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string kDataDir = BRAKKON_BAKED_DATA_DIR;
const std::string kTool = BRAKKON_BAKE_TOOL;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

class TempDir {
 public:
  // Each test uses its own name, so parallel test processes never share a folder.
  explicit TempDir(const std::string& name) : path_(fs::temp_directory_path() / name) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

int RunTool(const std::string& args) {
  return std::system((kTool + " " + args + " > /dev/null").c_str());
}

TEST(BakeTool, TwoRunsWriteByteIdenticalData) {
  TempDir dir("brakkon-bake");
  ASSERT_EQ(RunTool(dir.Path().string()), 0);
  for (const char* file :
       {"Res/Res1.dxg", "Res/Res3.dxg", "Res/Sounds.dxw", "Music/Menu.xm", "Music/Race.xm"}) {
    SCOPED_TRACE(file);
    const std::string fresh = ReadAll(dir.Path() / "Data" / file);
    ASSERT_FALSE(fresh.empty());
    EXPECT_TRUE(fresh == ReadAll(fs::path(kDataDir) / file)) << "bytes differ between runs";
  }
}

TEST(BakeTool, FreshInstallGetsTheDefaultSaves) {
  TempDir dir("brakkon-saves");
  ASSERT_EQ(RunTool("--saves " + dir.Path().string()), 0);
  const fs::path save = dir.Path() / "Data" / "Save";
  // Windowed, music on, sound on, no country, the default table's check string.
  EXPECT_EQ(ReadAll(save / "options"),
            std::string("0\r\n1\r\n1\r\n\r\n\x25\xA0\x96\x2C\x7A\xE2\xF6\x52\x3E\r\n"));
  std::string hs;
  for (int slot = 1; slot <= 10; ++slot) {
    hs += "ANONYMOUS\r\n" + std::to_string((11 - slot) * 200) + "\r\n0\r\n0\r\n";
  }
  EXPECT_EQ(ReadAll(save / "hs"), hs);
}

TEST(BakeTool, ExistingSavesAreNeverTouched) {
  TempDir dir("brakkon-keep");
  const fs::path save = dir.Path() / "Data" / "Save";
  fs::create_directories(save);
  WriteAll(save / "options", "1\r\n0\r\n0\r\nNORWAY\r\nxyz\r\n");
  ASSERT_EQ(RunTool("--saves " + dir.Path().string()), 0);
  EXPECT_EQ(ReadAll(save / "options"), "1\r\n0\r\n0\r\nNORWAY\r\nxyz\r\n");
  // The missing one is still created.
  EXPECT_TRUE(fs::exists(save / "hs"));
  WriteAll(save / "hs", "EDITED\r\n1\r\n0\r\n0\r\n");
  ASSERT_EQ(RunTool("--saves " + dir.Path().string()), 0);
  EXPECT_EQ(ReadAll(save / "hs"), "EDITED\r\n1\r\n0\r\n0\r\n");
}

}  // namespace
