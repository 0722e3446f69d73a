// Opens the reports of two searches in headless Chromium and checks what a reader sees.
//
// usage: node check_reports.js CHROMIUM PROFILE_DIR SAMPLES_DIR SELECTED MARKUP_DIR [RSVG_PNG]
//   SAMPLES_DIR holds the reports of the sample search, which selected SELECTED forms, and its
//   SVG map map.svg; MARKUP_DIR those of a form whose lines hold "<script>", "&" and other
//   markup; RSVG_PNG, when given, is map.svg drawn by librsvg, to compare with Chromium's.
// Prints one "ok: ..." line per check passed; the first failure ends with status 1.
'use strict';

const fs = require('fs');
const path = require('path');
const { pathToFileURL } = require('url');
const { chromium } = require('playwright-core');

const [chromiumPath, profileDir, samplesDir, selectedText, markupDir, rsvgPng] = process.argv.slice(2);
const selected = Number(selectedText);
const title = 'Report from Kervos Search (ULMA-KERVOS)';
const flags = ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
               '--disable-component-update', '--disable-sync'];

function fail(message) {
    throw new Error(message);
}

function ok(message) {
    console.log('ok: ' + message);
}

function fileUrl(dir, name) {
    return pathToFileURL(path.join(dir, name)).href;
}

// Whether the element of the selector is in the viewport after a jump to it.
async function inView(page, selector) {
    return page.$eval(selector, (e) => {
        const r = e.getBoundingClientRect();
        return r.bottom > 0 && r.top < window.innerHeight;
    });
}

