// A lottery's page (#/cq, #/cq/h2): the draw list, the report of the chosen play type with the
// formula in use, the formula search and its list, the 计划统计 and 走势图 pictures, and the
// folder of the files. Live events fetch it again without touching what the user is typing.

import { api } from '/static/api.js';
import { planStrip, stripLegend, trendChart, trendOf } from '/static/charts.js';
import { el, put } from '/static/dom.js';
import { PLAY_ORDER, errorText, formulaText, leadingNumber, parseDrawLine, percent } from '/static/format.js';
import { drawDigits, newestDraw, nextDueText } from '/static/overview.js';
import { figureLines } from '/static/figures.js';

const PLAY_CAPTIONS = {
    h1: '后一', h2: '后二', h3: '后三', h3b: '后三不定位', h5b: '五星不定位',
    shi: '十位', bai: '百位', qian: '千位', wan: '万位', q3: '前三',
};

// The report pane's text: each plan line and a line end (the running plan's line carries one
// more, so an empty line follows it), then the footer.
export function reportText(play, footer) {
    let text = '';
    play.plan_lines.forEach((line, index) => {
        text += `${line}\r\n`;
        if (play.plans[index]?.outcome === 'running') {
            text += '\r\n';
        }
    });
    return text + footer;
}

export class LotteryView {
    constructor(main, feed, play) {
        this.main = main;
        this.feed = feed;
        this.play = PLAY_ORDER.includes(play) ? play : 'h1';
        this.closed = false;
        this.lottery = null;
        this.plan = null;
        this.evaluation = null;
        this.searches = {};
        this.busy = false;
        this.loadCount = 0;
        this.evaluateCount = 0;
        this.timer = null;
        this.built = false;
    }

    close() {
        this.closed = true;
        clearTimeout(this.timer);
        this.resize?.disconnect();
    }

    planChanged(feed) {
        if (feed !== null && feed !== this.feed) {
            return;
        }
        clearTimeout(this.timer);
        this.timer = setTimeout(() => this.load(), 150);
    }

    async load() {
        const count = ++this.loadCount;
        if (!this.built) {
            put(this.main, el('p', { class: 'muted', text: '正在载入……' }));
        }
        let overview;
        let plan = null;
        try {
            [overview, plan] = await Promise.all([
                api.lotteries(),
                api.plan(this.feed).catch((error) => {
                    // Not loaded yet: the page waits for its first plans.
                    if (error.status === 503) {
                        return null;
                    }
                    throw error;
                }),
            ]);
        } catch (error) {
            if (!this.closed && count === this.loadCount && error.status !== 401) {
                this.showProblem(errorText(error));
            }
            return;
        }
        if (this.closed || count !== this.loadCount) {
            return;
        }
        const lottery = overview.lotteries.find((entry) => entry.feed === this.feed);
        if (!lottery) {
            this.showProblem(`这里没有名为“${this.feed}”的彩种。`);
            return;
        }
        document.title = `${lottery.caption} - Kestrum 计划`;
        if (!lottery.loaded || !plan) {
            this.built = false;
            put(this.main, this.crumbs(lottery.caption),
                el('h1', { text: lottery.caption }),
                el('p', { class: 'muted', role: 'status', text: '正在载入开奖数据，载入后这里会自动显示计划……' }));
            return;
        }
        this.lottery = lottery;
        this.plan = plan;
        if (!this.built) {
            this.build();
        }
        this.render();
        this.loadEvaluation();
    }

    async loadEvaluation() {
        const count = ++this.evaluateCount;
        const newest = this.plan.draws.newest;
        this.evaluationPending = true;
        this.renderStats();
        try {
            const evaluation = await api.evaluate(this.feed);
            if (this.closed || count !== this.evaluateCount) {
                return;
            }
            this.evaluation = evaluation;
            this.evaluationNewest = newest;
            this.evaluationError = null;
        } catch (error) {
            if (this.closed || count !== this.evaluateCount) {
                return;
            }
            this.evaluationError = errorText(error);
        }
        this.evaluationPending = false;
        this.renderStats();
    }

    showProblem(text) {
        this.built = false;
        put(this.main, this.crumbs(null), el('p', { class: 'error', role: 'alert', text }));
    }

