// How numbers, times and errors read on the page.

// The play types in the order of the window's options, by their API names.
export const PLAY_ORDER = ['h1', 'h2', 'h3', 'h3b', 'h5b', 'shi', 'bai', 'qian', 'wan', 'q3'];

// "48.3%"
export function percent(value) {
    return `${Number(value).toFixed(1)}%`;
}

// A probability as "p = 0.42", "p = 0.004" or "p < 0.001".
export function pValue(probability) {
    if (probability >= 0.01) {
        return `p = ${probability.toFixed(2)}`;
    }
    if (probability >= 0.001) {
        return `p = ${probability.toFixed(3)}`;
    }
    return 'p < 0.001';
}

// A formula as the 当前公式 box shows it: three digits at least ("007").
export function formulaText(formula) {
    return String(formula).padStart(3, '0');
}

// "20161209101 1,5,0,2,1" → { period: "20161209101", digits: [1, 5, 0, 2, 1] }; null for a line
// of another form.
export function parseDrawLine(line) {
    const match = /^(\S+) (\d),(\d),(\d),(\d),(\d)$/.exec(line ?? '');
    if (!match) {
        return null;
    }
    return { period: match[1], digits: match.slice(2, 7).map(Number) };
}

// A time of day from milliseconds since the epoch, in the browser's zone: "14:05:30".
export function clockTime(millis) {
    const when = new Date(millis);
    return when.toLocaleTimeString('zh-CN', { hour12: false });
}

// The words for a failed call.
export function errorText(error) {
    if (!error || error.status === undefined) {
        return `出错了：${error?.message ?? error}`;
    }
    switch (error.status) {
    case 0:
        return '无法连接到服务器，请稍后再试。';
    case 400:
        return `输入有误（${error.message}）。`;
    case 401:
        return '需要先登录。';
    case 404:
        return `没有找到（${error.message}）。`;
    case 503:
        return `服务器暂时无法完成（${error.message}），请稍后再试。`;
    default:
        return `出错了（${error.status}：${error.message}）。`;
    }
}

// The text box rule of the window: leading blanks, an optional sign and the digits after it;
// NaN when there is no digit.
export function leadingNumber(text) {
    const match = /^\s*([+-]?\d+)/.exec(text);
    return match ? Number.parseInt(match[1], 10) : Number.NaN;
}
