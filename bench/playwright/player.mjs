// The player benchmark's 20-step script written for Playwright: the same
// pages, the same operations in the same order, on Debian's Chromium with
// the flags the player's launcher uses (bench/player_bench_steps.txt is the
// player's script). Run as a whole process, start to exit, by
// bench/player_bench.py.
// Usage: node bench/playwright/player.mjs TEXT TITLE
import { chromium } from 'playwright-core';
import { fileURLToPath, pathToFileURL } from 'node:url';
import path from 'node:path';

const here = path.dirname(fileURLToPath(import.meta.url));
const [text = '文本', title = '标题'] = process.argv.slice(2);
const buttonLike = 'input:is([type=submit],[type=button],[type=reset],[type=image])';

const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--no-default-browser-check', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--disable-extensions',
         '--mute-audio'],
});
try {
  const page = await browser.newPage();
  await page.goto(pathToFileURL(path.join(here, '..', 'player_bench_page1.html')).href);
  await page.locator('#f1').fill(text);
  await page.locator('#f2').fill(text);
  await page.locator('[name="f3"]').first().fill(title);
  await page.locator('#b1').click();
  await page.locator(`${buttonLike}[value*="按钮二"]`).first().click();
  await page.locator('a', { hasText: '锚点一' }).first().click();
  await page.evaluate(() => { document.title = 'one'; });
  await page.locator('#f4').fill(text);
  await page.locator(buttonLike).nth(1).click();
  await page.locator('a', { hasText: '下一页' }).first().click();
  await page.waitForLoadState('load');
  await page.locator('#g1').fill(text);
  await page.locator('[name="g2"]').first().fill(title);
  await page.locator('#c1').click();
  await page.locator('a', { hasText: '锚点二' }).first().click();
  await page.evaluate(() => { window.done = (window.done || 0) + 1; });
  await page.locator('#g3').fill(text);
  await page.locator(`${buttonLike}[value*="按钮三"]`).first().click();
  await page.locator('#g4').fill(text);
  await page.locator('#c2').click();
  await page.evaluate(() => {
    document.title = 'done ' + document.getElementById('g1').value;
  });
  if (await page.title() !== `done ${text}`) throw new Error(`ended at "${await page.title()}"`);
  await page.close();
} finally {
  await browser.close();
}
