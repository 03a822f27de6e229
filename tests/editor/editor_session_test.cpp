#include "editor/editor_session.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "editor/editor_channel.h"
#include "editor/page_bridge.h"
#include "editor/recording_bridge_host.h"

using namespace talvo;
using talvo::test::RecordingBridgeHost;
using Events = std::vector<std::string>;

TEST(EditorSession, SinkDeliversValidTextAsADeliverCallAndDropsTheRest) {
  RecordingBridgeHost host;
  std::vector<std::string> scripts;
  EditorSession session(&host);
  session.open([&](const std::string& script) { scripts.push_back(script); });
  ASSERT_TRUE(host.sink);
  host.sink(R"({"type":"talvo.hello","name":"Grüße €😀"})");
  for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80", "\xFF"}) {
    host.sink(std::string("{\"v\":\"") + bad + "\"}");
  }
  EXPECT_EQ(
      scripts,
      std::vector<std::string>{
          R"(window.talvoHost && window.talvoHost._deliver({"type":"talvo.hello","name":"Grüße €😀"});)"});
  session.receive(R"({"type":"talvo.ready"})");
  EXPECT_EQ(host.messages, std::vector<std::string>{R"({"type":"talvo.ready"})"});
}

TEST(EditorSession, ClosesOnceWhateverEndsIt) {
  RecordingBridgeHost host;
  {
    EditorSession session(&host);
    session.close();  // never opened: nothing to report
    session.open([](const std::string&) {});
    session.reportError("page load failed");
    session.close();
    session.close();
    session.receive("{}");  // after closing, page messages go nowhere
  }                         // destroyed after closing: nothing more
  EXPECT_EQ(host.events, (Events{"sink", "opened", "error: page load failed", "closed", "no sink"}));
  EXPECT_TRUE(host.messages.empty());

  host.events.clear();
  {
    EditorSession session(&host);
    session.open([](const std::string&) {});
    session.fail("editor process ended");
  }
  EXPECT_EQ(host.events, (Events{"sink", "opened", "error: editor process ended", "closed", "no sink"}));

  host.events.clear();
  {
    EditorSession(&host).open([](const std::string&) {});
  }  // destroyed while open
  EXPECT_EQ(host.events, (Events{"sink", "opened", "closed", "no sink"}));
}

TEST(EditorSession, TwoEditorsOnOneHostTheLastOpenedGetsTheTextsAndEitherClosingClearsTheSink) {
  RecordingBridgeHost host;
  std::string first, second;
  EditorSession a(&host), b(&host);
  a.open([&](const std::string& s) { first += s; });
  b.open([&](const std::string& s) { second += s; });
  host.sink("{}");
  EXPECT_TRUE(first.empty());
  EXPECT_FALSE(second.empty());
  a.close();
  EXPECT_FALSE(host.sink);
}

TEST(EditorRect, SizesAreClampedAndTheOriginKept) {
  struct Rect {
    std::int32_t left, top, right, bottom;
  };
  // Left, top, right and bottom asked for, then granted.
  const std::int32_t cases[][8] = {{0, 0, 100, 100, 0, 0, 360, 320},
                                   {0, 0, 2000, 2000, 0, 0, 1300, 900},
                                   {10, 20, 110, 120, 10, 20, 370, 340},
                                   {5, 5, 805, 605, 5, 5, 805, 605},
                                   {50, 50, 0, 0, 50, 50, 410, 370}};
  for (const auto& c : cases) {
    Rect r{c[0], c[1], c[2], c[3]};
    constrainEditorRect(r);
    EXPECT_EQ((std::array{r.left, r.top, r.right, r.bottom}), (std::array{c[4], c[5], c[6], c[7]}));
  }
}

TEST(EditorChannel, FramesSurviveAnyCuttingAndGarbageBreaksTheStream) {
  std::string stream;
  appendEditorFrame(stream, EditorFrame::Message, R"({"type":"talvo.ready"})");
  appendEditorFrame(stream, EditorFrame::Size, editorSizePayload(900, 620));
  appendEditorFrame(stream, EditorFrame::Error, "");
  EditorFrameReader reader;
  std::vector<std::pair<EditorFrame, std::string>> frames;
  EditorFrame type{};
  std::string payload;
  for (const char byte : stream) {
    reader.append(&byte, 1);
    while (reader.next(type, payload) == EditorFrameReader::Next::Frame)
      frames.emplace_back(type, payload);
  }
  EXPECT_EQ(frames, (decltype(frames){{EditorFrame::Message, R"({"type":"talvo.ready"})"},
                                      {EditorFrame::Size, editorSizePayload(900, 620)},
                                      {EditorFrame::Error, ""}}));
  std::uint32_t width = 0, height = 0;
  ASSERT_TRUE(parseEditorSizePayload(frames.at(1).second, width, height));
  EXPECT_EQ(std::make_pair(width, height), std::make_pair(900u, 620u));

  for (const std::string& garbage : {std::string("X\0\0\0\0", 5), std::string("M\xff\xff\xff\xff", 5)}) {
    EditorFrameReader broken;
    broken.append(garbage.data(), garbage.size());
    EXPECT_EQ(broken.next(type, payload), EditorFrameReader::Next::Broken);
    broken.append(stream.data(), stream.size());  // stays broken
    EXPECT_EQ(broken.next(type, payload), EditorFrameReader::Next::Broken);
  }
}
