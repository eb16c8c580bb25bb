#!/usr/bin/python3
"""The web view in a real browser: headless Chromium driven through chromedriver (Selenium).

  browser_test.py PROGRAM SOURCE_DIR

Discovers the sample network from its recordings (replay, no packets), edge-1's sysName and
two port descriptions made hostile (markup, quotes; one with bytes that are not UTF-8, which the
discovery keeps as 0x-hex text), then:
  - `serve --results`: the map shows every switch of the run, a click opens its page;
    searching a host's MAC in another notation shows its switch and port; the hostile texts are
    shown as text and no script of theirs runs;
  - `serve --db --token` on a second loopback address: a missing or wrong token is refused, the
    right one (bearer or the login form's cookie) is let in.
Exit 77 (skipped) when Selenium or chromedriver is missing.
"""

import http.client
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support import expected_conditions
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print("skipped: python3-selenium is not installed")
    sys.exit(77)

CHROMEDRIVER = shutil.which("chromedriver") or "/usr/bin/chromedriver"
# Each would run if the page took it as markup; none may set the flag.
HOSTILE_NAME = b'<script>window.__pwned=1</script>"\'<img src=x onerror="window.__pwned=2">'
HOSTILE_DESCR = b"</td><svg onload=\"window.__pwned=3\"></svg>&amp;'q'"
HOSTILE_BYTES = b"<script>window.__pwned=4</script>\xff\xfe\x1b[31m"
TOKEN = "browser-test-token-0123456789"

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what)


def set_value(recording, oid, raw):
    """Gives `oid` the octets `raw` (hex-typed) in the snmprec file."""
    lines = open(recording, encoding="utf-8").read().splitlines()
    out = [oid + "|4x|" + raw.hex() if line.startswith(oid + "|") else line for line in lines]
    open(recording, "w", encoding="utf-8").write("\n".join(out) + "\n")


def serve(program, args, work):
    """Starts `serve` and returns (process, base URL) once it listens."""
    proc = subprocess.Popen([program, "serve"] + args, cwd=work, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)
    line = proc.stdout.readline()
    if " is at http://" not in line:
        proc.kill()
        raise SystemExit("serve did not start: %r %s" % (line, proc.stderr.read()))
    url = line.split(" is at ")[1].split("/")[2]
    return proc, "http://" + url


def status(base, path, headers=None):
    host = base[len("http://"):]
    conn = http.client.HTTPConnection(host, timeout=10)
    conn.request("GET", path, headers=headers or {})
    code = conn.getresponse().status
    conn.close()
    return code


