#pragma once

#include <QApplication>
#include <benchmark/benchmark.h>

// The main of a benchmark program that needs a QApplication: on the
// offscreen platform unless another is chosen, then every benchmark the
// command line selects.
inline void RunQtBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
