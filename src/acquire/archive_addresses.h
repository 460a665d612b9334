// Names and addresses of the official archives and the folders of the
// download cache.
//
// Daily archives: the letter B (program, 番組表) or K (results, 競走成績・
// 払戻), lower case in the file name and upper case in the server path.
// Racer period archives: published twice a year, named after the month in
// which their calculation ended (fanYY10 for the first half-year that
// follows, fanYY04 for the second).
//
// Cache layout below the download folder:
//   guide\YYYY年\bYYMMDD.lzh         program archives, by race year
//   Raceresults\YYYY年\kYYMMDD.lzh   result archives, by race year
//   TermResults\YYYY年\fanYYMM.lzh   racer periods, by the year of use
// (with the platform's separator).  All functions are pure and thread-safe.
#ifndef WAKELORE_ACQUIRE_ARCHIVE_ADDRESSES_H_
#define WAKELORE_ACQUIRE_ARCHIVE_ADDRESSES_H_

#include <cstdint>
#include <string>

#include "platform/path.h"  // JoinPath, for the cache paths

namespace wakelore {

inline constexpr wchar_t kProgramCacheFolder[] = L"guide";
inline constexpr wchar_t kResultCacheFolder[] = L"Raceresults";
inline constexpr wchar_t kRacerPeriodCacheFolder[] = L"TermResults";

// "b240105.lzh" for letter 'B' (or 'b') and the local day holding `date`
// (seconds since 1970, normally local midnight).  Empty when the date
// cannot be converted.
std::wstring ArchiveFileName(wchar_t letter, int64_t date);

// The archive's address on the archive server:
// <base>/od2/B/202401/b240105.lzh.  Empty when the date cannot be converted.
std::wstring ArchiveUrl(wchar_t letter, int64_t date);

// half 0: the first half-year of `year` (前期), "fan(YY-1)10.lzh";
// half 1: the second (後期), "fanYY04.lzh".
std::wstring RacerPeriodFileName(int year, int half);

// The racer period archive's address on the race web site.
std::wstring RacerPeriodUrl(const std::wstring& file_name);

// `kind_folder` + separator + "YYYY年".
std::wstring CacheYearFolder(const std::wstring& kind_folder, int year);

// `folder` without its trailing '\' and '/' characters, one separator,
// then `name`.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

}  // namespace wakelore

#endif  // WAKELORE_ACQUIRE_ARCHIVE_ADDRESSES_H_
