// The editing list of the built-in site in a real browser: Debian's chromium, driven by
// playwright-core, against a real `korvex serve` on a free loopback port with the demo shop.
//   node editing_list.test.mjs <path of the korvex binary>
// Exits non-zero, naming the step, when anything a visitor would see goes wrong.
import { check, runBrowserTest } from "./support.mjs";

await runBrowserTest("editing list", async (browser, base) => {
  const page = await browser.newPage();
  const dialogs = [];
  page.on("dialog", async (dialog) => {
    dialogs.push(dialog.message());
    await dialog.dismiss();
  });

  // Home page -> the Products list, as a visitor clicks it.
  await page.goto(base);
  await page.click("a[href='/table.ksp?RecordsetKorVex=Products']");
  await page.waitForLoadState();
  check((await page.title()) === "Products - Korvex", `list title: ${await page.title()}`);
  const body = () => page.textContent("body");
  check((await body()).includes("Record 1 to 7 on a total of 17"), "first page count line");
  const editButtons = page.locator("form[name=pino] input[type=submit][value=Edit]");
  check((await editButtons.count()) === 7, `Edit buttons on page 1: ${await editButtons.count()}`);
  const deleteButtons = page.locator("form[name=pino] input[value=Delete]");
  check((await deleteButtons.count()) === 7, "Delete buttons on page 1");
  // Every row form posts back to the list page itself with page code 1.
  const action = await page.locator("form[name=pino]").first().getAttribute("action");
  check(action === "/table.ksp?PageKorVex=1&RecordsetKorVex=Products", `row form action: ${action}`);

  // The page links go on to the second and third pages.
  await page.click("a:text-is('2')");
  await page.waitForLoadState();
  check((await body()).includes("Record 8 to 14 on a total of 17"), "second page count line");
  await page.click("a:text-is('3')");
  await page.waitForLoadState();
  check((await body()).includes("Record 15 to 17 on a total of 17"), "third page count line");
  check((await editButtons.count()) === 3, "Edit buttons on the last page");

  // Markup in the extra path after a page never reaches the browser as markup.
  const hostile = await page.goto(base + "table.ksp/'><img src=x onerror=alert(1)>?RecordsetKorVex=Products");
  check(hostile.status() === 404, `extra path answered ${hostile.status()}`);
  check((await page.locator("img").count()) === 0, "an image from the extra path");
  check(dialogs.length === 0, `dialogs: ${dialogs.join(", ")}`);
});
