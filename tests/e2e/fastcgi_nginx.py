#!/usr/bin/env python3
"""`korvex fastcgi` behind Debian's nginx, configured from deploy/nginx-fastcgi.conf.

Starts korvex fastcgi on a Unix socket serving the built-in site of a fresh demo shop, and nginx
(as the current user, on a free loopback port) on a copy of the deploy file with its paths and
port replaced; then walks the site through nginx: home, a list, its page 2, an edit form, a save
(checked in the database), a search; sends several requests at once; a body over --max-body
(413); a forged Host (421); a stylesheet sent by nginx itself; options korvex fastcgi must refuse. A second pair
serves a folder of pages (--root) over a loopback TCP port: a page edited is served with its new text at once, a
session is kept whichever worker answers, and SIGTERM during a slow request still answers it
before korvex exits.
Exits 77 (skipped) when nginx is not installed.

  fastcgi_nginx.py KORVEX_BINARY DEPLOY_CONF
"""
import concurrent.futures
import html.parser
import os
import pwd
import re
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.parse
import urllib.request

NGINX = "/usr/sbin/nginx"
MAX_BODY = 65536


class Forms(html.parser.HTMLParser):
    """The forms of a page: action and the values a browser would send (no button)."""

    def __init__(self):
        super().__init__()
        self.forms, self._select = [], None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "form":
            self.forms.append({"action": a.get("action", ""), "fields": []})
        elif not self.forms:
            return
        fields = self.forms[-1]["fields"]
        if tag == "input" and a.get("name"):
            kind = (a.get("type") or "text").lower()
            if kind in ("checkbox", "radio") and "checked" not in a:
                return
            if kind not in ("submit", "reset", "button"):
                fields.append([a["name"], a.get("value") or ""])
        elif tag == "select":
            self._select = [a.get("name"), None]
            fields.append(self._select)
        elif tag == "option" and self._select is not None:
            if self._select[1] is None or "selected" in a:
                self._select[1] = a.get("value", "")

    def handle_endtag(self, tag):
        if tag == "select":
            self._select = None


def forms_of(text):
    parser = Forms()
    parser.feed(text)
    return parser.forms


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(predicate, what, seconds=15):
    end = time.time() + seconds
    while time.time() < end:
        if predicate():
            return
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


