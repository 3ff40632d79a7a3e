// The built-in site as a product, in a real browser: every page renders without a console
// error and fits a 390 px screen; a save says what it did and leaves a history row with the
// old and the new value; a save the database refuses shows its error and leaves none; Tab
// reaches every button of the edit form; the CSV and JSON exports of a table and of a search
// result, parsed back, equal the rows in the database file. Screenshots of the list and the
// edit form go to <build>/screenshots/.
//   node site.test.mjs <path of the korvex binary>
import { execFileSync } from "node:child_process";
import { mkdirSync } from "node:fs";
import { dirname, join, resolve } from "node:path";
import { check, runBrowserTest } from "./support.mjs";

// Rows as the sqlite3 shell reads them from the file, bypassing the server.
function rowsOf(database, sql) {
  const out = execFileSync("sqlite3", ["-json", database, sql], { encoding: "utf8" });
  return out.trim() ? JSON.parse(out) : [];
}

// RFC 4180: quoted fields may hold commas, quotes (doubled) and line breaks; records end in CRLF.
function parseCsv(text) {
  const records = [];
  let record = [], field = "", quoted = false;
  for (let i = 0; i < text.length; i++) {
    const c = text[i];
    if (quoted) {
      if (c === '"' && text[i + 1] === '"') { field += '"'; i++; }
      else if (c === '"') quoted = false;
      else field += c;
    } else if (c === '"') quoted = true;
    else if (c === ",") { record.push(field); field = ""; }
    else if (c === "\r" && text[i + 1] === "\n") { record.push(field); records.push(record); record = []; field = ""; i++; }
    else field += c;
  }
  check(field === "" && record.length === 0, "the CSV ends with a complete record");
  const [head, ...rows] = records;
  return rows.map((r) => Object.fromEntries(head.map((name, i) => [name, r[i]])));
}

// One exported value against the stored one: booleans as true/false, dates in ISO 8601 with
// a "T", numbers as numbers (JSON) or their text (CSV), NULL as null or an empty field.
function same(exported, stored, csv) {
  if (stored === null) return csv ? exported === "" : exported === null;
  if (exported === true || exported === "true") return stored === 1;
  if (exported === false || exported === "false") return stored === 0;
  if (typeof stored === "number") return csv ? Number(exported) === stored : exported === stored;
  if (typeof exported === "string" && /^\d{4}-\d\d-\d\dT/.test(exported))
    return exported.replace("T", " ") === stored;
  return exported === stored;
}

function compareRows(exported, stored, csv, what) {
  check(exported.length === stored.length, `${what}: ${exported.length} rows, the file has ${stored.length}`);
  stored.forEach((row, i) => {
    for (const [column, value] of Object.entries(row))
      check(same(exported[i][column], value, csv),
            `${what}, row ${i + 1}, ${column}: ${JSON.stringify(exported[i][column])} for ${JSON.stringify(value)}`);
  });
}

