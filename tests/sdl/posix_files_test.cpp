// The game's files on POSIX descriptors, on the real disk: whole reads, and a
// replace that either lands whole or leaves the old file and nothing beside it.
#include "platform/sdl/posix_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace brakkon::platform {
namespace {

namespace fs = std::filesystem;

class PosixFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("brakkon-posix-files-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string At(const std::string& relative) const { return (dir_ / relative).string(); }
  static void Put(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  PosixFiles files_;
  fs::path dir_;
};

TEST_F(PosixFilesTest, ReplaceCreatesTheFolderAndLandsEveryByte) {
  const std::string path = At("Data/Save/hs");
  // Line ends, a zero byte and 8-bit characters go through untouched; the size
  // spans many calls of the kernel's write.
  std::string bytes = std::string("A\r\nB\n\0\xFF", 7);
  while (bytes.size() < (3u << 20)) bytes += bytes;
  ASSERT_TRUE(ReplaceFile(files_, path, bytes));
  EXPECT_EQ(files_.ReadFile(path), bytes);

  ASSERT_TRUE(ReplaceFile(files_, path, "short\r\n"));
  EXPECT_EQ(files_.ReadFile(path), "short\r\n");
  EXPECT_FALSE(fs::exists(TemporaryFileFor(path)));
}

TEST_F(PosixFilesTest, ReadsNothingFromWhatIsNoReadableFile) {
  Put(At("empty"), "");
  EXPECT_EQ(files_.ReadFile(At("empty")), "");
  EXPECT_EQ(files_.ReadFile(At("missing")), std::nullopt);
  fs::create_directories(At("folder"));
  EXPECT_EQ(files_.ReadFile(At("folder")), std::nullopt);
}

TEST_F(PosixFilesTest, FailedReplaceKeepsTheOldFileAndRemovesItsTemporary) {
  struct Case {
    const char* label;
    std::function<void(const std::string& path)> prepare;
    bool oldFileKept;  // false: the target is not a file the case could keep
    bool needsFullDevice = false;
  };
  const Case cases[] = {
      {"the folder is a file", [](const std::string& path) {
         Put(fs::path(path).parent_path().parent_path().string(), "in the way");
       }, false},
      {"the temporary is a folder", [](const std::string& path) {
         Put(path, "old\r\n");
         fs::create_directories(fs::path(TemporaryFileFor(path)) / "inside");
       }, true},
      {"the disk is full", [](const std::string& path) {
         Put(path, "old\r\n");
         fs::create_symlink("/dev/full", TemporaryFileFor(path));
       }, true, true},
      {"the target is a folder", [](const std::string& path) {
         fs::create_directories(fs::path(path) / "inside");
       }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.needsFullDevice && !fs::exists("/dev/full")) continue;
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    const std::string path = At("Data/Save/hs");
    c.prepare(path);
    EXPECT_FALSE(ReplaceFile(files_, path, "new\r\n"));
    if (c.oldFileKept) {
      // A link to /dev/full renamed into place would read for ever: look before reading.
      ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(path)));
      EXPECT_EQ(Get(path), "old\r\n");
    }
    const fs::file_status temporary = fs::symlink_status(TemporaryFileFor(path));
    // Only a temporary the write made itself is its to remove.
    EXPECT_TRUE(!fs::exists(temporary) || fs::is_directory(temporary));
  }
}

}  // namespace
}  // namespace brakkon::platform
