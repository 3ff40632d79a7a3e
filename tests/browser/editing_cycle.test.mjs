// The whole editing cycle of the built-in site in a real browser, writes included: a list row's
// Edit, a changed field, the result page and the way back to the list page the visitor came
// from; Delete with its confirmation; Add. Each step is checked in the list a visitor sees.
//   node editing_cycle.test.mjs <path of the korvex binary>
import { check, runBrowserTest } from "./support.mjs";

await runBrowserTest("editing cycle", async (browser, base) => {
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
  const rowForm = (id) =>
    page.locator(`form[name=pino]:has(input[name=CustomerID][value="${id}"])`);

  // The second page of the customers: the list page to come back to.
  await page.goto(base + "table.ksp?RecordsetKorVex=Customers&CPKorVex=2");
  check((await body()).includes("Record 8 to 14 on a total of "), "second page of the list");
  const total = Number((await body()).match(/on a total of (\d+)/)[1]);
  check((await rowForm(9).count()) === 1, "customer 9 on the second page");

  // Edit -> change the city -> submit -> the result page shows the stored value.
  await submitAndWait(rowForm(9).locator("input[value=Edit]"));
  const form = page.locator("form[name=PW]");
  check((await form.count()) === 1, "the edit form of customer 9");
  await form.locator("input[name=City]").fill("Atlantis <by the sea>");
  await submitAndWait(form.locator("input[type=submit]"));
  check(dialogs.length === 0, `alerts on a valid form: ${dialogs.join(" | ")}`);
  check((await body()).includes("The Record has been modified with the following values:"),
        `result page: ${await body()}`);
  check((await page.locator("td:text-is('Atlantis <by the sea>')").count()) === 1,
        "the new value on the result page, as text");

  // Back to the list page the visitor came from, showing the new value.
  await submitAndWait(page.locator("#back-to-list"));
  check(page.url().endsWith("CPKorVex=2"), `back to: ${page.url()}`);
  check((await body()).includes("Record 8 to 14 on a total of " + total), "back on page 2");
  check((await rowForm(9).locator("input[name=City]").getAttribute("value")) ===
            "Atlantis <by the sea>", "the list shows the edited city");

  // Delete -> confirm -> the row is gone and the total is one less.
  await submitAndWait(rowForm(9).locator("input[value=Delete]"));
  await submitAndWait(page.locator("form[name=PW] input[value='Confirm Delete']"));
  check((await body()).includes("The record has been deleted"), `delete answer: ${await body()}`);
  await submitAndWait(page.locator("#back-to-list"));
  check((await rowForm(9).count()) === 0, "customer 9 is still listed");
  check((await body()).includes("on a total of " + (total - 1)), "the total after the delete");

  // Add -> the result page -> the list counts the new customer.
  await page.goto(base + "add.ksp?RecordsetKorVex=Customers");
  const add = page.locator("form[name=PW]");
  await add.locator("input[name=FirstName]").fill("Nora");
  await add.locator("input[name=LastName]").fill("Newcomer");
  await submitAndWait(add.locator("input[type=submit]"));
  check((await body()).includes("The following new record has been added:"),
        `add answer: ${await body()}`);
  await submitAndWait(page.locator("#back-to-list"));
  check((await body()).includes("on a total of " + total), "the total after the insert");
  check(dialogs.length === 0, `alerts: ${dialogs.join(" | ")}`);
});
