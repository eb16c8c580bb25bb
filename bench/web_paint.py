#!/usr/bin/python3
"""Prints how long headless Chromium takes to paint the web view's map, in ms, once per URL
load: web_paint.py URL TIMES. The time is the page's first contentful paint (the map is drawn
in the page itself, so that paint shows it), measured from the navigation's start. Needs
Debian's python3-selenium and chromium-driver (hence the system's python3)."""

import shutil
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait


def main():
    url, times = sys.argv[1], int(sys.argv[2])
    options = webdriver.ChromeOptions()
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--window-size=1400,1000"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
    try:
        driver.set_page_load_timeout(60)
        for _ in range(times):
            driver.get("about:blank")
            driver.get(url)
            WebDriverWait(driver, 30).until(
                lambda d: d.find_elements(By.CSS_SELECTOR, "#map a.switch"))
            paint = WebDriverWait(driver, 30).until(lambda d: d.execute_script(
                "var p = performance.getEntriesByName('first-contentful-paint');"
                "return p.length ? p[0].startTime : null;"))
            switches = driver.execute_script(
                "return document.querySelectorAll('#map a.switch').length;")
            print("%.1f %d" % (paint, switches), flush=True)
    finally:
        driver.quit()


if __name__ == "__main__":
    main()
