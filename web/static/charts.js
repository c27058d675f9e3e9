// The two pictures of a lottery's page, drawn as SVG from the API's JSON:
// - 走势图: a row per draw, oldest at the top, and per position a grid of the digits 0 to 9 with
//   the drawn one marked and joined to the marks above and below, every other cell showing its
//   omission (遗漏: the draws since the digit last came at that position); under the rows, per
//   position and digit, 出现次数 and 当前遗漏.
// - the strip of 计划统计: a cell per plan of the formula in use, oldest first, a won plan
//   coloured by the draw of the plan that hit, a failed one marked 挂.

import { el, svg } from '/static/dom.js';
import { parseDrawLine } from '/static/format.js';

const POSITIONS = ['万位', '千位', '百位', '十位', '个位'];
const POSITION_COLOURS = ['#c0392b', '#d35400', '#1e8a4c', '#138d90', '#2c5fb0'];

// Rows oldest first from draw lines newest first; lines of another form are left out.
export function trendOf(drawLines) {
    const rows = [];
    const last = POSITIONS.map(() => new Array(10).fill(null));
    const counts = POSITIONS.map(() => new Array(10).fill(0));
    const draws = drawLines.map(parseDrawLine).filter(Boolean).reverse();
    draws.forEach((draw, index) => {
        const omission = POSITIONS.map((_, position) => {
            const drawn = draw.digits[position];
            last[position][drawn] = index;
            counts[position][drawn] += 1;
            // A digit not seen yet counts from the first row shown: older draws are not known.
            return last[position].map((seen) => (seen === null ? index + 1 : index - seen));
        });
        rows.push({ period: draw.period, digits: draw.digits, omission });
    });
    const current = rows.length ? rows[rows.length - 1].omission : POSITIONS.map(() => new Array(10).fill(0));
    return { rows, counts, current };
}

const CELL = 17;
const ROW = 19;
const GROUP_GAP = 6;
const PERIOD_WIDTH = 48;
const DIGITS_WIDTH = 56;
const HEAD = 20;
const LABEL_WIDTH = PERIOD_WIDTH + DIGITS_WIDTH;

// A period as the chart shows it: the number within its day when the code is a date and a
// number ("201612090655" → "0655"), the whole code otherwise.
function shortPeriod(period) {
    return /^\d{11,12}$/.test(period) ? period.slice(8) : period;
}

