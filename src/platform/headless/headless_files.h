// The game's files on the real disk, with faults a test can arm: a write that
// breaks off at a chosen byte, a disk that fills up, and a sync, close, rename,
// open or folder creation that fails.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace brakkon::platform {

class HeadlessFiles : public IFiles {
 public:
  std::optional<std::string> ReadFile(const std::string& path) override;
  bool CreateFolders(const std::string& path) override;
  std::unique_ptr<IWriteFile> CreateFile(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool SyncFolder(const std::string& path) override;
  bool Exists(const std::string& path) override;

  // Byte counts run over every file written after they are set. A write that
  // reaches the count lands the bytes before it and fails.
  // An I/O error on the byte this many bytes on; it happens once.
  std::optional<std::size_t> writeErrorIn;
  // The room left on the disk: every write past it fails until it is changed.
  std::optional<std::size_t> diskRoomLeft;
  bool failRead = false;
  bool failCreateFolders = false;
  bool failCreateFile = false;
  bool failSync = false;
  bool failClose = false;  // the file is closed all the same
  bool failRename = false;
  bool failSyncFolder = false;

  // How many armed faults were met, for a test to see its fault was reached.
  int faultsMet = 0;

 private:
  friend class HeadlessWriteFile;
  // How many of `size` bytes the armed faults let through; false when they stop short.
  bool Admit(std::size_t size, std::size_t& admitted);
  bool Fault() {
    ++faultsMet;
    return false;
  }
};

}  // namespace brakkon::platform
