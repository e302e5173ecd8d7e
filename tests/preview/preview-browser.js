// Drives `quillshade preview` in headless Chromium as an author would: moves
// a slider, picks a pop-up entry, breaks a shader and fixes it again, steps
// and plays through a clip whose layer is an image sequence, and survives a
// frame worker that crashes or hangs; and checks that requests naming a
// foreign host are refused.
//   node preview-browser.js QUILLSHADE                      the test
//   node preview-browser.js QUILLSHADE --screenshot PNG DIR [IMAGE]
//   node preview-browser.js QUILLSHADE --bench               slider to painted frame
"use strict";
const { execFileSync, spawn } = require("child_process");
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
  return page.evaluate(() => ({ frames: +document.body.dataset.frames }));
}

// A digest of the picture the page shows, and its centre pixel.
function picture(page) {
  return page.evaluate(() => {
    const image = document.getElementById("frame");
    const canvas = document.createElement("canvas");
    canvas.width = image.naturalWidth || image.width;
    canvas.height = image.naturalHeight || image.height;
    const context = canvas.getContext("2d");
    context.drawImage(image, 0, 0);
    const data = context.getImageData(0, 0, canvas.width, canvas.height).data;
    let sum = 0;
    for (let i = 0; i < data.length; ++i) sum = (sum * 31 + data[i]) % 1000000007;
    const centre = 4 * (Math.floor(canvas.height / 2) * canvas.width + Math.floor(canvas.width / 2));
    return { sum, centre: [...data.slice(centre, centre + 3)] };
  });
}

async function frameWithPicture(page, since) {
  const frame = await nextFrame(page, since);
  return Object.assign(frame, await picture(page));
}

// Moves a range input to `value` as a drag does.
function slide(page, selector, value) {
  return page.$eval(selector, (e, v) => { e.value = v; e.dispatchEvent(new Event("input")); }, value);
}

