// The server's JSON API. Every call answers the parsed body or throws an ApiError; a 401 also
// tells the listener set with onLoginNeeded, so that the page can ask for the password.

export class ApiError extends Error {
    constructor(status, message) {
        super(message);
        this.status = status;
    }
}

let loginNeeded = () => {};

export function onLoginNeeded(listener) {
    loginNeeded = listener;
}

async function call(path, options) {
    let answer;
    try {
        answer = await fetch(path, { cache: 'no-store', credentials: 'same-origin', ...options });
    } catch {
        throw new ApiError(0, '无法连接到服务器');
    }
    let body = null;
    try {
        body = await answer.json();
    } catch {
        body = null;
    }
    if (!answer.ok) {
        if (answer.status === 401 && !path.startsWith('/api/login')) {
            loginNeeded();
        }
        const reason = body && typeof body.error === 'string' ? body.error : answer.statusText;
        throw new ApiError(answer.status, reason);
    }
    return body;
}

export function getJson(path) {
    return call(path, { method: 'GET' });
}

export function postJson(path, body) {
    return call(path, {
        method: 'POST',
        headers: { 'Content-Type': 'application/json' },
        body: JSON.stringify(body),
    });
}

export const api = {
    session: () => getJson('/api/session'),
    login: (password) => postJson('/api/login', { password }),
    logout: () => postJson('/api/logout', {}),
    lotteries: () => getJson('/api/lotteries'),
    plan: (feed) => getJson(`/api/lotteries/${encodeURIComponent(feed)}/plan`),
    evaluate: (feed) => getJson(`/api/lotteries/${encodeURIComponent(feed)}/evaluate`),
    search: (feed, play, codeCount, planPeriods) =>
        postJson(`/api/lotteries/${encodeURIComponent(feed)}/search`,
                 { play, code_count: codeCount, plan_periods: planPeriods }),
    useFormula: (feed, play, formula) =>
        postJson(`/api/lotteries/${encodeURIComponent(feed)}/formula`, { play, formula }),
};