    crumbs(caption) {
        return el('nav', { class: 'crumbs', 'aria-label': '位置' },
            el('a', { href: '#/', text: '总览' }), caption ? ` › ${caption}` : '');
    }

    currentPlay() {
        return this.plan.plays.find((play) => play.name === this.play) ?? this.plan.plays[0];
    }

    // The page's parts, made once; render() fills them.
    build() {
        this.built = true;
        this.heading = el('h1', {});
        this.meta = el('p', { class: 'meta' });

        this.playInputs = {};
        const chooser = el('fieldset', { class: 'play-chooser' },
            el('legend', { text: '玩法' }),
            PLAY_ORDER.map((name) => {
                const input = el('input', { type: 'radio', name: 'play', value: name });
                input.addEventListener('change', () => {
                    if (input.checked) {
                        history.replaceState(null, '', `#/${this.feed}/${name}`);
                        this.choosePlay(name);
                    }
                });
                this.playInputs[name] = input;
                return el('label', { class: 'play-option' }, input, el('span', { text: PLAY_CAPTIONS[name] }));
            }));

        this.drawList = el('ol', { class: 'draw-list', 'aria-label': '开奖号码', tabindex: 0 });
        this.drawCount = el('p', { class: 'muted' });
        const draws = el('section', { class: 'panel draws', 'aria-labelledby': 'draws-heading' },
            el('h2', { id: 'draws-heading', text: '开奖号码' }), this.drawCount, this.drawList);

        this.report = el('textarea', { id: 'report', class: 'report', readonly: true, rows: 18,
                                       spellcheck: 'false', 'aria-labelledby': 'report-heading' });
        this.reportPlay = el('span', { class: 'heading-note' });
        this.formulaBox = el('input', { id: 'current-formula', inputmode: 'numeric', autocomplete: 'off',
                                        size: 6 });
        this.formulaBox.addEventListener('input', () => { this.formulaDirty = true; });
        this.useButton = el('button', { type: 'submit', text: '使用已有公式' });
        this.reportMessage = el('p', { class: 'form-message', role: 'status' });
        const formulaForm = el('form', { class: 'inline-form' },
            el('label', { for: 'current-formula', text: '当前公式' }), this.formulaBox, this.useButton);
        formulaForm.addEventListener('submit', (event) => {
            event.preventDefault();
            this.useTyped();
        });
        const report = el('section', { class: 'panel report-panel', 'aria-labelledby': 'report-heading' },
            el('div', { class: 'heading-row' },
                el('h2', { id: 'report-heading', text: '计划' }), this.reportPlay),
            this.report, formulaForm, this.reportMessage);

        this.codeBox = el('input', { id: 'code-count', inputmode: 'numeric', autocomplete: 'off', size: 3 });
        this.periodsBox = el('input', { id: 'plan-periods', inputmode: 'numeric', autocomplete: 'off', size: 3 });
        this.codeBox.addEventListener('input', () => { this.shapeDirty = true; });
        this.periodsBox.addEventListener('input', () => { this.shapeDirty = true; });
        this.searchButton = el('button', { type: 'submit', text: '搜索公式' });
        const searchForm = el('form', { class: 'inline-form' },
            el('label', { for: 'code-count', text: '码数' }), this.codeBox,
            el('label', { for: 'plan-periods', text: '期数' }), this.periodsBox,
            this.searchButton);
        searchForm.addEventListener('submit', (event) => {
            event.preventDefault();
            this.search();
        });
        this.searchMessage = el('p', { class: 'form-message', role: 'status' });
        this.candidateBody = el('tbody', {});
        this.candidateTable = el('table', { class: 'candidates', 'aria-label': '公式列表' },
            el('thead', {}, el('tr', {},
                ['计划公式', '最大连对', '最大连错', '准确率', '计划连中', '随机基准'].map((name) =>
                    el('th', { scope: 'col', text: name })))),
            this.candidateBody);
        this.chosenBox = el('input', { id: 'chosen-formula', inputmode: 'numeric', autocomplete: 'off', size: 6 });
        this.chooseButton = el('button', { type: 'submit', text: '选定公式' });
        const chooseForm = el('form', { class: 'inline-form' },
            el('label', { for: 'chosen-formula', text: '所选公式' }), this.chosenBox, this.chooseButton);
        chooseForm.addEventListener('submit', (event) => {
            event.preventDefault();
            this.useChosen();
        });
        this.searchPlay = el('span', { class: 'heading-note' });
        const search = el('section', { class: 'panel search-panel', 'aria-labelledby': 'search-heading' },
            el('div', { class: 'heading-row' },
                el('h2', { id: 'search-heading', text: '搜索公式' }), this.searchPlay),
            searchForm, this.searchMessage,
            el('div', { class: 'table-scroll candidates-box' }, this.candidateTable),
            el('p', { class: 'note', text: '随机基准：号码完全随机时这个公式的计划平均能中的比例。' }),
            chooseForm);

        this.statsBody = el('div', {});
        const stats = el('section', { class: 'panel stats-panel', 'aria-labelledby': 'stats-heading' },
            el('h2', { id: 'stats-heading', text: '计划统计' }), this.statsBody);

        this.trendBox = el('div', { class: 'chart-scroll', tabindex: 0, role: 'region', 'aria-label': '走势图' });
        this.trendNote = el('p', { class: 'muted' });
        const trend = el('section', { class: 'panel trend-panel', 'aria-labelledby': 'trend-heading' },
            el('h2', { id: 'trend-heading', text: '走势图' }), this.trendNote, this.trendBox,
            el('p', { class: 'note', text: '每格的数字是遗漏：这个号码在该位置上已经多少期没有开出。' }));

        this.folder = el('code', { class: 'folder' });
        const files = el('section', { class: 'panel files-panel', 'aria-labelledby': 'files-heading' },
            el('h2', { id: 'files-heading', text: '文件' }),
            el('p', { text: '最新开奖（data1.txt）和各玩法的计划导出文件写在这个文件夹里，每次开奖或换公式后重写：' }),
            el('p', {}, this.folder));

        this.crumbsNode = el('nav', { class: 'crumbs', 'aria-label': '位置' });
        put(this.main, this.crumbsNode, this.heading, this.meta, chooser,
            el('div', { class: 'lottery-grid' }, draws, report, search, stats, trend, files));

        this.resize = new ResizeObserver(() => {
            const width = this.statsBody.clientWidth;
            if (width !== this.stripWidth) {
                this.renderStats();
            }
        });
        this.resize.observe(this.statsBody);
        this.fillShape(true);
        this.formulaDirty = false;
    }

