// The activity score of a snapshot against the one before it: the share of
// the luma grid (see luma_thumbnail.h) that changed by more than the noise
// threshold, once the mean difference over the whole grid is taken off, so
// that a change of light that brightens or darkens everything moves no
// pixel across the threshold. 0 for an unchanged scene, 1 when every grid
// pixel changed.
//
// Measured on generated 640 × 480 material (JPEG quality 75, sensor noise
// of σ ≈ 6 grey levels, bench/bench_activity.cpp prints the figures):
// between two snapshots of a still scene, the blurred grid pixels differ by
// at most about 3 grey levels after the mean is taken off; a brightness
// ramp of 1 grey level per snapshot adds nothing, and a person-sized figure
// differs from the background by 30 or more. kChangedLevels sits between,
// with room for noisier cameras.
#pragma once

#include "activity/luma_thumbnail.h"

namespace vistrel::activity {

// A grid pixel changed when it moved by more than this many grey levels
// beyond the whole grid's mean change.
inline constexpr int kChangedLevels = 12;

double activityScore(const LumaGrid& before, const LumaGrid& after);

}  // namespace vistrel::activity
