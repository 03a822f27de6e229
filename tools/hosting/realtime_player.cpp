#include "hosting/realtime_player.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

#include "hosting/offline_render.h"

namespace talvo::host {

bool RealtimePlayer::start(PluginInstance& instance, std::vector<float> signal, std::int32_t channels,
                           double sampleRate, std::int32_t blockFrames, std::string& error) {
  stop();
  if (channels < 1 || blockFrames < 1 || signal.size() < static_cast<std::size_t>(channels)) {
    error = "nothing to play: no channels, no frames or an empty block size";
    return false;
  }
  if (!instance.start(sampleRate, blockFrames, Steinberg::Vst::kRealtime, error)) return false;
  instance_ = &instance;
  signal_ = std::move(signal);
  channels_ = channels;
  sampleRate_ = sampleRate;
  blockFrames_ = blockFrames;
  // Everything the audio thread touches is sized here.
  buffers_ = std::make_unique<ProcessBuffers>(mainBusChannels(*instance.component(), Steinberg::Vst::kInput),
                                              mainBusChannels(*instance.component(), Steinberg::Vst::kOutput),
                                              blockFrames);
  changes_ = std::make_unique<ParameterChanges>(blockParameterCapacity(instance), 1);
  running_.store(true);
  thread_ = std::thread([this] { run(); });
  return true;
}

void RealtimePlayer::stop() {
  running_.store(false);
  if (thread_.joinable()) thread_.join();
  if (instance_ != nullptr) instance_->stop();
  instance_ = nullptr;
}

void RealtimePlayer::run() noexcept {
  using Clock = std::chrono::steady_clock;
  const auto blockTime = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(static_cast<double>(blockFrames_) / sampleRate_));
  const std::size_t frames = signal_.size() / static_cast<std::size_t>(channels_);
  std::size_t position = 0;
  Clock::time_point due = Clock::now();
  while (running_.load(std::memory_order_relaxed)) {
    changes_->clear();
    (void)instance_->componentHandler().drainInto(*changes_);
    for (std::int32_t c = 0; c < buffers_->inputChannels(); ++c) {
      float* in = buffers_->input(c);
      const std::size_t source = static_cast<std::size_t>(std::min(c, channels_ - 1));
      for (std::int32_t i = 0; i < blockFrames_; ++i)
        in[i] = signal_[((position + static_cast<std::size_t>(i)) % frames) *
                            static_cast<std::size_t>(channels_) +
                        source];
    }
    position = (position + static_cast<std::size_t>(blockFrames_)) % frames;
    Steinberg::Vst::ProcessData& data =
        buffers_->prepare(blockFrames_, changes_.get(), nullptr, Steinberg::Vst::kRealtime);
    if (instance_->processor()->process(data) != Steinberg::kResultOk)
      failed_.fetch_add(1, std::memory_order_relaxed);
    blocks_.fetch_add(1, std::memory_order_relaxed);
    due += blockTime;
    std::this_thread::sleep_until(due);
  }
}

std::vector<float> testSignal(double sampleRate) {
  const auto frames = static_cast<std::size_t>(std::max(sampleRate, 1.0));
  std::vector<float> signal(frames * 2);
  for (std::size_t i = 0; i < frames; ++i) {
    const auto x = static_cast<float>(
        0.25 * std::sin(2.0 * std::numbers::pi * 220.0 * static_cast<double>(i) / sampleRate));
    signal[2 * i] = x;
    signal[2 * i + 1] = x;
  }
  return signal;
}

}  // namespace talvo::host
