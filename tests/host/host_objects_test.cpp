// The host-side parameter queues, component handler, byte stream and
// connection proxy that talvo-host hands to the plug-in for automation, the
// controller's edits, state and messages; automation parsing, ramp values, and
// the points sent on the frame grid while a value moves. That they do not
// depend on the block size shows in the render tool's tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "hosting/automation.h"
#include "hosting/byte_stream.h"
#include "hosting/component_handler.h"
#include "hosting/connection.h"
#include "hosting/param_changes.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "support/alloc_counter.h"

namespace talvo::host {
namespace {

using Steinberg::int32;
using Steinberg::kResultOk;

using Point = std::tuple<std::int64_t, Steinberg::Vst::ParamID, double>;

// Every point in `changes`, queue by queue, as (start + offset, parameter, value).
std::vector<Point> pointsOf(ParameterChanges& changes, std::int64_t start = 0) {
  std::vector<Point> points;
  for (int32 q = 0; q < changes.getParameterCount(); ++q) {
    auto* queue = changes.getParameterData(q);
    for (int32 i = 0; i < queue->getPointCount(); ++i) {
      int32 offset = -1;
      double value = 0;
      EXPECT_EQ(queue->getPoint(i, offset, value), kResultOk);
      points.emplace_back(start + offset, queue->getParameterId(), value);
    }
  }
  return points;
}

TEST(ParameterChanges, PointsComeBackSortedARepeatedOffsetReplacesAndFullTablesRefuse) {
  ParameterChanges changes(1, 3);
  const std::pair<int32, double> added[] = {{100, 0.5}, {10, 0.1}, {50, 0.3}, {50, 0.75}};
  for (auto [offset, value] : added)
    ASSERT_TRUE(changes.addPoint(2, offset, value));
  EXPECT_FALSE(changes.addPoint(2, 70, 0.2)) << "a full queue";
  EXPECT_FALSE(changes.addPoint(3, 0, 0.2)) << "a full table";
  EXPECT_EQ(pointsOf(changes), (std::vector<Point>{{10, 2, 0.1}, {50, 2, 0.75}, {100, 2, 0.5}}));
  int32 offset = 0;
  double value = 0;
  EXPECT_NE(changes.getParameterData(0)->getPoint(3, offset, value), kResultOk);
}

TEST(ComponentHandler, DrainsEachPerformedEditOnceAsAPointAtFrameZero) {
  ComponentHandler handler;
  ASSERT_EQ(handler.performEdit(1, 0.25), kResultOk);
  ASSERT_EQ(handler.performEdit(2, 0.5), kResultOk);
  ParameterChanges changes(2, 1);
  ASSERT_TRUE(handler.drainInto(changes));
  EXPECT_EQ(pointsOf(changes), (std::vector<Point>{{0, 1, 0.25}, {0, 2, 0.5}}));
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
    ASSERT_EQ(proxy.messages().size(), 1u);
    EXPECT_EQ(proxy.messages()[0].json, std::string(payload, 3));  // binary payloads keep embedded NULs
    // Disconnecting from anything but the remembered peer is refused.
    CountingPoint stranger;
    EXPECT_NE(proxy.disconnect(&stranger), kResultOk);
    EXPECT_EQ(proxy.disconnect(destination), kResultOk);
  }
  EXPECT_EQ(peer.received, 1);
}

// Every point the schedule sends over `total` frames cut into `block`-frame
// blocks, as (absolute frame, parameter, normalized value).
std::vector<Point> collect(const AutomationSchedule& schedule, std::int64_t total, std::int32_t block) {
  std::vector<Point> points;
  ParameterChanges changes(3, schedule.maxPointsPerBlock(block));
  for (std::int64_t start = 0; start < total; start += block) {
    auto frames = static_cast<std::int32_t>(std::min<std::int64_t>(block, total - start));
    changes.clear();
    EXPECT_TRUE(schedule.addBlock(start, frames, changes));
    for (const Point& point : pointsOf(changes, start)) {
      EXPECT_TRUE(std::get<0>(point) >= start && std::get<0>(point) < start + frames) << std::get<0>(point);
      points.push_back(point);
    }
  }
  std::sort(points.begin(), points.end());
  return points;
}

// A plug-in without a controller: numeric ids, normalized values.
const ParameterDirectory kNoController(nullptr);

AutomationLane lane(const char* text) {
  AutomationLane parsed;
  std::string error;
  EXPECT_TRUE(parseAutomation(kNoController, text, parsed, error)) << error;
  return parsed;
}

const ToNormalized kIdentity = [](Steinberg::Vst::ParamID, double plain) { return plain; };

TEST(AutomationText, ReadsNamesAndPointsAndRefusesTheRest) {
  // A plug-in in the process may set a comma-decimal locale; the command line means the same.
  ASSERT_TRUE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) << "scripts/setup.sh makes this locale";
  struct CLocaleAfter {
    ~CLocaleAfter() { std::setlocale(LC_NUMERIC, "C"); }
  } restore;
  AutomationLane rate = lane("7=0:0.5,2.5:0.8");
  EXPECT_EQ(rate.id, 7u);
  ASSERT_EQ(rate.points.size(), 2u);
  EXPECT_EQ(rate.points[1].seconds, 2.5);
  EXPECT_EQ(rate.points[1].plain, 0.8);
  ParamSetting depth;
  std::string error;
  ASSERT_TRUE(parseSetting(kNoController, "1=0.5", depth, error));
  EXPECT_EQ(depth.id, 1u);
  EXPECT_EQ(depth.normalized, 0.5);

