// 总览: a card per lottery served, with its newest draw, when the next is due, and per play type
// the formula in use, the running plan, the current losing run and the accuracy beside chance.

import { api } from '/static/api.js';
import { el, put } from '/static/dom.js';
import { clockTime, errorText, formulaText, parseDrawLine, percent } from '/static/format.js';

export function drawDigits(digits) {
    return el('span', { class: 'balls' },
        digits.map((digit) => el('span', { class: 'ball', text: String(digit) })));
}

export function newestDraw(line) {
    const draw = parseDrawLine(line);
    if (!draw) {
        return el('span', { text: line || '—' });
    }
    return el('span', { class: 'draw' },
        el('span', { class: 'period', text: `${draw.period} 期` }), ' ', drawDigits(draw.digits));
}

export function nextDueText(nextDue) {
    return nextDue === null || nextDue === undefined
        ? '按固定间隔刷新'
        : `约 ${clockTime(nextDue)}`;
}

function runningCell(play) {
    if (!play.running) {
        return el('td', { class: 'muted', text: '无' });
    }
    return el('td', {},
        el('span', { class: 'bet', text: play.running.bet }),
        el('span', { class: 'left', text: ` 剩 ${play.running.periods_left} 期` }));
}

function playsTable(lottery) {
    return el('table', { class: 'plays' },
        el('caption', { class: 'visually-hidden', text: `${lottery.caption}各玩法的当前计划` }),
        el('thead', {}, el('tr', {},
            el('th', { scope: 'col', text: '玩法' }),
            el('th', { scope: 'col', text: '公式' }),
            el('th', { scope: 'col', text: '当前计划' }),
            el('th', { scope: 'col', text: '连挂' }),
            el('th', { scope: 'col', text: '准确率' }),
            el('th', { scope: 'col', text: '随机基准' }))),
        el('tbody', {}, lottery.plays.map((play) => el('tr', {},
            el('th', { scope: 'row' },
                el('a', { href: `#/${lottery.feed}/${play.name}`, text: play.play })),
            el('td', { class: 'num', text: formulaText(play.formula) }),
            runningCell(play),
            el('td', { class: ['num', play.current_losing_run >= 3 && 'warn'],
                       text: String(play.current_losing_run) }),
            el('td', { class: 'num', text: `${play.accuracy}%` }),
            el('td', { class: 'num muted', text: percent(play.chance_accuracy) })))));
}

function card(lottery) {
    const heading = el('h2', { id: `card-${lottery.feed}` },
        el('a', { href: `#/${lottery.feed}`, text: lottery.caption }));
    if (!lottery.loaded) {
        return el('article', { class: 'card', 'aria-labelledby': heading.id, 'data-feed': lottery.feed },
            heading, el('p', { class: 'muted', text: '正在载入开奖数据……' }));
    }
    return el('article', { class: 'card', 'aria-labelledby': heading.id, 'data-feed': lottery.feed },
        heading,
        el('dl', { class: 'facts' },
            el('div', {}, el('dt', { text: '最新开奖' }), el('dd', {}, newestDraw(lottery.draws.newest))),
            el('div', {}, el('dt', { text: '下期' }), el('dd', { text: nextDueText(lottery.next_due) }))),
        el('div', { class: 'table-scroll' }, playsTable(lottery)));
}

export class OverviewView {
    constructor(main) {
        this.main = main;
        this.feed = null;
        this.closed = false;
        this.timer = null;
        this.loading = null;
    }

    async load() {
        document.title = '总览 - Kestrum 计划';
        if (!this.main.querySelector('.overview')) {
            put(this.main, el('p', { class: 'muted', text: '正在载入……' }));
        }
        const loading = (this.loading = {});
        let overview;
        try {
            overview = await api.lotteries();
        } catch (error) {
            if (!this.closed && loading === this.loading && error.status !== 401) {
                put(this.main, el('p', { class: 'error', role: 'alert', text: errorText(error) }));
            }
            return;
        }
        if (this.closed || loading !== this.loading) {
            return;
        }
        this.show(overview.lotteries);
    }

    show(lotteries) {
        put(this.main,
            el('section', { class: 'overview', 'aria-labelledby': 'overview-heading' },
                el('h1', { id: 'overview-heading', text: '总览' }),
                el('p', { class: 'note',
                          text: '准确率：计划报告摘要行里的准确率。'
                                + '随机基准：号码完全随机时这些计划平均能中的比例。连挂：最近连续挂了几个计划。' }),
                el('div', { class: 'cards' }, lotteries.map(card))));
    }

    // A lottery has new plans: fetch the overview again, once for a burst of events.
    planChanged() {
        clearTimeout(this.timer);
        this.timer = setTimeout(() => this.load(), 150);
    }

    choosePlay() {}

    close() {
        this.closed = true;
        clearTimeout(this.timer);
    }
}
