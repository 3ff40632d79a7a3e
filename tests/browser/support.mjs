// What every browser test shares: a real `korvex serve` on a free loopback port with the demo
// shop in a scratch folder, Debian's chromium launched through playwright-core, and a check
// that names the step that failed.
import { spawn } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { chromium } from "playwright-core";

export function check(condition, what) {
  if (!condition) throw new Error(what);
}

// Serves the demo database from a scratch folder; url resolves with the base URL once the
// server listens.
function startServer(korvex, folder) {
  const server = spawn(korvex, ["serve", "--port", "0"], { cwd: folder });
  const url = new Promise((resolve, reject) => {
    let log = "";
    const timer = setTimeout(() => reject(new Error(`korvex serve did not start:\n${log}`)), 15000);
    server.stderr.on("data", (chunk) => {
      log += chunk;
      const found = log.match(/http:\/\/127\.0\.0\.1:\d+\//);
      if (found) {
        clearTimeout(timer);
        resolve(found[0]);
      }
    });
    server.on("error", reject);
    server.on("exit", (code) => reject(new Error(`korvex serve exited with ${code}:\n${log}`)));
  });
  return { server, url };
}

// Runs body(browser, base, folder) against a fresh server serving folder/korvex-demo.db;
// reports name ok, or the failure with a non-zero exit code. argv[2] is the korvex binary.
export async function runBrowserTest(name, body) {
  const korvex = process.argv[2] && resolve(process.argv[2]);
  if (!korvex) throw new Error(`usage: node <test>.mjs <korvex binary>`);
  const folder = mkdtempSync(join(tmpdir(), "korvex-browser-"));
  const { server, url } = startServer(korvex, folder);
  let browser;
  try {
    const base = await url;
    browser = await chromium.launch({
      executablePath: "/usr/bin/chromium",
      args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync"],
    });
    await body(browser, base, folder);
    console.log(`${name} in chromium: ok`);
  } catch (error) {
    console.error(`${name} in chromium: ` + (error.stack || error));
    process.exitCode = 1;
  } finally {
    if (browser) await browser.close();
    server.kill("SIGTERM");
    rmSync(folder, { recursive: true, force: true });
  }
}
