#pragma once
// A processor initialised with the SDK's host application as its context and
// connected to a recording proxy, as a host leaves it before setup.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "hosting/connection.h"
#include "processor/talvo_processor.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace talvo::test {

/// Plays the controller's part of filling in who the host is.
class TestProcessor : public TalvoProcessor {
 public:
  void learnHost(const char* name, const char* version, std::uint8_t validator) {
    std::strncpy(hostFacts_.hostName, name, sizeof hostFacts_.hostName - 1);
    std::strncpy(hostFacts_.hostVersion, version, sizeof hostFacts_.hostVersion - 1);
    std::strncpy(hostFacts_.hostPath, "/opt/host", sizeof hostFacts_.hostPath - 1);
    hostFacts_.validatorKind = validator;
  }
};

class ProcessorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    processor_ = Steinberg::owned(new TestProcessor());
    peer_ = std::make_unique<host::ConnectionProxy>(processor_.get());
    ASSERT_EQ(processor_->initialize(host_.get()), Steinberg::kResultOk);
    ASSERT_EQ(peer_->connect(nullptr), Steinberg::kResultOk);
  }
  void TearDown() override {
    processor_->setActive(false);
    peer_->disconnect(nullptr);
    processor_->terminate();
  }

  Steinberg::tresult setup(double rate, Steinberg::int32 maxBlock,
                           Steinberg::int32 sampleSize = Steinberg::Vst::kSample32,
                           Steinberg::int32 mode = Steinberg::Vst::kRealtime) {
    Steinberg::Vst::ProcessSetup s{mode, sampleSize, maxBlock, rate};
    return processor_->setupProcessing(s);
  }
  /// setupProcessing and setActive(true), as a host starts processing.
  void start(double rate, Steinberg::int32 maxBlock) {
    ASSERT_EQ(setup(rate, maxBlock), Steinberg::kResultOk);
    ASSERT_EQ(processor_->setActive(true), Steinberg::kResultOk);
  }
  [[nodiscard]] std::size_t sent(const char* id) const { return peer_->messagesWithId(id).size(); }

  // The SDK's host application does not count references; it is ours to delete.
  std::unique_ptr<Steinberg::Vst::HostApplication> host_ =
      std::make_unique<Steinberg::Vst::HostApplication>();
  Steinberg::IPtr<TestProcessor> processor_;
  std::unique_ptr<host::ConnectionProxy> peer_;
};

}  // namespace talvo::test