class Stack:
    """korvex fastcgi and an nginx in front of it, in a folder of their own."""

    def __init__(self, work, name, korvex, conf_text, korvex_args, cwd, tcp=False):
        self.work = os.path.join(work, name)
        os.makedirs(self.work)
        self.socket = os.path.join(self.work, "k.sock")
        where = ["--listen", "127.0.0.1:0"] if tcp else ["--socket", self.socket]
        self.log = os.path.join(self.work, "korvex.log")
        env = dict(os.environ, KORVEX_STATE_DIR=os.path.join(self.work, "state"))
        self.korvex = subprocess.Popen(
            [korvex, "fastcgi", "--threads", "4",
             "--max-body", str(MAX_BODY)] + where + korvex_args,
            cwd=cwd, env=env, stdout=subprocess.DEVNULL, stderr=open(self.log, "w"))
        wait_for(lambda: " over FastCGI on " in self.korvex_log(), "korvex to listen")
        self.endpoint = re.search(r" over FastCGI on (\S+)", self.korvex_log()).group(1)
        folders = dict(re.findall(r"\.\.\. and /(\w+)/ from (\S+)", self.korvex_log()))
        site = re.search(r"other files from (\S+)", self.korvex_log()).group(1)

        self.port = free_port()
        replacements = {
            "user www-data;": "user %s;" % pwd.getpwuid(os.getuid()).pw_name,
            "/run/korvex-nginx.pid": os.path.join(self.work, "nginx.pid"),
            "/var/log/nginx/": self.work + "/",
            "/var/lib/nginx/": self.work + "/nginx-",
            "unix:/run/korvex/korvex.sock": self.endpoint,
            "listen 80;": "listen 127.0.0.1:%d;" % self.port,
            "/var/lib/korvex/site": site,
            "/var/lib/korvex/files/": folders.get("files", self.work) + "/",
            "/var/lib/korvex/KorVex/": folders.get("KorVex", self.work) + "/",
        }
        for old, new in replacements.items():
            assert old in conf_text, "deploy/nginx-fastcgi.conf no longer holds " + old
            conf_text = conf_text.replace(old, new)
        conf = os.path.join(self.work, "nginx.conf")
        with open(conf, "w") as f:
            f.write(conf_text)
        self.nginx = subprocess.Popen(
            [NGINX, "-p", self.work, "-c", conf, "-e", os.path.join(self.work, "error.log"),
             "-g", "daemon off;"], stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
        wait_for(self.listening, "nginx to listen")

    def korvex_log(self):
        with open(self.log) as f:
            return f.read()

    def listening(self):
        try:
            socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
            return True
        except OSError:
            return False

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def request(self, path, data=None, headers=None):
        """(status, body text) of one request; data (a dict, list or bytes) makes it a POST."""
        if data is not None and not isinstance(data, bytes):
            items = data.items() if isinstance(data, dict) else data
            data = urllib.parse.urlencode([tuple(i) for i in items]).encode()
        req = urllib.request.Request(self.url(path), data=data, headers=headers or {})
        try:
            with urllib.request.urlopen(req, timeout=30) as res:
                return res.status, res.read().decode("utf-8", "replace")
        except urllib.error.HTTPError as e:
            return e.code, e.read().decode("utf-8", "replace")

    def stop(self):
        for process in (self.nginx, self.korvex):
            if process.poll() is None:
                process.terminate()
        for process in (self.nginx, self.korvex):
            try:
                process.wait(timeout=15)
            except subprocess.TimeoutExpired:
                process.kill()


failures = []
checks = [0]


def check(condition, what):
    checks[0] += 1
    if not condition:
        failures.append(what)
        print("FAIL: " + what, file=sys.stderr)


def walk_builtin_site(stack, database):
    status, home = stack.request("/")
    check(status == 200 and "/table.ksp?RecordsetKorVex=Customers" in home, "home page")

    status, listing = stack.request("/table.ksp?RecordsetKorVex=Customers")
    check(status == 200 and "Record 1 to 7 on a total of 40" in listing, "list of Customers")
    page2 = re.search(r"<a href='([^']*PageKorVex=-1&CPKorVex=2[^']*)'>2</a>", listing)
    check(page2 is not None, "page links on the list")
    if page2:
        status, second = stack.request(page2.group(1).replace("&amp;", "&"))
        check(status == 200 and "Record 8 to 14 on a total of 40" in second, "page 2 of the list")

    row = forms_of(listing)[0]
    status, edit = stack.request(row["action"], row["fields"])
    form = [f for f in forms_of(edit) if "PageKorVex=2" in f["action"]]
    check(status == 200 and len(form) == 1, "edit form of the first customer")
    if form:
        fields = [[n, "Fastcgiville" if n == "City" else v] for n, v in form[0]["fields"]]
        status, saved = stack.request(form[0]["action"], fields,
                                      {"Origin": stack.url("").rstrip("/")})
        with sqlite3.connect(database) as db:
            city = db.execute("SELECT City FROM Customers WHERE CustomerID = 1").fetchone()[0]
        check(status == 200 and city == "Fastcgiville", "save from the edit form: City is %r" % city)

    status, found = stack.request(
        "/search.ksp?PageKorVex=-1&RecordsetKorVex=Customers",
        {"FastSearchKorVex": "Fastcgiville", "RecordsetKorVex": "Customers",
         "updatefilter": "1", "AllWords": "0"})
    check(status == 200 and "Anna" in found and "Ben" not in found, "search for the saved city")

    with concurrent.futures.ThreadPoolExecutor(12) as pool:
        answers = list(pool.map(lambda _: stack.request("/table.ksp?RecordsetKorVex=Products"),
                                range(36)))
    check(all(s == 200 and "Products" in t for s, t in answers), "36 requests at once")

    status, _ = stack.request("/table.ksp?RecordsetKorVex=Customers", b"x=" + b"y" * MAX_BODY,
                              {"Content-Type": "application/x-www-form-urlencoded"})
    check(status == 413, "a body over --max-body: %d" % status)

    status, _ = stack.request("/", headers={"Host": "evil.example"})
    check(status == 421, "a forged Host: %d" % status)
    status, _ = stack.request("/table.ksp?RecordsetKorVex=Customers", {"x": "1"},
                              {"Origin": "http://evil.example"})
    check(status == 403, "a form from another origin: %d" % status)

    status, css = stack.request("/site.css")
    check(status == 200 and "{" in css, "the stylesheet, sent by nginx")
    status, _ = stack.request("/site.css/x.ksp")
    check(status == 404, "a page path under a file: %d" % status)

    log = stack.korvex_log()
    check(re.search(r'"POST /table\.ksp" 200 \d+ \d+ms', log) is not None, "access log lines")
    check('refused: Host "evil.example"' in log, "the refused Host in the access log")


def walk_page_folder(stack, pages):
    page = os.path.join(pages, "hello.ksp")
    status, text = stack.request("/hello.ksp")
    check(status == 200 and "first text 3" in text, "a page of the folder")
    with open(page, "w") as f:
        f.write("<p>second text <%= 2 * 3 %></p>\n")
    later = time.time() + 5  # a modification time the cache cannot take for the old one
    os.utime(page, (later, later))
    status, text = stack.request("/hello.ksp")
    check(status == 200 and "second text 6" in text, "the edited page at once: %r" % text)

    # One visitor's session, whichever worker takes each request; another visitor has his own.
    opener = urllib.request.build_opener(urllib.request.HTTPCookieProcessor())
    counts = []
    for _ in range(8):
        with opener.open(stack.url("/visits.ksp"), timeout=30) as res:
            counts.append(res.read().decode().strip())
    check(counts == [str(n) for n in range(1, 9)], "a session kept across workers: %r" % counts)
    check(stack.request("/visits.ksp")[1].strip() == "1", "a new visitor's own session")

    # SIGTERM while a page runs: it is answered, then korvex ends and takes its socket away.
    with concurrent.futures.ThreadPoolExecutor(1) as pool:
        slow = pool.submit(stack.request, "/slow.ksp")
        time.sleep(0.5)  # well inside the page's 1.5 seconds
        stack.korvex.send_signal(signal.SIGTERM)
        status, text = slow.result(timeout=30)
    check(status == 200 and "slept" in text, "the page in progress at SIGTERM: %d" % status)
    check(stack.korvex.wait(timeout=15) == 0, "korvex exits 0 after SIGTERM")
    host, port = stack.endpoint.rsplit(":", 1)
    try:
        socket.create_connection((host, int(port)), timeout=1).close()
        closed = False
    except OSError:
        closed = True
    check(closed, "the port closed at the end")


def check_refusals(korvex, work, live_socket):
    """Options and places korvex fastcgi must refuse, and the exit status each gets."""
    kept = os.path.join(work, "kept.txt")
    with open(kept, "w") as f:
        f.write("not a socket")
    cases = [
        ([], 2, "give one of --socket PATH and --listen"),
        (["--socket", kept + ".sock", "--listen", "127.0.0.1:0"], 2, "give one of"),
        (["--listen", "0.0.0.0:9000"], 2, "loopback"),
        (["--listen", "127.0.0.1:99999"], 2, "a port 0 to 65535"),
        (["--socket", kept + ".sock", "--threads", "0"], 2, "1 to 1024 threads"),
        (["--socket", kept + ".sock", "--max-body"], 2, "--max-body needs a value"),
        (["--socket", kept + ".sock", "--host", "a b"], 2, "not a host name"),
        (["--socket", kept + ".sock", "--port", "80"], 2, "unknown option --port"),
        (["--socket", kept + ".sock", "--db", os.path.join(work, "none.db")], 1,
         "no database file"),
        (["--socket", kept], 1, "exists and is not a socket"),
        (["--socket", live_socket, "--root", work], 1, "another server is listening"),
    ]
    for args, status, message in cases:
        run = subprocess.run([korvex, "fastcgi"] + args, cwd=work, capture_output=True,
                             text=True, timeout=30)
        check(run.returncode == status and message in run.stderr,
              "korvex fastcgi %s: %d %r" % (" ".join(args), run.returncode, run.stderr[-300:]))
    with open(kept) as f:
        check(f.read() == "not a socket", "a file named as the socket is left as it was")
    run = subprocess.run([korvex, "fastcgi", "--help"], capture_output=True, text=True)
    check(run.returncode == 0 and "--socket PATH" in run.stdout, "korvex fastcgi --help")


def main():
    if not os.access(NGINX, os.X_OK):
        print("nginx is not installed: skipped")
        return 77
    korvex, conf_path = os.path.abspath(sys.argv[1]), sys.argv[2]
    with open(conf_path) as f:
        conf_text = f.read()
    with tempfile.TemporaryDirectory() as work:
        shop = os.path.join(work, "shop")
        pages = os.path.join(work, "pages")
        os.makedirs(shop)
        os.makedirs(pages)
        with open(os.path.join(pages, "hello.ksp"), "w") as f:
            f.write("<p>first text <%= 1 + 2 %></p>\n")
        with open(os.path.join(pages, "visits.ksp"), "w") as f:
            f.write('<% var n = Session("Visits"); Session.Visits = (n === undefined ? 0 : n) + 1;'
                    ' %><%= Session("Visits") %>\n')
        with open(os.path.join(pages, "slow.ksp"), "w") as f:
            f.write("<% var t = new Date().getTime(); while (new Date().getTime() - t < 1500) {} %>"
                    "slept\n")
        stacks = []
        try:
            site = Stack(work, "site", korvex, conf_text, [], shop)
            stacks.append(site)
            walk_builtin_site(site, os.path.join(shop, "korvex-demo.db"))
            check_refusals(korvex, work, site.socket)
            site.korvex.terminate()
            check(site.korvex.wait(timeout=15) == 0 and not os.path.exists(site.socket),
                  "korvex exits 0 on SIGTERM and removes its socket")
            folder = Stack(work, "folder", korvex, conf_text, ["--root", pages], shop, tcp=True)
            stacks.append(folder)
            walk_page_folder(folder, pages)
        finally:
            for stack in stacks:
                stack.stop()
            if failures:
                for stack in stacks:
                    sys.stderr.write(stack.korvex_log()[-3000:])
    print("%d passed, %d failed" % (checks[0] - len(failures), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