// The picture of a trend: its head (the positions and digits) and its rows, two SVGs of one
// width, so that the head can stay in sight while the rows scroll under it.
export function trendChart(trend, caption) {
    const groupWidth = 10 * CELL;
    const width = LABEL_WIDTH + POSITIONS.length * groupWidth + (POSITIONS.length - 1) * GROUP_GAP + 2;
    const figureRows = 2;
    const height = (trend.rows.length + figureRows) * ROW + 1;
    const cellX = (position, digit) => LABEL_WIDTH + position * (groupWidth + GROUP_GAP) + digit * CELL;
    const rowY = (row) => row * ROW;

    const head = [];
    head.push(svg('rect', { x: 0, y: 0, width, height: 2 * HEAD, class: 'head-ground' }));
    head.push(svg('text', { x: PERIOD_WIDTH / 2, y: HEAD, class: 'head', 'text-anchor': 'middle',
                            'dominant-baseline': 'central', text: '期号' }));
    head.push(svg('text', { x: PERIOD_WIDTH + DIGITS_WIDTH / 2, y: HEAD, class: 'head',
                            'text-anchor': 'middle', 'dominant-baseline': 'central', text: '开奖号码' }));
    const parts = [];
    POSITIONS.forEach((name, position) => {
        const left = cellX(position, 0);
        head.push(svg('rect', { x: left, y: 0, width: groupWidth, height: HEAD,
                                fill: POSITION_COLOURS[position] }));
        head.push(svg('text', { x: left + groupWidth / 2, y: HEAD / 2, class: 'head on-colour',
                                'text-anchor': 'middle', 'dominant-baseline': 'central', text: name }));
        for (let digit = 0; digit < 10; ++digit) {
            head.push(svg('rect', { x: cellX(position, digit), y: HEAD, width: CELL, height: HEAD,
                                    fill: POSITION_COLOURS[position], 'fill-opacity': 0.22 }));
            head.push(svg('text', { x: cellX(position, digit) + CELL / 2, y: HEAD * 1.5,
                                    class: 'digit-head', 'text-anchor': 'middle',
                                    'dominant-baseline': 'central', text: String(digit) }));
        }
        // The position's own ground under its rows.
        parts.push(svg('rect', { x: left, y: 0, width: groupWidth, height: trend.rows.length * ROW,
                                 fill: POSITION_COLOURS[position], 'fill-opacity': 0.05 }));
    });

    const rowsCount = trend.rows.length;
    for (let row = 0; row < rowsCount + figureRows; ++row) {
        if (row >= rowsCount || row % 2 === 1) {
            parts.push(svg('rect', { x: 0, y: rowY(row), width, height: ROW,
                                     class: row >= rowsCount ? 'figure-band' : 'band' }));
        }
        parts.push(svg('line', { x1: 0, x2: width, y1: rowY(row), y2: rowY(row), class: 'grid' }));
    }
    parts.push(svg('line', { x1: 0, x2: width, y1: rowY(rowsCount + figureRows) - 0.5,
                             y2: rowY(rowsCount + figureRows) - 0.5, class: 'grid' }));

    trend.rows.forEach((draw, row) => {
        const middle = rowY(row) + ROW / 2;
        parts.push(svg('text', { x: PERIOD_WIDTH / 2, y: middle, class: 'period-text',
                                 'text-anchor': 'middle', 'dominant-baseline': 'central',
                                 text: shortPeriod(draw.period) }));
        parts.push(svg('text', { x: PERIOD_WIDTH + DIGITS_WIDTH / 2, y: middle, class: 'digits-text',
                                 'text-anchor': 'middle', 'dominant-baseline': 'central',
                                 text: draw.digits.join('') }));
        draw.omission.forEach((omissions, position) => {
            omissions.forEach((omission, digit) => {
                if (omission !== 0) {
                    parts.push(svg('text', { x: cellX(position, digit) + CELL / 2, y: middle,
                                             class: 'omission', 'text-anchor': 'middle',
                                             'dominant-baseline': 'central', text: String(omission) }));
                }
            });
        });
    });

    POSITIONS.forEach((_, position) => {
        if (rowsCount > 1) {
            const points = trend.rows.map((draw, row) =>
                `${cellX(position, draw.digits[position]) + CELL / 2},${rowY(row) + ROW / 2}`);
            parts.push(svg('polyline', { points: points.join(' '), fill: 'none',
                                         stroke: POSITION_COLOURS[position], 'stroke-opacity': 0.65,
                                         'stroke-width': 1.5 }));
        }
        trend.rows.forEach((draw, row) => {
            const digit = draw.digits[position];
            const x = cellX(position, digit) + CELL / 2;
            const y = rowY(row) + ROW / 2;
            parts.push(svg('circle', { cx: x, cy: y, r: 8, fill: POSITION_COLOURS[position] }));
            parts.push(svg('text', { x, y, class: 'mark', 'text-anchor': 'middle',
                                     'dominant-baseline': 'central', text: String(digit) }));
        });
    });

    [['出现次数', trend.counts], ['当前遗漏', trend.current]].forEach(([label, table], figure) => {
        const middle = rowY(rowsCount + figure) + ROW / 2;
        parts.push(svg('text', { x: LABEL_WIDTH / 2, y: middle, class: 'head', 'text-anchor': 'middle',
                                 'dominant-baseline': 'central', text: label }));
        table.forEach((values, position) => values.forEach((value, digit) => {
            parts.push(svg('text', { x: cellX(position, digit) + CELL / 2, y: middle, class: 'figure',
                                     'text-anchor': 'middle', 'dominant-baseline': 'central',
                                     text: String(value) }));
        }));
    });

    return [
        el('div', { class: 'trend-head' },
            svg('svg', { class: 'trend-chart', width, height: 2 * HEAD, viewBox: `0 0 ${width} ${2 * HEAD}`,
                         'aria-hidden': 'true' }, head)),
        svg('svg', { class: 'trend-chart', width, height, viewBox: `0 0 ${width} ${height}`,
                     role: 'img', 'aria-label': caption },
            svg('title', { text: caption }), parts),
    ];
}

