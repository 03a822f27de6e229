#pragma once
// The optional kernel trace: when the environment variable
// "TALVO_KERNEL_TRACE" names a file, setup, block and event lines are appended
// to it. Shared by every engine in the process.
#include <cstdint>
#include <cstdio>

namespace talvo::trace {

/// The trace file, opened for appending on first use (thread-safe, once per
/// process) and kept open; null when the variable is unset or empty. Setup
/// calls it first, so the audio thread only ever reads the stored pointer.
std::FILE* file();
/// Advances the process-wide block counter and returns its new value.
std::uint64_t nextBlock();
/// The block counter's current value.
std::uint64_t currentBlock();

}  // namespace talvo::trace