// The preview's resident frame worker: its child running `preview-frame`.
function workerPid(preview) {
  for (const entry of fs.readdirSync("/proc")) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const stat = fs.readFileSync("/proc/" + entry + "/stat", "utf8");
      const parent = +stat.slice(stat.lastIndexOf(")") + 2).split(" ")[1];
      const command = fs.readFileSync("/proc/" + entry + "/cmdline", "utf8");
      if (parent === preview.child.pid && command.includes("preview-frame")) return +entry;
    } catch (error) {
      // The process ended while it was looked at.
    }
  }
  return 0;
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
    frame = Object.assign(frame, await picture(page));
    await page.mouse.click(box.x + box.width * 0.95, box.y + box.height / 2);
    const brighter = await frameWithPicture(page, frame.frames);
    check(brighter.sum !== frame.sum, "moving the slider changes the frame");

    await page.select('select[data-name="Channels"]', "2");
    const swapped = await frameWithPicture(page, brighter.frames);
    check(swapped.sum !== brighter.sum, "choosing a pop-up entry changes the frame");

    // One resident worker renders every frame; one that crashes between
    // frames is started again for the next.
    const worker = workerPid(preview);
    check(worker !== 0, "a resident worker renders the frames");
    process.kill(worker, "SIGKILL");
    await slide(page, 'input[data-name="Amount"]', 0.3);
    const afterCrash = await frameWithPicture(page, swapped.frames);
    const crashReport = await page.$eval("#problems", (e) => e.textContent);
    check(afterCrash.sum !== swapped.sum && crashReport === "no problems" && workerPid(preview) !== worker,
          "a worker that crashed is replaced without losing a frame");

    // A worker that hangs costs the frame it hangs in: the next request ends it.
    const hung = workerPid(preview);
    process.kill(hung, "SIGSTOP");
    await slide(page, 'input[data-name="Amount"]', 0.6);
    await new Promise((resolve) => setTimeout(resolve, 300));
    await slide(page, 'input[data-name="Amount"]', 0.9);
    await page.waitForFunction(() => document.querySelector('input[data-name="Amount"]') &&
                               document.getElementById("problems").textContent === "no problems" &&
                               document.getElementById("status").textContent !== "rendering…",
                               { timeout: 60000 });
    const afterHang = await frameWithPicture(page, afterCrash.frames);
    check(afterHang.sum !== afterCrash.sum && workerPid(preview) !== hung,
          "a hung worker is ended and the newest frame rendered");
    await slide(page, 'input[data-name="Amount"]', 0.3);
    const back = await frameWithPicture(page, afterHang.frames);
    check(back.sum === afterCrash.sum, "the restarted worker renders the same frame for the same values");

    fs.writeFileSync(path.join(dir, "tint.frag"), shader(""));
    const report = await problems(page, "tint\\.frag:\\d+");
    check(/tint\.frag:7:\d+: error/.test(report), "a shader error shows with its file and line: " +
          report.split("\n").find((l) => /tint\.frag:\d/.test(l)).trim());

    const broken = await page.evaluate(() => +document.body.dataset.frames);
    fs.writeFileSync(path.join(dir, "tint.frag"), shader(";"));
    await problems(page, "^no problems$");
    const fixed = await frameWithPicture(page, broken);
    check(fixed.sum === back.sum, "fixing the shader brings the frame back, values kept");
  } finally {
    if (browser) await browser.close();
    preview.child.kill("SIGINT");
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

// An effect that shows its layer, over a 12 s clip at 5 frames a second,
// with an image sequence of ten frames from 1001 at 25 a second whose red
// rises by 40 a frame, given to the layer on the command line.
function writeLayerEffect(dir) {
  fs.writeFileSync(path.join(dir, "config.xml"), "<FLAGS>33554432</FLAGS><FLAGS2>5120</FLAGS2>\n");
  fs.writeFileSync(path.join(dir, "fx.js"), `var overlay, s;
function setup() {
    overlay = QS_initParam("overlay", QS_Type.LAYER, "Overlay");
    s = QS_initShader("show");
}
function draw() {
    QS_setShaderParam(s, overlay);
    QS_renderShader(s, QS_getSequenceRT(), true);
}
`);
  fs.writeFileSync(path.join(dir, "show.frag"), `uniform sampler2D overlay;
void main() {
    gl_FragColor = texture2D(overlay, gl_TexCoord[0].st);
}
`);
}

function ffmpeg(...args) {
  execFileSync("ffmpeg", ["-v", "error", "-y", ...args]);
}

async function testClip(tool) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "qs-preview-clip-"));
  const effect = path.join(dir, "effect");
  fs.mkdirSync(effect);
  writeLayerEffect(effect);
  const clip = path.join(dir, "clip.mp4");
  ffmpeg("-f", "lavfi", "-i", "testsrc=size=64x36:rate=5", "-t", "12", "-pix_fmt", "yuv420p", clip);
  ffmpeg("-f", "lavfi", "-i", "color=c=black:s=64x36:r=25,format=rgb24,geq=r='min(N*40\\,255)':g=0:b=0",
         "-frames:v", "10", "-start_number", "1001", path.join(dir, "seq.%04d.png"));
  const preview = await startPreview(tool, [effect, "--input", clip,
                                            "--layer", "Overlay=" + path.join(dir, "seq.####.png")]);
  let browser;
  try {
    let page;
    ({ browser, page } = await launch(preview.url));
    await nextFrame(page, 0);
    await problems(page, "^no problems$");
    await page.waitForFunction(() => document.querySelector('select[data-name="Overlay"]'), { timeout: 60000 });
    let frame = await frameWithPicture(page, 0);
    check(await page.$eval("#time", (e) => e.max) === "59", "the time control spans the clip's 60 frames");
    check(frame.centre[0] < 20, "the layer shows the sequence's first file at frame 0: " + frame.centre);

    await slide(page, "#time", 1);
    frame = await frameWithPicture(page, frame.frames);
    check(Math.abs(frame.centre[0] - 200) < 20,
          "at the clip's frame 1 (0.2 s) the layer shows the sequence's frame 5: " + frame.centre);

    await slide(page, "#time", 59);
    frame = await frameWithPicture(page, frame.frames);
    const shown = await page.$eval("#timeText", (e) => e.textContent);
    check(shown === "59 / 59 · 00:00:11:04", "the last frame, past 10 s, shows its number and timecode: " + shown);
    check(frame.centre[0] > 235, "past the sequence's end the layer holds its last file: " + frame.centre);

    await slide(page, "#time", 0);
    frame = await nextFrame(page, frame.frames);
    await page.click("#play");
    await page.waitForFunction((n) => +document.body.dataset.frames >= n + 3 && +document.body.dataset.frame > 2,
                               { timeout: 60000 }, frame.frames);
    await page.click("#play");
    const played = await page.evaluate(() => +document.body.dataset.frame);
    check(played > 2, "playing steps through the clip, to frame " + played);
  } finally {
    if (browser) await browser.close();
    preview.child.kill("SIGINT");
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

function median(list) {
  const sorted = [...list].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

// Moves the Amount slider and times, in the page, the way to the frame
// painted: from the input event to the first animation frame with the new
// picture in the page. That is when the page counts the frame (data-frames,
// set in that animation frame), or for a page that shows its frames in an
// <img> (as before the preview's canvas, kept to measure the old page), the
// first animation frame after the new picture loaded. Reads the engine's own
// frame time from the timings table.
function timedChange(page, value) {
  return page.evaluate((v) => new Promise((resolve) => {
    const image = document.getElementById("frame");
    const slider = document.querySelector('input[data-name="Amount"]');
    const old = image.src;
    const counted = document.body.dataset.frames;
    const start = performance.now();
    let done = false;
    const painted = () => {
      if (done) return;
      done = true;
      const time = performance.now() - start;
      // The table follows the picture within the same answer.
      setTimeout(() => {
        const row = [...document.querySelectorAll("#timings tr")]
          .find((r) => r.cells[0].textContent === "frame");
        resolve({ painted: time, engine: row ? parseFloat(row.cells[1].textContent) : NaN });
      }, 0);
    };
    new MutationObserver((changes, observer) => {
      if (document.body.dataset.frames === counted || image.tagName === "IMG") return;
      observer.disconnect();
      painted();
    }).observe(document.body, { attributes: true });
    image.addEventListener("load", function loaded() {
      if (image.src === old) return;
      image.removeEventListener("load", loaded);
      requestAnimationFrame(painted);
    });
    slider.value = v;
    slider.dispatchEvent(new Event("input"));
  }), value);
}

async function benchCase(tool, dir, input, downsample) {
  const preview = await startPreview(tool, [dir, "--input", input]);
  const { browser, page } = await launch(preview.url);
  try {
    let frame = await nextFrame(page, 0);
    if (downsample !== "1") {
      await page.select("#downsample", downsample);
      frame = await nextFrame(page, frame.frames);
    }
    await page.waitForFunction(() => document.querySelector('input[data-name="Amount"]'), { timeout: 60000 });
    const painted = [], engine = [];
    for (let i = 0; i < 22; ++i) {
      const result = await timedChange(page, i % 2 ? 0.8 : 0.2);
      // The first two warm the worker and the browser up.
      if (i < 2) continue;
      painted.push(result.painted);
      engine.push(result.engine);
    }
    return { painted: median(painted), engine: median(engine) };
  } finally {
    await browser.close();
    preview.child.kill("SIGINT");
  }
}

async function bench(tool) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "qs-preview-bench-"));
  const effect = path.join(dir, "effect");
  fs.mkdirSync(effect);
  writeEffect(effect);
  const still = path.join(dir, "still.png");
  ffmpeg("-f", "lavfi", "-i", "testsrc2=size=600x400", "-frames:v", "1", still);
  const clip = path.join(dir, "clip.mp4");
  ffmpeg("-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=25", "-t", "1", "-pix_fmt", "yuv420p", clip);
  try {
    for (const [name, input, downsample] of [["600x400 still", still, "1"],
                                             ["1080p frame at 1/2 resolution", clip, "2"]]) {
      const result = await benchCase(tool, effect, input, downsample);
      console.log(`${name}: slider change to frame painted ${result.painted.toFixed(1)} ms ` +
                  `(median of 20), engine frame ${result.engine.toFixed(1)} ms, overhead ` +
                  `${(result.painted - result.engine).toFixed(1)} ms (goal: at most 60)`);
    }
  } finally {
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
const run = mode === "--screenshot" ? screenshot(tool, ...rest)
          : mode === "--bench" ? bench(tool)
          : test(tool).then(() => testClip(tool));
run.catch((error) => {
  console.error(error.stack || String(error));
  process.exit(1);
});