    render() {
        const lottery = this.lottery;
        put(this.crumbsNode, el('a', { href: '#/', text: '总览' }), ` › ${lottery.caption}`);
        this.heading.textContent = lottery.caption;
        put(this.meta, el('span', {}, '最新开奖 ', newestDraw(lottery.draws.newest)),
            el('span', { text: `下期 ${nextDueText(lottery.next_due)}` }));
        for (const [name, input] of Object.entries(this.playInputs)) {
            input.checked = name === this.play;
        }
        this.renderDraws();
        this.renderReport();
        this.renderSearch();
        this.renderStats();
        this.renderTrend();
        this.folder.textContent = lottery.folder;
    }

    renderDraws() {
        const lines = this.lottery.draw_lines;
        this.drawCount.textContent = `已存 ${this.lottery.draws.count} 期，最新的在最上面。`;
        put(this.drawList, lines.map((line) => {
            const draw = parseDrawLine(line);
            return el('li', {}, draw
                ? [el('span', { class: 'period', text: draw.period }), ' ', drawDigits(draw.digits)]
                : line);
        }));
    }

    renderReport() {
        const play = this.currentPlay();
        this.reportPlay.textContent = `${play.play} · 码数 ${play.code_count} · 期数 ${play.plan_periods}`;
        this.report.value = reportText(play, this.lottery.footer);
        this.report.scrollTop = this.report.scrollHeight;
        if (!this.formulaDirty && document.activeElement !== this.formulaBox) {
            this.formulaBox.value = formulaText(play.formula);
        }
    }

    // The 码数 and 期数 boxes from the play type's plan, unless the user typed into them.
    fillShape(force) {
        if (!force && (this.shapeDirty || document.activeElement === this.codeBox
                       || document.activeElement === this.periodsBox)) {
            return;
        }
        const play = this.currentPlay();
        this.codeBox.value = String(play.code_count);
        this.periodsBox.value = String(play.plan_periods);
        this.shapeDirty = false;
    }

