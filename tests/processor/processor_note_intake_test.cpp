// What the audio callback hands to the engine for note events, as the engine's
// kernel trace shows it. This binary turns tracing on for its own process,
// before any engine exists, and holds one processor only, so every traced
// line of that engine's address is this test's.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "processor/processor_fixture.h"

namespace talvo::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::string tracePath() {
  static const std::string path =
      std::string(TALVO_BINARY_DIR) + "/processor_trace_" + std::to_string(::getpid()) + ".log";
  return path;
}

const bool kTraceEnabled = [] {
  std::remove(tracePath().c_str());
  std::atexit([] { std::remove(tracePath().c_str()); });
  return ::setenv("TALVO_KERNEL_TRACE", tracePath().c_str(), 1) == 0;
}();

/// The note lines ("kind=2" on, "kind=3" off) that `engine` traced, from
/// "kind=" on.
std::vector<std::string> noteLines(const KernelEngine& engine) {
  char tag[64];
  std::snprintf(tag, sizeof tag, "E this=%p ", static_cast<const void*>(&engine));
  std::fflush(nullptr);
  std::ifstream file(tracePath());
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    if (line.rfind(tag, 0) != 0) continue;
    const std::size_t kind = line.find("kind=");
    if (kind == std::string::npos || line.compare(kind, 7, "kind=1 ") == 0) continue;
    const std::size_t value = line.find(" value=", kind);
    lines.push_back(line.substr(kind, value - kind));
  }
  return lines;
}

Event noteOff(int16 pitch, int32 offset, int32 busIndex) {
  Event e{};
  e.type = Event::kNoteOffEvent;
  e.busIndex = busIndex;
  e.sampleOffset = offset;
  e.noteOff.pitch = pitch;
  return e;
}

TEST_F(ProcessorTest, NoteOnWithoutVelocityReachesTheKernelAsANoteOff) {
  ASSERT_TRUE(kTraceEnabled);
  start(48000.0, 512);  // notes are traced when the kernel runs at the host rate
  EventList events;
  events.noteOn(60, 0.8f, 5);
  events.noteOn(62, 0.0f, 9);
  Event off = noteOff(64, 20, -1);  // a negative bus counts as the first
  events.addEvent(off);
  Event data{};
  data.type = Event::kDataEvent;  // not a note: ignored
  events.addEvent(data);
  StereoBlock block(64, 0.0f);
  block.data.inputEvents = &events;
  ASSERT_EQ(processor_->process(block.data), kResultOk);

  const std::vector<std::string> lines = noteLines(processor_->engine());
  ASSERT_EQ(lines.size(), 3u) << "one kernel event per note, none for the data event";
  EXPECT_EQ(lines[0], "kind=2 a=60");
  EXPECT_EQ(lines[1], "kind=3 a=62");
  EXPECT_EQ(lines[2], "kind=3 a=64");
}

}  // namespace
}  // namespace talvo::test
