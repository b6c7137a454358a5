// The media-graph service in one include: what a recorder needs to build,
// run and stop a recording graph.
//
//   Ref<FilterGraph> graph = createFilterGraph();
//   Ref<MediaControl> control = queryInterface<MediaControl>(graph);
//   Ref<CaptureGraphBuilder> builder = createCaptureGraphBuilder();
//   builder->setFiltergraph(graph.get());
//   Ref<BaseFilter> mux;
//   builder->setOutputFileName(MEDIASUBTYPE_Avi, hostPath, &mux);
//   graph->addFilter(source.get(), "VideoSource");
//   builder->renderStream(source.get(), compressor, mux.get());
//   control->run();   ... the source delivers samples ...   control->stop();
//
// Every call returns a Status (Windows' codes); a failure carries its
// detail (what, which file, the library's text) in Status::detail().
#pragma once

#include "platform/media/compression.h"
#include "platform/media/device_enum.h"
#include "platform/media/filter.h"
#include "platform/media/filter_graph.h"
#include "platform/media/guid.h"
#include "platform/media/media_type.h"
#include "platform/media/running_object_table.h"
#include "platform/media/sample.h"
#include "platform/media/status.h"
#include "platform/media/unknown.h"
