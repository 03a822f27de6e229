#include "hosting/run_loop.h"

#include <poll.h>

#include <algorithm>

using namespace Steinberg;

namespace talvo::host {
namespace {

template <typename Entry>
bool contains(const std::vector<Entry>& entries, std::uint64_t id) {
  return std::any_of(entries.begin(), entries.end(), [id](const Entry& e) { return e.id == id; });
}

// Removes every entry of `handler`, releasing the loop's reference to each.
template <typename Entry, typename Handler>
bool removeAll(std::vector<Entry>& entries, Handler* handler) {
  const auto first = std::remove_if(entries.begin(), entries.end(), [handler](const Entry& e) {
    if (e.handler != handler) return false;
    e.handler->release();
    return true;
  });
  const bool found = first != entries.end();
  entries.erase(first, entries.end());
  return found;
}

}  // namespace

RunLoop::~RunLoop() {
  for (const Watch& watch : watches_)
    watch.handler->release();
  for (const Timer& timer : timers_)
    timer.handler->release();
}

tresult PLUGIN_API RunLoop::registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd) {
  if (handler == nullptr || fd < 0) return kInvalidArgument;
  handler->addRef();
  watches_.push_back({nextId_++, handler, fd});
  return kResultOk;
}

tresult PLUGIN_API RunLoop::unregisterEventHandler(Linux::IEventHandler* handler) {
  if (handler == nullptr) return kInvalidArgument;
  return removeAll(watches_, handler) ? kResultOk : kResultFalse;
}

tresult PLUGIN_API RunLoop::registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval milliseconds) {
  if (handler == nullptr || milliseconds == 0) return kInvalidArgument;
  handler->addRef();
  const std::chrono::milliseconds interval(milliseconds);
  timers_.push_back({nextId_++, handler, interval, Clock::now() + interval});
  return kResultOk;
}

tresult PLUGIN_API RunLoop::unregisterTimer(Linux::ITimerHandler* handler) {
  if (handler == nullptr) return kInvalidArgument;
  return removeAll(timers_, handler) ? kResultOk : kResultFalse;
}

void RunLoop::runOnce(std::chrono::milliseconds maxWait) {
  Clock::time_point wake = Clock::now() + maxWait;
  for (const Timer& timer : timers_)
    wake = std::min(wake, timer.due);
  std::vector<pollfd> polled;
  std::vector<Watch> round = watches_;
  for (const Watch& watch : round)
    polled.push_back({watch.fd, POLLIN, 0});
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now());
  const int ready =
      poll(polled.data(), polled.size(), static_cast<int>(std::max<long long>(0, wait.count())));

  for (std::size_t i = 0; ready > 0 && i < round.size(); ++i) {
    if (polled[i].revents == 0 || !contains(watches_, round[i].id)) continue;
    // The loop's reference may go inside the call; this one keeps it alive.
    Linux::IEventHandler* handler = round[i].handler;
    handler->addRef();
    handler->onFDIsSet(round[i].fd);
    handler->release();
  }

  const Clock::time_point now = Clock::now();
  std::vector<Timer> due;
  for (Timer& timer : timers_) {
    if (timer.due > now) continue;
    due.push_back(timer);
    // A late timer fires once, then keeps its rhythm from now on.
    timer.due += timer.interval;
    if (timer.due <= now) timer.due = now + timer.interval;
  }
  for (const Timer& timer : due) {
    if (!contains(timers_, timer.id)) continue;
    timer.handler->addRef();
    timer.handler->onTimer();
    timer.handler->release();
  }
}

bool RunLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const Clock::time_point end = Clock::now() + limit;
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    if (left.count() <= 0) return false;
    runOnce(std::min(left, std::chrono::milliseconds(50)));
  }
  return true;
}

}  // namespace talvo::host
