// The host-side parameter queues, component handler, byte stream and
// connection proxy that talvo-host hands to the plug-in for automation, the
// controller's edits, state and messages.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "hosting/byte_stream.h"
#include "hosting/component_handler.h"
#include "hosting/connection.h"
#include "hosting/param_changes.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace talvo::host {
namespace {

using Steinberg::int32;
using Steinberg::kResultOk;

TEST(ParameterChanges, PointsComeBackSortedARepeatedOffsetReplacesAndFullTablesRefuse) {
  ParameterChanges changes(1, 3);
  const std::pair<int32, double> added[] = {{100, 0.5}, {10, 0.1}, {50, 0.3}, {50, 0.75}};
  for (auto [offset, value] : added)
    ASSERT_TRUE(changes.addPoint(2, offset, value));
  EXPECT_FALSE(changes.addPoint(2, 70, 0.2)) << "a full queue";
  EXPECT_FALSE(changes.addPoint(3, 0, 0.2)) << "a full table";
  ASSERT_EQ(changes.getParameterCount(), 1);
  Steinberg::Vst::IParamValueQueue* queue = changes.getParameterData(0);
  std::vector<std::pair<int32, double>> points(3);
  for (int32 i = 0; i < 3; ++i)
    ASSERT_EQ(queue->getPoint(i, points[i].first, points[i].second), kResultOk);
  EXPECT_EQ(points, (std::vector<std::pair<int32, double>>{{10, 0.1}, {50, 0.75}, {100, 0.5}}));
  EXPECT_NE(queue->getPoint(3, points[0].first, points[0].second), kResultOk);
}

// The controller's edits reach the processor once, at the start of the next block.
TEST(ComponentHandler, DrainsEachPerformedEditOnceAsAPointAtFrameZero) {
  ComponentHandler handler;
  ASSERT_EQ(handler.performEdit(1, 0.25), kResultOk);
  ASSERT_EQ(handler.performEdit(2, 0.5), kResultOk);
  ParameterChanges changes(2, 1);
  ASSERT_TRUE(handler.drainInto(changes));
  ASSERT_EQ(changes.getParameterCount(), 2);
  int32 offset = -1;
  double value = 0;
  ASSERT_EQ(changes.getParameterData(1)->getPoint(0, offset, value), kResultOk);
  EXPECT_EQ(changes.getParameterData(1)->getParameterId(), 2u);
  EXPECT_EQ(std::make_pair(offset, value), std::make_pair(0, 0.5));
  changes.clear();
  ASSERT_TRUE(handler.drainInto(changes));
  EXPECT_EQ(changes.getParameterCount(), 0);
}

TEST(ByteStream, ReadsStopAtTheEndAndSeeksStayInsideWhileWritesPastTheEndLeaveZeros) {
  ByteStream stream(std::string("abcdef"));
  char buffer[4] = {};
  int32 got = -1;
  for (int32 expected : {4, 2, 0}) {
    ASSERT_EQ(stream.read(buffer, 4, &got), kResultOk);
    EXPECT_EQ(got, expected);
  }
  EXPECT_EQ(std::string(buffer, 2), "ef");
  ByteStream written;
  Steinberg::int64 at = 0;
  ASSERT_EQ(written.seek(3, Steinberg::IBStream::kIBSeekSet, &at), kResultOk);
  ASSERT_EQ(written.write(buffer, 1, nullptr), kResultOk);
  EXPECT_EQ(written.bytes(), std::string("\0\0\0e", 4));
  EXPECT_NE(written.seek(-5, Steinberg::IBStream::kIBSeekCur, &at), kResultOk);
  ASSERT_EQ(written.seek(-1, Steinberg::IBStream::kIBSeekEnd, &at), kResultOk);
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

TEST(ConnectionProxy, RecordsEachMessageAndForwardsItToThePeerWhenThereIsOne) {
  CountingPoint component;
  CountingPoint peer;
  for (CountingPoint* destination : {&peer, static_cast<CountingPoint*>(nullptr)}) {
    ConnectionProxy proxy(&component);
    ASSERT_EQ(proxy.connect(destination), kResultOk);
    Steinberg::IPtr<Steinberg::Vst::HostMessage> message(new Steinberg::Vst::HostMessage(), false);
    message->setMessageID("talvo.test");
    const char payload[] = {'{', '\0', '}'};
    ASSERT_EQ(message->getAttributes()->setBinary("json", payload, 3), kResultOk);
    ASSERT_EQ(proxy.notify(message), kResultOk);
    EXPECT_EQ(proxy.notify(nullptr), Steinberg::kResultFalse);
    ASSERT_EQ(proxy.messagesWithId("talvo.test").size(), 1u);
    EXPECT_TRUE(proxy.messages()[0].hasJson);
    EXPECT_EQ(proxy.messages()[0].json, std::string(payload, 3));  // binary payloads keep embedded NULs
    // Disconnecting from anything but the remembered peer is refused.
    CountingPoint stranger;
    EXPECT_NE(proxy.disconnect(&stranger), kResultOk);
    EXPECT_EQ(proxy.disconnect(destination), kResultOk);
  }
  EXPECT_EQ(peer.received, 1);
}

}  // namespace
}  // namespace talvo::host
