// The connection proxy that the component messages go through.
#include <gtest/gtest.h>

#include <string>

#include "hosting/connection.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace talvo::host {
namespace {

using Steinberg::kResultOk;

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
