// The host-side parameter queues, event list, byte stream and connection
// proxy that the process call and the component messages go through.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "hosting/byte_stream.h"
#include "hosting/connection.h"
#include "hosting/event_list.h"
#include "hosting/param_changes.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace talvo::host {
namespace {

using Steinberg::int32;
using Steinberg::kResultOk;

using Points = std::vector<std::pair<int32, double>>;

Points pointsOf(ParamValueQueue& queue) {
  Points points;
  for (int32 i = 0; i < queue.getPointCount(); ++i) {
    int32 offset = 0;
    double value = 0;
    EXPECT_EQ(queue.getPoint(i, offset, value), kResultOk);
    points.emplace_back(offset, value);
  }
  return points;
}

TEST(ParamValueQueue, PointsComeBackSortedAndARepeatedOffsetReplacesItsValue) {
  ParamValueQueue queue(8);
  queue.reset(2);
  int32 index = -1;
  ASSERT_EQ(queue.addPoint(100, 0.5, index), kResultOk);
  ASSERT_EQ(queue.addPoint(10, 0.1, index), kResultOk);
  EXPECT_EQ(index, 0);
  ASSERT_EQ(queue.addPoint(50, 0.3, index), kResultOk);
  EXPECT_EQ(index, 1);
  ASSERT_EQ(queue.addPoint(50, 0.75, index), kResultOk);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(pointsOf(queue), (Points{{10, 0.1}, {50, 0.75}, {100, 0.5}}));
  EXPECT_EQ(queue.getParameterId(), 2u);
}

TEST(ParamValueQueue, FullQueueRefusesAndOutOfRangeReadsFail) {
  ParamValueQueue queue(2);
  queue.reset(1);
  int32 index = -1;
  ASSERT_EQ(queue.addPoint(0, 0.0, index), kResultOk);
  ASSERT_EQ(queue.addPoint(1, 0.1, index), kResultOk);
  EXPECT_NE(queue.addPoint(2, 0.2, index), kResultOk);
  EXPECT_EQ(pointsOf(queue), (Points{{0, 0.0}, {1, 0.1}}));
  int32 offset = 0;
  double value = 0;
  EXPECT_NE(queue.getPoint(2, offset, value), kResultOk);
  EXPECT_NE(queue.getPoint(-1, offset, value), kResultOk);
}

TEST(ParameterChanges, OneQueuePerIdentifierAndClearStartsOver) {
  ParameterChanges changes(2, 4);
  ASSERT_TRUE(changes.addPoint(5, 0, 0.5));
  ASSERT_TRUE(changes.addPoint(9, 3, 0.9));
  ASSERT_TRUE(changes.addPoint(5, 8, 0.6));
  ASSERT_EQ(changes.getParameterCount(), 2);
  EXPECT_EQ(changes.getParameterData(0)->getParameterId(), 5u);
  EXPECT_EQ(changes.getParameterData(0)->getPointCount(), 2);
  EXPECT_EQ(changes.getParameterData(1)->getPointCount(), 1);
  // A third identifier does not fit in a table of two.
  EXPECT_FALSE(changes.addPoint(1, 0, 0.1));
  EXPECT_EQ(changes.getParameterData(2), nullptr);

  changes.clear();
  EXPECT_EQ(changes.getParameterCount(), 0);
  ASSERT_TRUE(changes.addPoint(9, 1, 0.2));
  // A reused queue forgets the points of its previous block.
  EXPECT_EQ(changes.getParameterData(0)->getPointCount(), 1);
  EXPECT_EQ(changes.getParameterData(0)->getParameterId(), 9u);
}

TEST(EventList, KeepsCallOrderAndRefusesBeyondCapacity) {
  EventList events(2);
  Steinberg::Vst::Event e{};
  e.type = Steinberg::Vst::Event::kNoteOnEvent;
  e.sampleOffset = 40;
  ASSERT_EQ(events.addEvent(e), kResultOk);
  e.sampleOffset = 3;
  ASSERT_EQ(events.addEvent(e), kResultOk);
  EXPECT_NE(events.addEvent(e), kResultOk);
  ASSERT_EQ(events.getEventCount(), 2);
  Steinberg::Vst::Event out{};
  ASSERT_EQ(events.getEvent(0, out), kResultOk);
  EXPECT_EQ(out.sampleOffset, 40);
  EXPECT_NE(events.getEvent(2, out), kResultOk);
  events.clear();
  EXPECT_EQ(events.getEventCount(), 0);
}

TEST(ByteStream, ReadStopsAtTheEndAndReportsWhatItRead) {
  ByteStream stream(std::string("abcdef"));
  char buffer[8] = {};
  int32 got = -1;
  ASSERT_EQ(stream.read(buffer, 4, &got), kResultOk);
  EXPECT_EQ(got, 4);
  ASSERT_EQ(stream.read(buffer, 8, &got), kResultOk);
  EXPECT_EQ(got, 2);
  EXPECT_EQ(std::string(buffer, 2), "ef");
  ASSERT_EQ(stream.read(buffer, 8, &got), kResultOk);
  EXPECT_EQ(got, 0);
}

TEST(ByteStream, WritingAfterASeekPastTheEndLeavesZerosInTheGap) {
  ByteStream stream;
  Steinberg::int64 at = 0;
  ASSERT_EQ(stream.seek(3, Steinberg::IBStream::kIBSeekSet, &at), kResultOk);
  char x = 'x';
  ASSERT_EQ(stream.write(&x, 1, nullptr), kResultOk);
  EXPECT_EQ(stream.bytes(), std::string("\0\0\0x", 4));
  EXPECT_NE(stream.seek(-5, Steinberg::IBStream::kIBSeekCur, &at), kResultOk);
  ASSERT_EQ(stream.seek(-1, Steinberg::IBStream::kIBSeekEnd, &at), kResultOk);
  EXPECT_EQ(at, 3);
}

// A peer that only counts what reaches it.
class CountingPoint final : public HostOwned<Steinberg::Vst::IConnectionPoint> {
 public:
  Steinberg::tresult PLUGIN_API connect(IConnectionPoint*) override { return kResultOk; }
  Steinberg::tresult PLUGIN_API disconnect(IConnectionPoint*) override { return kResultOk; }
  Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage*) override {
    ++received;
    return kResultOk;
  }
  int received = 0;
};

