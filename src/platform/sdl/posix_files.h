// The game's files through the POSIX calls, each step checked and retried where
// the system allows it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace brakkon::platform {

class PosixFiles final : public IFiles {
 public:
  std::optional<std::string> ReadFile(const std::string& path) override;
  bool CreateFolders(const std::string& path) override;
  std::unique_ptr<IWriteFile> CreateFile(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool SyncFolder(const std::string& path) override;
  bool Exists(const std::string& path) override;
};

}  // namespace brakkon::platform
