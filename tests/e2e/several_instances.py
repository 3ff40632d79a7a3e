#!/usr/bin/env python3
"""Several instances of Korvex behind Debian's nginx, on one PostgreSQL database.

Starts two instances on a fresh database of the test server (KORVEX_TEST_POSTGRES), sessions
kept in that database, behind nginx on a loopback port (round robin, the configuration of
deploy/), and checks:
  - a visitor's fast search keeps its filter on page 2 whichever instance answers, also after
    an instance was killed and started again;
  - while clients add rows at full speed, one instance is killed (SIGKILL) and restarted: every
    save a client saw acknowledged is in the database exactly once, none is there twice;
  - a forged X-Forwarded-Host sent to an instance directly is refused by the Host check, and
    the instances log the visitor's address the proxy reports.

  several_instances.py KORVEX_BINARY serve|fastcgi

Exits 77 (skipped) without a test server or without nginx.
"""
import http.client
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

SKIP = 77
SOURCE = os.path.dirname(os.path.abspath(__file__))
DEPLOY = os.path.join(SOURCE, "..", "..", "deploy")
PROXY_ADDRESS = "127.0.0.2"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, flush=True)
    return condition


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, process, seconds=15):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if process is not None and process.poll() is not None:
            raise RuntimeError(f"process on port {port} ended with {process.returncode}")
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.5):
                return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError(f"nothing listens on port {port}")


def server_keys(connection_string):
    keys = {}
    for part in connection_string.split(";"):
        if "=" in part:
            name, value = part.split("=", 1)
            keys[name.strip().lower()] = value.strip()
    return keys


class Database:
    """A database of its own on the test server, dropped at the end."""

    def __init__(self, server):
        self.keys = server_keys(server)
        self.name = f"korvex_several_{os.getpid()}_{int(time.time() * 1000) % 100000}"
        self.psql("postgres", f"CREATE DATABASE {self.name}")
        self.psql(
            self.name,
            "CREATE TABLE notes(id serial PRIMARY KEY, title varchar(80) NOT NULL, body text);"
            "INSERT INTO notes(title, body) SELECT CASE WHEN g % 3 = 0 THEN 'apple ' "
            "ELSE 'pear ' END || g, 'note ' || g FROM generate_series(1, 95) g;",
        )
        self.connection = (
            f"Provider=PostgreSQL;Host={self.keys['host']};Port={self.keys['port']};"
            f"Database={self.name};User ID={self.keys.get('user id', 'postgres')}"
        )

    def psql(self, database, sql):
        out = subprocess.run(
            ["psql", "-X", "-q", "-t", "-A", "-v", "ON_ERROR_STOP=1",
             "-h", self.keys["host"], "-p", self.keys["port"],
             "-U", self.keys.get("user id", "postgres"), "-d", database, "-c", sql],
            capture_output=True, text=True, check=True)
        return out.stdout

    def drop(self):
        self.psql("postgres", f"DROP DATABASE IF EXISTS {self.name} WITH (FORCE)")


class Instance:
    """One `korvex serve` (or `korvex fastcgi`) of the site on the test database."""

    def __init__(self, binary, mode, folder, database, index):
        self.binary, self.mode, self.database = binary, mode, database
        self.folder = os.path.join(folder, f"instance{index}")
        os.makedirs(self.folder, exist_ok=True)
        self.port = free_port()
        self.log_path = os.path.join(self.folder, "korvex.log")
        self.env = dict(os.environ, KORVEX_STATE_DIR=os.path.join(folder, "state"))
        self.process = None

    def start(self):
        command = [self.binary, self.mode, "--connection", self.database.connection,
                   "--sessions", self.database.connection, "--threads", "4"]
        if self.mode == "serve":
            command += ["--port", str(self.port), "--trusted-proxy", PROXY_ADDRESS]
        else:
            command += ["--listen", f"127.0.0.1:{self.port}"]
        log = open(self.log_path, "a")
        self.process = subprocess.Popen(command, cwd=self.folder, env=self.env,
                                        stdout=log, stderr=log)
        wait_for_port(self.port, self.process)

    def kill(self):
        self.process.send_signal(signal.SIGKILL)
        self.process.wait()

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.kill()

    def log(self):
        with open(self.log_path, errors="replace") as f:
            return f.read()


