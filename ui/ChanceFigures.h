#pragma once

// The words that set the formula in use beside chance in the 计划统计 window: each figure on a
// line of its own, with a line that says what it means.

#include "commands/View.h"

#include <QList>
#include <QString>

namespace kestrum {

struct FigureLine {
    QString figure;
    QString meaning;
};

// The figures of the formula in use beside chance, and of the method followed out of sample.
QList<FigureLine> chanceFigureLines(const HonestFigures& figures);

// The heading above them: how many stored draws they read.
QString chanceFiguresHeading(const HonestFigures& figures);

// A p value as the window writes it: "p = 0.41", three decimals below 0.01, "p < 0.001".
QString pValueText(double probability);

// A percentage with one decimal, e.g. "93.6%".
QString percentText(double percent);

} // namespace kestrum
