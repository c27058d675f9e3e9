// The web interface's pages in Debian's Chromium: kestrum-cli serve against the local feed
// server serving fixed files, the page driven as a person would, its figures checked against the program's own
// answers (the API, kestrum-cli plan, the export files).
// Environment: KESTRUM_CLI, KESTRUM_FEEDSIM (the programs), WEB_ARTIFACTS (where the screenshots
// and logs go), WEB_CASES (tests/e2e/cases, whose lottery1440 feed is served).

import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launchBrowser, eventually } from './browser.mjs';
import { makeCertificate, setPassword, startFeedServer, startServe } from './servers.mjs';

const cli = process.env.KESTRUM_CLI;
const feedsimBinary = process.env.KESTRUM_FEEDSIM;
const artifacts = process.env.WEB_ARTIFACTS;
const cases = process.env.WEB_CASES;

const CAPTIONS = ['重庆时时彩', '江西时时彩', '新疆时时彩', '天津时时彩', '迪拜五分彩', '迪拜分分彩',
                  '印尼分分彩', '河内分分彩', '泰国分分彩', '西贡分分彩'];
// A lottery whose draws come every minute: refreshed every 10 s at its fixed period.
const FEED = 'hnffc';
const FEED_FILE = 'feed1/hnffc.txt';
// The time a new draw may take from the feed to the page: the 10 s period, then a refresh and
// its recompute in the sanitizer build on a shared machine.
const NEW_DRAW_MS = 60_000;
// The time a lottery's start-up may take to publish its first plans: its draws, a search per
// play type and the figures beside chance, in the sanitizer build.
const START_MS = 120_000;

let work;
let feedsim;
let allLotteries;
let single;
let browser;

function log(text) {
    process.stdout.write(`# ${text}\n`);
}

async function api(server, route) {
    const answer = await fetch(new URL(route, server.url));
    assert.equal(answer.status, 200, `${route} answered ${answer.status}`);
    return answer.json();
}

async function serveSingle(listen) {
    return startServe(cli, {
        work, name: 'single', globalOptions: feedsim.addresses,
        serveOptions: ['--lottery', FEED, '--fixed-period', '--listen', listen,
                       '--data-dir', path.join(work, 'single-data')],
    });
}

// Until the page has laid itself out again after a change of size, for a screenshot.
async function settled(page) {
    await page.evaluate(() => new Promise((resolve) =>
        requestAnimationFrame(() => requestAnimationFrame(resolve))));
}

// Waits until the lottery's page shows its plans.
async function openLottery(page, server, route = FEED) {
    await page.goto(`${server.url}#/${route}`);
    await eventually(async () => (await page.getByRole('textbox', { name: '计划' }).inputValue()).length > 0,
        30_000, `the page of ${route} shows no report`);
}

before(async () => {
    work = fs.mkdtempSync(path.join(os.tmpdir(), 'kestrum-web-'));
    fs.mkdirSync(artifacts, { recursive: true });
    fs.cpSync(path.join(cases, 'lottery1440', 'feed'), path.join(work, 'feed'), { recursive: true });
    feedsim = await startFeedServer(feedsimBinary, path.join(work, 'feed'), path.join(work, 'feedsim.log'));
    single = await serveSingle('127.0.0.1:0');
    // Its first plans, with their figures beside chance, before the machine gets busier.
    await eventually(async () => (await api(single, '/api/lotteries')).lotteries[0].loaded, START_MS,
        `serve --lottery ${FEED} published no plans:\n${single.log}`);
    browser = await launchBrowser(work, 'profile');
});

after(async () => {
    await browser?.close();
    const ends = [];
    for (const server of [single, allLotteries]) {
        if (server) {
            ends.push([server, await server.stop()]);
        }
    }
    await feedsim?.stop();
    for (const [server, end] of ends) {
        fs.copyFileSync(server.logFile, path.join(artifacts, path.basename(server.logFile)));
        assert.deepEqual(end, { code: 0, signal: null },
            `${server.name} did not end cleanly on SIGTERM:\n${server.log}`);
    }
    fs.rmSync(work, { recursive: true, force: true });
});

