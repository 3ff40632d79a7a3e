#!/usr/bin/env python3
"""Hostile values in every parameter of every screen of the built-in site.

Starts `korvex serve` on a fresh demo shop, walks the site from its home page (links, frames,
forms and the page addresses its scripts open) to learn each screen's requests and the
parameters they carry, then sends each request again with one parameter at a time replaced by
each hostile value. Every answer must:
  - come within a second, from a server that is still running;
  - hold no element or attribute that the value made (the answer is parsed as HTML);
  - have run only statements the screen means to run: read-only ones unless the request is a
    save, none with a name or a command the value brought outside a quoted literal (the
    statement log of KORVEX_STATEMENT_LOG);
  - leave every file outside the files folder as it was, and the database as it was unless the
    request was a save, which may change rows but never the tables themselves.

With --cgi the same walk and sweep go through `korvex cgi` instead, a process per request as a
web server runs it: the request in the CGI environment (the built-in site on the demo database
through KORVEX_DB), a posted form on standard input, the session cookie kept between requests.
A process per request costs about ten times a request to the server, so each parameter gets
five of the hostile values there, in turns, so that every value still meets every screen; the
program must also end cleanly, with a whole CGI answer, and the second is of its processor time.

  hostile_sweep.py KORVEX_BINARY [--cgi]
"""
import hashlib
import html.parser
import os
import re
import resource
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.parse
import urllib.request

PROBE = "kxprobe"
HOSTILE = [
    '"><kxprobe>',
    "'><kxprobe x=1>",
    "</textarea><kxprobe>",
    "</script><kxprobe>",
    '" kxprobe="1',
    "' kxprobe='1",
    "' OR 1=1 --",
    "]; DROP TABLE kxprobe; --",
    "../../../../kxprobe",
    "..%2F..%2Fkxprobe",
    "kxprobe\x00.txt",
    "\udcff\udcfekxprobe",  # invalid UTF-8 bytes on the wire
    "99999999999",
    "-2147483649",
    "-7",
    '"; DROP TABLE kxprobe; --',
    "1e309",
    "k" * 100000,
]
SAVE_PAGE_CODE = "2"
MAX_SECONDS = 1.0
failures = []


def fail(what, request, detail=""):
    failures.append(f"{what}: {request}\n    {detail}"[:600])


def encode(value):
    return urllib.parse.quote(value.encode("utf-8", "surrogateescape"), safe="")


def query_of(params):
    return "&".join(f"{encode(k)}={encode(v)}" for k, v in params)


