"""The dashboard in headless Chromium: log in through the form, wait for the job
list, check the rendered table and save a screenshot. A job named
<img src=x onerror=alert(1)> must show as text: no image element, no alert.

usage: dashboard_browser.py URL USER PASSWORD SCREENSHOT
Exits 0 when every check holds, 77 (with the reason) when the browser or its
driver is missing, 1 otherwise.
"""
import shutil
import sys

SKIP = 77
MARKUP = "<img src=x onerror=alert(1)>"


def main():
    base, user, password, screenshot = sys.argv[1:5]
    try:
        from selenium import webdriver
        from selenium.common.exceptions import NoAlertPresentException
        from selenium.webdriver.chrome.service import Service
        from selenium.webdriver.common.by import By
        from selenium.webdriver.support import expected_conditions
        from selenium.webdriver.support.ui import WebDriverWait
    except ImportError:
        print("skip: python3-selenium is not installed")
        return SKIP
    browser = shutil.which("chromium")
    driver_path = shutil.which("chromedriver")
    if not browser or not driver_path:
        print("skip: the packages chromium and chromium-driver are not installed")
        return SKIP

    options = webdriver.ChromeOptions()
    options.binary_location = browser
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-dev-shm-usage", "--window-size=1200,900"]:
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service(executable_path=driver_path), options=options)
    failures = []
    try:
        wait = WebDriverWait(driver, 30)
        driver.get(base + "/")
        wait.until(expected_conditions.presence_of_element_located((By.NAME, "username")))
        driver.find_element(By.NAME, "username").send_keys(user)
        driver.find_element(By.NAME, "password").send_keys(password)
        driver.find_element(By.CSS_SELECTOR, "form button[type=submit]").click()
        wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#jobs tbody tr")) >= 5)

        rows = driver.find_elements(By.CSS_SELECTOR, "#jobs tbody tr")
        names = [row.find_elements(By.TAG_NAME, "td")[0].text for row in rows]
        expected = sorted(["greeter", "failing", MARKUP, "victim", "subroutine"])
        if sorted(names) != expected:
            failures.append("the table lists %r, not %r" % (names, expected))
        headers = [th.text for th in driver.find_elements(By.CSS_SELECTOR, "#jobs thead th")]
        if [h.rstrip(" \u25b2\u25bc") for h in headers[:3]] != ["Name", "Next run", "Last run"]:
            failures.append("unexpected column headings %r" % headers)
        if driver.find_elements(By.CSS_SELECTOR, "#jobs img"):
            failures.append("the job name became an image element")
        if names != sorted(names):
            failures.append("the table is not sorted by name at first: %r" % names)
        try:
            alert = driver.switch_to.alert
            failures.append("an alert opened: " + alert.text)
        except NoAlertPresentException:
            pass
        if driver.find_element(By.ID, "user").text != user:
            failures.append("the page does not name the logged-in user")
        driver.save_screenshot(screenshot)

        # Sorting by a column: clicking "Name" twice sorts downwards.
        heading = driver.find_element(By.CSS_SELECTOR, "#jobs th[data-key=name]")
        heading.click()
        names = [r.find_elements(By.TAG_NAME, "td")[0].text
                 for r in driver.find_elements(By.CSS_SELECTOR, "#jobs tbody tr")]
        if names != sorted(names, reverse=True):
            failures.append("a second click on Name does not sort downwards: %r" % names)

        # The job's own page shows the name as text too.
        link = driver.find_element(By.LINK_TEXT, MARKUP)
        link.click()
        wait.until(lambda d: d.find_element(By.ID, "name").text == MARKUP)
        if driver.find_elements(By.CSS_SELECTOR, "main img"):
            failures.append("the job's page turned the name into an image")
    finally:
        driver.quit()
    for failure in failures:
        print("FAILED:", failure)
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
