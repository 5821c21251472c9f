// The Playwright side of bench/read_text_bench.cpp: one page.evaluate round
// trip reading the same text of the same page, on the same Debian Chromium
// with the same flags. Usage: node bench/playwright/read_text.mjs [rounds]
// Prints one JSON line: {"medianMs": ..., "p90Ms": ..., "rounds": ...}.
import { chromium } from 'playwright-core';

const rounds = Math.max(10, Number(process.argv[2]) || 2000);
const page_ = 'data:text/html;charset=utf-8,<title>bench</title><body><div id=box>round trip</div></body>';

function sorted(values) {
  return [...values].sort((a, b) => a - b);
}
function median(values) {
  const s = sorted(values);
  const middle = Math.floor(s.length / 2);
  return s.length % 2 ? s[middle] : (s[middle - 1] + s[middle]) / 2;
}

const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
try {
  const page = await browser.newPage();
  await page.goto(page_);
  const times = [];
  for (let i = 0; i < rounds + Math.floor(rounds / 10); ++i) {
    const start = process.hrtime.bigint();
    const text = await page.evaluate(() => document.getElementById('box').textContent);
    const elapsed = Number(process.hrtime.bigint() - start) / 1e6;
    if (text !== 'round trip') throw new Error('unexpected text: ' + text);
    if (i >= Math.floor(rounds / 10)) times.push(elapsed);
  }
  const s = sorted(times);
  console.log(JSON.stringify({medianMs: median(times), p90Ms: s[Math.floor(0.9 * (s.length - 1))], rounds}));
} finally {
  await browser.close();
}