await runBrowserTest("site", async (browser, base, folder) => {
  const database = join(folder, "korvex-demo.db");
  const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
  const errors = [];
  page.on("console", (message) => { if (message.type() === "error") errors.push(message.text()); });
  page.on("pageerror", (error) => errors.push(String(error)));
  const dialogs = [];
  page.on("dialog", async (dialog) => { dialogs.push(dialog.message()); await dialog.dismiss(); });
  const submitAndWait = (locator) => Promise.all([page.waitForNavigation(), locator.click()]);
  const message = () => page.locator(".message").textContent();

  // Every page: no console error, and at 390 px nothing wider than the screen.
  const pages = ["", "table.ksp?RecordsetKorVex=Customers", "table.ksp?RecordsetKorVex=Products&CPKorVex=2",
    "add.ksp?RecordsetKorVex=Products", "search.ksp?RecordsetKorVex=Orders", "report.ksp?RecordsetKorVex=Orders",
    "schema.ksp", "schema.ksp?RecordsetKorVex=Customers", "history.ksp?RecordsetKorVex=Customers"];
  const tooWide = () => page.evaluate(() => [...document.querySelectorAll("body *")]
    .filter((e) => e.getBoundingClientRect().right > window.innerWidth + 0.5)
    .map((e) => e.tagName + "." + e.className).slice(0, 5));
  for (const width of [1280, 390]) {
    await page.setViewportSize({ width, height: 844 });
    for (const path of pages) {
      const answer = await page.goto(base + path);
      check(answer.status() === 200, `${path}: status ${answer.status()}`);
      check(errors.length === 0, `${path}: console errors ${errors.join(" | ")}`);
      const wide = await tooWide();
      check(width > 390 || wide.length === 0, `${path} at 390 px: wider than the screen: ${wide}`);
    }
  }
  await page.goto(base + "table.ksp?RecordsetKorVex=Products");
  await submitAndWait(page.locator("form[name=pino] input[value=Edit]").first());
  check((await tooWide()).length === 0, `the edit form at 390 px: ${await tooWide()}`);
  await page.setViewportSize({ width: 1280, height: 900 });

  // Screenshots for the README.
  const shots = join(dirname(dirname(resolve(process.argv[2]))), "screenshots");
  mkdirSync(shots, { recursive: true });
  await page.goto(base + "table.ksp?RecordsetKorVex=Products");
  await page.screenshot({ path: join(shots, "list.png") });

  // The edit form: Tab reaches every one of its buttons.
  const row = page.locator("form[name=pino]:has(input[name=ProductID][value='3'])");
  await submitAndWait(row.locator("input[value=Edit]"));
  await page.screenshot({ path: join(shots, "edit-form.png") });
  const buttons = await page.locator("form[name=PW] input[type=submit], form[name=PW] input[type=button], " +
    "form[name=PW] input[type=reset], form[name=PW] button").count();
  check(buttons > 0, "the edit form has buttons");
  const reached = new Set();
  for (let i = 0; i < 200 && reached.size < buttons; i++) {
    await page.keyboard.press("Tab");
    const id = await page.evaluate(() => {
      const e = document.activeElement;
      const form = e && e.closest("form[name=PW]");
      const kind = e && (e.tagName === "BUTTON" || ["submit", "button", "reset"].includes(e.type));
      return form && kind ? [...form.elements].indexOf(e) : -1;
    });
    if (id >= 0) reached.add(id);
  }
  check(reached.size === buttons, `Tab reached ${reached.size} of ${buttons} buttons`);

  // A save: its message, and a history row with the old and the new value.
  const [before] = rowsOf(database, "SELECT Name FROM Products WHERE ProductID = 3");
  await page.locator("form[name=PW] input[name=Name]").fill("Renamed by the site test");
  await submitAndWait(page.locator("form[name=PW] input[type=submit]").first());
  check(dialogs.length === 0, `alerts: ${dialogs.join(" | ")}`);
  check((await message()) === "Products 3 updated", `the message: ${await message()}`);
  check(rowsOf(database, "SELECT Name FROM Products WHERE ProductID = 3")[0].Name === "Renamed by the site test",
        "the save is in the file");
  await page.goto(base + "history.ksp?RecordsetKorVex=Products");
  const latest = page.locator("table.history > tbody > tr").first();
  check((await latest.locator("td").nth(2).textContent()) === "3", "the history's key");
  check((await latest.locator("td").nth(3).textContent()) === "update", "the history's action");
  const change = await latest.locator("table.changes tr").nth(1).locator("td").allTextContents();
  check(JSON.stringify(change) === JSON.stringify(["Name", before.Name, "Renamed by the site test"]),
        `the history's change: ${change}`);
  await page.goto(base);
  const home = await page.locator("table.history > tbody > tr").evaluateAll((rows) =>
    rows.map((row) => [...row.children].slice(2, 5).map((cell) => cell.textContent).join(" ")));
  check(home.length >= 1 && home.length <= 10 && home.includes("Products 3 update"),
        `the home page's last actions: ${home.join(" | ")}`);

  // A save the database refuses (Tags.Name is UNIQUE): its error in the message area, no history.
  const [first, second] = rowsOf(database, "SELECT TagID, Name FROM Tags ORDER BY TagID LIMIT 2");
  await page.goto(base + "table.ksp?RecordsetKorVex=Tags");
  await submitAndWait(page.locator(`form[name=pino]:has(input[name=TagID][value='${second.TagID}']) input[value=Edit]`));
  await page.locator("form[name=PW] input[name=Name]").fill(first.Name);
  await submitAndWait(page.locator("form[name=PW] input[type=submit]").first());
  check((await page.locator(".message.error").count()) === 1, `no error message: ${await page.textContent("main")}`);
  check(/UNIQUE constraint failed/.test(await message()), `the error: ${await message()}`);
  check(rowsOf(database, `SELECT Name FROM Tags WHERE TagID = ${second.TagID}`)[0].Name === second.Name, "unchanged");
  await page.goto(base + "history.ksp?RecordsetKorVex=Tags");
  check((await page.locator("table.history").count()) === 0, "a history row for a refused save");

  // Exports of a whole table, CSV and JSON, against the file.
  const fetchText = async (url) => {
    const answer = await page.request.get(new URL(url, base).href);
    check(answer.status() === 200, `${url}: status ${answer.status()}`);
    return answer.text();
  };
  const customers = rowsOf(database, "SELECT * FROM Customers ORDER BY CustomerID");
  await page.goto(base + "table.ksp?RecordsetKorVex=Customers");
  const csvLink = await page.locator(".export a", { hasText: "CSV" }).getAttribute("href");
  const jsonLink = await page.locator(".export a", { hasText: "JSON" }).getAttribute("href");
  compareRows(parseCsv(await fetchText(csvLink)), customers, true, "table CSV");
  compareRows(JSON.parse(await fetchText(jsonLink)), customers, false, "table JSON");

  // Exports of a criteria search's result (City LIKE %o%), through the result page's links.
  await page.goto(base + "search.ksp?RecordsetKorVex=Customers");
  const criteria = page.locator("form[name=PW]:has(input[name=City])");
  await criteria.locator("select[name=CityCRITERION]").selectOption("LIKE");
  await criteria.locator("input[name=City]").fill("%o%");
  await submitAndWait(criteria.locator("input[type=submit]"));
  const found = rowsOf(database, "SELECT * FROM Customers WHERE City LIKE '%o%' ORDER BY CustomerID");
  check(found.length > 0 && found.length < customers.length, `the criteria select some: ${found.length}`);
  const searchCsv = await page.locator(".export a", { hasText: "CSV" }).getAttribute("href");
  compareRows(parseCsv(await fetchText(searchCsv)), found, true, "search CSV");
  compareRows(JSON.parse(await fetchText(await page.locator(".export a", { hasText: "JSON" }).getAttribute("href"))),
              found, false, "search JSON");

  // The same criteria with the result as the report: the same rows exported.
  await page.goto(base + "search.ksp?RecordsetKorVex=Customers&as=report");
  await criteria.locator("select[name=CityCRITERION]").selectOption("LIKE");
  await criteria.locator("input[name=City]").fill("%o%");
  await submitAndWait(criteria.locator("input[type=submit]"));
  const reportCsv = await page.locator(".export a", { hasText: "CSV" }).getAttribute("href");
  compareRows(parseCsv(await fetchText(reportCsv)), found, true, "report search CSV");

  // A forged statement gets the screen's own refusal, and no rows.
  const forged = searchCsv.replace("%25o%25", "%25a%25");
  const refused = await page.request.get(new URL(forged, base).href);
  check(refused.status() === 403, `a forged export: status ${refused.status()}`);
  check((await refused.text()).includes("is not signed by this site"), `the refusal: ${await refused.text()}`);

  // The keyword box's result: the filter kept in the session, exported the same way; the
  // criteria result's links still export the criteria's rows.
  await page.goto(base + "search.ksp?RecordsetKorVex=Customers");
  const keywords = page.locator("form[name=PW]:has(input[name=FastSearchKorVex])");
  const word = customers[0].City.split(" ")[0];
  await keywords.locator("input[name=FastSearchKorVex]").fill(word);
  await submitAndWait(keywords.locator("input[type=submit]"));
  const keywordCsv = await page.locator(".export a", { hasText: "CSV" }).getAttribute("href");
  const like = ["FirstName", "LastName", "Email", "City"].map((c) => `${c} LIKE '%${word}%'`).join(" OR ");
  const text = rowsOf(database, `SELECT * FROM Customers WHERE ${like} ORDER BY CustomerID`);
  check(text.length > 0 && text.length < customers.length, `the keyword selects some: ${text.length}`);
  compareRows(parseCsv(await fetchText(keywordCsv)), text, true, "keyword CSV");
  compareRows(parseCsv(await fetchText(searchCsv)), found, true, "search CSV after the keywords");

  check(errors.length === 0, `console errors: ${errors.join(" | ")}`);
});