test('a lottery page shows the report as kestrum-cli prints it, and a new draw without a reload',
     { timeout: 150_000 }, async () => {
    const page = await browser.newPage();
    await openLottery(page, single, `${FEED}/h3`);
    assert.equal(await page.getByRole('radio', { name: '后三', exact: true }).isChecked(), true,
        'the play type of the address is not the one chosen');
    const printed = spawnSync(cli, ['--config', path.join(work, 'single-empty.toml'), ...feedsim.addresses,
                                    'plan', '--lottery', FEED, '--play', 'h3'], { encoding: 'utf8' });
    assert.equal(printed.status, 0, `kestrum-cli plan failed: ${printed.stderr}`);
    assert.equal(await page.getByRole('textbox', { name: '计划' }).inputValue(), printed.stdout,
        'the report of 后三 differs from what kestrum-cli plan prints for the same feed');

    // Another play type from the chooser: its report, at once.
    await page.getByRole('radio', { name: '后一', exact: true }).check();
    const plan = await api(single, `/api/lotteries/${FEED}/plan`);
    const h1 = plan.plays.find((play) => play.name === 'h1');
    await eventually(async () => (await page.getByRole('textbox', { name: '计划' }).inputValue())
        .startsWith(`${h1.plan_lines[0]}\n`), 5_000, 'choosing 后一 did not show its report');

    // A draw on top of the served feed: the page shows it, without loading again.
    await page.evaluate(() => { window.kestrumTestMark = 'still the same page'; });
    const feedPath = path.join(work, 'feed', FEED_FILE);
    const lines = fs.readFileSync(feedPath, 'utf8');
    const newest = '201612090656 8,1,6,2,9';
    fs.writeFileSync(`${feedPath}.new`, `${newest}\n${lines}`);
    fs.renameSync(`${feedPath}.new`, feedPath);
    const firstDraw = page.getByRole('list', { name: '开奖号码' }).getByRole('listitem').first();
    await eventually(async () => (await firstDraw.innerText()).replace(/\s+/g, '') === '20161209065681629',
        NEW_DRAW_MS, `the draw ${newest} written into the feed did not reach the draw list`);
    assert.equal(await page.evaluate(() => window.kestrumTestMark), 'still the same page',
        'the page was loaded again to show the new draw');
    const now = await api(single, `/api/lotteries/${FEED}/plan`);
    assert.equal(now.draws.newest, newest);
    const running = now.plays.find((play) => play.name === 'h1').plan_lines.at(-2);
    await eventually(async () => (await page.getByRole('textbox', { name: '计划' }).inputValue()).includes(running),
        10_000, `the report does not show the new running plan "${running}"`);
    await page.close();
});

test('a lost connection is said plainly, and goes away when the server is back',
     { timeout: 120_000 }, async () => {
    const page = await browser.newPage();
    await openLottery(page, single);
    const port = new URL(single.url).port;
    const end = await single.stop();
    assert.deepEqual(end, { code: 0, signal: null }, `serve did not end cleanly:\n${single.log}`);
    const notice = page.getByRole('status').filter({ hasText: '连接已断开，正在重新连接' });
    await eventually(() => notice.isVisible(), 15_000, 'no word that the connection was lost');

    single = await serveSingle(`127.0.0.1:${port}`);
    await eventually(async () => !(await notice.isVisible()), 60_000,
        'the word of the lost connection stayed after the server came back');
    // The page fetched the new server's plans: the draws it starts from.
    const plan = await api(single, `/api/lotteries/${FEED}/plan`).catch(() => null);
    if (plan) {
        const first = page.getByRole('list', { name: '开奖号码' }).getByRole('listitem').first();
        await eventually(async () => (await first.innerText()).replace(/\s+/g, '')
            === plan.draws.newest.replace(/[\s,]/g, ''), 30_000, 'the draw list is not the server\'s');
    }
    await page.close();
});

