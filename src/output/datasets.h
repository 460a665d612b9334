// The catalogue of datasets a user can output.
//
// Ten fixed entries in the order of the dialog's combo box; the last one,
// "sql", stands for a statement typed by the user and has no template.
// The catalogue is built once, on first use, and is read-only afterwards,
// so every function here may be called from any thread.
#ifndef WAKELORE_OUTPUT_DATASETS_H_
#define WAKELORE_OUTPUT_DATASETS_H_

#include <string>
#include <vector>

namespace wakelore {

struct DatasetInfo {
  std::wstring key;          // command-line name; compared case-sensitively
  std::wstring label;        // the dialog's combo box text
  std::wstring shortLabel;   // default file names and the workbook's sheet name
  std::wstring description;  // one line of help under the combo box
  bool usesPeriod = false;   // the date range applies
  bool usesStadium = false;  // the stadium choice applies
};

// The ten entries in catalogue order.  The reference stays valid until the
// process ends.
const std::vector<DatasetInfo>& Datasets();

// The entry whose key equals `key` exactly, or nullptr.
const DatasetInfo* FindDataset(const std::wstring& key);

}  // namespace wakelore

#endif  // WAKELORE_OUTPUT_DATASETS_H_
