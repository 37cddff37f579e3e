// The real disk through the standard library, failing where a test asked.
#include "platform/headless/headless_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace brakkon::platform {

class HeadlessWriteFile final : public IWriteFile {
 public:
  HeadlessWriteFile(HeadlessFiles& files, const std::string& path)
      : files_(files), out_(path, std::ios::binary | std::ios::trunc) {}
  bool Opened() const { return out_.is_open(); }

  bool Write(std::string_view bytes) override {
    std::size_t admitted = 0;
    const bool whole = files_.Admit(bytes.size(), admitted);
    // What lands before the fault is on the disk, as a short write leaves it.
    out_.write(bytes.data(), static_cast<std::streamsize>(admitted));
    out_.flush();
    return whole ? out_.good() : files_.Fault();
  }

  bool Sync() override {
    out_.flush();
    if (files_.failSync) return files_.Fault();
    return out_.good();
  }

  bool Close() override {
    if (!out_.is_open()) return false;
    out_.close();
    if (files_.failClose) return files_.Fault();
    return !out_.fail();
  }

 private:
  HeadlessFiles& files_;
  std::ofstream out_;
};

bool HeadlessFiles::Admit(std::size_t size, std::size_t& admitted) {
  admitted = size;
  bool faulted = false;
  bool errorMet = false;
  if (writeErrorIn && *writeErrorIn < admitted) {
    admitted = *writeErrorIn;
    faulted = errorMet = true;
  }
  if (diskRoomLeft && *diskRoomLeft < admitted) {
    admitted = *diskRoomLeft;
    faulted = true;
    errorMet = false;  // the full disk stopped the write first
  }
  if (errorMet) {
    writeErrorIn.reset();
  } else if (writeErrorIn) {
    *writeErrorIn -= admitted;
  }
  if (diskRoomLeft) *diskRoomLeft -= admitted;
  return !faulted;
}

std::optional<std::string> HeadlessFiles::ReadFile(const std::string& path) {
  if (failRead) {
    Fault();
    return std::nullopt;
  }
  // A folder opens as a stream and then throws on the first read.
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return std::nullopt;
  return text;
}

bool HeadlessFiles::CreateFolders(const std::string& path) {
  if (failCreateFolders) return Fault();
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return !error && std::filesystem::is_directory(path, error);
}

std::unique_ptr<IWriteFile> HeadlessFiles::CreateFile(const std::string& path) {
  if (failCreateFile) {
    Fault();
    return nullptr;
  }
  auto file = std::make_unique<HeadlessWriteFile>(*this, path);
  if (!file->Opened()) return nullptr;
  return file;
}

bool HeadlessFiles::Rename(const std::string& from, const std::string& to) {
  if (failRename) return Fault();
  std::error_code error;
  std::filesystem::rename(from, to, error);
  return !error;
}

bool HeadlessFiles::Remove(const std::string& path) {
  std::error_code error;
  // As unlink: a folder in the file's place is left alone, empty or not.
  if (std::filesystem::is_directory(std::filesystem::symlink_status(path, error))) return false;
  return std::filesystem::remove(path, error);
}

bool HeadlessFiles::SyncFolder(const std::string& path) {
  if (failSyncFolder) return Fault();
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

bool HeadlessFiles::Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

}  // namespace brakkon::platform