class Markup(html.parser.HTMLParser):
    """Links, frames, forms and script-opened page addresses of a page; and the probe, if the
    page holds an element or attribute it made."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.links, self.forms, self.probes = [], [], []
        self.form = None
        self.in_script = False

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if PROBE in tag or any(PROBE in (name or "") for name, _ in attrs):
            self.probes.append(self.get_starttag_text())
        for name, value in attrs:
            if value and name.startswith("on"):
                self.links += re.findall(r"'(/[\w/.-]*\.ksp\?[^']*)'", value)
        if tag in ("a", "frame", "iframe") and (a.get("href") or a.get("src")):
            self.links.append(a.get("href") or a.get("src"))
        elif tag == "form":
            self.form = {"action": a.get("action") or "", "method": (a.get("method") or "get").lower(),
                         "fields": [], "submits": []}
            self.forms.append(self.form)
        elif tag in ("input", "select", "textarea") and self.form is not None and a.get("name"):
            value = a.get("value") or ""
            if tag == "input" and a.get("type", "").lower() in ("checkbox", "radio") and "checked" not in a:
                value = ""
            if tag == "input" and a.get("type", "").lower() == "submit":
                self.form["submits"].append((a["name"], value))  # sent only when clicked
            else:
                self.form["fields"].append((a["name"], value))
        elif tag == "script":
            self.in_script = True

    def handle_endtag(self, tag):
        if tag == "form":
            self.form = None
        elif tag == "script":
            self.in_script = False

    def handle_data(self, data):
        if self.in_script:
            self.links += re.findall(r"'(/[\w/.-]*\.ksp\?[^']*)'", data)


class Site:
    """`korvex serve` on the demo shop, made in the work folder on its first start."""

    def __init__(self, binary, work):
        self.work = work
        self.log = os.path.join(work, "statements.log")
        env = dict(os.environ, KORVEX_STATEMENT_LOG=self.log, KORVEX_STATE_DIR=os.path.join(work, "state"))
        # The server's log goes to a file: a pipe nobody reads would fill and stop it.
        self.server_log = os.path.join(work, "server.log")
        with open(self.server_log, "w") as log:
            self.server = subprocess.Popen([binary, "serve", "--port", "0"], cwd=work, env=env,
                                           stdout=subprocess.DEVNULL, stderr=log)
        for _ in range(100):
            m = re.search(r"http://127\.0\.0\.1:(\d+)", open(self.server_log).read())
            if m:
                self.base = f"http://127.0.0.1:{m.group(1)}"
                break
            if self.server.poll() is not None:
                break
            time.sleep(0.1)
        else:
            m = None
        if not m:
            raise SystemExit("the server did not start: " + open(self.server_log).read())
        self.db = os.path.join(work, "korvex-demo.db")
        self.log_at = 0

    def alive(self):
        return self.server.poll() is None

    def request(self, method, target, form=None):
        body = query_of(form).encode() if form is not None else None
        req = urllib.request.Request(self.base + target, data=body, method=method.upper())
        if body is not None:
            req.add_header("Content-Type", "application/x-www-form-urlencoded")
            req.add_header("Origin", self.base)
        started = time.monotonic()
        try:
            with urllib.request.urlopen(req, timeout=10) as answer:
                status, text, kind = answer.status, answer.read(), answer.headers.get("Content-Type", "")
        except urllib.error.HTTPError as e:
            status, text, kind = e.code, e.read(), e.headers.get("Content-Type", "")
        # Only markup is read as markup: an export's CSV or JSON holds the data as it is.
        body = text.decode("utf-8", "replace") if kind.startswith("text/html") else ""
        return status, body, time.monotonic() - started

    def new_statements(self):
        try:
            with open(self.log, encoding="utf-8", errors="replace") as f:
                f.seek(self.log_at)
                lines = f.read()
                self.log_at = f.tell()
        except FileNotFoundError:
            return []
        return [s for s in lines.split("\n") if s]

    def stop(self):
        self.server.send_signal(signal.SIGTERM)
        try:
            self.server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.server.kill()


class CgiSite(Site):
    """`korvex cgi` run once per request on the demo shop that a first `korvex serve` made."""

    def __init__(self, binary, work):
        super().__init__(binary, work)
        super().stop()
        self.binary = binary
        self.cookies = {}
        self.env = {"GATEWAY_INTERFACE": "CGI/1.1", "SERVER_PROTOCOL": "HTTP/1.1",
                    "SERVER_SOFTWARE": "sweep", "SERVER_NAME": "127.0.0.1", "SERVER_PORT": "80",
                    "REMOTE_ADDR": "127.0.0.1", "HTTP_HOST": "127.0.0.1",
                    "SCRIPT_FILENAME": binary, "DOCUMENT_ROOT": os.path.join(work, "htdocs"),
                    "KORVEX_DB": self.db, "KORVEX_STATEMENT_LOG": self.log,
                    "KORVEX_STATE_DIR": os.path.join(work, "state")}
        # A sanitizer build's settings reach the program as they reach the server.
        self.env.update({k: v for k, v in os.environ.items() if k.endswith("SAN_OPTIONS")})
        self.base = "http://127.0.0.1"

    def alive(self):
        return True  # a process that failed took only its own request with it

    def request(self, method, target, form=None):
        parts = urllib.parse.urlsplit(target)
        body = query_of(form).encode() if form is not None else b""
        env = dict(self.env, REQUEST_METHOD=method.upper(), SCRIPT_NAME=parts.path,
                   QUERY_STRING=parts.query)
        if form is not None:
            env.update(CONTENT_TYPE="application/x-www-form-urlencoded",
                       CONTENT_LENGTH=str(len(body)), HTTP_ORIGIN=self.base)
        if self.cookies:
            env["HTTP_COOKIE"] = "; ".join(f"{k}={v}" for k, v in self.cookies.items())
        # The program's own processor time: on a busy machine starting a process can take
        # longer than any page, and what is checked is the work a value makes.
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        run = subprocess.run([self.binary, "cgi"], input=body, env=env, cwd=self.work,
                             capture_output=True, timeout=10)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        seconds = (after.ru_utime + after.ru_stime) - (before.ru_utime + before.ru_stime)
        if run.returncode != 0:
            raise RuntimeError(f"exit status {run.returncode}: {run.stderr[-400:]!r}")
        head, blank, text = run.stdout.partition(b"\r\n\r\n")
        status = re.match(rb"Status: (\d{3}) ", head)
        if not blank or not status:
            raise RuntimeError(f"no CGI answer: {run.stdout[:200]!r}")
        kind = ""
        for line in head.decode("latin-1").split("\r\n"):
            name, _, value = line.partition(": ")
            if name.lower() == "content-type":
                kind = value
            elif name.lower() == "set-cookie":
                cookie, _, rest = value.partition(";")
                key, _, val = cookie.partition("=")
                if "max-age=0" in rest.lower():
                    self.cookies.pop(key, None)
                else:
                    self.cookies[key] = val
        body = text.decode("utf-8", "replace") if kind.startswith("text/html") else ""
        return int(status.group(1)), body, seconds

    def stop(self):
        pass


def database_state(path):
    """(schema, content digest) of the database: the tables and their rows."""
    db = sqlite3.connect(f"file:{path}?mode=ro", uri=True)
    schema = db.execute("SELECT type, name, sql FROM sqlite_master ORDER BY name").fetchall()
    digest = hashlib.sha256()
    for (name,) in db.execute("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"):
        for row in db.execute(f'SELECT * FROM "{name}" ORDER BY rowid'):
            digest.update(repr(row).encode())
    db.close()
    return schema, digest.hexdigest()


def files_outside(work):
    """Every file of the work folder but the managed files, the state, the log and the
    database (with SQLite's companions), with its size and time."""
    skip = ("files", "state", "statements.log", "server.log", "korvex-demo.db")
    seen = {}
    for root, dirs, names in os.walk(work):
        rel = os.path.relpath(root, work)
        if rel.split(os.sep)[0] in skip:
            continue
        for name in names:
            if rel == "." and name.startswith(skip):
                continue
            st = os.stat(os.path.join(root, name))
            seen[os.path.join(rel, name)] = (st.st_size, st.st_mtime_ns)
    return seen


def without_literals(sql):
    return re.sub(r"'(?:[^']|'')*'", "''", sql)


def check_statements(statements, request, is_save):
    for sql in statements:
        bare = without_literals(sql)
        if PROBE in bare.lower() or re.search(r"\bDROP\b|1\s*=\s*1|--|;\s*\S", bare, re.I):
            fail("a statement carries request text", request, sql[:300])
        if not is_save and not re.match(r"\s*(SELECT|WITH|PRAGMA)\b", sql, re.I):
            fail("a statement that writes, from a request that is no save", request, sql[:300])


def absolute(target, base_path):
    parts = urllib.parse.urlsplit(urllib.parse.urljoin(base_path, target))
    if parts.netloc and not parts.netloc.startswith("127.0.0.1"):
        return None
    if not parts.path.endswith(".ksp") and parts.path != "/":
        return None
    return parts.path, urllib.parse.parse_qsl(parts.query, keep_blank_values=True)


def crawl(site, seeds, limit=60):
    """The site's requests, one of each shape: (method, path, query, form fields)."""
    shapes, queue, seen = {}, [("get", s, None) for s in seeds], set()
    while queue and len(shapes) < limit:
        method, target, form = queue.pop(0)
        split = absolute(target, "/")
        if not split:
            continue
        path, query = split
        # One request of each screen: the page, its page code, whether it posts a form and
        # which button. Other tables' screens are the same code with other names.
        key = (method, path, tuple(v for k, v in query if k.lower() == "pagekorvex"),
               tuple(sorted(k for k, _ in form or [] if k.upper().startswith("DELETE"))),
               tuple(sorted({k for k, _ in query if k.lower() != "recordsetkorvex"})))
        if key in seen:
            continue
        seen.add(key)
        full = path + ("?" + query_of(query) if query else "")
        status, body, _ = site.request(method, full, form)
        if status >= 500 or PROBE in body:
            continue
        shapes[key] = (method, path, query, form)
        page = Markup()
        page.feed(body)
        for link in page.links:
            queue.append(("get", urllib.parse.urljoin(path, link), None))
        for f in page.forms:
            if f["method"] != "post" and not f["action"]:
                continue  # a form that only holds a control to show, never sent
            action = urllib.parse.urljoin(full, f["action"] or full)
            for clicked in [[]] + [[s] for s in f["submits"]]:
                fields = f["fields"] + clicked
                if f["method"] == "post":
                    queue.append(("post", action, fields))
                else:
                    queue.append(("get", action + ("&" if "?" in action else "?") + query_of(fields), None))
    return list(shapes.values())


def sweep(site, shapes, per_slot):
    sent = 0
    for method, path, query, form in shapes:
        slots = [("query", i) for i in range(len(query))] + [("form", i) for i in range(len(form or []))]
        page_code = next((v for k, v in query if k.lower() == "pagekorvex"), "")
        is_save = page_code == SAVE_PAGE_CODE
        for n, (where, index) in enumerate(slots):
            if per_slot is None:
                # Every slot gets the values that could make markup or SQL; the others take turns.
                values = HOSTILE[:8] + [HOSTILE[8 + (n * 2 + i) % (len(HOSTILE) - 8)] for i in range(2)]
            else:
                # Slots take the values in turns, the turn going on from one slot to the next.
                values = [HOSTILE[(n * per_slot + i) % len(HOSTILE)] for i in range(per_slot)]
            for value in values:
                q, f = list(query), list(form) if form is not None else None
                target = q if where == "query" else f
                name = target[index][0]
                if where == "query" and len(value) > 2000:
                    continue  # a URL that long is refused before any page runs
                target[index] = (name, value)
                full = path + ("?" + query_of(q) if q else "")
                described = f"{method.upper()} {full[:160]} [{where} {name}={value[:40]!r}]"
                before_db, before_files = database_state(site.db), files_outside(site.work)
                site.new_statements()
                try:
                    status, body, seconds = site.request(method, full, f)
                except Exception as e:  # no answer at all
                    fail("no answer", described, repr(e))
                    if not site.alive():
                        return sent
                    continue
                sent += 1
                if not site.alive():
                    fail("the server stopped", described)
                    return sent
                if seconds > MAX_SECONDS:
                    fail(f"answered in {seconds:.2f} s", described)
                page = Markup()
                page.feed(body)
                if page.probes:
                    fail("the value made markup", described, "; ".join(page.probes[:3]))
                writes = is_save
                check_statements(site.new_statements(), described, writes)
                after_db = database_state(site.db)
                if after_db[0] != before_db[0]:
                    fail("the tables changed", described)
                elif not writes and after_db[1] != before_db[1]:
                    fail("rows changed without a save", described)
                if files_outside(site.work) != before_files:
                    fail("a file outside the files folder changed", described)
    return sent


def main():
    binary = os.path.abspath(sys.argv[1])
    cgi = sys.argv[2:] == ["--cgi"]
    work = tempfile.mkdtemp(prefix="korvex-sweep-")
    open(os.path.join(work, "outside.txt"), "w").write("left alone\n")
    started = time.monotonic()
    site = CgiSite(binary, work) if cgi else Site(binary, work)
    try:
        seeds = ["/", "/table.ksp?RecordsetKorVex=Products", "/table.ksp?PageKorVex=11",
                 "/table.ksp?PageKorVex=12", "/table.ksp?PageKorVex=13"]
        shapes = crawl(site, seeds)
        screens = sorted({(p, next((v for k, v in q if k.lower() == "pagekorvex"), "list")) for _, p, q, _ in shapes})
        print(f"{len(shapes)} requests of {len(screens)} screens learnt from the site")
        sent = sweep(site, shapes, 5 if cgi else None)
        print(f"{sent} hostile requests sent{' through korvex cgi' if cgi else ''} "
              f"in {time.monotonic() - started:.0f} s")
        if not os.path.exists(site.log) or os.path.getsize(site.log) == 0:
            fail("the statement log recorded nothing", site.log)
    finally:
        site.stop()
        if not failures:
            shutil.rmtree(work, ignore_errors=True)
    if len(failures):
        print(f"{len(failures)} failures (work folder kept: {work})")
        for f in failures[:60]:
            print(" -", f)
        return 1
    if len(shapes) < 15:
        print("too few requests learnt: the walk over the site is broken")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
