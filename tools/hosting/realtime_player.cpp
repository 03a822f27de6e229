#include "hosting/realtime_player.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

#include "hosting/channel_map.h"
#include "hosting/offline_render.h"
#include "hosting/plugin_limits.h"

namespace talvo::host {

bool RealtimePlayer::start(PluginInstance& instance, std::vector<float> signal, std::int32_t channels,
                           double sampleRate, std::int32_t blockFrames, std::string& error) {
  stop();
  if (channels < 1 || blockFrames < 1 || signal.size() < static_cast<std::size_t>(channels)) {
    error = "nothing to play: no channels, no frames or an empty block size";
    return false;
  }
  std::int32_t busIn = 0, busOut = 0;
  std::string note;
  if (!mainBusChannels(*instance.component(), Steinberg::Vst::kInput, busIn, error) ||
      !mainBusChannels(*instance.component(), Steinberg::Vst::kOutput, busOut, error) ||
      !planInputChannels(channels, busIn, true, note, error) ||
      !instance.start(sampleRate, blockFrames, Steinberg::Vst::kRealtime, error)) {
    return false;
  }
  instance_ = &instance;
  signal_ = std::move(signal);
  channels_ = channels;
  sampleRate_ = sampleRate;
  blockFrames_ = blockFrames;
  // Everything the audio thread touches is sized here.
  buffers_ = std::make_unique<ProcessBuffers>(busIn, busOut, blockFrames);
  block_.assign(static_cast<std::size_t>(blockFrames) * static_cast<std::size_t>(channels), 0.0f);
  inputs_.clear();
  for (std::int32_t c = 0; c < busIn; ++c)
    inputs_.push_back(buffers_->input(c));
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
    const auto width = static_cast<std::size_t>(channels_);
    for (std::size_t i = 0; i < static_cast<std::size_t>(blockFrames_);
         ++i, position = (position + 1) % frames)
      std::copy_n(&signal_[position * width], width, &block_[i * width]);
    spreadInputChannels(block_.data(), channels_, blockFrames_, inputs_.data(), buffers_->inputChannels());
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