const WON_COLOURS = ['#1e8a4c', '#2c5fb0', '#d38400', '#8e44ad', '#138d90', '#7f6000'];
const FAILED_COLOUR = '#c0392b';

function wonColour(wonAt) {
    return WON_COLOURS[Math.min(Math.max(wonAt, 1), WON_COLOURS.length) - 1];
}

const STRIP_CELL = 22;
const STRIP_GAP = 3;

// The strip of plans, `columns` cells a row.
export function planStrip(plans, columns, description) {
    const step = STRIP_CELL + STRIP_GAP;
    const rows = Math.max(1, Math.ceil(plans.length / columns));
    const width = Math.min(plans.length, columns) * step || step;
    const height = rows * step;
    const cells = plans.map((plan, index) => {
        const x = (index % columns) * step;
        const y = Math.floor(index / columns) * step;
        const middle = { x: x + STRIP_CELL / 2, y: y + STRIP_CELL / 2 };
        let fill;
        let mark;
        let title;
        if (plan.outcome === 'won') {
            fill = wonColour(plan.won_at);
            mark = String(plan.won_at);
            title = `${plan.first_period}–${plan.last_period} 期 ${plan.bet}：第 ${plan.won_at} 期中（开 ${plan.draw}）`;
        } else if (plan.outcome === 'failed') {
            fill = FAILED_COLOUR;
            mark = '挂';
            title = `${plan.first_period}–${plan.last_period} 期 ${plan.bet}：挂`;
        } else {
            fill = 'none';
            mark = '…';
            title = `${plan.first_period}–${plan.last_period} 期 ${plan.bet}：进行中`;
        }
        return svg('g', { class: `cell ${plan.outcome}` },
            svg('title', { text: title }),
            svg('rect', { x, y, width: STRIP_CELL, height: STRIP_CELL, rx: 3, fill }),
            svg('text', { x: middle.x, y: middle.y, 'text-anchor': 'middle', 'dominant-baseline': 'central',
                          text: mark }));
    });
    return svg('svg', { class: 'plan-strip', width, height, viewBox: `0 0 ${width} ${height}`,
                        role: 'img', 'aria-label': description },
        svg('title', { text: description }), cells);
}

// The legend of the strip for plans of `planPeriods` draws.
export function stripLegend(planPeriods) {
    const entries = [];
    const shown = Math.min(planPeriods, WON_COLOURS.length);
    for (let period = 1; period <= shown; ++period) {
        const words = period === WON_COLOURS.length && planPeriods > period
            ? `第 ${period} 期及以后中` : `第 ${period} 期中`;
        entries.push([wonColour(period), String(period), words, 'won']);
    }
    entries.push([FAILED_COLOUR, '挂', '挂（全部未中）', 'failed']);
    entries.push(['none', '…', '进行中', 'running']);
    return el('ul', { class: 'legend' }, entries.map(([colour, mark, words, outcome]) =>
        el('li', {},
            svg('svg', { width: 16, height: 16, viewBox: '0 0 22 22', 'aria-hidden': 'true',
                         class: `plan-strip cell ${outcome}` },
                svg('rect', { x: 0, y: 0, width: 22, height: 22, rx: 3, fill: colour }),
                svg('text', { x: 11, y: 11, 'text-anchor': 'middle', 'dominant-baseline': 'central',
                              text: mark })),
            ` ${words}`)));
}
