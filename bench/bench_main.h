// The main of the benchmarks that need a Qt application: offscreen unless
// QT_QPA_PLATFORM says otherwise, then every benchmark the command line picks.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <benchmark/benchmark.h>

namespace vistrel::bench {

// `Application` is QGuiApplication or QApplication; it lives while the
// benchmarks run.
template <typename Application>
int RunBenchmarks(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  Application app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace vistrel::bench
