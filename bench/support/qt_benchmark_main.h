#pragma once

#include <QCoreApplication>

#include <benchmark/benchmark.h>

// The main of a benchmark program that needs Qt's event loop (sockets): a
// QCoreApplication must exist before the first benchmark runs.
#define VT_QT_BENCHMARK_MAIN()                      \
  int main(int argc, char** argv) {                 \
    QCoreApplication app(argc, argv);               \
    benchmark::Initialize(&argc, argv);             \
    benchmark::RunSpecifiedBenchmarks();            \
    benchmark::Shutdown();                          \
    return 0;                                       \
  }
