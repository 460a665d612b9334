#include "app/usage.h"

namespace wakelore {

std::wstring UsageText() {
  return L"usage:\n"
         L"  wakelore /import DATABASE FIRST_DAY LAST_DAY KINDS LOG [DOWNLOAD_FOLDER]\n"
         L"      FIRST_DAY, LAST_DAY  year-month-day, e.g. 2024-05-01\n"
         L"      KINDS                letters: B programs, K results, G meetings,\n"
         L"                           R racer periods, F import again\n"
         L"  wakelore /export DATABASE DATASET FIRST_DAY LAST_DAY STADIUM FORMAT OUTPUT [MAX_ROWS]\n"
         L"      DATASET  combined, program, result, payout, stadium_days, live_info,\n"
         L"               live_odds, racer_period or racer_course\n"
         L"      FIRST_DAY, LAST_DAY  YYYY-MM-DD;  STADIUM 1..24, 0 for all\n"
         L"      FORMAT   csv, sjis, tsv or xlsx\n"
         L"  wakelore /query DATABASE SQL_FILE FORMAT OUTPUT [MAX_ROWS]\n"
         L"      SQL_FILE one read-only SELECT statement in UTF-8\n"
         L"exit codes: 0 done, 2 bad arguments, 3 database unusable, 4 refused or failed\n"
         L"The README explains more.\n";
}

}  // namespace wakelore
