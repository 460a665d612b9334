#include "output/staged_output.h"

#include "platform/files.h"

namespace wakelore {

StagedOutput::~StagedOutput() { Discard(); }

bool StagedOutput::Begin(const std::wstring& target) {
  Discard();
  target_ = target;
  write_path_.clear();
  if (PathExists(target) && !IsRegularFile(target)) {
    if (IsDirectory(target)) return false;
    write_path_ = target;  // a device: written as it is, never replaced
    return true;
  }
  if (IsHeldByAnotherWriter(target)) return false;
  std::wstring temporary;
  if (!CreateTempFileBeside(target, &temporary)) return false;
  write_path_ = temporary;
  staged_ = true;
  return true;
}

bool StagedOutput::Commit() {
  if (!staged_) return !write_path_.empty();
  // Windows refuses the move itself while the target is held; Linux
  // renames regardless, so ask first.
  if (IsHeldByAnotherWriter(target_) || !MoveFileOver(write_path_, target_)) {
    Discard();
    return false;
  }
  staged_ = false;
  return true;
}

void StagedOutput::Discard() {
  if (staged_) {
    // Not checked: a temporary file that cannot be removed is only a leftover;
    // the target itself is untouched either way.
    (void)DeleteFileAt(write_path_);
    staged_ = false;
  }
}

}  // namespace wakelore
