#include "ui/import_status.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/support/test_support.h"
#include "ui/dialog_backend.h"

namespace wakelore {
namespace {

TEST(ImportStatusTest, EachPartReadsItsOwnTable) {
  DbManager closed;
  EXPECT_EQ(ImportStatusOf(&closed),
            L"取込済み  番組表: なし  /  競走成績: なし\r\n                開催情報: なし  /  期別成績: なし");

  test::TempDir dir;
  DbManager db;
  std::wstring error;
  ASSERT_TRUE(OpenMainDatabase(&db, dir.File(L"wakelore.db"), &error)) << error;
  EXPECT_EQ(ImportStatusOf(&db),
            L"取込済み  番組表: なし  /  競走成績: なし\r\n                開催情報: なし  /  期別成績: なし");

  // Race 1 has a program entry and a result; race 2 only an entry without a
  // class (a result file's entry), which is no program; race 3 only a result.
  ASSERT_TRUE(db.Exec(
      L"INSERT INTO races (id, race_date, stadium_id, race_no) VALUES "
      L"(1, '2023-09-02', 1, 1), (2, '2023-08-30', 1, 1), (3, '2023-09-05', 2, 1);"
      L"INSERT INTO race_entries (race_id, frame_no, class_name) VALUES (1, 1, 'A1'), (2, 1, NULL);"
      L"INSERT INTO race_results (race_id) VALUES (1), (3);"
      L"INSERT INTO stadium_days (race_date, stadium_id) VALUES ('2023-09-01', 1), ('2023-09-03', 4);"
      L"INSERT INTO racer_period_stats (register_no, period_year, period_term, name) "
      L"VALUES ('4444', 2023, 1, 'テスト');"))
      << Utf16ToUtf8(db.LastError());
  EXPECT_EQ(ImportStatusOf(&db),
            L"取込済み  番組表: 2023-09-02～2023-09-02  /  競走成績: 2023-09-02～2023-09-05\r\n"
            L"                開催情報: 2023-09-01～2023-09-03  /  期別成績: 2023年前期用まで");
}

}  // namespace
}  // namespace wakelore
