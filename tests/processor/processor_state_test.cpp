// The processor's state through the hosting library's stream and streams that misbehave.
#include <cstring>
#include <string>

#include "hosting/byte_stream.h"
#include "processor/processor_fixture.h"

namespace talvo::test {
namespace {

using namespace Steinberg;

constexpr char kDefaults[] = R"({"params":{"oriel.rate":5,"oriel.depth":0.1,"oriel.wet":1},"variation":16})";
constexpr char kMap[] = R"({"params":{"oriel.rate":0.5,"oriel.depth":0.25,"oriel.wet":0},"variation":3,)"
                        R"("ccMap":{"version":1,"bindings":[{"cc":74,"path":"oriel.depth"}]}})";
const std::string kMapAndPads =
    std::string(kMap, sizeof kMap - 2) + R"(,"sampler":{"v":1,"pads":{"kick":{"gain":0.5}}}})";

// Reads zeros for ever, as /dev/zero does, and takes only half of any write.
class OddStream final : public host::HostOwned<IBStream> {
 public:
  tresult PLUGIN_API read(void* buffer, int32 size, int32* got) override {
    std::memset(buffer, 0, static_cast<std::size_t>(size));
    *got = size;
    return kResultOk;
  }
  tresult PLUGIN_API write(void*, int32 size, int32* written) override {
    *written = size / 2;
    return kResultOk;
  }
  tresult PLUGIN_API seek(int64, int32, int64*) override { return kResultFalse; }
  tresult PLUGIN_API tell(int64*) override { return kResultFalse; }
};

class ProcessorState : public ProcessorTest {
 protected:
  std::string saved() {
    host::ByteStream stream;
    EXPECT_EQ(processor_->getState(&stream), kResultOk);
    return stream.bytes();
  }
  tresult restore(std::string bytes) {
    host::ByteStream stream(std::move(bytes));
    return processor_->setState(&stream);
  }
};

TEST_F(ProcessorState, SavedStatesRestoreToTheSameBytesAndAbsentBlocksClearOnlyThePads) {
  EXPECT_EQ(saved(), kDefaults);
  for (const std::string& state : {std::string(kDefaults), kMapAndPads}) {
    ASSERT_EQ(restore(state), kResultOk);
    EXPECT_EQ(saved(), state);
  }
  ASSERT_EQ(restore(R"({"params":{}})"), kResultOk);
  EXPECT_EQ(saved(), kMap) << "the stored map stays; the pads go";
  // A pad the writer would leave out does not keep the others from the engine.
  std::string blankKey = kMapAndPads;
  blankKey.insert(blankKey.find("\"kick\""), R"("":{"gain":2},)");
  ASSERT_EQ(restore(blankKey), kResultOk);
  EXPECT_EQ(saved(), kMapAndPads);
}

TEST_F(ProcessorState, UnreadableStatesAndShortWritesFailAndChangeNothing) {
  ASSERT_EQ(restore(kMapAndPads), kResultOk);
  const std::string tooLong = kDefaults + std::string(17 << 20, ' ');
  for (const std::string& state : {std::string(), kMapAndPads.substr(0, kMapAndPads.size() - 1), tooLong})
    EXPECT_EQ(restore(state), kResultFalse) << state.size() << " bytes";
  OddStream odd;
  EXPECT_EQ(processor_->setState(&odd), kResultFalse);
  EXPECT_EQ(processor_->getState(&odd), kResultFalse);
  EXPECT_EQ(saved(), kMapAndPads);
}

TEST_F(ProcessorState, AMissingBankKeepsTheParametersAndIsRecordedTwiceInOneReport) {
  ASSERT_EQ(
      restore(
          R"({"params":{"oriel.depth":0.5},"bank":{"id":"demo","source":"user-folder","locator":"/gone"}})"),
      kResultOk);
  EXPECT_EQ(saved(), R"({"params":{"oriel.rate":5,"oriel.depth":0.5,"oriel.wet":1},"variation":16})");
  const auto reports = peer_->messagesWithId("talvo.runtimeDiagnostics");
  ASSERT_EQ(reports.size(), 1u);
  for (const char* part :
       {R"("code":"bank.missing","severity":"error","phase":"load")",
        R"("code":"bank.missing","severity":"error","phase":"state")", "\"diagnostics\":2"})
    EXPECT_NE(reports[0].json.find(part), std::string::npos) << part << " in " << reports[0].json;
}

}  // namespace
}  // namespace talvo::test
