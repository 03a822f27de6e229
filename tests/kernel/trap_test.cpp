// Traps: the message handed to the sink, and the poisoning of one library
// state without ending the process or touching other states.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "kernel/library.h"
#include "kernel/trap.h"
#include "kernel_fixture.h"

namespace talvo::kernel {
namespace {

using test::Instance;
using test::makeLibrary;

const std::string kSep(1, '\x1f');

std::string format(const std::string& text, const char* entry) {
  char out[kTrapMessageMax + 1];
  const std::size_t n = formatTrapMessage(text.data(), text.size(), entry, out);
  EXPECT_EQ(out[n], '\0');
  return std::string(out, n);
}

struct SinkLog {
  std::vector<std::string> messages;
  std::vector<const void*> addresses;
  talvo_kernel_library* reenter = nullptr;  // library the sink calls back into, if any
  double reentryResult = -1.0;
};

void recordingSink(void* context, const char* message, std::size_t length, const void* address) {
  auto* log = static_cast<SinkLog*>(context);
  const std::string before(message, length);
  if (log->reenter != nullptr) log->reentryResult = talvo_kernel_process(log->reenter, 1, 16);
  // The message being read must survive a trap raised from inside the sink.
  EXPECT_EQ(std::string(message, length), before);
  log->messages.push_back(before);
  log->addresses.push_back(address);
}

TEST(TrapMessage, CarriesTextCodeAndEntryNameBetweenSeparatorsWithinTheLimit) {
  EXPECT_EQ(format("rivet: RangeError: index 9 out of range", "talvo_kernel_process"),
            "rivet: RangeError: index 9 out of range" + kSep + "RV4014" + kSep + "talvo_kernel_process");
  EXPECT_EQ(format(std::string("a\x01x\x1f", 4), "e"), "a x " + kSep + "RV4019" + kSep + "e");
  // A long text is cut so that code and entry still fit.
  const std::string message = format(std::string(5000, 'x'), "talvo_kernel_create");
  ASSERT_EQ(message.size(), kTrapMessageMax);
  EXPECT_EQ(message.substr(message.size() - 27), kSep + "RV4019" + kSep + "talvo_kernel_create");
  // A text starting with byte 1 is passed on unchanged, only cut.
  const std::string preformatted("\x01pre\x1f", 5);
  EXPECT_EQ(format(preformatted, "talvo_kernel_reset"), preformatted);
  EXPECT_EQ(format("\x01" + std::string(3000, 'y'), "e").size(), kTrapMessageMax);
}

TEST(TrapMessage, CodeFollowsTheTextsBeginning) {
  const std::pair<const char*, const char*> cases[] = {
      {"Uncaught boom", "RV4013"},
      {"rivet: RangeError: x", "RV4014"},
      {"rivet: TypeError: x", "RV4015"},
      {"rivet: SyntaxError: x", "RV4016"},
      {"rivet: out of memory", "RV4017"},
      {"rivet: internal error: x", "RV4018"},
      {"rivet: library callback x", "RV4025"},
      {"rivet: library entry x", "RV4026"},
      {"rivet: RangeError", "RV4019"},  // prefix incomplete
      {"Uncaught", "RV4019"},
      {"", "RV4019"},
  };
  for (const auto& [text, code] : cases)
    EXPECT_STREQ(trapCode(text, std::char_traits<char>::length(text)), code) << text;
}

TEST(KernelTrap, ExceptionsBecomeTrapsThatPoisonOnlyTheirOwnState) {
  const struct {
    double (*body)();
    const char* message;
  } cases[] = {
      {[]() -> double { throw std::bad_alloc(); }, "rivet: out of memory\x1fRV4017\x1ftalvo_kernel_reset"},
      {[]() -> double { throw std::runtime_error("state corrupt"); },
       "Uncaught state corrupt\x1fRV4013\x1ftalvo_kernel_reset"},
  };
  for (const auto& c : cases) {
    auto lib = makeLibrary();
    auto other = makeLibrary();
    SinkLog log;
    talvo_kernel_set_panic_sink(lib.get(), recordingSink, &log);
    const Instance inst = Instance::create(lib.get());
    const Instance otherInst = Instance::create(other.get());
    int marker = 0;
    EXPECT_EQ(libraryInternals(lib.get())->guarded("talvo_kernel_reset", &marker, 1.0, c.body), 1.0);
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0], c.message);
    EXPECT_EQ(log.addresses[0], &marker);
    EXPECT_EQ(talvo_kernel_poisoned(lib.get()), 1);

    // Every later entry fails without running, and without calling the sink again.
    EXPECT_EQ(talvo_kernel_abi_version(lib.get()), 0.0);
    test::expectInvalidEverywhere(lib.get(), inst.handle);
    talvo_kernel_runtime_init(lib.get());  // does not revive a poisoned state
    EXPECT_EQ(test::create48k(lib.get()), 0.0);
    EXPECT_EQ(log.messages.size(), 1u);

    EXPECT_EQ(talvo_kernel_poisoned(other.get()), 0);
    EXPECT_EQ(talvo_kernel_process(other.get(), otherInst.handle, 128), TALVO_KERNEL_OK);
  }
}

TEST(KernelTrap, EntryFromInsideTheSinkTrapsWithoutRecursing) {
  auto lib = makeLibrary();
  SinkLog log;
  log.reenter = lib.get();
  talvo_kernel_set_panic_sink(lib.get(), recordingSink, &log);
  libraryInternals(lib.get())->trap("rivet: internal error: test");
  ASSERT_EQ(log.messages.size(), 1u);  // the nested trap does not call the sink again
  EXPECT_EQ(log.reentryResult, TALVO_KERNEL_PROCESS_INVALID);
  const char* last = nullptr;
  std::size_t length = 0;
  talvo_kernel_last_trap(lib.get(), &last, &length);
  EXPECT_EQ(std::string(last, length),
            "rivet: library entry 'talvo_kernel_process' invoked from a host callback\n" + kSep + "RV4026" +
                kSep + "talvo_kernel_process");
}

}  // namespace
}  // namespace talvo::kernel