    renderSearch() {
        const play = this.currentPlay();
        this.searchPlay.textContent = play.play;
        const result = this.searches[this.play];
        this.fillShape(false);
        if (!result) {
            put(this.candidateBody, el('tr', {}, el('td', { colspan: 6, class: 'muted',
                text: '还没有搜索。填好码数和期数，点击“搜索公式”。' })));
            return;
        }
        put(this.candidateBody, result.candidates.map((row) => {
            if (row.formula === 0) {
                return el('tr', { class: 'empty-row' },
                    el('td', { text: '0' }), el('td', { class: 'num', text: String(row.max_hit_run) }),
                    el('td', { class: 'num', text: String(row.max_miss_run) }),
                    el('td', { class: 'num', text: row.accuracy.toFixed(1) }),
                    el('td', { class: 'num', text: String(row.hit_plans) }), el('td', { class: 'num', text: '—' }));
            }
            const selected = String(row.formula) === this.chosenBox.value.trim();
            const pick = el('button', { type: 'button', class: 'pick', 'aria-pressed': selected ? 'true' : 'false',
                                        text: String(row.formula) });
            pick.addEventListener('click', () => this.pick(row.formula));
            const tr = el('tr', { class: selected && 'selected' },
                el('td', {}, pick),
                el('td', { class: 'num', text: String(row.max_hit_run) }),
                el('td', { class: 'num', text: String(row.max_miss_run) }),
                el('td', { class: 'num', text: row.accuracy.toFixed(1) }),
                el('td', { class: 'num', text: String(row.hit_plans) }),
                el('td', { class: 'num muted', text: percent(row.chance_accuracy) }));
            tr.addEventListener('click', (event) => {
                if (event.target !== pick) {
                    this.pick(row.formula);
                }
            });
            return tr;
        }));
    }

    // A row of the list chosen: its formula goes into 所选公式. The rows are marked in place, so
    // that the keyboard's focus stays on the row's button.
    pick(formula) {
        this.chosenBox.value = String(formula);
        for (const button of this.candidateBody.querySelectorAll('button.pick')) {
            const selected = button.textContent === String(formula);
            button.setAttribute('aria-pressed', selected ? 'true' : 'false');
            button.closest('tr').classList.toggle('selected', selected);
        }
    }

    setBusy(busy) {
        this.busy = busy;
        for (const button of [this.searchButton, this.chooseButton, this.useButton]) {
            button.disabled = busy;
        }
        this.main.querySelector('.lottery-grid')?.setAttribute('aria-busy', busy ? 'true' : 'false');
    }

    async search() {
        if (this.busy) {
            return;
        }
        const codeCount = leadingNumber(this.codeBox.value);
        const planPeriods = leadingNumber(this.periodsBox.value);
        if (!(codeCount >= 1 && codeCount <= 9 && planPeriods >= 1 && planPeriods <= 99)) {
            this.searchMessage.textContent = '请正确输入期数和码数！（码数 1 到 9，期数 1 到 99）';
            return;
        }
        const play = this.play;
        this.setBusy(true);
        this.searchMessage.textContent = `正在搜索${PLAY_CAPTIONS[play]}的公式……`;
        try {
            const result = await api.search(this.feed, play, codeCount, planPeriods);
            if (this.closed) {
                return;
            }
            this.searches[play] = result;
            this.chosenBox.value = '';
            this.searchMessage.textContent = result.best === 0
                ? '搜索完成，但没有一个公式中过计划。'
                : `搜索完成，最佳公式 ${formulaText(result.best)}。在公式列表中选一个公式，再点击“选定公式”。`;
            if (play === this.play) {
                this.renderSearch();
            }
        } catch (error) {
            if (!this.closed) {
                this.searchMessage.textContent = `搜索失败：${errorText(error)}`;
            }
        } finally {
            this.setBusy(false);
        }
    }

    useChosen() {
        const formula = leadingNumber(this.chosenBox.value);
        if (!(formula >= 1)) {
            this.searchMessage.textContent = '请先在公式列表中选一个公式，或在“所选公式”里输入公式编号。';
            this.chosenBox.focus();
            return;
        }
        this.useFormula(formula, this.searchMessage);
    }

    useTyped() {
        const formula = leadingNumber(this.formulaBox.value);
        if (!(formula >= 1)) {
            this.reportMessage.textContent = '请在“当前公式”里输入公式编号（正整数）。';
            this.formulaBox.focus();
            return;
        }
        this.useFormula(formula, this.reportMessage);
    }

