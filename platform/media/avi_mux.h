// The AVI sink: the end of a recording graph, one video input pin. It
// multiplexes and writes the file itself: the file is created when its name
// is set (FileSinkFilter) and completed and closed when the graph stops; a
// graph run again writes it anew. It takes uncompressed 24-bit bottom-up RGB
// (stored as a BI_RGB DIB stream, codec tag 0), uncompressed YUY2, or any
// compressed video whose four-character code is an AVI video tag (XVID,
// MJPG, cvid, ...).
//
// Timing: the stream's rate is the first sample's duration (stop − start),
// or the input's average time per frame when the source gives one, else
// 25 per second; each sample is placed at start / period. The header is
// written with the first sample (or at stop, for a file without frames) and
// the index and trailer at stop. The header and every frame are flushed to
// the file as soon as they are written, and after each frame the open
// RIFF's and movi list's sizes and the frame counts are brought up to date,
// so a file cut short by a killed process is a valid AVI without index that
// holds them. Beyond 1 GiB, where the file goes on in OpenDML extension
// RIFFs, the indexes of the completed RIFFs are hidden until the file is
// completed: a reader that trusts them would stop where they stop.
#pragma once

#include "platform/media/filter.h"

namespace vistrel::media {

Ref<BaseFilter> createAviMux();

// The same sink writing an MP4 file (codec tags chosen by the
// container, the index moved to the front when the file is completed so
// that players can start before the whole file arrived). Takes H.264.
Ref<BaseFilter> createMp4Mux();

}  // namespace vistrel::media
