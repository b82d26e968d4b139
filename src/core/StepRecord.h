#pragma once

#include <QtGlobal>

#include <array>

// A step: twelve positions in board units, the duration in ms, and the breakpoint flag.
using StepRecord = std::array<qint32, 14>;

constexpr int kChannelCount = 12;
constexpr int kDurationField = 12;
constexpr int kBreakField = 13;
constexpr int kMaxLines = 1024;
constexpr int kTableRows = 1025; // one row more than the list admits
constexpr int kFlashStepBytes = 14;
constexpr int kFlashImageMax = kMaxLines * kFlashStepBytes; // 14336

using SequenceTable = std::array<StepRecord, kTableRows>;
using FlashStep = std::array<quint8, kFlashStepBytes>;
using FlashImageTable = std::array<FlashStep, kTableRows>;
