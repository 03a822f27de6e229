// What the audio callback hands to the engine for note events, as the engine's
// kernel trace shows it. This binary turns tracing on for its own process,
// before any engine exists, and holds one processor only.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "hosting/event_list.h"
#include "hosting/process_buffers.h"
#include "processor/processor_fixture.h"

namespace talvo::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

const std::string kTracePath =
    std::string(TALVO_BINARY_DIR) + "/processor_trace_" + std::to_string(::getpid()) + ".log";

const bool kTraceEnabled = [] {
  std::remove(kTracePath.c_str());
  std::atexit([] { std::remove(kTracePath.c_str()); });
  return ::setenv("TALVO_KERNEL_TRACE", kTracePath.c_str(), 1) == 0;
}();

/// The note lines ("kind=2" on, "kind=3" off) that `engine` traced, from "kind=" on.
std::vector<std::string> noteLines(const KernelEngine& engine) {
  char tag[64];
  std::snprintf(tag, sizeof tag, "E this=%p ", static_cast<const void*>(&engine));
  std::fflush(nullptr);
  std::ifstream file(kTracePath);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    const std::size_t kind = line.find("kind=");
    if (line.rfind(tag, 0) != 0 || kind == std::string::npos || line.compare(kind, 7, "kind=1 ") == 0)
      continue;
    lines.push_back(line.substr(kind, line.find(" value=", kind) - kind));
  }
  return lines;
}

TEST_F(ProcessorTest, NoteOnWithoutVelocityReachesTheKernelAsANoteOff) {
  ASSERT_TRUE(kTraceEnabled);
  start(48000.0, 512);  // notes are traced when the kernel runs at the host rate
  host::EventList events(4);
  Event e{};
  e.type = Event::kNoteOnEvent;
  e.sampleOffset = 5;
  e.noteOn = {0, 60, 0.0f, 0.8f, 0, -1};
  ASSERT_EQ(events.addEvent(e), kResultOk);
  e.sampleOffset = 9;
  e.noteOn = {0, 62, 0.0f, 0.0f, 0, -1};
  ASSERT_EQ(events.addEvent(e), kResultOk);
  e = Event{};
  e.type = Event::kNoteOffEvent;
  e.busIndex = -1;  // a negative bus counts as the first
  e.sampleOffset = 20;
  e.noteOff.pitch = 64;
  ASSERT_EQ(events.addEvent(e), kResultOk);
  e = Event{};
  e.type = Event::kDataEvent;  // not a note: ignored
  ASSERT_EQ(events.addEvent(e), kResultOk);
  host::ProcessBuffers buffers(2, 2, 64);
  ASSERT_EQ(processor_->process(buffers.prepare(64, nullptr, &events, kRealtime)), kResultOk);

  const std::vector<std::string> lines = noteLines(processor_->engine());
  ASSERT_EQ(lines.size(), 3u) << "one kernel event per note, none for the data event";
  EXPECT_EQ(lines[0], "kind=2 a=60");
  EXPECT_EQ(lines[1], "kind=3 a=62");
  EXPECT_EQ(lines[2], "kind=3 a=64");
}

}  // namespace
}  // namespace talvo::test
