// The unattended custom query: /query from the command line.
//
// The window's "SQLを直接入力" without the window: one statement from a
// UTF-8 file (a byte-order mark allowed) made ready with WrapCustomSql and
// run through the read-only Query on a read-only connection, written to a
// file exactly as /export writes, with the same log beside the output and
// the same exit codes.  Main thread only.
#ifndef WAKELORE_APP_BATCH_QUERY_H_
#define WAKELORE_APP_BATCH_QUERY_H_

#include <cstdint>
#include <string>
#include <vector>

namespace wakelore {

// The largest statement file read, in bytes.
inline constexpr uint64_t kMaxQueryFileBytes = 1 << 20;

// args: program, "/query", database, SQL file, format, output
// [, maximum rows].  Returns 0 done, 2 bad arguments (fewer than 6
// elements: no log; a statement file that cannot be read, is too large or
// is not UTF-8: the log says so), 3 database unusable, 4 statement refused
// or export failed.
int32_t RunBatchQuery(const std::vector<std::wstring>& args);

// The statement of a query file's bytes: the UTF-8 byte-order mark
// dropped, the rest decoded.  False when the bytes are not valid UTF-8.
bool DecodeQueryFile(const std::string& bytes, std::wstring* sql);

}  // namespace wakelore

#endif  // WAKELORE_APP_BATCH_QUERY_H_