    async useFormula(formula, message) {
        if (this.busy) {
            return;
        }
        const play = this.play;
        this.setBusy(true);
        message.textContent = `正在改用公式 ${formulaText(formula)}……`;
        try {
            const plan = await api.useFormula(this.feed, play, formula);
            if (this.closed) {
                return;
            }
            this.plan = plan;
            this.formulaDirty = false;
            this.shapeDirty = false;
            this.fillShape(true);
            this.renderReport();
            this.renderSearch();
            this.renderStats();
            this.searchMessage.textContent = '';
            this.reportMessage.textContent = '';
            message.textContent = `${PLAY_CAPTIONS[play]}已改用公式 ${formulaText(formula)}，计划已重新计算，导出文件已重写。`;
            this.loadEvaluation();
        } catch (error) {
            if (!this.closed) {
                message.textContent = `未能改用公式：${errorText(error)}`;
            }
        } finally {
            this.setBusy(false);
        }
    }

    choosePlay(name) {
        const play = PLAY_ORDER.includes(name) ? name : 'h1';
        if (play === this.play || !this.built) {
            this.play = play;
            return;
        }
        this.play = play;
        this.playInputs[play].checked = true;
        this.formulaDirty = false;
        this.chosenBox.value = '';
        this.searchMessage.textContent = '';
        this.reportMessage.textContent = '';
        this.fillShape(true);
        this.renderReport();
        this.renderSearch();
        this.renderStats();
    }

    renderStats() {
        if (!this.built || !this.plan) {
            return;
        }
        const play = this.currentPlay();
        const finished = play.wins + play.losses;
        const width = this.statsBody.clientWidth;
        this.stripWidth = width;
        const columns = Math.max(6, Math.floor((width || 600) / 25));
        const description = `${play.play}当前公式 ${formulaText(play.formula)} 的 ${play.plans.length} 个计划：`
            + `中 ${play.wins}，挂 ${play.losses}，准确率 ${play.accuracy}%，当前连挂 ${play.current_losing_run}。`;
        const evaluation = this.evaluation?.plays.find((entry) => entry.name === play.name);
        put(this.statsBody,
            el('p', { class: 'muted', text: `${play.play} · 当前公式 ${formulaText(play.formula)} · 码数 ${play.code_count}`
                + ` · 期数 ${play.plan_periods}。每格一个计划，从左到右、从上到下由旧到新，格中数字是在计划的第几期中。` }),
            play.plans.length
                ? el('div', { class: 'strip-box' }, planStrip(play.plans, columns, description))
                : el('p', { class: 'muted', text: '还没有计划。' }),
            stripLegend(play.plan_periods),
            el('p', { class: 'tally', text: `中 ${play.wins}　挂 ${play.losses}　准确率 ${play.accuracy}%　当前连挂 ${play.current_losing_run}` }),
            el('h3', { text: `当前公式与随机号码相比（按已存的 ${this.plan.draws.count} 期开奖号码）` }),
            el('dl', { class: 'figures' }, figureLines({
                play, finished,
                evaluation: this.evaluation && evaluation ? { window: this.evaluation.window,
                                                              draws: this.evaluation.draws, play: evaluation } : null,
                pending: this.evaluationPending,
                error: this.evaluationError,
            }).map(([figure, meaning]) => el('div', {},
                el('dt', { text: figure }), meaning ? el('dd', { text: meaning }) : null))));
    }

    renderTrend() {
        const trend = trendOf(this.lottery.draw_lines);
        const newest = trend.rows[trend.rows.length - 1];
        const caption = newest
            ? `${this.lottery.caption}走势图：${trend.rows.length} 期，最新 ${newest.period} 期开 ${newest.digits.join('')}`
            : `${this.lottery.caption}走势图：暂无开奖数据`;
        this.trendNote.textContent = `${trend.rows.length} 期，旧的在上，最新的在最下面。`;
        const atBottom = this.trendBox.scrollTop + this.trendBox.clientHeight >= this.trendBox.scrollHeight - 4
            || !this.trendBox.firstChild;
        put(this.trendBox, trendChart(trend, caption));
        if (atBottom) {
            this.trendBox.scrollTop = this.trendBox.scrollHeight;
        }
    }
}
