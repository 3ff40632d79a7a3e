// The built-in site's search in a real browser: the criteria form and the keyword box on one
// page; a criteria search -> its result list -> page 2 through the signed page links -> Edit
// of a result row, written; the keyword box's result; the result as a report; a page link
// whose SQL text was changed runs nothing.
//   node search.test.mjs <path of the korvex binary>
import { check, runBrowserTest } from "./support.mjs";

await runBrowserTest("search", async (browser, base) => {
  const page = await browser.newPage();
  const dialogs = [];
  page.on("dialog", async (dialog) => {
    dialogs.push(dialog.message());
    await dialog.dismiss();
  });
  const body = () => page.textContent("body");
  const submitAndWait = async (locator) => {
    await Promise.all([page.waitForNavigation(), locator.click()]);
  };
  const search = base + "search.ksp?RecordsetKorVex=Customers";
  const criteria = page.locator("form[name=PW]:has(input[name=City])");
  const keywords = page.locator("form[name=PW]:has(input[name=FastSearchKorVex])");
  const cities = async () =>
    page.locator("form[name=pino] input[name=City]").evaluateAll((inputs) =>
      inputs.map((input) => input.value));

  // Both forms on the search page; the criteria: City LIKE %o%.
  await page.goto(search);
  check((await criteria.count()) === 1 && (await keywords.count()) === 1, "the two forms");
  await criteria.locator("select[name=CityCRITERION]").selectOption("LIKE");
  await criteria.locator("input[name=City]").fill("%o%");
  await submitAndWait(criteria.locator("input[type=submit]"));
  const first = await body();
  check(first.includes("Record 1 to 7 on a total of "), `the result list: ${first}`);
  const total = Number(first.match(/on a total of (\d+)/)[1]);
  check(total > 7, `more than one page of results: ${total}`);
  check((await cities()).every((city) => /o/i.test(city)), "every row matches the criteria");

  // Page 2 through its link, which carries the statement and its signature.
  const second = page.locator("a", { hasText: /^2$/ });
  const href = await second.getAttribute("href");
  check(/SQLKorVex=SELECT.*&SQLSignKorVex=[0-9a-f]{64}$/.test(href), `page 2 link: ${href}`);
  await submitAndWait(second);
  check((await body()).includes(`Record 8 to ${Math.min(14, total)} on a total of ${total}`),
        `page 2: ${await body()}`);
  check((await cities()).every((city) => /o/i.test(city)), "page 2 keeps the criteria");

  // Edit of a result row -> a changed last name -> the result page.
  const row = page.locator("form[name=pino]").first();
  const id = await row.locator("input[name=CustomerID]").getAttribute("value");
  await submitAndWait(row.locator("input[value=Edit]"));
  const form = page.locator("form[name=PW]");
  check((await form.locator("input[name=LastName]").count()) === 1, `edit form: ${await body()}`);
  await form.locator("input[name=LastName]").fill("Searched-" + id);
  await submitAndWait(form.locator("input[type=submit]"));
  check(dialogs.length === 0, `alerts on a valid form: ${dialogs.join(" | ")}`);
  check((await body()).includes("The Record has been modified with the following values:"),
        `result page: ${await body()}`);
  check((await page.locator(`td:text-is('Searched-${id}')`).count()) === 1, "the stored value");

  // The same link with its statement changed by one character runs nothing.
  await page.goto(new URL(href.replace("%25o%25", "%25p%25"), base).href);
  check((await body()).includes("is not signed by this site"), `changed link: ${await body()}`);
  check((await page.locator("form[name=pino]").count()) === 0, "no rows for a changed link");

  // The keyword box: every row found holds the word.
  await page.goto(search);
  await keywords.locator("input[name=FastSearchKorVex]").fill("Searched-" + id);
  await submitAndWait(keywords.locator("input[type=submit]"));
  check((await body()).includes("Record 1 to 1 on a total of 1"), `keyword result: ${await body()}`);

  // The criteria result as the report.
  await page.goto(search + "&as=report");
  await criteria.locator("select[name=CityCRITERION]").selectOption("LIKE");
  await criteria.locator("input[name=City]").fill("%o%");
  await submitAndWait(criteria.locator("input[type=submit]"));
  check((await page.locator("form[name=pino]").count()) === 0, "a report, not the list");
  check((await body()).includes(String(total)), `the report counts the result: ${await body()}`);
});