async function checkSummaryTable(page) {
    await page.goto(fileUrl(samplesDir, 'kerheads.htm'));
    if ((await page.title()) !== title) fail('kerheads.htm: title "' + (await page.title()) + '"');
    // One table row per selected form, each with eight cells and a link to its form.
    const rows = await page.$$eval('tr', (trs) =>
        trs.filter((tr) => tr.querySelector('a[href^="kerforms.htm#"]') &&
                           /^kerforms\.htm#\d+$/.test(tr.querySelector('a').getAttribute('href')))
           .map((tr) => ({ cells: tr.cells.length, href: tr.querySelector('a').getAttribute('href'),
                           height: tr.getBoundingClientRect().height, text: tr.querySelector('a').textContent.trim() })));
    if (rows.length !== selected) fail('kerheads.htm: ' + rows.length + ' rows, expected ' + selected);
    rows.forEach((row, i) => {
        if (row.cells !== 8) fail('kerheads.htm: row ' + (i + 1) + ' has ' + row.cells + ' cells');
        if (row.href !== 'kerforms.htm#' + (i + 1)) fail('kerheads.htm: row ' + (i + 1) + ' links to ' + row.href);
        if (!(row.height > 0)) fail('kerheads.htm: row ' + (i + 1) + ' is not rendered');
        if (row.text === '') fail('kerheads.htm: row ' + (i + 1) + ' has no reference');
    });
    ok('kerheads.htm renders ' + rows.length + ' rows of 8 cells, one per selected form');
    return rows;
}

// Clicks the reference of summary row n and checks that kerforms.htm shows that form.
async function checkReferenceLink(page, n) {
    await page.goto(fileUrl(samplesDir, 'kerheads.htm'));
    await Promise.all([page.waitForURL(/kerforms\.htm#\d+$/), page.click('a[href="kerforms.htm#' + n + '"]')]);
    const url = page.url();
    if (url !== fileUrl(samplesDir, 'kerforms.htm') + '#' + n) fail('row ' + n + ' leads to ' + url);
    const anchor = 'a[name="' + n + '"]';
    if ((await page.$$(anchor)).length !== 1) fail('kerforms.htm: no single anchor ' + n);
    // "Form " and the number written as a number, with a blank before and after it.
    const text = (await page.$eval(anchor, (a) => a.textContent)).replace(/\s+/g, ' ').trim();
    if (text !== 'Form ' + n) fail('kerforms.htm: anchor ' + n + ' reads "' + text + '"');
    if (!(await inView(page, anchor))) fail('kerforms.htm: anchor ' + n + ' is not scrolled into view');
    ok('the reference of row ' + n + ' leads to "Form ' + n + '" in kerforms.htm');
}

async function checkStatisticsLink(page) {
    await page.goto(fileUrl(samplesDir, 'kerheads.htm'));
    await Promise.all([page.waitForURL(/kerforms\.htm#stats$/), page.click('text=Statistics')]);
    // The anchor opens inside <CENTER> and closes after it, so the parser may clone it once
    // more behind the centred text; the first one is the jump target.
    const anchor = 'a[name="stats"]';
    if ((await page.$$(anchor)).length === 0) fail('kerforms.htm: no anchor "stats"');
    const text = (await page.$eval(anchor, (a) => a.textContent)).trim();
    if (text !== 'Summary Statistics of Report') fail('kerforms.htm: the stats anchor reads "' + text + '"');
    if (!(await inView(page, anchor))) fail('kerforms.htm: the statistics are not scrolled into view');
    ok('"Statistics" leads to the statistics section of kerforms.htm');
}

// The markup in the form is shown as text: no script runs, no element is made from it.
async function checkEscaping(page, dialogs) {
    const expected = {
        'kerheads.htm': ['Cruise Name(s): <SCRIPT>', 'Country: & SWEDEN', '<b>&amp;', '<i>Ship</i> & Co'],
        'kerforms.htm': ['Norway & Sweden <script>window.morvexInjected = 1</script>',
                         'CR:<script>document.title = "injected"; alert(1)</script> Tom & Jerry <b>bold</b>',
                         'Cruise Name(s): <SCRIPT>'],
    };
    for (const [name, texts] of Object.entries(expected)) {
        await page.goto(fileUrl(markupDir, name));
        const shown = await page.evaluate(() => document.body.innerText);
        for (const text of texts)
            if (!shown.includes(text)) fail(name + ': the text ' + JSON.stringify(text) + ' is not shown');
        if ((await page.title()) !== title) fail(name + ': a script changed the title to "' + (await page.title()) + '"');
        if ((await page.evaluate(() => typeof window.morvexInjected)) !== 'undefined')
            fail(name + ': a script from the form ran');
        const made = await page.$$eval('script, i, img, iframe', (es) => es.length);
        if (made !== 0) fail(name + ': ' + made + ' elements made from form text');
        if (dialogs.length !== 0) fail(name + ': a script opened a dialog');
        ok(name + ' shows the markup of the form as text and runs nothing');
    }
}

// Draws map.svg and librsvg's PNG of it on canvases of the same size and compares them pixel
// by pixel: only the edges of glyphs and coasts, which the two draw with their own
// anti-aliasing, may differ, and the shaded squares have the same colours in both.
async function checkSvgMap(page) {
    const svg = fs.readFileSync(path.join(samplesDir, 'map.svg'));
    const png = fs.readFileSync(rsvgPng);
    await page.goto('about:blank');
    const result = await page.evaluate(async ([svgData, pngData]) => {
        const load = (url) => new Promise((resolve, reject) => {
            const img = new Image();
            img.onload = () => resolve(img);
            img.onerror = () => reject(new Error('cannot load ' + url.slice(0, 30)));
            img.src = url;
        });
        const [a, b] = await Promise.all([load('data:image/svg+xml;base64,' + svgData),
                                          load('data:image/png;base64,' + pngData)]);
        const pixels = (img) => {
            const canvas = document.createElement('canvas');
            canvas.width = b.naturalWidth;
            canvas.height = b.naturalHeight;
            const g = canvas.getContext('2d');
            g.fillStyle = '#ffffff';
            g.fillRect(0, 0, canvas.width, canvas.height);
            g.drawImage(img, 0, 0, canvas.width, canvas.height);
            return g.getImageData(0, 0, canvas.width, canvas.height).data;
        };
        const pa = pixels(a), pb = pixels(b);
        let far = 0, sum = 0;
        for (let i = 0; i < pa.length; i += 4) {
            const d = Math.max(Math.abs(pa[i] - pb[i]), Math.abs(pa[i + 1] - pb[i + 1]), Math.abs(pa[i + 2] - pb[i + 2]));
            sum += d;
            if (d > 48) ++far;
        }
        const count = pa.length / 4;
        return { width: a.naturalWidth, height: a.naturalHeight, pngWidth: b.naturalWidth, pngHeight: b.naturalHeight,
                 mean: sum / count, farShare: far / count };
    }, [svg.toString('base64'), png.toString('base64')]);
    if (result.width !== result.pngWidth || result.height !== result.pngHeight)
        fail('map.svg: Chromium draws it ' + result.width + 'x' + result.height + ', librsvg ' + result.pngWidth + 'x' +
             result.pngHeight);
    if (!(result.mean < 2.5 && result.farShare < 0.01))
        fail('map.svg: Chromium and librsvg draw it differently: mean difference ' + result.mean.toFixed(2) +
             ', ' + (100 * result.farShare).toFixed(2) + '% of the pixels far apart');
    ok('map.svg renders alike in Chromium and librsvg (' + result.width + 'x' + result.height + ', mean difference ' +
       result.mean.toFixed(2) + ', ' + (100 * result.farShare).toFixed(2) + '% of the pixels far apart)');
}

async function main() {
    const context = await chromium.launchPersistentContext(profileDir, {
        executablePath: chromiumPath,
        headless: true,
        args: flags,
        javaScriptEnabled: true,
    });
    const dialogs = [];
    try {
        const page = context.pages()[0] || (await context.newPage());
        page.on('dialog', (d) => {
            dialogs.push(d.message());
            d.dismiss().catch(() => {});
        });
        const rows = await checkSummaryTable(page);
        for (const n of new Set([1, Math.ceil(rows.length / 2), rows.length])) await checkReferenceLink(page, n);
        await checkStatisticsLink(page);
        await checkEscaping(page, dialogs);
        if (rsvgPng) await checkSvgMap(page);
    } finally {
        await context.close();
    }
}

main().catch((e) => {
    console.error('check_reports: ' + e.message);
    process.exit(1);
});
