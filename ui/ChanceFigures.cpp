#include "ui/ChanceFigures.h"

#include <cmath>

namespace kestrum {

QString pValueText(double probability) {
    if (probability >= 0.01) {
        return QStringLiteral("p = %1").arg(probability, 0, 'f', 2);
    }
    if (probability >= 0.001) {
        return QStringLiteral("p = %1").arg(probability, 0, 'f', 3);
    }
    return QStringLiteral("p < 0.001");
}

QString percentText(double percent) {
    return QStringLiteral("%1%").arg(percent, 0, 'f', 1);
}

QString chanceFiguresHeading(const HonestFigures& figures) {
    return QStringLiteral("当前公式与随机号码相比（按已存的 %1 期开奖号码）").arg(figures.draws);
}

namespace {

// The method followed over the stored draws, out of sample.
void addFollowed(const HonestFigures& figures, QList<FigureLine>& lines) {
    const QString how = QStringLiteral("每次只用此前 %1 期号码搜索最佳公式，再按它的计划跟随之后的"
                                       "号码，如同照做的用户")
                            .arg(figures.window);
    const OutOfSampleRecord& record = figures.followed.outOfSample;
    if (record.wins + record.losses == 0) {
        lines.append({figures.draws <= figures.window
                          ? QStringLiteral("逐期跟随（样本外）：已存 %1 期号码，多于 %2 期才能跟随")
                                .arg(figures.draws)
                                .arg(figures.window)
                          : QStringLiteral("逐期跟随（样本外）：还没有走完的计划"),
                      how});
        return;
    }
    lines.append(
        {QStringLiteral("逐期跟随（样本外）：中 %1 挂 %2，准确率 %3（95% 区间 %4–%5），"
                        "最长连挂 %6")
             .arg(record.wins)
             .arg(record.losses)
             .arg(percentText(record.accuracy), percentText(record.low), percentText(record.high))
             .arg(record.longestLosingRun),
         how});
    lines.append({QStringLiteral("同样这些计划：样本内平均准确率 %1，随机基准 %2")
                      .arg(percentText(figures.followed.inSampleAccuracy),
                           percentText(figures.followed.chanceAccuracy)),
                  QStringLiteral("样本内：选出的公式在用来选它的 %1 期上的准确率；随机基准：号码"
                                 "完全随机时这些计划平均能中的比例")
                      .arg(figures.window)});
}

} // namespace

QList<FigureLine> chanceFigureLines(const HonestFigures& figures) {
    QList<FigureLine> lines;
    if (figures.draws < 2) {
        lines.append({QStringLiteral("开奖数据不足两期，无法与随机比较。"), QString()});
        return lines;
    }
    const FormulaChance& formula = figures.luck.formula;
    const ChanceRecord& chance = formula.chance;
    const std::int32_t plans = chance.wins + chance.losses;
    const int accuracy = static_cast<int>(formula.accuracy);
    if (plans == 0) {
        lines.append({QStringLiteral("当前公式还没有走完的计划，无法与随机比较。"),
                      QStringLiteral("计划中了或挂了才算走完，正在进行的计划不计。")});
    } else {
        // Set beside the plain share of plans won, which is what chance gives: the 准确率
        // (finished plans over finished plus failed ones) stands above it.
        lines.append({QStringLiteral("随机基准 %1").arg(percentText(chance.chanceAccuracy)),
                      QStringLiteral("号码完全随机时，这 %1 个走完的计划平均能中的比例（当前公式"
                                     "中了 %2 个，占 %3）")
                          .arg(plans)
                          .arg(chance.wins)
                          .arg(percentText(100.0 * chance.wins / plans))});
        lines.append({QStringLiteral("偶然达到的概率 %1").arg(pValueText(chance.pValue)),
                      QStringLiteral("号码完全随机时，这 %1 个计划至少中 %2 个的概率")
                          .arg(plans)
                          .arg(chance.wins)});
    }
    const SearchLuck& luck = figures.luck.luck;
    if (plans > 0 && luck.histories > 0) {
        const auto reached = std::lround(figures.luck.bestOfSearchP * luck.histories);
        lines.append(
            {QStringLiteral("搜索偶然达到的概率 %1")
                 .arg(QString::number(figures.luck.bestOfSearchP, 'f', 2)),
             QStringLiteral("在 %1 段同样长度的随机号码上，搜索选出的最佳公式准确率达到 %2% "
                            "或更高的比例（%3 段）")
                 .arg(luck.histories)
                 .arg(accuracy)
                 .arg(reached)});
    }
    addFollowed(figures, lines);
    return lines;
}

} // namespace kestrum
