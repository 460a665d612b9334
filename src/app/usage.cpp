#include "app/usage.h"

namespace wakelore {

std::wstring UsageText() {
  return L"usage:\n"
         L"  wakelore /import DATABASE FIRST_DAY LAST_DAY KINDS LOG [DOWNLOAD_FOLDER]\n"
         L"      FIRST_DAY, LAST_DAY  year-month-day, e.g. 2024-05-01\n"
         L"      KINDS                letters: B programs, K results, G meetings,\n"
         L"                           R racer periods, L race-day pages (before-race\n"
         L"                           information and the odds of all seven bet types,\n"
         L"                           6 pages a race), F import again (with L: fetch\n"
         L"                           races whose final odds are stored again)\n"
         L"  wakelore /snapshot DATABASE DAY STADIUM RACE LOG [DOWNLOAD_FOLDER]\n"
         L"      one snapshot now of the race-day pages; STADIUM 1..24, 0 for every\n"
         L"      stadium racing that day; RACE 1..12, 0 for every race\n"
         L"      (a race takes about 3 s, a whole day about 8 minutes); every 5 minutes\n"
         L"      for the 12 races of stadium 7 from cron:\n"
         L"      */5 9-21 * * * wakelore /snapshot ~/boat.db $(date +\\%F) 7 0 ~/snapshot.log\n"
         L"  wakelore /export DATABASE DATASET FIRST_DAY LAST_DAY STADIUM FORMAT OUTPUT [MAX_ROWS]\n"
         L"      DATASET  combined, program, result, payout, stadium_days, live_info,\n"
         L"               live_odds, final_odds, racer_period or racer_course\n"
         L"      FIRST_DAY, LAST_DAY  YYYY-MM-DD;  STADIUM 1..24, 0 for all\n"
         L"      FORMAT   csv, sjis, tsv or xlsx\n"
         L"  wakelore /query DATABASE SQL_FILE FORMAT OUTPUT [MAX_ROWS]\n"
         L"      SQL_FILE one read-only SELECT statement in UTF-8\n"
         L"exit codes: 0 done, 2 bad arguments, 3 database unusable, 4 refused or failed\n"
         L"The README explains more.\n";
}

}  // namespace wakelore
