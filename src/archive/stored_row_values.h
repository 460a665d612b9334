// What the database holds of the racer, motor and boat rows the importers
// of one connection have written, as far as they know it: the values their
// upserts left.  Shared by every importer that writes those rows through
// the connection (the program and the result importer of one import run),
// so that an upsert that would change nothing of the stored row can be
// skipped, whichever importer wrote the row last.  A value never written
// here stays unknown (empty or zero) and never lets an upsert be skipped.
//
// Whoever rolls back rows written through it must Clear() it.  Not
// thread-safe: the thread of its importers only.
#ifndef WAKELORE_ARCHIVE_STORED_ROW_VALUES_H_
#define WAKELORE_ARCHIVE_STORED_ROW_VALUES_H_

#include <cstdint>
#include <string>
#include <unordered_map>

namespace wakelore {

struct StoredRowValues {
  // A racers row: name, class, branch, age, weight and the two win rates.
  struct Racer {
    std::wstring name, className, branch;
    int32_t age = 0;
    double weight = 0, nationalWinRate = 0, localWinRate = 0;
    // True when an upsert of `next` (empty texts and zeros keep the stored
    // value) would change nothing of these values.
    bool Holds(const Racer& next) const {
      return (next.name.empty() || next.name == name) &&
             (next.className.empty() || next.className == className) &&
             (next.branch.empty() || next.branch == branch) && (next.age <= 0 || next.age == age) &&
             (!(next.weight > 0) || next.weight == weight) &&
             (!(next.nationalWinRate > 0) || next.nationalWinRate == nationalWinRate) &&
             (!(next.localWinRate > 0) || next.localWinRate == localWinRate);
    }
    // What the upsert of `next` makes of these values.
    void Take(const Racer& next) {
      if (!next.name.empty()) name = next.name;
      if (!next.className.empty()) className = next.className;
      if (!next.branch.empty()) branch = next.branch;
      if (next.age > 0) age = next.age;
      if (next.weight > 0) weight = next.weight;
      if (next.nationalWinRate > 0) nationalWinRate = next.nationalWinRate;
      if (next.localWinRate > 0) localWinRate = next.localWinRate;
    }
  };

  // Keyed by the row store's narrow keys: the register number; the stadium
  // and the motor or boat number.
  std::unordered_map<std::string, Racer> racers;
  std::unordered_map<std::string, double> motorRates;
  std::unordered_map<std::string, double> boatRates;

  void Clear() {
    racers.clear();
    motorRates.clear();
    boatRates.clear();
  }
};

}  // namespace wakelore

#endif  // WAKELORE_ARCHIVE_STORED_ROW_VALUES_H_
