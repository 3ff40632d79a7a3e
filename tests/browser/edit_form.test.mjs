// The edit form of the built-in site in a real browser: reached from a list row's Edit and
// Delete buttons and from the Add link; its script refuses what the checks refuse before
// anything is posted, and its many-to-many buttons move entries between the two lists.
//   node edit_form.test.mjs <path of the korvex binary>
import { check, runBrowserTest } from "./support.mjs";

await runBrowserTest("edit form", async (browser, base) => {
  const page = await browser.newPage();
  const dialogs = [];
  page.on("dialog", async (dialog) => {
    dialogs.push(dialog.message());
    await dialog.dismiss();
  });
  // Posts of the form (page code 2) are caught here: what the browser would send is checked,
  // and the write itself is not part of this test.
  const posts = [];
  await page.route(/PageKorVex=2/, async (route) => {
    posts.push(route.request().postData() || "");
    await route.fulfill({ status: 200, contentType: "text/html", body: "<p>posted</p>" });
  });

  await page.goto(base + "table.ksp?RecordsetKorVex=Products");
  await page.locator("form[name=pino] input[type=submit][value=Edit]").first().click();
  await page.waitForLoadState();
  const form = page.locator("form[name=PW]");
  check((await form.count()) === 1, "the edit form after Edit");
  const name = form.locator("input[name=Name]");
  check((await name.inputValue()) === "Red mug", `Name: ${await name.inputValue()}`);

  // A required field left empty: the alert names it, and nothing is posted.
  await name.fill("");
  await form.locator("input[type=submit]").click();
  check(dialogs.length === 1, `dialogs after an empty Name: ${dialogs.length}`);
  check(dialogs[0] === "Name:\nThe field is required! \nPlease provide a value.",
        `required alert: ${JSON.stringify(dialogs[0])}`);
  check(posts.length === 0, "an empty required field was posted");
  check(await name.evaluate((e) => e === document.activeElement), "focus on the empty field");

  // An impossible date is refused the same way.
  await name.fill("Blue mug");
  await form.locator("select[name=Addeddd]").selectOption("31");
  await form.locator("select[name=Addedmm]").selectOption("2");
  await form.locator("input[type=submit]").click();
  check(dialogs[1] === "Added:\nDate is invalid!", `date alert: ${JSON.stringify(dialogs[1])}`);
  check(posts.length === 0, "an impossible date was posted");
  await form.locator("select[name=Addeddd]").selectOption("28");

  // The many-to-many buttons move the selected entries; the placeholder never moves.
  const available = form.locator("select[name=ProductTagsSRCKorVex] option");
  const active = form.locator("select[name=ProductTagsDESTKorVex] option");
  const [availableBefore, activeBefore] = [await available.count(), await active.count()];
  check(availableBefore >= 2, `available tags: ${availableBefore}`);
  const moved = await available.nth(1).textContent();
  await form.locator("select[name=ProductTagsSRCKorVex]").selectOption({ index: 1 });
  await form.locator("input[name=ProductTagsADD]").click();
  check((await available.count()) === availableBefore - 1, "the entry left the available list");
  check((await active.count()) === activeBefore + 1, "the entry reached the active list");
  check((await active.last().textContent()).trim() === moved.trim(), "the moved entry's text");
  await form.locator("select[name=ProductTagsDESTKorVex]").selectOption({ index: 1 });
  await form.locator("input[name=ProductTagsREMOVE]").click();
  check((await active.count()) === activeBefore, "the entry went back");
  await form.locator("select[name=ProductTagsSRCKorVex]").selectOption({ index: (await available.count()) - 1 });
  await form.locator("input[name=ProductTagsADD]").click();

  // A valid form is posted, with every entry of the active list and not the placeholder.
  await form.locator("input[type=submit]").click();
  await page.waitForLoadState();
  check(posts.length === 1, `posts after a valid submit: ${posts.length}`);
  const posted = new URLSearchParams(posts[0]);
  check(posted.get("Name") === "Blue mug", `posted Name: ${posted.get("Name")}`);
  check(posted.get("NameHIDDEN") === "Red mug", "the record's original Name travels on");
  check(posted.getAll("ProductTagsDESTKorVex").length === activeBefore,
        `posted active tags: ${posted.getAll("ProductTagsDESTKorVex")}`);
  check(!posted.getAll("ProductTagsDESTKorVex").includes(""), "the placeholder was posted");

  // Delete: the confirmation has no script and no inputs a visitor could change.
  await page.goto(base + "table.ksp?RecordsetKorVex=Products");
  await page.locator("form[name=pino] input[value=Delete]").first().click();
  await page.waitForLoadState();
  check((await form.getAttribute("onsubmit")) === null, "the confirmation checks nothing");
  const editable = form.locator(
      "input:not([type=hidden]):not([type=submit]):not([disabled]), textarea, select[name]:not([name=''])");
  check((await editable.count()) === 0,
        `editable controls in the confirmation: ${await editable.evaluateAll((l) => l.map((e) => e.outerHTML))}`);
  check((await form.locator("input[type=submit]").getAttribute("value")) === "Confirm Delete",
        "the confirmation's button");
  await form.locator("input[type=submit]").click();
  await page.waitForLoadState();
  check(new URLSearchParams(posts[1]).get("DELETEKorVex") === "Delete", "the delete request");

  // Add: an empty form whose required fields are checked too.
  await page.goto(base + "add.ksp?RecordsetKorVex=Customers");
  check((await page.locator("input[name=NuovoRecordKorVex]").count()) === 1, "the add form");
  await page.locator("form[name=PW] input[type=submit]").click();
  check(dialogs[2] === "FirstName:\nThe field is required! \nPlease provide a value.",
        `add form alert: ${JSON.stringify(dialogs[2])}`);
  check(posts.length === 2 && dialogs.length === 3, "the empty add form was posted");

  // The numeric test: digits, ".", ",", a capital E and "-" in any order pass; a small e fails.
  await page.goto(base + "add.ksp?RecordsetKorVex=Orders");
  const numeric = await page.evaluate(() => {
    const field = (value) => ({ value, select() {}, focus() {} });
    return ["1.5,E-2", "--", "", "1e5", "12a"].map((v) => isNum(field(v), "Quantity"));
  });
  check(JSON.stringify(numeric) === "[true,true,true,false,false]", `isNum: ${numeric}`);
  check(dialogs[4] === "Quantity:\nThe field value is not numeric!\nPlease provide a numeric value for the field",
        `numeric alert: ${JSON.stringify(dialogs[4])}`);
});
