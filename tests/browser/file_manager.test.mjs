// The file manager of the built-in site in a real browser: the "..." button of a file field
// opens it in its own window, the demo's images show as thumbnails, an uploaded file appears
// in the list and is served from the site's files folder, and Select writes its name into
// the edit form's field and closes the window.
//   node file_manager.test.mjs <path of the korvex binary>
import { check, runBrowserTest } from "./support.mjs";

// A 1x1 GIF.
const gif = Buffer.from("R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7", "base64");

await runBrowserTest("file manager", async (browser, base) => {
  const page = await browser.newPage();
  const dialogs = [];
  page.on("dialog", async (dialog) => {
    dialogs.push(dialog.message());
    await dialog.dismiss();
  });

  await page.goto(base + "table.ksp?RecordsetKorVex=Products");
  await page.locator("form[name=pino] input[type=submit][value=Edit]").first().click();
  await page.waitForLoadState();
  const field = page.locator("form[name=PW] input[name=Image]");
  check((await field.inputValue()) === "red-mug.png", `Image: ${await field.inputValue()}`);

  const button = page.locator('form[name=PW] input[onclick*="PageKorVex=11"]');
  check((await button.count()) === 1, "one file manager button");
  const [popup] = await Promise.all([page.waitForEvent("popup"), button.click()]);
  await popup.waitForLoadState();
  const list = popup.frame({ name: "filelist" });
  const consoleFrame = popup.frame({ name: "console" });
  check(list && consoleFrame, "the window's two frames");
  await list.waitForLoadState();
  await consoleFrame.waitForLoadState();

  // Every demo image is listed with a thumbnail the browser could load, scaled into the box.
  for (const [name, width] of [["blue-shirt.png", 64], ["red-mug.png", 96], ["teapot.png", 80]]) {
    const thumb = list.locator(`img[src="/files/${name}"]`);
    check((await thumb.count()) === 1, `thumbnail of ${name}`);
    const natural = await thumb.evaluate((img) => img.complete && img.naturalWidth);
    check(natural === width, `${name} loaded ${natural} pixels wide`);
  }
  check((await list.locator('img[src="/files/red-mug.png"]').getAttribute("width")) === "60",
        "the wide mug fits the box by its width");

  // Upload: the console reports it and the list reloads with the new file in it.
  await consoleFrame.locator("input[name=FileData]").setInputFiles(
      { name: "new-photo.gif", mimeType: "image/gif", buffer: gif });
  await consoleFrame.locator("input[type=submit]").click();
  await consoleFrame.waitForLoadState();
  await consoleFrame.getByText("File successfully uploaded: new-photo.gif").waitFor();
  const entry = list.locator("a[name='new-photo.gif']");
  await entry.waitFor({ state: "attached" });
  const served = await page.request.get(base + "files/new-photo.gif");
  check(served.ok() && Buffer.compare(await served.body(), gif) === 0,
        "the uploaded file is served byte for byte");

  // A document that could carry script is never stored where the site serves it.
  await consoleFrame.locator("input[name=FileData]").setInputFiles(
      { name: "x.svg", mimeType: "image/svg+xml",
        buffer: Buffer.from('<svg xmlns="http://www.w3.org/2000/svg" onload="alert(1)"/>') });
  await consoleFrame.locator("input[type=submit]").click();
  await consoleFrame.getByText(/extention you are tryng to use is invalid|successfully uploaded: x\.svg/).waitFor();
  check((await page.request.get(base + "files/x.svg")).status() === 404, "an SVG upload was stored");

  // Select writes the name into the opener's field and closes the window.
  const select = list.locator('a[onclick*="new-photo.gif"]', { hasText: "Select" });
  await Promise.all([popup.waitForEvent("close"), select.click()]);
  check((await field.inputValue()) === "new-photo.gif", `Image after Select: ${await field.inputValue()}`);
  check(dialogs.length === 0, `dialogs: ${dialogs}`);
});
