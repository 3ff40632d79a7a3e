// The HTML editor from the built-in site's edit form in a real browser: the "..." button of
// the products' HTML column opens the current-browser editor in a window with the field's
// value; bold, a table and a colour are applied with the toolbar and the editor's own dialogs;
// Save And Close writes the new HTML back into the field after the save prompt; closing an
// untouched editor asks nothing; a value with scripts in it stays content and runs nothing.
//   node html_editor.test.mjs <path of the korvex binary>
import { check, runBrowserTest } from "./support.mjs";

const field = (page) => page.locator("form[name=PW] [name=LongDescription]");

// Opens the editor on the edit form's HTML field; resolves with the editor window, loaded.
async function openEditor(page) {
  const [editor] = await Promise.all([
    page.waitForEvent("popup"),
    page.locator(`form[name=PW] input[type=button][onclick*="'LongDescription'"]`).click(),
  ]);
  await editor.waitForLoadState("load");
  await editor.waitForFunction(() => document.getElementById("tbContentElement").contentDocument.designMode === "on");
  return editor;
}

const content = (editor) => editor.evaluate(() => document.getElementById("tbContentElement").contentDocument.body.innerHTML);

// Selects the first occurrence of text in the editing frame.
async function select(editor, text) {
  const found = await editor.evaluate((text) => {
    const doc = document.getElementById("tbContentElement").contentDocument;
    const walker = doc.createTreeWalker(doc.body, NodeFilter.SHOW_TEXT);
    for (let node = walker.nextNode(); node; node = walker.nextNode()) {
      const at = node.data.indexOf(text);
      if (at < 0) continue;
      const range = doc.createRange();
      range.setStart(node, at);
      range.setEnd(node, at + text.length);
      doc.getSelection().removeAllRanges();
      doc.getSelection().addRange(range);
      return true;
    }
    return false;
  }, text);
  check(found, `"${text}" in the editor`);
}

// Closes the editor with its Save And Close button, and waits for the window to be gone. The
// click closes the page it is made on, so how the click itself ends is not waited for.
async function saveAndClose(editor) {
  const closed = editor.waitForEvent("close");
  editor.click(".tbButton[data-command=MENU_FILE_SAVE]", { noWaitAfter: true }).catch(() => {});
  await closed;
}

