// Drives `quillshade preview` in headless Chromium as an author would: moves
// a slider, picks a pop-up entry, breaks a shader and fixes it again; and
// checks that requests naming a foreign host are refused.
//   node preview-browser.js QUILLSHADE                      the test
//   node preview-browser.js QUILLSHADE --screenshot PNG DIR [IMAGE]
"use strict";
const { spawn } = require("child_process");
const fs = require("fs");
const http = require("http");
const os = require("os");
const path = require("path");

const modules = process.env.QS_NODE_MODULES || path.join(__dirname, "../../build/node/node_modules");
let puppeteer;
try {
  puppeteer = require(path.join(modules, "puppeteer-core"));
} catch (error) {
  console.log("skipped: puppeteer-core is not installed in " + modules + " (scripts/setup-browser)");
  process.exit(77);
}
const chromium = process.env.QS_CHROMIUM || "/usr/bin/chromium";

const shader = (semicolon) => `uniform sampler2D image;
uniform float amount;
uniform int channel;
void main() {
    vec4 c = texture2D(image, gl_TexCoord[0].st);
    c.rgb *= amount${semicolon}
    if (channel == 2) c.rgb = c.bgr;
    gl_FragColor = c;
}
`;

function writeEffect(dir) {
  fs.writeFileSync(path.join(dir, "config.xml"), "<FLAGS>33554432</FLAGS><FLAGS2>5120</FLAGS2>\n");
  fs.writeFileSync(path.join(dir, "fx.js"), `var amount, channel, s;
function setup() {
    amount = QS_initParam("amount", QS_Type.FLOAT, "Amount");
    QS_setParamMinMax(amount, 0, 1);
    QS_setParamValue(amount, 0.5);
    channel = QS_initParam("channel", QS_Type.POPUP, "Channels");
    QS_setParamChoices(channel, "RGB|BGR");
    s = QS_initShader("tint");
}
function draw() {
    QS_setShaderParamVal(s, "image", QS_getSequenceTexture());
    QS_setShaderParam(s, amount);
    QS_setShaderParam(s, channel);
    QS_renderShader(s, QS_getSequenceRT(), true);
}
`);
  fs.writeFileSync(path.join(dir, "tint.frag"), shader(";"));
}

function startPreview(tool, args) {
  const child = spawn(tool, ["preview", ...args], { stdio: ["ignore", "pipe", "inherit"] });
  return new Promise((resolve, reject) => {
    let text = "";
    child.stdout.on("data", (chunk) => {
      text += chunk;
      const found = text.match(/http:\/\/127\.0\.0\.1:(\d+)\//);
      if (found) resolve({ child, url: found[0], port: +found[1] });
    });
    child.on("exit", (code) => reject(new Error("preview exited with " + code)));
  });
}

function status(port, headers) {
  return new Promise((resolve, reject) => {
    http.get({ host: "127.0.0.1", port, path: "/state", headers }, (response) => {
      response.resume();
      resolve(response.statusCode);
    }).on("error", reject);
  });
}

async function launch(url) {
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync"],
    userDataDir: fs.mkdtempSync(path.join(os.tmpdir(), "qs-chromium-")),
  });
  const page = await browser.newPage();
  await page.setViewport({ width: 1240, height: 500 });
  await page.goto(url);
  return { browser, page };
}

// The frame the page shows once a new one has arrived after `since`.
async function nextFrame(page, since) {
  await page.waitForFunction((n) => +(document.body.dataset.frames || 0) > n &&
                             document.getElementById("status").textContent !== "rendering…",
                             { timeout: 60000 }, since);
  return page.evaluate(() => ({ frames: +document.body.dataset.frames,
                                src: document.getElementById("frame").src }));
}

async function problems(page, pattern) {
  await page.waitForFunction((p) => new RegExp(p).test(document.getElementById("problems").textContent),
                             { timeout: 60000 }, pattern);
  return page.$eval("#problems", (e) => e.textContent);
}

function check(condition, what) {
  if (!condition) throw new Error("failed: " + what);
  console.log("ok: " + what);
}

async function test(tool) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "qs-preview-"));
  writeEffect(dir);
  const preview = await startPreview(tool, [dir]);
  let browser;
  try {
    check(await status(preview.port, { Host: "127.0.0.1:" + preview.port }) === 200, "loopback Host served");
    check(await status(preview.port, { Host: "attacker.example:" + preview.port }) === 403,
          "foreign Host refused");
    check(await status(preview.port, { Host: "localhost:" + preview.port, Origin: "http://attacker.example" }) === 403,
          "foreign Origin refused");

    let page;
    ({ browser, page } = await launch(preview.url));
    let frame = await nextFrame(page, 0);
    await problems(page, "^no problems$");

    // A click near the slider's right end moves it there.
    const slider = await page.$('input[data-name="Amount"]');
    const box = await slider.boundingBox();
    await page.mouse.click(box.x + box.width * 0.95, box.y + box.height / 2);
    const brighter = await nextFrame(page, frame.frames);
    check(brighter.src !== frame.src, "moving the slider changes the frame");

    await page.select('select[data-name="Channels"]', "2");
    const swapped = await nextFrame(page, brighter.frames);
    check(swapped.src !== brighter.src, "choosing a pop-up entry changes the frame");

    fs.writeFileSync(path.join(dir, "tint.frag"), shader(""));
    const report = await problems(page, "tint\\.frag:\\d+");
    check(/tint\.frag:7:\d+: error/.test(report), "a shader error shows with its file and line: " +
          report.split("\n").find((l) => /tint\.frag:\d/.test(l)).trim());

    const broken = await page.evaluate(() => +document.body.dataset.frames);
    fs.writeFileSync(path.join(dir, "tint.frag"), shader(";"));
    await problems(page, "^no problems$");
    await page.waitForFunction((src) => document.getElementById("frame").src === src,
                               { timeout: 60000 }, swapped.src);
    check(+(await page.evaluate(() => document.body.dataset.frames)) > broken,
          "fixing the shader brings the frame back, values kept");
  } finally {
    if (browser) await browser.close();
    preview.child.kill("SIGINT");
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

async function screenshot(tool, output, effect, input) {
  const preview = await startPreview(tool, input ? [effect, "--input", input] : [effect]);
  const { browser, page } = await launch(preview.url);
  try {
    await nextFrame(page, 0);
    await problems(page, "^no problems$");
    await page.screenshot({ path: output });
  } finally {
    await browser.close();
    preview.child.kill("SIGINT");
  }
}

const [tool, mode, ...rest] = process.argv.slice(2);
(mode === "--screenshot" ? screenshot(tool, ...rest) : test(tool)).catch((error) => {
  console.error(error.stack || String(error));
  process.exit(1);
});
