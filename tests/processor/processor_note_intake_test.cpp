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
  // A note on, a note on without velocity, a note off on a negative bus (the
  // first), and a data event, which is no note and ignored.
  const struct {
    Event::EventTypes type;
    int32 bus, offset;
    int16 pitch;
    float velocity;
  } sent[] = {{Event::kNoteOnEvent, 0, 5, 60, 0.8f},
              {Event::kNoteOnEvent, 0, 9, 62, 0.0f},
              {Event::kNoteOffEvent, -1, 20, 64, 0.0f},
              {Event::kDataEvent, 0, 30, 0, 0.0f}};
  for (const auto& s : sent) {
    Event e{};
    e.type = static_cast<uint16>(s.type);
    e.busIndex = s.bus;
    e.sampleOffset = s.offset;
    if (s.type == Event::kNoteOnEvent) e.noteOn = {0, s.pitch, 0.0f, s.velocity, 0, -1};
    if (s.type == Event::kNoteOffEvent) e.noteOff.pitch = s.pitch;
    ASSERT_EQ(events.addEvent(e), kResultOk);
  }
  host::ProcessBuffers buffers(2, 2, 64);
  ASSERT_EQ(processor_->process(buffers.prepare(64, nullptr, &events, kRealtime)), kResultOk);
  EXPECT_EQ(noteLines(processor_->engine()),
            (std::vector<std::string>{"kind=2 a=60", "kind=3 a=62", "kind=3 a=64"}));
}

}  // namespace
}  // namespace talvo::test
