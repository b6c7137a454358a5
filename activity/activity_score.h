// The activity score of a snapshot against the one before it: the share of
// the luma grid (see luma_thumbnail.h) that changed by more than the noise
// threshold. Two steps keep what is no activity near 0:
// - the mean difference over the whole grid is taken off first, so a change
//   of light that brightens or darkens everything (a cloud, the camera's
//   exposure) moves no pixel;
// - a pixel counts only when its new value lies outside the range of its
//   3 × 3 neighbourhood in the earlier grid, widened by the threshold, so an
//   edge that moved by up to one grid pixel (8 pixels of a 640 × 480
//   snapshot: a shaking camera) does not count.
// 0 for an unchanged scene, 1 when every grid pixel changed.
//
// Measured on generated 640 × 480 material, 100 snapshots each
// (bench_activity's Material figures): between neighbouring snapshots of a
// still scene with sensor noise of σ 6 at JPEG quality 75 (39 KB files),
// grid pixels change by at most 2 grey levels once the mean change is taken
// off, at σ 14 and quality 50 by at most 3; a light ramp of 1 level per
// snapshot adds nothing. A person-sized figure (a third of the picture high)
// differs from the background by 30 to 100 levels. kChangedLevels = 12 lies
// four times above the noise and well below the figure. Scores: still,
// ramp, noisy camera and shakes of up to 4 pixels 0; the walking figure
// 0.026 to 0.031; a shake of 8 pixels up to 0.06, which is reported as
// activity.
#pragma once

#include "activity/luma_thumbnail.h"

namespace vistrel::activity {

// A grid pixel changed when it moved by more than this many grey levels
// beyond the whole grid's mean change.
inline constexpr int kChangedLevels = 12;

double activityScore(const LumaGrid& before, const LumaGrid& after);

}  // namespace vistrel::activity
