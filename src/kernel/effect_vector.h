#pragma once
// The effect's render loops: the scalar reference and the vector form, which
// is compiled for every instruction set the build supports and chosen at run
// time for the processor it runs on.
#include <cstddef>

#include "kernel/effect.h"

namespace talvo::kernel {

// Audio thread: no allocation.

/// Renders `count` frames (at most ORIEL_MAX_FRAMES) from `input` to `output`
/// and advances the node: one frame at a time, one library sine per frame.
void renderReference(OrielNode& node, double wet, const float* input, float* output,
                     std::size_t count) noexcept;
/// The same in vector form. Every operation but the sine is the scalar loop's
/// own, in its order; the sine comes from vector math within a few units in
/// the last place of the library's.
void renderVector(OrielNode& node, double wet, const float* input, float* output, std::size_t count) noexcept;

/// The parameters in force from frame `start` of a block on.
struct ParameterSpan {
  std::size_t start;
  double rateHz;
  double depth;
  double wet;
};

/// renderVector over a block whose parameters change between frames: span j
/// covers [spans[j].start, spans[j + 1].start), the first starts at 0. Equals
/// rendering span by span with the node (and the wet amount) set to each
/// span's values, as a block cut at its parameter changes is rendered; the
/// node keeps the last span's. One pass instead of one per span.
void renderVector(OrielNode& node, const float* input, float* output, std::size_t count,
                  const ParameterSpan* spans, std::size_t spanCount) noexcept;

/// Name of the instruction set the vector loop runs on ("AVX2", "NEON", ...).
[[nodiscard]] const char* vectorTargetName() noexcept;

}  // namespace talvo::kernel
