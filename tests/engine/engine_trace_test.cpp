// The kernel trace shows what reached the kernel and when. This binary turns
// tracing on for its own process, before any engine exists.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/kernel_engine.h"

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

// Trace lines written for `engine` since the last call, with the engine's
// address dropped and, unless asked for, the "blk=N " field too (its value
// depends on other tests in the process).
class TraceReader {
 public:
  explicit TraceReader(const KernelEngine& engine) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "this=%p ", static_cast<const void*>(&engine));
    tag_ = buf;
    // Engines of earlier tests may have had the same address: start at the end.
    std::fflush(nullptr);
    std::ifstream f(tracePath(), std::ios::ate);
    if (f) offset_ = static_cast<std::size_t>(f.tellg());
  }
  std::vector<std::string> next(bool keepBlock = false) {
    std::fflush(nullptr);  // rate-converted blocks leave their lines buffered
    std::ifstream f(tracePath());
    f.seekg(static_cast<std::streamoff>(offset_));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(f, line)) {
      offset_ += line.size() + 1;
      const auto at = line.find(tag_);
      if (at == std::string::npos) continue;
      line.erase(at, tag_.size());
      const auto blk = line.find("blk=");
      if (!keepBlock && blk != std::string::npos) line.erase(blk, line.find(' ', blk) + 1 - blk);
      lines.push_back(line);
    }
    return lines;
  }

 private:
  std::string tag_;
  std::size_t offset_ = 0;
};

}  // namespace

TEST(KernelTrace, SetupLineNamesHostAndKernelRates) {
  ASSERT_TRUE(kTraceEnabled);
  KernelEngine e;
  TraceReader trace(e);
  ASSERT_TRUE(e.setup(44100.0, 512));
  ASSERT_TRUE(e.setup(48000.0, 512));
  // The kernel refuses 44100 Hz (using up a generation of slot 0) before the
  // engine falls back to 48000; the second setup replaces that instance.
  EXPECT_EQ(trace.next(), (std::vector<std::string>{"S rate=44100 kernelRate=48000 handle=33",
                                                    "S rate=48000 kernelRate=48000 handle=65"}));
}

TEST(KernelTrace, DirectBlocksAreCutIntoKernelChunksWithEventsAtTheirFrames) {
  KernelEngine e;
  TraceReader trace(e);
  ASSERT_TRUE(e.setup(48000.0, 512));
  (void)trace.next();
  std::vector<float> out(300);
  float* outs[1] = {out.data()};
  ASSERT_TRUE(e.pushParamNormalized(1, 0.5, 200));
  ASSERT_TRUE(e.pushNoteOn(64, 0.5, 130, 0, 0));
  e.processBlock(nullptr, 0, outs, 1, 300);
  // One block number for the whole host block, the next one for the next block.
  const auto lines = trace.next(true);
  ASSERT_FALSE(lines.empty());
  const auto blk = [](const std::string& l) { return std::stoull(l.substr(l.find("blk=") + 4)); };
  const std::string b = "blk=" + std::to_string(blk(lines[0])) + " ";
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "B " + b + "off=0 chunk=128 frames=300 events=2",
                       "B " + b + "off=128 chunk=128 frames=300 events=2",
                       "E " + b + "frame=2 kind=2 a=64 value=0.5 src=queue status=2",
                       "E " + b + "frame=72 kind=1 a=1 value=0.5 src=queue status=0",
                       "B " + b + "off=256 chunk=44 frames=300 events=2",
                   }));
  e.processBlock(nullptr, 0, outs, 1, 1);
  EXPECT_GT(blk(trace.next(true).at(0)), blk(lines[0]));
}

TEST(KernelTrace, RepublishSkipsIdsChangedAtFrameZero) {
  KernelEngine e;
  TraceReader trace(e);
  ASSERT_TRUE(e.setup(48000.0, 128));
  e.setParamValue(0, 10.0);
  e.setParamValue(1, 0.5);
  e.setParamValue(2, 0.25);
  ASSERT_TRUE(e.pushParamNormalized(1, 0.75, 0));
  std::vector<float> out(64);
  float* outs[1] = {out.data()};
  e.processBlock(nullptr, 0, outs, 1, 64);
  const auto lines = trace.next();
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "S rate=48000 kernelRate=48000 handle=1",
                       "B off=0 chunk=64 frames=64 events=1",
                       "E frame=0 kind=1 a=0 value=10 src=republish status=0",
                       "E frame=0 kind=1 a=2 value=0.25 src=republish status=0",
                       "E frame=0 kind=1 a=1 value=0.75 src=queue status=0",
                   }));
  // Clean now: the next block sends nothing, and values equal to the
  // kernel's are not sent again.
  e.setParamValue(0, 10.0);
  e.processBlock(nullptr, 0, outs, 1, 64);
  EXPECT_EQ(trace.next(), (std::vector<std::string>{"B off=0 chunk=64 frames=64 events=0"}));
}

TEST(KernelTrace, OverfullChunkDegradesToARepublishOfTheNewestValue) {
  KernelEngine e;
  TraceReader trace(e);
  ASSERT_TRUE(e.setup(48000.0, 256));
  (void)trace.next();
  for (int i = 0; i < 70; ++i)
    ASSERT_TRUE(e.pushParamNormalized(1, i / 100.0, i));
  std::vector<float> out(256);
  float* outs[1] = {out.data()};
  e.processBlock(nullptr, 0, outs, 1, 256);
  const auto lines = trace.next();
  ASSERT_EQ(lines.size(), 1u + 70u + 2u);
  EXPECT_EQ(lines[64], "E frame=63 kind=1 a=1 value=0.63 src=queue status=0");
  EXPECT_EQ(lines[65], "E frame=64 kind=1 a=1 value=0.64000000000000001 src=queue status=3");
  EXPECT_EQ(lines[71], "B off=128 chunk=128 frames=256 events=70");
  EXPECT_EQ(lines[72], "E frame=0 kind=1 a=1 value=0.68999999999999995 src=republish status=0");
  EXPECT_EQ(e.kernelParamValue(1), 0.69);
}

TEST(KernelTrace, RateConvertedChangesLandOnTheirKernelFrame) {
  KernelEngine e;
  TraceReader trace(e);
  ASSERT_TRUE(e.setup(44100.0, 512));
  (void)trace.next();
  std::vector<float> out(512);
  float* outs[1] = {out.data()};
  // Host frame 441 is kernel frame 480, in the chunk starting at 384. Host
  // frame 510 is kernel frame 555, beyond the 540 kernel frames the first
  // block renders (the filter's look-ahead): it goes out with the second.
  ASSERT_TRUE(e.pushParamNormalized(2, 0.5, 441));
  ASSERT_TRUE(e.pushParamNormalized(1, 0.5, 510));
  e.processBlock(nullptr, 0, outs, 1, 512);
  EXPECT_EQ(trace.next(), (std::vector<std::string>{"E frame=96 kind=1 a=2 value=0.5 src=queue status=0"}));
  e.processBlock(nullptr, 0, outs, 1, 512);
  EXPECT_EQ(trace.next(), (std::vector<std::string>{"E frame=15 kind=1 a=1 value=0.5 src=queue status=0"}));
}