test('searching and choosing a formula change the plans and the export file', { timeout: 150_000 }, async () => {
    const page = await browser.newPage();
    await page.setViewportSize({ width: 1280, height: 900 });
    await openLottery(page, single, `${FEED}/h1`);
    const before = (await api(single, `/api/lotteries/${FEED}/plan`)).plays.find((play) => play.name === 'h1');

    await page.getByLabel('码数', { exact: true }).fill('5');
    await page.getByLabel('期数', { exact: true }).fill('3');
    await page.getByRole('button', { name: '搜索公式' }).click();
    const list = page.getByRole('table', { name: '公式列表' });
    await eventually(async () => (await list.getByRole('row').count()) === 31, 60_000,
        'the formula list does not show thirty rows after the search');

    // A formula of the list other than the one in use.
    const formulas = (await list.getByRole('button').allInnerTexts()).map(Number);
    const chosen = formulas.find((formula) => formula !== before.formula);
    assert.ok(chosen, `the list holds no formula but ${before.formula}: ${formulas}`);
    await list.getByRole('button', { name: String(chosen), exact: true }).click();
    assert.equal(await page.getByLabel('所选公式', { exact: true }).inputValue(), String(chosen),
        'choosing a row did not put its formula into 所选公式');
    await page.getByRole('button', { name: '选定公式' }).click();

    const formulaBox = page.getByLabel('当前公式', { exact: true });
    const shown = String(chosen).padStart(3, '0');
    await eventually(async () => (await formulaBox.inputValue()) === shown, 30_000,
        `当前公式 does not show ${shown} after choosing it`);
    const after = (await api(single, `/api/lotteries/${FEED}/plan`)).plays.find((play) => play.name === 'h1');
    assert.equal(after.formula, chosen, 'the server does not use the formula chosen on the page');
    assert.equal(after.code_count, 5, 'the search did not set 码数');
    const report = await page.getByRole('textbox', { name: '计划' }).inputValue();
    const runningLine = after.plan_lines.at(-2);
    assert.ok(report.includes(runningLine), `the report does not show the running plan "${runningLine}"`);
    assert.ok(report.startsWith(`${after.plan_lines[0]}\n`), 'the report does not start with the new plans');

    // The export file of 后一 starts with the running plan, its bet as the page shows it.
    const overview = await api(single, '/api/lotteries');
    const bet = overview.lotteries[0].plays.find((play) => play.name === 'h1').running.bet;
    assert.equal(bet.length, 5, `the running plan bets ${bet}, not five digits`);
    const folder = path.resolve(work, overview.lotteries[0].folder);
    const exported = new TextDecoder('gbk').decode(fs.readFileSync(path.join(folder, 'geweizd.txt')));
    const firstLine = exported.split('\n')[0].replace(/\r+$/, '');
    assert.equal(firstLine, runningLine, 'geweizd.txt does not start with the running plan of the page');
    assert.ok(firstLine.includes(`<${bet}>`), `geweizd.txt does not hold the bet ${bet}`);

    // A formula typed by hand.
    const typed = formulas.find((formula) => formula !== chosen && formula !== before.formula) ?? 1;
    await formulaBox.fill(String(typed));
    await page.getByRole('button', { name: '使用已有公式' }).click();
    await eventually(async () => (await api(single, `/api/lotteries/${FEED}/plan`))
        .plays.find((play) => play.name === 'h1').formula === typed, 30_000,
        `使用已有公式 did not make ${typed} the formula in use`);
    const typedPlan = (await api(single, `/api/lotteries/${FEED}/plan`)).plays.find((play) => play.name === 'h1');
    await eventually(async () => (await page.getByRole('textbox', { name: '计划' }).inputValue())
        .includes(typedPlan.plan_lines.at(-2)), 10_000, 'the report does not show the typed formula\'s plans');

    await page.screenshot({ path: path.join(artifacts, 'web-lottery-desktop.png'), fullPage: true });
    await page.setViewportSize({ width: 375, height: 812 });
    await settled(page);
    await page.screenshot({ path: path.join(artifacts, 'web-lottery-phone.png'), fullPage: true });
    await page.close();
});

test('beyond loopback the page asks for the password, and the API refuses without it',
     { timeout: 120_000 }, async () => {
    const folder = path.join(work, 'login');
    fs.mkdirSync(folder);
    const { cert, key } = makeCertificate(folder);
    const config = path.join(folder, 'kestrum.toml');
    fs.writeFileSync(config, `web_tls_cert = "${cert}"\nweb_tls_key = "${key}"\n`);
    const password = 'correct horse 7';
    setPassword(cli, config, password);
    const server = await startServe(cli, {
        work, name: 'login', config, globalOptions: feedsim.addresses,
        serveOptions: ['--lottery', FEED, '--listen', '0.0.0.0:0', '--data-dir', path.join(folder, 'data')],
    });
    const secure = await launchBrowser(work, 'profile-login', { ignoreHTTPSErrors: true });
    try {
        assert.match(server.url, /^https:\/\/127\.0\.0\.1:\d+\/$/);
        const page = await secure.newPage();
        await page.goto(server.url);
        const refused = await page.evaluate(async () => (await fetch('/api/lotteries')).status);
        assert.equal(refused, 401, 'the API answered without a login');

        const box = page.getByLabel('密码', { exact: true });
        await box.waitFor({ timeout: 10_000 });
        await box.fill('wrong password');
        await page.getByRole('button', { name: '登录' }).click();
        await eventually(async () => (await page.getByRole('alert').innerText()).includes('密码不对'), 10_000,
            'a wrong password was not refused on the page');
        assert.equal(await page.evaluate(async () => (await fetch('/api/lotteries')).status), 401,
            'the API answers after a wrong password');
        await page.setViewportSize({ width: 375, height: 812 });
        await settled(page);
        await page.screenshot({ path: path.join(artifacts, 'web-login-phone.png') });

        await box.fill(password);
        await page.getByRole('button', { name: '登录' }).click();
        const card = page.getByRole('article', { name: '河内分分彩' });
        await eventually(() => card.isVisible(), 30_000, 'the overview did not show after the login');
        await eventually(async () => (await card.innerText()).includes('最新开奖'), 60_000,
            'the overview shows no draw after the login');
        assert.equal(await page.evaluate(async () => (await fetch('/api/lotteries')).status), 200);
    } finally {
        await secure.close();
        const end = await server.stop();
        fs.copyFileSync(server.logFile, path.join(artifacts, 'login.log'));
        assert.deepEqual(end, { code: 0, signal: null }, `serve with a login did not end cleanly:\n${server.log}`);
    }
});

