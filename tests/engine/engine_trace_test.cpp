// The kernel trace shows what reached the kernel and when. This binary turns
// tracing on for its own process, before any engine exists.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine_harness.h"

using namespace talvo;

namespace {

std::string tracePath() {
  static const std::string path =
      std::string(TALVO_BINARY_DIR) + "/engine_trace_" + std::to_string(::getpid()) + ".log";
  return path;
}

const bool kTraceEnabled = [] {
  std::remove(tracePath().c_str());
  std::atexit([] { std::remove(tracePath().c_str()); });
  return ::setenv("TALVO_KERNEL_TRACE", tracePath().c_str(), 1) == 0;
}();

// The trace lines written since construction (tests run one after another),
// with the engine's address dropped and block numbers counted from the first.
class TraceSince {
 public:
  TraceSince() {
    std::fflush(nullptr);
    start_ = std::ifstream(tracePath(), std::ios::ate).tellg();
  }
  std::vector<std::string> lines() const {
    std::fflush(nullptr);  // rate-converted blocks leave their lines buffered
    std::ifstream f(tracePath());
    f.seekg(std::max<std::streamoff>(start_, 0));
    std::vector<std::string> lines;
    long long first = -1;
    for (std::string line; std::getline(f, line);) {
      const auto at = line.find("this=");
      line.erase(at, line.find(' ', at) + 1 - at);
      if (const auto blk = line.find("blk="); blk != std::string::npos) {
        const long long n = std::stoll(line.substr(blk + 4));
        first = first < 0 ? n : first;
        line.replace(blk + 4, line.find(' ', blk) - blk - 4, std::to_string(n - first));
      }
      lines.push_back(line);
    }
    return lines;
  }

 private:
  std::streamoff start_;
};

}  // namespace

TEST(KernelTrace, DirectBlocksAreCutIntoKernelChunksWithRepublishedValuesAndEventsAtTheirFrames) {
  ASSERT_TRUE(kTraceEnabled);
  const TraceSince trace;
  KernelEngine e;
  ASSERT_TRUE(e.setup(48000.0, 512));
  e.setParamValue(0, 10.0);
  e.setParamValue(1, 0.25);
  std::vector<float> out(300);
  ASSERT_TRUE(e.pushParamNormalized(1, 0.5, 200));
  ASSERT_TRUE(e.pushParamNormalized(1, 0.75, 0));  // depth is left out of the republish
  ASSERT_TRUE(e.pushNoteOn(64, 0.5, 130, 0, 0));
  ASSERT_TRUE(e.pushController(7, 100, 131, 0, 0));
  ASSERT_TRUE(e.pushParamNormalized(0, 1.0, 260));  // not at frame 0: rate is still republished
  test::processMono(e, nullptr, out.data(), 300);
  test::processMono(e, nullptr, out.data(), 1);
  EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                               "S rate=48000 kernelRate=48000 handle=1",
                               "B blk=0 off=0 chunk=128 frames=300 events=5",
                               "E blk=0 frame=0 kind=1 a=0 value=10 src=republish status=0",
                               "E blk=0 frame=0 kind=1 a=1 value=0.75 src=queue status=0",
                               "B blk=0 off=128 chunk=128 frames=300 events=5",
                               "E blk=0 frame=2 kind=2 a=64 value=0.5 src=queue status=2",
                               "E blk=0 frame=3 kind=0 a=0 value=100 src=queue status=-1",
                               "E blk=0 frame=72 kind=1 a=1 value=0.5 src=queue status=0",
                               "B blk=0 off=256 chunk=44 frames=300 events=5",
                               "E blk=0 frame=4 kind=1 a=0 value=20 src=queue status=0",
                               "B blk=1 off=0 chunk=1 frames=1 events=0",
                           }));
  // The kernel refuses notes; the controller was never sent.
  e.drainRuntimeDiagnostics();
  ASSERT_EQ(e.diagnosticRing().count, 1u);
  test::expectRecord(e.diagnosticRing().records[0], 22, 2, 7);
}

TEST(KernelTrace, RateConvertedChangesLandOnTheNearestKernelFrame) {
  const TraceSince trace;
  KernelEngine e;
  ASSERT_TRUE(e.setup(44100.0, 512));
  std::vector<float> out(512);
  // Host frame 6 is kernel frame 6.53, so 7. Host frame 441 is kernel frame
  // 480, in the chunk starting at 384. Host frame 510 is kernel frame 555,
  // beyond the 540 kernel frames the first block renders (the filter's
  // look-ahead): it goes out with the second.
  e.setParamValue(1, 0.25);
  ASSERT_TRUE(e.pushParamNormalized(1, 0.75, 0));  // kernel frame 0: depth is left out of the republish
  ASSERT_TRUE(e.pushParamNormalized(0, 0.5, 6));
  ASSERT_TRUE(e.pushParamNormalized(2, 0.5, 441));
  ASSERT_TRUE(e.pushParamNormalized(1, 0.5, 510));
  for (int i = 0; i < 2; ++i)
    test::processMono(e, nullptr, out.data(), 512);
  // The kernel refuses 44100 Hz (using up a generation of slot 0) before the
  // engine falls back to 48000.
  EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                               "S rate=44100 kernelRate=48000 handle=33",
                               "E blk=0 frame=0 kind=1 a=1 value=0.75 src=queue status=0",
                               "E blk=0 frame=7 kind=1 a=0 value=10.049999999999999 src=queue status=0",
                               "E blk=0 frame=96 kind=1 a=2 value=0.5 src=queue status=0",
                               "E blk=0 frame=15 kind=1 a=1 value=0.5 src=queue status=0",
                           }));
}
