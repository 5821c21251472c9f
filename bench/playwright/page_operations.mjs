// The nearest equivalents of three page operations, driven by Playwright on
// the same Debian Chromium and the same generated page as
// bench/page_operations_bench.cpp:
//   clickLink kind 3 on the last link  -> getByText(text).first().click()
//   clickButton kind 2 on the last one -> locator('input[type=submit]').nth(k).click()
//   setValue by id                     -> locator('#id').fill(value)
// Usage: node bench/playwright/page_operations.mjs [repetitions]
// Prints one JSON line per operation and size: medians in milliseconds.
import { chromium } from 'playwright-core';
import { fileURLToPath, pathToFileURL } from 'node:url';
import path from 'node:path';

const here = path.dirname(fileURLToPath(import.meta.url));
const pageFile = path.join(here, '..', 'page_operations_bench.html');
const repetitions = Number(process.argv[2]) || 15;
const sizes = [1000, 10000, 100000];

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

// At 100,000 elements a third of the repetitions (at least 3), as the C++ side.
async function measure(action, links) {
  const times = [];
  const count = links >= 100000 ? Math.max(3, Math.floor(repetitions / 3)) : repetitions;
  await action();  // warm-up, not counted
  for (let i = 0; i < count; ++i) {
    const start = process.hrtime.bigint();
    await action();
    times.push(Number(process.hrtime.bigint() - start) / 1e6);
  }
  return median(times);
}

const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
try {
  for (const links of sizes) {
    const inputs = links / 5;
    const page = await browser.newPage();
    page.setDefaultTimeout(300000);
    const url = pathToFileURL(pageFile).href + `?links=${links}&inputs=${inputs}`;
    await page.goto(url);
    const lastLink = links - 1;
    const buttons = inputs / 2;
    const lastText = inputs - 2;
    const results = {
      clickLink: await measure(() => page.getByText(`Link #${lastLink};`).first().click(), links),
      clickButton: await measure(
          () => page.locator('input[type=submit]').nth(buttons - 1).click(), links),
      setValue: await measure(() => page.locator(`#t${lastText}`).fill('filled'), links),
    };
    const landed = await page.evaluate(() => window.lastClicked);
    if (landed !== `s${inputs - 1}`) throw new Error(`last click landed on ${landed}`);
    for (const [operation, medianMs] of Object.entries(results)) {
      console.log(JSON.stringify({tool: 'playwright', operation, links, inputs, medianMs}));
    }
    await page.close();
  }
} finally {
  await browser.close();
}
