// StagedOutput: an export file written under a temporary name in its
// target's folder and moved over the target only once it is complete.
//
// The user's older file at the target therefore stays exactly as it was
// until the new one is whole, and stays so when the export fails or is
// cancelled: Discard removes only the temporary file.  A target that
// exists but is no ordinary file (a device such as /dev/null or
// /dev/full) is written directly and never removed or replaced.
//
// One StagedOutput belongs to one export on one thread.
#ifndef WAKELORE_OUTPUT_STAGED_OUTPUT_H_
#define WAKELORE_OUTPUT_STAGED_OUTPUT_H_

#include <string>

namespace wakelore {

class StagedOutput {
 public:
  StagedOutput() = default;
  ~StagedOutput();  // discards what was not committed
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;

  // Prepares the output for `target`: creates the temporary file beside
  // it.  False, with nothing created, when the target is held by another
  // writer (another export, a program that has it open for writing) or
  // the folder does not take a new file.
  bool Begin(const std::wstring& target);

  // The file the writer opens: the temporary file, or the target itself
  // when that is a device.
  const std::wstring& write_path() const { return write_path_; }

  // Puts the complete, closed file in place of the target.  False when the
  // target is now held by another writer or cannot be replaced; the
  // temporary file is removed then and the target is untouched.
  bool Commit();

  // Removes the temporary file (never the target).
  void Discard();

 private:
  std::wstring target_;
  std::wstring write_path_;
  bool staged_ = false;  // write_path_ is a temporary file of ours
};

}  // namespace wakelore

#endif  // WAKELORE_OUTPUT_STAGED_OUTPUT_H_