  const std::pair<const char*, const char*> refusedLanes[] = {
      {"rate=0:1", "no controller, so its parameters have no names"},
      {"0=0:1,", "expected seconds:value"},
      {"0=0:1,2", "expected seconds:value"},
      {"0=2:1,1:0", "never decrease"},
      {"0=-1:1", "start at 0 or later"},
      {"0", "expected name=value"},
      {"0=0:1.5", "parameter 0 takes normalized values 0 .. 1; 1.5 is outside"},
  };
  AutomationLane refusedLane;
  for (const auto& [text, words] : refusedLanes) {
    error.clear();
    EXPECT_FALSE(parseAutomation(kNoController, text, refusedLane, error)) << text;
    EXPECT_NE(error.find(words), std::string::npos) << error;
  }
  ParamSetting refusedSetting;
  for (const char* text : {"0=half", "0=nan", "0=", "4294967296=0"})
    EXPECT_FALSE(parseSetting(kNoController, text, refusedSetting, error)) << text;
}

TEST(AutomationRamp, HoldsOutsideThePointsAndRampsBetweenThem) {
  AutomationLane rate = lane("0=1:0.2,3:0.6,3:1");
  // Two points at one time make a step: the later one wins from then on.
  const std::pair<double, double> values[] = {{0.0, 0.2}, {2.0, 0.4}, {2.5, 0.5}, {3.0, 1.0}, {100.0, 1.0}};
  for (auto [seconds, plain] : values)
    EXPECT_NEAR(laneValueAt(rate, seconds), plain, 1e-15) << seconds;
}

TEST(AutomationGrid, SendsNormalizedRampValuesOnGridFramesOnlyWhileMoving) {
  // 0 at 0 s rising to 1 at 1000 frames, then held.
  AutomationSchedule schedule({lane("0=0:0,0.02:1")}, kIdentity, 50000.0, 100);
  const std::vector<Point> points = collect(schedule, 3000, 256);
  // Frame 0, then every grid frame up to and including the end of the ramp.
  ASSERT_EQ(points.size(), 11u);
  for (std::size_t i = 0; i < points.size(); ++i) {
    EXPECT_EQ(std::get<0>(points[i]), static_cast<std::int64_t>(i) * 100);
    EXPECT_EQ(std::get<1>(points[i]), 0u);
    EXPECT_NEAR(std::get<2>(points[i]), static_cast<double>(i) / 10.0, 1e-9);
  }
}

TEST(AutomationGrid, FillingABlockAllocatesNothing) {
  AutomationSchedule schedule({lane("0=0:0.5,1:0.8"), lane("1=0:0,1:1")}, kIdentity, 48000.0, 32);
  ParameterChanges changes(3, schedule.maxPointsPerBlock(512));
  talvo::test::AllocationCounter counter;
  for (std::int64_t start = 0; start < 48000; start += 512) {
    changes.clear();
    ASSERT_TRUE(schedule.addBlock(start, 512, changes));
  }
  EXPECT_EQ(counter.count(), 0u);
}

}  // namespace
}  // namespace talvo::host