TEST(ConnectionProxy, RecordsEachMessageAndForwardsItToThePeer) {
  CountingPoint component;
  CountingPoint peer;
  ConnectionProxy proxy(&component);
  ASSERT_EQ(proxy.connect(&peer), kResultOk);

  Steinberg::IPtr<Steinberg::Vst::HostMessage> message(new Steinberg::Vst::HostMessage(), false);
  message->setMessageID("talvo.test");
  const char payload[] = {'{', '\0', '}'};
  ASSERT_EQ(message->getAttributes()->setBinary("json", payload, 3), kResultOk);
  ASSERT_EQ(proxy.notify(message), kResultOk);

  EXPECT_EQ(peer.received, 1);
  ASSERT_EQ(proxy.messagesWithId("talvo.test").size(), 1u);
  const RecordedMessage& seen = proxy.messages()[0];
  EXPECT_TRUE(seen.hasJson);
  EXPECT_EQ(seen.json, std::string(payload, 3));  // binary payloads keep embedded NULs
  EXPECT_EQ(proxy.notify(nullptr), Steinberg::kResultFalse);
}

TEST(ConnectionProxy, WithoutAPeerMessagesAreStillRecorded) {
  CountingPoint component;
  ConnectionProxy proxy(&component);
  ASSERT_EQ(proxy.connect(nullptr), kResultOk);
  Steinberg::IPtr<Steinberg::Vst::HostMessage> message(new Steinberg::Vst::HostMessage(), false);
  message->setMessageID("talvo.alone");
  EXPECT_EQ(proxy.notify(message), kResultOk);
  ASSERT_EQ(proxy.messages().size(), 1u);
  EXPECT_FALSE(proxy.messages()[0].hasJson);
  // Disconnecting from anything but the remembered peer is refused.
  CountingPoint stranger;
  EXPECT_NE(proxy.disconnect(&stranger), kResultOk);
  EXPECT_EQ(proxy.disconnect(nullptr), kResultOk);
}

}  // namespace
}  // namespace talvo::host