// The feed of every lottery, in the folders of the feed server's two hosts: the draws of the
// case's 重庆时时彩 for the lotteries that number their periods with three digits, those of its
// 河内分分彩 for the ones that draw 1440 times a day.
const FEED_PATHS = ['feed1/ssckj/cq.txt', 'feed2/ssckj/jx.txt', 'feed1/ssckj/xj.txt', 'feed2/ssckj/tj.txt',
                    'feed2/dbwfc.txt', 'feed2/dbffc.txt', 'feed1/ynffc.txt', 'feed1/hnffc.txt',
                    'feed1/tlffc.txt', 'feed1/xgffc.txt'];

function makeAllFeeds(folder) {
    const source = path.join(cases, 'lottery1440', 'feed');
    fs.cpSync(path.join(source, 'web'), path.join(folder, 'web'), { recursive: true });
    FEED_PATHS.forEach((feedPath, index) => {
        const from = path.join(source, index < 5 ? 'feed1/ssckj/cq.txt' : 'feed1/hnffc.txt');
        fs.mkdirSync(path.dirname(path.join(folder, feedPath)), { recursive: true });
        fs.copyFileSync(from, path.join(folder, feedPath));
    });
}

test('the overview shows the ten lotteries, their newest draws and plans', { timeout: 200_000 }, async () => {
    const folder = path.join(work, 'feed-all');
    makeAllFeeds(folder);
    const feeds = await startFeedServer(feedsimBinary, folder, path.join(work, 'feedsim-all.log'));
    allLotteries = await startServe(cli, {
        work, name: 'all', globalOptions: feeds.addresses,
        serveOptions: ['--all', '--fixed-period', '--listen', '127.0.0.1:0',
                       '--data-dir', path.join(work, 'all-data')],
    });
    try {
        const page = await browser.newPage();
        await page.setViewportSize({ width: 1280, height: 900 });
        await page.goto(allLotteries.url);
        // Ten cards at once, each lottery's plans when they come.
        const cards = page.getByRole('article');
        await eventually(async () => (await cards.count()) === 10, 20_000, 'the overview does not show ten cards');
        const headings = await page.getByRole('heading', { level: 2 }).allInnerTexts();
        assert.deepEqual(headings, CAPTIONS, 'the cards are not the ten lotteries in order');

        await eventually(async () => (await page.getByRole('table').count()) === 10, START_MS,
            'the overview did not show the plans of every lottery');
        for (const [index, caption] of CAPTIONS.entries()) {
            const card = page.getByRole('article', { name: caption });
            const text = (await card.innerText()).replace(/\s+/g, '');
            const newest = index < 5 ? '20161209101期15021' : '201612090655期37401';
            assert.ok(text.includes(`最新开奖${newest}`),
                `the card of ${caption} does not show the feed's newest draw ${newest}: ${text}`);
            const rows = await card.getByRole('row').count();
            assert.equal(rows, 11, `the card of ${caption} has ${rows - 1} play types, not ten`);
        }
        // Each figure of a card is the API's.
        const hnffc = (await api(allLotteries, '/api/lotteries')).lotteries.find((entry) => entry.feed === FEED);
        const cells = await page.getByRole('article', { name: '河内分分彩' }).getByRole('row').allInnerTexts();
        hnffc.plays.forEach((play, index) => {
            const row = cells[index + 1].replace(/\s+/g, ' ');
            const running = play.running ? [play.running.bet, `剩 ${play.running.periods_left} 期`] : ['无'];
            const expected = [play.play, String(play.formula).padStart(3, '0'), ...running,
                              String(play.current_losing_run), `${play.accuracy}%`,
                              `${play.chance_accuracy.toFixed(1)}%`];
            for (const part of expected) {
                assert.ok(row.includes(part), `the row of ${play.play} (${row}) does not show ${part}`);
            }
        });

        await page.screenshot({ path: path.join(artifacts, 'web-overview-desktop.png'), fullPage: true });
        await page.setViewportSize({ width: 375, height: 812 });
        await settled(page);
        await page.screenshot({ path: path.join(artifacts, 'web-overview-phone.png'), fullPage: true });
        log(`screenshots in ${artifacts}`);
        await page.close();
    } finally {
        await feeds.stop();
    }
});
