// The honest figures of a play type's formula in use, each with a line that says what it means:
// chance's accuracy for the same plans, the probability of doing as well by chance, the
// probability that a search on random draws finds as good a formula, and the method followed
// out of sample over the stored draws (/evaluate).

import { pValue, percent } from '/static/format.js';

// input: { play (a play of the plan JSON), finished (its wins + losses), evaluation: { window,
// draws, play (the play's entry of the evaluate JSON) } or null, pending, error }.
// Answers [figure, meaning] pairs; meaning may be empty.
export function figureLines({ play, finished, evaluation, pending, error }) {
    const lines = [];
    if (finished === 0) {
        lines.push(['当前公式还没有走完的计划，无法与随机比较。', '计划中了或挂了才算走完，正在进行的计划不计。']);
    } else {
        lines.push([`随机基准 ${percent(play.chance_accuracy)}`,
            `号码完全随机时，这 ${finished} 个走完的计划平均能中的比例（当前公式中了 ${play.wins} 个）。`]);
        lines.push([`偶然达到的概率 ${pValue(play.p_value)}`,
            `号码完全随机时，这 ${finished} 个计划至少中 ${play.wins} 个的概率。`]);
        lines.push([`搜索偶然达到的概率 ${play.best_of_search_p.toFixed(2)}`,
            `在同样长度的随机号码上搜索公式，选出的最佳公式准确率达到 ${play.accuracy}% 或更高的比例。`]);
    }
    lines.push(...followedLines(evaluation, pending, error));
    return lines;
}

function followedLines(evaluation, pending, error) {
    if (!evaluation) {
        if (error) {
            return [['逐期跟随（样本外）：未能计算', error]];
        }
        return [[pending ? '逐期跟随（样本外）：正在计算……' : '逐期跟随（样本外）：暂无', '']];
    }
    const { window, draws, play } = evaluation;
    const how = `每次只用此前 ${window} 期号码搜索最佳公式，再按它的计划跟随之后的号码，如同照做的用户。`;
    const record = play.out_of_sample;
    if (record.wins + record.losses === 0) {
        return [[draws <= window
            ? `逐期跟随（样本外）：已存 ${draws} 期号码，多于 ${window} 期才能跟随`
            : '逐期跟随（样本外）：还没有走完的计划', how]];
    }
    return [
        [`逐期跟随（样本外）：中 ${record.wins} 挂 ${record.losses}，准确率 ${percent(record.accuracy)}`
            + `（95% 区间 ${percent(record.low)}–${percent(record.high)}），最长连挂 ${record.longest_losing_run}`,
         how],
        [`同样这些计划：样本内平均准确率 ${percent(play.in_sample_accuracy)}，随机基准 ${percent(play.chance_accuracy)}`,
         `样本内：选出的公式在用来选它的 ${window} 期上的准确率；随机基准：号码完全随机时这些计划平均能中的比例。`],
    ];
}