await runBrowserTest("HTML editor", async (browser, base) => {
  const page = await browser.newPage();
  const dialogs = [];
  let answer = true;
  page.on("dialog", async (dialog) => {
    dialogs.push(dialog.message());
    await (answer ? dialog.accept() : dialog.dismiss());
  });
  await page.goto(base + "table.ksp?RecordsetKorVex=Products");
  await page.locator("form[name=pino] input[type=submit][value=Edit]").first().click();
  await page.waitForLoadState();
  const before = await field(page).inputValue();
  check(before.includes("<b>big</b> red mug"), `the field's value: ${before}`);

  // The editor opens with the field's value, and every toolbar image is there.
  let editor = await openEditor(page);
  check((await editor.title()) === "KorVex HTML Editor", `editor title: ${await editor.title()}`);
  check((await content(editor)) === before, `editor content: ${await content(editor)}`);
  const images = await editor.evaluate(() => [...document.images].map((i) => [i.src, i.naturalWidth, i.naturalHeight]));
  check(images.length >= 30, `toolbar images: ${images.length}`);
  for (const [src, width, height] of images) check(width === 23 && height === 22, `image ${src}: ${width}x${height}`);

  // Bold on a selection, shown latched on its button.
  await select(editor, "red");
  await editor.click(".tbButton[data-command=DECMD_BOLD]");
  check((await content(editor)).includes("<b>red</b>"), `after bold: ${await content(editor)}`);
  check(await editor.locator(".tbButton[data-command=DECMD_BOLD]").evaluate((b) => b.classList.contains("tbLatched")),
        "the Bold button shows the bold selection");

  // Save And Close: the form asks, then takes the editor's HTML.
  const edited = await content(editor);
  await saveAndClose(editor);
  await page.waitForFunction(() => document.forms.PW.elements.LongDescription.value.includes("<b>red</b>"));
  check(dialogs.length === 1 && dialogs[0] === "Save Changes?", `dialogs: ${JSON.stringify(dialogs)}`);
  check((await field(page).inputValue()) === edited, `field after save: ${await field(page).inputValue()}`);

  // Closed untouched, however closed: nothing asked, nothing changed.
  editor = await openEditor(page);
  await Promise.all([editor.waitForEvent("close"), editor.evaluate(() => window.close())]);
  await page.waitForTimeout(200);
  check(dialogs.length === 1, `dialogs after an untouched editor: ${JSON.stringify(dialogs)}`);
  check((await field(page).inputValue()) === edited, "an untouched editor changed the field");

  // A table from the table dialog, a colour from the colour dialog; "Clean Content?" refused
  // keeps them.
  editor = await openEditor(page);
  const editorDialogs = [];
  editor.on("dialog", async (dialog) => {
    editorDialogs.push(dialog.message());
    await dialog.dismiss();
  });
  await select(editor, "mug");
  await editor.click(".tbButton[data-command=DECMD_SETFORECOLOR]");
  const colors = editor.frameLocator("#DialogFrame");
  await colors.locator("input[name=Value]").fill("#C00000");
  await colors.locator("#OkButton").click();
  check(await editor.locator("#DialogLayer").isHidden(), "the colour dialog closed");
  check(/<font color="#c00000">mug<\/font>/i.test(await content(editor)), `after colour: ${await content(editor)}`);
  await select(editor, "Holds");
  await editor.click(".tbButton[data-command=DECMD_INSERTTABLE]");
  const table = editor.frameLocator("#DialogFrame");
  await table.locator("input[name=NumRows]").fill("2");
  await table.locator("input[name=NumCols]").fill("3");
  await table.locator("input[name=Caption]").fill("Sizes <small>");
  await table.locator("#OkButton").click();
  const withTable = await editor.evaluate(() => {
    const doc = document.getElementById("tbContentElement").contentDocument;
    const t = doc.querySelector("table");
    return t && [t.rows.length, t.rows[0].cells.length, t.caption.textContent];
  });
  check(JSON.stringify(withTable) === '[2,3,"Sizes <small>"]', `inserted table: ${JSON.stringify(withTable)}`);
  await editor.click(".tbButton[data-command=MENU_FILE_NEW]");
  check(editorDialogs.join("|") === "Clean Content?", `editor dialogs: ${JSON.stringify(editorDialogs)}`);
  check((await content(editor)).includes("<table"), "a refused New File cleared the content");
  const withBoth = await content(editor);
  await saveAndClose(editor);
  await page.waitForFunction((html) => document.forms.PW.elements.LongDescription.value === html, withBoth);
  check(dialogs.length === 2, `dialogs: ${JSON.stringify(dialogs)}`);

  // Declined at the prompt: the field keeps its value.
  editor = await openEditor(page);
  await select(editor, "big");
  await editor.click(".tbButton[data-command=DECMD_ITALIC]");
  answer = false;
  await saveAndClose(editor);
  await page.waitForTimeout(200);
  check(dialogs.length === 3, `dialogs after a declined save: ${JSON.stringify(dialogs)}`);
  check((await field(page).inputValue()) === withBoth, "a declined save changed the field");
  answer = true;

  // A value with scripts is content: nothing in it runs, in the editor or after. Untouched, it
  // comes back as it was, not as the browser would write it again ("&amp;", "<br>").
  const hostile = `<img src="x" onerror="alert('img')"><script>alert('script')</script>` +
                  `<meta http-equiv="refresh" content="0;url=about:blank">text & more<BR>`;
  await field(page).fill(hostile);
  editor = await openEditor(page);
  const hostileDialogs = [];
  editor.on("dialog", async (dialog) => {
    hostileDialogs.push(dialog.message());
    await dialog.dismiss();
  });
  await editor.waitForTimeout(500);
  check((await content(editor)).includes(`onerror="alert('img')"`), `hostile content kept: ${await content(editor)}`);
  check(hostileDialogs.length === 0, `the value ran: ${JSON.stringify(hostileDialogs)}`);
  await saveAndClose(editor);
  await page.waitForTimeout(200);
  check(dialogs.length === 3, `dialogs after an untouched hostile value: ${JSON.stringify(dialogs)}`);
  check((await field(page).inputValue()) === hostile, "the untouched hostile value came back changed");
});
