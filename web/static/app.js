// The page: a login when the server asks for one, then the overview (#/) or a lottery's page
// (#/cq, #/cq/h2), kept current by the server's event stream.

import { api, onLoginNeeded } from '/static/api.js';
import { put } from '/static/dom.js';
import { showLogin } from '/static/login.js';
import { LiveEvents } from '/static/live.js';
import { LotteryView } from '/static/lottery.js';
import { OverviewView } from '/static/overview.js';

const main = document.getElementById('main');
const logoutButton = document.getElementById('logout');
const connection = document.getElementById('connection');

let view = null;
let live = null;
let loginShown = false;
let loginRequired = false;

// "#/cq/h2" → { feed: "cq", play: "h2" }; the overview has no feed. Null for a hash that is no
// route (the skip link's "#main").
function route() {
    if (location.hash !== '' && !location.hash.startsWith('#/')) {
        return null;
    }
    const parts = location.hash.slice(2).split('/').filter(Boolean);
    return { feed: parts[0] ?? null, play: parts[1] ?? null };
}

function showRoute() {
    if (loginShown) {
        return;
    }
    const where = route();
    if (where === null && view) {
        return;
    }
    const { feed, play } = where ?? { feed: null, play: null };
    if (view && view.feed === feed && feed !== null) {
        view.choosePlay(play);
        return;
    }
    const first = view === null;
    view?.close();
    view = feed === null ? new OverviewView(main) : new LotteryView(main, feed, play);
    view.load();
    if (!first) {
        // A new page: reading and the keyboard start at its top.
        window.scrollTo(0, 0);
        main.focus();
    }
}

function setConnectionLost(lost) {
    connection.textContent = lost ? '连接已断开，正在重新连接……' : '';
}

function start() {
    loginShown = false;
    logoutButton.hidden = !loginRequired;
    live?.close();
    live = new LiveEvents({
        onPlan: (event) => view?.planChanged(event.feed),
        onLost: () => setConnectionLost(true),
        onRefused: () => {
            if (loginRequired) {
                api.session().then((session) => {
                    if (!session.logged_in) {
                        askForLogin();
                    }
                }, () => {});
            }
        },
        onBack: () => {
            setConnectionLost(false);
            // Events may have been missed while the connection was down.
            view?.planChanged(null);
        },
    });
    view = null;
    showRoute();
}

function askForLogin() {
    if (loginShown) {
        return;
    }
    loginShown = true;
    loginRequired = true;
    logoutButton.hidden = true;
    live?.close();
    live = null;
    setConnectionLost(false);
    view?.close();
    view = null;
    showLogin(main, start);
}

async function begin() {
    onLoginNeeded(askForLogin);
    window.addEventListener('hashchange', showRoute);
    logoutButton.addEventListener('click', async () => {
        try {
            await api.logout();
        } finally {
            askForLogin();
        }
    });
    let session;
    try {
        session = await api.session();
    } catch (error) {
        // A server that keeps even this behind the login has asked for it already.
        if (error.status !== 401) {
            put(main, '无法连接到服务器，请稍后刷新页面。');
        }
        return;
    }
    loginRequired = session.login_required;
    if (session.login_required && !session.logged_in) {
        askForLogin();
    } else {
        start();
    }
}

begin();
