// The replace-by-rename write, the same on every platform: only its steps differ.
#include "platform/platform.h"

#include <filesystem>

namespace brakkon::platform {

std::string TemporaryFileFor(const std::string& path) {
  return path + ".tmp";
}

bool ReplaceFile(IFiles& files, const std::string& path, std::string_view bytes) {
  const std::filesystem::path target(path);
  const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
  if (target.has_parent_path() && !files.CreateFolders(folder)) return false;
  // Beside the target, so the rename stays on one file system and replaces it whole.
  const std::string temporary = TemporaryFileFor(path);
  std::unique_ptr<IWriteFile> file = files.CreateFile(temporary);
  // Whatever sits in the temporary's place and could not be opened is not ours to remove.
  if (!file) return false;
  // A full disk or a failing device may show only at the sync or the close:
  // the rename waits for both, or a crash could leave the new name on half a file.
  bool written = file->Write(bytes) && file->Sync();
  written = file->Close() && written;
  if (written && files.Rename(temporary, path)) {
    // The rename is done and a reader sees the new file either way; should the
    // folder not reach the disk, a crash brings back the old file whole, so a
    // failure here is no reason to report the write as failed.
    files.SyncFolder(folder);
    return true;
  }
  files.Remove(temporary);
  return false;
}

}  // namespace brakkon::platform