class Nginx:
    """Debian's nginx with the configuration of deploy/, its ports and folders this run's."""

    def __init__(self, folder, mode, instances):
        self.prefix = os.path.join(folder, "nginx")
        for sub in ("logs", "temp"):
            os.makedirs(os.path.join(self.prefix, sub), exist_ok=True)
        os.chmod(os.path.join(self.prefix, "temp"), 0o777)
        self.port = free_port()
        name = ("nginx-two-instances.conf" if mode == "serve"
                else "nginx-fastcgi-two-instances.conf")
        with open(os.path.join(DEPLOY, name)) as f:
            conf = f.read()
        conf = conf.replace("127.0.0.1:8080", f"127.0.0.1:{self.port}")
        if mode == "fastcgi":
            # The folder of the site's pages, as the instances' start line names it.
            found = re.search(r"sends the site's other files from (\S+)", instances[0].log())
            if not found:
                raise RuntimeError("no site folder in the start line:\n" + instances[0].log())
            conf = conf.replace("root /srv/korvex/state/site;", f"root {found.group(1)};")
        for placeholder, instance in zip(("8081", "8082"), instances):
            conf = conf.replace(f"127.0.0.1:{placeholder}", f"127.0.0.1:{instance.port}")
        self.conf = os.path.join(self.prefix, "nginx.conf")
        with open(self.conf, "w") as f:
            f.write(conf)
        directives = "daemon off; pid nginx.pid; error_log logs/error.log;"
        if os.geteuid() == 0:
            directives += " user root;"
        self.process = subprocess.Popen(
            ["nginx", "-p", self.prefix + "/", "-c", self.conf, "-g", directives],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        wait_for_port(self.port, self.process)

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


class Visitor:
    """A browser of sorts: one cookie jar, requests to one port."""

    def __init__(self, port):
        self.port, self.cookies = port, {}

    def request(self, method, path, form=None, headers=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        body = urllib.parse.urlencode(form) if form is not None else None
        sent = dict(headers or {})
        if body is not None:
            sent["Content-Type"] = "application/x-www-form-urlencoded"
        if self.cookies:
            sent["Cookie"] = "; ".join(f"{k}={v}" for k, v in self.cookies.items())
        try:
            conn.request(method, path, body=body, headers=sent)
            response = conn.getresponse()
            text = response.read().decode("utf-8", "replace")
        finally:
            conn.close()
        for header, value in response.getheaders():
            if header.lower() == "set-cookie":
                name, _, rest = value.partition("=")
                self.cookies[name] = rest.split(";", 1)[0]
        return response.status, text


def titles(page):
    return re.findall(r"name='title' value=\"([^\"]*)\"", page)


def fast_search_survives_every_instance(site, instances, rounds):
    visitor = Visitor(site.port)
    status, first = visitor.request(
        "POST", "/search.ksp?PageKorVex=-1&RecordsetKorVex=notes",
        {"FastSearchKorVex": "apple", "RecordsetKorVex": "notes", "updatefilter": "1",
         "AllWords": "0"})
    check(status == 200, f"fast search answered {status}")
    check(titles(first)[:1] == ["apple 3"], f"first result page: {titles(first)[:3]}")
    link = re.search(r"href='(/search\.ksp\?PageKorVex=-1&CPKorVex=2&[^']*)'", first)
    if not check(link, "the result has a link to its page 2"):
        return
    second_page = link.group(1).replace("&amp;", "&")
    before = [inst.log().count("CPKorVex") for inst in instances]
    seen = set()
    for _ in range(rounds):
        status, page = visitor.request("GET", second_page)
        got = titles(page)
        seen.add(tuple(got))
        check(status == 200 and got and all(t.startswith("apple ") for t in got),
              f"page 2 of the fast search lost its filter: {status} {got[:4]}")
    check(len(seen) == 1, f"page 2 differs between answers: {seen}")
    # Access log lines name the path only: count page-2 requests by the instance's own log.
    served = [inst.log().count('"GET /search.ksp"') for inst in instances]
    check(all(n > 0 for n in served), f"both instances answered the search: {served} {before}")


def forged_forwarded_host_is_refused(site, instances):
    direct = Visitor(instances[0].port)
    status, _ = direct.request("GET", "/table.ksp?RecordsetKorVex=notes",
                               headers={"Host": "evil.example",
                                        "X-Forwarded-Host": "127.0.0.1"})
    check(status == 421, f"a forged X-Forwarded-Host sent directly got {status}, not 421")
    status, page = direct.request("GET", "/table.ksp?RecordsetKorVex=notes",
                                  headers={"X-Forwarded-Host": "evil.example",
                                           "X-Forwarded-For": "198.51.100.1"})
    check(status == 200, f"headers from a stranger are ignored, not refused: {status}")
    check("198.51.100.1" not in instances[0].log(),
          "an instance believed X-Forwarded-For from an address it does not trust")
    # Through the proxy the host the visitor named is the one checked.
    status, _ = Visitor(site.port).request("GET", "/", headers={"Host": "evil.example"})
    check(status == 421, f"a foreign Host through the proxy got {status}, not 421")
    status, _ = Visitor(site.port).request("GET", "/")
    check(status == 200, f"the home page through the proxy got {status}")
    # The line is written once the answer has gone out: give it a moment.
    deadline = time.time() + 3
    while time.time() < deadline and not logged_home_page(instances):
        time.sleep(0.05)
    check(logged_home_page(instances), "the instances log the visitor's address the proxy reports")


def logged_home_page(instances):
    return any(re.search(r' 127\.0\.0\.1 "GET /" 200 ', i.log()) for i in instances)


def saves_survive_a_killed_instance(site, instances, database, seconds=6.0, clients=4):
    acknowledged, failed, lock = [], [], threading.Lock()
    stop = threading.Event()

    def client(number):
        visitor = Visitor(site.port)
        n = 0
        while not stop.is_set():
            n += 1
            title = f"load-{number}-{n}"
            try:
                status, page = visitor.request(
                    "POST", "/table.ksp?PageKorVex=2&RecordsetKorVex=notes",
                    {"NuovoRecordKorVex": "TRUE", "id": "", "title": title, "body": "x"})
                done = status == 200 and re.search(r"notes \d+ added", page) is not None
            except OSError:
                done = False
            with lock:
                (acknowledged if done else failed).append(title)

    threads = [threading.Thread(target=client, args=(i,)) for i in range(clients)]
    for t in threads:
        t.start()
    time.sleep(seconds / 4)
    instances[0].kill()
    time.sleep(seconds / 4)
    instances[0].start()
    time.sleep(seconds / 2)
    stop.set()
    for t in threads:
        t.join()

    counts = {}
    for line in database.psql(
            database.name,
            "SELECT title, count(*) FROM notes WHERE title LIKE 'load-%' GROUP BY title"
    ).splitlines():
        title, count = line.split("|")
        counts[title] = int(count)
    missing = [t for t in acknowledged if counts.get(t) != 1]
    twice = [t for t, c in counts.items() if c > 1]
    check(not missing, f"saves acknowledged but not in the database once: {missing[:5]}")
    check(not twice, f"saves in the database twice: {twice[:5]}")
    check(len(acknowledged) > 50, f"only {len(acknowledged)} saves were acknowledged")
    # Requests in flight at the kill may fail; the proxy must carry the rest on.
    check(len(failed) <= clients * 2, f"{len(failed)} saves failed: {failed[:8]}")
    print(f"saves: {len(acknowledged)} acknowledged, {len(failed)} failed, "
          f"{sum(counts.values())} in the database", flush=True)


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in ("serve", "fastcgi"):
        print(__doc__)
        return 2
    binary, mode = os.path.abspath(sys.argv[1]), sys.argv[2]
    server = os.environ.get("KORVEX_TEST_POSTGRES")
    if not server:
        print("KORVEX_TEST_POSTGRES names no PostgreSQL server: skipped")
        return SKIP
    if not shutil.which("nginx"):
        print("nginx is not installed: skipped")
        return SKIP
    folder = tempfile.mkdtemp(prefix="korvex-several-")
    os.chmod(folder, 0o755)
    database = Database(server)
    instances, site = [], None
    try:
        instances = [Instance(binary, mode, folder, database, i) for i in (1, 2)]
        for instance in instances:
            instance.start()
        site = Nginx(folder, mode, instances)
        fast_search_survives_every_instance(site, instances, rounds=6)
        if mode == "serve":
            forged_forwarded_host_is_refused(site, instances)
        saves_survive_a_killed_instance(site, instances, database)
        # The restarted instance reads the sessions the others wrote.
        fast_search_survives_every_instance(site, instances, rounds=4)
    finally:
        if site:
            site.stop()
        for instance in instances:
            instance.stop()
        database.drop()
        if failures:
            for instance in instances:
                print(f"--- {instance.log_path}\n" + instance.log()[-3000:])
        shutil.rmtree(folder, ignore_errors=True)
    print("failures:", len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
