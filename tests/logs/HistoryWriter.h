#pragma once

#include <QtGlobal>

// The durability test's writer, HistoryWriter.cpp: its readings are ten a
// batch, one second apart, from this time on.
namespace HistoryWriter {
constexpr qint64 firstMs = 1'790'000'000'000;
}
