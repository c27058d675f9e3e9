// The page: the overview of every lottery served, from /api/lotteries.
const main = document.getElementById('main');
const answer = await fetch('/api/lotteries');
const overview = await answer.json();
main.textContent = overview.lotteries.map((lottery) => lottery.caption).join('，');
