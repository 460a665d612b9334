// lzhcat ARCHIVE: writes the first entry of an LZH archive to standard
// output, or the decoder's message to standard error with exit status 1.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/lzh_decoder.h"
#include "platform/files.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  using namespace wakelore;
  RememberProcessArguments(argc, argv);
  std::vector<std::wstring> args = ProcessArguments();
  if (args.size() != 2) {
    WriteStandardError(L"usage: lzhcat ARCHIVE\n");
    return 2;
  }
  std::string archive;
  std::wstring error;
  if (!ReadWholeFile(args[1], &archive, &error, uint64_t{1} << 30)) {
    WriteStandardError(args[1] + L": " + error + L"\n");
    return 1;
  }
  LzhDecoder decoder;
  std::vector<uint8_t> entry;
  if (!decoder.ExtractFirstEntry(archive, &entry)) {
    WriteStandardError(decoder.message() + L"\n");
    return 1;
  }
  if (!WriteStandardOutput(std::string_view(reinterpret_cast<const char*>(entry.data()), entry.size()))) {
    WriteStandardError(L"lzhcat: cannot write to standard output\n");
    return 1;
  }
  return 0;
}
