// Runs each check in a child process: a plug-in that crashes, aborts or
// hangs fails the check that found it, and the suite goes on. The parent never
// loads the plug-in, so forking it is safe.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>

#include "validate/check.h"

namespace talvo::validate {

namespace {

/// Seconds a check may take at a strictness; 0 for no limit.
int timeLimitSeconds(int strictness) {
  return strictness < 7 ? 0 : 60 - 10 * (strictness - 7);
}

Result runHere(const std::string& bundle, const Options& options, const Check& check, std::size_t index) {
  std::string error;
  auto module = host::PluginModule::open(bundle, error);
  if (module == nullptr) return fail(error);
  host::FactoryRecord factory;
  if (!host::readFactory(*module->factory(), factory, error)) return fail(error);
  const host::ClassRecord* processor = host::findClass(factory, "Audio Module Class");
  if (processor == nullptr) return fail("the factory has no audio processor class");
  const host::ClassRecord processorClass = *processor;
  Result result;
  {
    Session session(*module, std::move(factory), processorClass, options,
                    options.seed ^ (0x9E3779B97F4A7C15ull * (index + 1)));
    try {
      result = check.run(session);
    } catch (const std::exception& e) {
      result = fail(std::string("an exception escaped the plug-in: ") + e.what());
    } catch (...) {
      result = fail("an exception escaped the plug-in");
    }
  }
  module.reset();  // module exit belongs to the check too
  return result;
}

void writeAll(int fd, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote <= 0) return;
    done += static_cast<std::size_t>(wrote);
  }
}

Result runIsolated(const std::string& bundle, const Options& options, const Check& check, std::size_t index) {
  int channel[2];
  if (pipe(channel) != 0) return fail(std::string("cannot make a pipe: ") + std::strerror(errno));
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) return fail(std::string("cannot fork: ") + std::strerror(errno));
  if (child == 0) {
    close(channel[0]);
    const Result result = runHere(bundle, options, check, index);
    std::fflush(nullptr);  // what the plug-in printed, before the exit that skips the buffers
    writeAll(channel[1],
             std::string(1, static_cast<char>('0' + static_cast<int>(result.verdict))) + result.detail);
    _exit(0);  // no exit handlers: they belong to the parent
  }
  close(channel[1]);
  const int limit = timeLimitSeconds(options.strictness);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limit);
  std::string answer;
  bool late = false;
  for (;;) {
    int wait = -1;
    if (limit > 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      wait = static_cast<int>(std::max<std::int64_t>(left.count(), 0));
    }
    pollfd watch{channel[0], POLLIN, 0};
    const int ready = poll(&watch, 1, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      late = true;
      kill(child, SIGKILL);
      break;
    }
    char chunk[4096];
    const ssize_t got = read(channel[0], chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    answer.append(chunk, static_cast<std::size_t>(got));
  }
  close(channel[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (late) return fail("did not finish within its limit of " + std::to_string(limit) + " seconds");
  if (WIFSIGNALED(status)) {
    return fail(std::string("the plug-in crashed the host (") + strsignal(WTERMSIG(status)) + ")");
  }
  if (answer.empty() || WEXITSTATUS(status) != 0) {
    return fail("the plug-in ended the host without a verdict (exit status " +
                std::to_string(WEXITSTATUS(status)) + ")");
  }
  return {static_cast<Verdict>(answer[0] - '0'), answer.substr(1)};
}

}  // namespace

Tally runValidation(const std::string& bundle, const Options& options, std::FILE* out) {
  std::fprintf(out, "validating %s at strictness %d, seed %llu\n", bundle.c_str(), options.strictness,
               static_cast<unsigned long long>(options.seed));
  Tally tally;
  const auto checks = allChecks();
  for (std::size_t i = 0; i < checks.size(); ++i) {
    if (checks[i].strictness > options.strictness) continue;
    const Result result = runIsolated(bundle, options, checks[i], i);
    const char* label = result.verdict == Verdict::kPass   ? "pass"
                        : result.verdict == Verdict::kFail ? "FAIL"
                                                           : "skip";
    const char* gap = result.detail.empty() ? "" : result.verdict == Verdict::kPass ? " (" : ": ";
    std::fprintf(out, "%s  %s%s%s%s\n", label, checks[i].name, gap, result.detail.c_str(),
                 result.verdict == Verdict::kPass && !result.detail.empty() ? ")" : "");
    std::fflush(out);
    (result.verdict == Verdict::kPass   ? tally.passed
     : result.verdict == Verdict::kFail ? tally.failed
                                        : tally.skipped) += 1;
    // Nothing else can run on a module that does not load.
    if (i == 0 && result.verdict == Verdict::kFail) break;
  }
  std::fprintf(out, "%d passed, %d failed\n", tally.passed, tally.failed);
  return tally;
}

}  // namespace talvo::validate
