// The file writer: the end of a recording graph. It creates the named file
// when the file name is set and closes it when the graph stops, so the file
// is complete then. The AVI multiplexer upstream writes through the byte
// stream that the writer's input pin lends it (the multiplexer seeks back
// to patch its header, so this is a stream, not a flow of samples); samples
// delivered to the input pin are appended as they are.
#pragma once

#include <string>

#include "platform/media/filter_base.h"

struct AVIOContext;

namespace vistrel::media {

// Offered by the file writer's input pin to the filter connected to it.
class ByteSink : public virtual Unknown {
 public:
  // The open file, or null when none is open. Valid while the writer's
  // filter is paused or running.
  virtual AVIOContext* byteStream() = 0;
};

Ref<BaseFilter> createFileWriter();

}  // namespace vistrel::media