def main():
    if not os.access(CHROMEDRIVER, os.X_OK):
        print("skipped: chromedriver is not installed")
        return 77
    program, source = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="web-browser-")
    servers = []
    driver = None
    try:
        recordings = os.path.join(work, "rec")
        shutil.copytree(os.path.join(source, "examples", "sample-network"), recordings)
        edge = os.path.join(recordings, "edge-1.snmprec")
        set_value(edge, "1.3.6.1.2.1.1.5.0", HOSTILE_NAME)
        set_value(edge, "1.3.6.1.2.1.2.2.1.2.3", HOSTILE_DESCR)
        set_value(edge, "1.3.6.1.2.1.2.2.1.2.4", HOSTILE_BYTES)
        run = subprocess.run(
            [program, "--scope", os.path.join(source, "examples", "sample-network.yaml"),
             "--replay", recordings, "--sleep-scale", "0.001", "-q", "-o", "results.json",
             "--db", os.path.join(work, "inventory.db")],
            cwd=work, capture_output=True, text=True, timeout=120)
        if run.returncode != 0:
            raise SystemExit("the discovery failed: " + run.stderr)
        results = json.load(open(os.path.join(work, "results.json"), encoding="utf-8"))
        switches = {s["name"] for s in results["topology"]["switches"]}
        host = results["topology"]["hosts"][0]

        proc, base = serve(program, ["--results", "results.json", "--listen", "127.0.0.1:0"], work)
        servers.append(proc)

        options = webdriver.ChromeOptions()
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--window-size=1400,1000"):
            options.add_argument(flag)
        driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        driver.set_page_load_timeout(20)
        wait = WebDriverWait(driver, 10)

        # The map: every switch of the run, outside ones too; a click opens the switch.
        driver.get(base + "/")
        boxes = wait.until(lambda d: d.find_elements(By.CSS_SELECTOR, "#map a.switch"))
        shown = {b.get_attribute("data-name") for b in boxes}
        check(shown == switches, "the map shows %s, the run has %s" % (sorted(shown), sorted(switches)))
        driver.find_element(By.CSS_SELECTOR, '#map a[data-name="core-1"]').click()
        wait.until(expected_conditions.url_contains("/switch/core-1"))
        check(driver.find_element(By.TAG_NAME, "h1").text == "core-1", "the click opened core-1")

        # Search a host's MAC in another notation: its switch and port.
        mac = host["mac"].replace(":", "-").lower()
        box = driver.find_element(By.ID, "q")
        box.clear()
        box.send_keys(mac)
        box.submit()
        wait.until(expected_conditions.url_contains("/search"))
        rows = driver.find_elements(By.CSS_SELECTOR, "table.places tbody tr")
        cells = [c.text for c in rows[0].find_elements(By.TAG_NAME, "td")] if rows else []
        check(len(cells) > 4 and cells[3] == host["switch"] and cells[4] == host["port"],
              "the search of %s shows %s %s: %s" % (mac, host["switch"], host["port"], cells))

        # The hostile texts are text; nothing of theirs ran.
        driver.get(base + "/switch/edge-1")
        text = driver.find_element(By.TAG_NAME, "main").text
        check("<script>window.__pwned=1</script>" in text, "the hostile sysName shows as text")
        check('<svg onload="window.__pwned=3"></svg>&amp;\'q\'' in text,
              "the hostile ifDescr shows as text")
        check("0x" + HOSTILE_BYTES.hex().upper() in text, "the non-UTF-8 ifDescr shows as hex text")
        check(driver.execute_script("return window.__pwned === undefined"), "no hostile script ran")
        check(not driver.find_elements(By.CSS_SELECTOR, "main img, main script, main td svg"),
              "no element made of device text")
        driver.get(base + "/search?q=edge-1")
        check(driver.execute_script("return window.__pwned === undefined"), "no script on search")

        # A token: refused without it or with a wrong one, let in with it.
        token_file = os.path.join(work, "token")
        with open(token_file, "w", encoding="ascii") as f:
            f.write(TOKEN + "\n")
        os.chmod(token_file, 0o600)
        proc, locked = serve(program, ["--db", os.path.join(work, "inventory.db"), "--listen",
                                       "127.0.0.2:0", "--token", token_file], work)
        servers.append(proc)
        check(status(locked, "/api/devices") == 401, "no token: refused")
        check(status(locked, "/api/devices", {"Authorization": "Bearer wrong-" + TOKEN}) == 401,
              "a wrong bearer token: refused")
        check(status(locked, "/api/devices", {"Authorization": "Bearer " + TOKEN}) == 200,
              "the right bearer token: let in")
        driver.get(locked + "/switch/edge-1")
        check(not driver.find_elements(By.CSS_SELECTOR, "table.ports"), "no page without token")
        field = driver.find_element(By.ID, "token")
        field.send_keys("wrong-" + TOKEN)
        field.submit()
        wait.until(expected_conditions.url_contains("/login"))
        check("not the right one" in driver.find_element(By.TAG_NAME, "main").text,
              "a wrong token in the form: refused")
        field = driver.find_element(By.ID, "token")
        field.send_keys(TOKEN)
        field.submit()
        wait.until(lambda d: d.find_elements(By.CSS_SELECTOR, "#map a.switch"))
        driver.get(locked + "/switch/edge-1")
        text = driver.find_element(By.TAG_NAME, "main").text
        check("<script>window.__pwned=1</script>" in text, "the store's sysName shows as text")
        check(driver.execute_script("return window.__pwned === undefined"), "no script from the store")
    finally:
        if driver is not None:
            driver.quit()
        for proc in servers:
            proc.terminate()
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
            check(proc.returncode == 0, "serve ends with 0 at SIGTERM, not %s" % proc.returncode)
        shutil.rmtree(work, ignore_errors=True)
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    start = time.time()
    code = main()
    print("browser test: %.1f s" % (time.time() - start))
    sys.exit(code)
