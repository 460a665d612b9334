// Decoding speed of "-lh5-": a ~100 MiB archive of realistic official text
// (the real program and result files, repeated with varied digits) made
// with jlha, decoded by lzhcat and by lhasa, both to /dev/null, in the same
// run.  Run from the source tree root (scripts/bench does); the archive is
// kept in build/linux-release/bench-data/ for later runs.
//
// Prints the best of several runs of each program and their ratio.  Exits
// 1 when the decoder's output differs from the text or a program fails.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "archive/lzh_decoder.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

using wakelore::Utf8ToUtf16;

constexpr size_t kTextSize = size_t{100} << 20;
constexpr int kRounds = 5;
const char* const kDataDir = "build/linux-release/bench-data";
const char* const kLzhcat = "build/linux-release/tools/lzhcat";

std::string ReadOrDie(const std::string& path) {
  std::string bytes;
  std::wstring error;
  if (!wakelore::ReadWholeFile(Utf8ToUtf16(path), &bytes, &error)) {
    std::fprintf(stderr, "lzh_bench: %s: %s\n", path.c_str(), wakelore::Utf16ToUtf8(error).c_str());
    std::exit(1);
  }
  return bytes;
}

// Lines of the real files, in runs of whole files, with some digits
// changed so that the text does not simply repeat itself.
std::string MakeText() {
  std::vector<std::string> files;
  for (const char* name : {"B230901.TXT", "B230921.TXT", "K230901.TXT", "K230921.TXT"}) {
    files.push_back(ReadOrDie(std::string("tests/fixtures/official/") + name));
  }
  std::mt19937 rng(20230901);
  std::string text;
  text.reserve(kTextSize + (1 << 20));
  while (text.size() < kTextSize) {
    const std::string& file = files[rng() % files.size()];
    size_t start = text.size();
    text += file;
    for (size_t i = start; i < text.size(); i += 1 + rng() % 200) {
      if (text[i] >= '0' && text[i] <= '9') text[i] = static_cast<char>('0' + rng() % 10);
    }
  }
  text.resize(kTextSize);
  return text;
}

struct Timing {
  double wall = 1e9;
  double cpu = 1e9;  // user + system
};

// Runs `command` with its output to /dev/null through bash's time keyword:
// on a shared machine the processor time is the steadier figure.
Timing TimeOf(const std::string& command, const std::string& dir) {
  const std::string times = dir + "/times.txt";
  const std::string line = "bash -c 'TIMEFORMAT=\"%3R %3U %3S\"; { time " + command +
                           " >/dev/null; } 2>" + times + "'";
  if (std::system(line.c_str()) != 0) {
    std::fprintf(stderr, "lzh_bench: '%s' failed\n", command.c_str());
    std::exit(1);
  }
  Timing t;
  double user = 0;
  double sys = 0;
  FILE* f = std::fopen(times.c_str(), "r");
  if (f == nullptr || std::fscanf(f, "%lf %lf %lf", &t.wall, &user, &sys) != 3) {
    std::fprintf(stderr, "lzh_bench: no timing for '%s'\n", command.c_str());
    std::exit(1);
  }
  std::fclose(f);
  t.cpu = user + sys;
  return t;
}

void KeepBest(Timing* best, const Timing& t) {
  best->wall = std::min(best->wall, t.wall);
  best->cpu = std::min(best->cpu, t.cpu);
}

}  // namespace

int main() {
  const std::string dir = kDataDir;
  const std::string text_name = "wakelore_bench_v1.txt";
  const std::string archive = dir + "/wakelore_bench_v1.lzh";
  std::string text = MakeText();
  if (!wakelore::PathExists(Utf8ToUtf16(archive))) {
    std::system(("mkdir -p " + dir).c_str());
    if (!wakelore::WriteWholeFile(Utf8ToUtf16(dir + "/" + text_name), text)) {
      std::fprintf(stderr, "lzh_bench: cannot write %s/%s\n", dir.c_str(), text_name.c_str());
      return 1;
    }
    std::printf("lzh_bench: packing %zu MiB with jlha (once)...\n", kTextSize >> 20);
    std::fflush(stdout);
    const std::string pack = "cd " + dir + " && jlha c1 wakelore_bench_v1.tmp " + text_name +
                             " >/dev/null && mv wakelore_bench_v1.tmp wakelore_bench_v1.lzh && rm " +
                             text_name;
    if (std::system(pack.c_str()) != 0) {
      std::fprintf(stderr, "lzh_bench: jlha failed\n");
      return 1;
    }
  }
  std::string bytes = ReadOrDie(archive);

  // The output must be right before its speed means anything.
  wakelore::LzhDecoder decoder;
  std::vector<uint8_t> out;
  auto start = std::chrono::steady_clock::now();
  bool ok = decoder.ExtractFirstEntry(bytes, &out);
  double in_process = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!ok || decoder.method() != L"-lh5-" || out.size() != text.size() ||
      std::memcmp(out.data(), text.data(), text.size()) != 0) {
    std::fprintf(stderr, "lzh_bench: decoded entry differs from the text (%s)\n",
                 wakelore::Utf16ToUtf8(decoder.message()).c_str());
    return 1;
  }

  Timing ours;
  Timing theirs;
  for (int round = 0; round < kRounds; ++round) {
    KeepBest(&ours, TimeOf(std::string(kLzhcat) + " " + archive, dir));
    KeepBest(&theirs, TimeOf("lhasa -pq " + archive, dir));
  }
  const double mib = static_cast<double>(text.size()) / (1 << 20);
  std::printf("lzh_bench: %.1f MiB text, %.1f MiB -lh5- archive (jlha, level 1)\n", mib,
              static_cast<double>(bytes.size()) / (1 << 20));
  std::printf("lzh_bench: in-process decode     %.3f s wall, %.0f MiB/s\n", in_process,
              mib / in_process);
  std::printf("lzh_bench: lzhcat   > /dev/null  %.3f s wall, %.3f s cpu (best of %d)\n", ours.wall,
              ours.cpu, kRounds);
  std::printf("lzh_bench: lhasa -p > /dev/null  %.3f s wall, %.3f s cpu (best of %d)\n",
              theirs.wall, theirs.cpu, kRounds);
  std::printf("lzh_bench: lzhcat is %.2fx as fast as lhasa by wall time, %.2fx by cpu time "
              "(goal: 1.5x)\n",
              theirs.wall / ours.wall, theirs.cpu / ours.cpu);
  return 0;
}
