"""The dashboard's API over real HTTP: log-in, the job list, a job's page, the
history, the log, kill with and without the CSRF token, the rate limit.

usage: dashboard_api.py URL anonymous
       dashboard_api.py URL api ADMIN PLAIN PASSWORD
Exits 0 when every check holds; prints each failed check.
"""
import http.cookiejar
import json
import sys
import time
import urllib.error
import urllib.parse
import urllib.request

JOBS = {"greeter", "failing", "<img src=x onerror=alert(1)>", "victim", "subroutine"}
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what, flush=True)


class NoRedirect(urllib.request.HTTPRedirectHandler):
    def redirect_request(self, *args, **kwargs):
        return None


class Client:
    def __init__(self, base):
        self.base = base
        self.jar = http.cookiejar.CookieJar()
        self.opener = urllib.request.build_opener(
            urllib.request.HTTPCookieProcessor(self.jar), NoRedirect())

    def request(self, path, data=None, headers=None, method=None):
        body = urllib.parse.urlencode(data).encode() if isinstance(data, dict) else data
        req = urllib.request.Request(self.base + path, data=body, headers=headers or {},
                                     method=method)
        try:
            with self.opener.open(req, timeout=30) as answer:
                return answer.status, dict(answer.headers), answer.read()
        except urllib.error.HTTPError as error:
            return error.code, dict(error.headers), error.read()

    def get_json(self, path):
        status, _, body = self.request(path)
        return status, json.loads(body) if body else None

    def log_in(self, user, password):
        return self.request("/login", {"username": user, "password": password})


def anonymous(base):
    client = Client(base)
    for path in ["/api/jobs", "/api/jobs/greeter", "/api/history", "/api/log?tail=5",
                 "/api/session"]:
        status, body = client.get_json(path)
        check(status == 401 and "error" in body, "%s without a log-in answers 401" % path)
    status, _, _ = client.request("/api/jobs/victim/kill", b"", method="POST")
    check(status == 401, "kill without a log-in answers 401")
    status, headers, _ = client.request("/")
    check(status == 303 and headers.get("Location") == "/login", "a page redirects to /login")
    status, headers, body = client.request("/login")
    check(status == 200 and b'name="password"' in body, "the log-in page has the form")
    check("script-src 'self'" in headers.get("Content-Security-Policy", ""),
          "pages carry a content security policy")


def wait_for(client, path, test, seconds=20):
    deadline = time.time() + seconds
    while True:
        status, body = client.get_json(path)
        if status == 200 and test(body):
            return body
        if time.time() > deadline:
            return body
        time.sleep(0.5)


def api(base, admin, plain, password):
    client = Client(base)
    status, headers, body = client.log_in(admin, password + "-wrong")
    check(status == 401 and b"incorrect" in body, "a wrong password is refused with 401")
    check(len(client.jar) == 0, "a refused log-in sets no cookie")
    status, headers, body = client.log_in(plain, password)
    check(status == 403 and b"Administrator" in body, "a non-administrator is refused with 403")
    check(len(client.jar) == 0, "a non-administrator gets no cookie")

    status, headers, _ = client.log_in(admin, password)
    cookie = headers.get("Set-Cookie", "")
    check(status == 303 and headers.get("Location") == "/", "the administrator is let in")
    check("HttpOnly" in cookie and "SameSite=Strict" in cookie,
          "the session cookie is HttpOnly and SameSite=Strict: " + cookie)

    status, session = client.get_json("/api/session")
    check(status == 200 and session["user"] == admin and len(session["csrf"]) == 64,
          "the session names its user and carries a CSRF token")

    status, jobs = client.get_json("/api/jobs")
    names = {job["name"] for job in jobs["jobs"]} if status == 200 else set()
    check(names == JOBS, "the job list is the loaded file's jobs: %r" % names)

    status, filtered = client.get_json("/api/jobs?pattern=" + urllib.parse.quote("^gre"))
    check(status == 200 and [j["name"] for j in filtered["jobs"]] == ["greeter"],
          "a pattern filters the job list")
    status, _ = client.get_json("/api/jobs?pattern=" + urllib.parse.quote("(gre"))
    check(status == 400, "a pattern that does not compile answers 400")

    # Runs are recorded: a plain run, and one in which a statement failed.
    runs = wait_for(client, "/api/history?job=%5Efailing%24",
                    lambda body: len(body["runs"]) >= 2)["runs"]
    check(len(runs) >= 2 and all(r["failure"] == "soft" for r in runs),
          "the failing job's runs are recorded as soft failures")
    status, history = client.get_json("/api/history?job=greeter&limit=1")
    check(status == 200 and len(history["runs"]) == 1 and history["runs"][0]["control"] ==
          "continue", "the history's limit and job pattern hold")
    status, jobs = client.get_json("/api/jobs")
    by_name = {job["name"]: job for job in jobs["jobs"]}
    check(by_name["failing"]["lastOutcome"] == "failed", "the job list shows a failed outcome")
    check(by_name["greeter"]["lastOutcome"] == "continue" and
          by_name["greeter"]["timesCalled"] >= 1, "the job list shows runs of greeter")
    check(by_name["subroutine"]["nextRun"] == "", "a job without a start has no next run")

    status, job = client.get_json("/api/jobs/greeter?next=3")
    check(status == 200 and len(job["next"]["times"]) == 3, "a job's page has its next runs")
    check(status == 200 and any(s["kind"] == "action" and "greeter says" in s["text"]
                                for s in job["statements"]), "a job's page has its statements")
    check(status == 200 and len(job["history"]) >= 1, "a job's page has its history")
    status, job = client.get_json("/api/jobs/" + urllib.parse.quote("<img src=x onerror=alert(1)>"))
    check(status == 200 and job["name"] == "<img src=x onerror=alert(1)>",
          "a job with markup in its name is found by its name")
    for name in ["nosuchjob", "greeter%00x", "greete"]:
        status, _ = client.get_json("/api/jobs/" + name)
        check(status == 404, "an unknown job answers 404: " + name)

    status, log = client.get_json("/api/log?tail=5")
    check(status == 200 and 0 < len(log["lines"]) <= 5, "the log's tail holds at most 5 lines")
    log = wait_for(client, "/api/log?tail=200",
                   lambda body: any("greeter says" in line for line in body["lines"]))
    check(any("greeter says <b>hi</b> & bye" in line for line in log["lines"]),
          "the log holds the output lines as they are")
    status, _ = client.get_json("/api/log?tail=0")
    check(status == 400, "a tail of 0 answers 400")

    # Kill: refused without the token and with a wrong one; done with it.
    kill = "/api/jobs/victim/kill"
    status, _, _ = client.request(kill, b"", method="POST")
    check(status == 403, "kill without the CSRF token answers 403")
    status, _, _ = client.request(kill, b"", {"X-CSRF-Token": "0" * 64}, method="POST")
    check(status == 403, "kill with a wrong CSRF token answers 403")
    status, jobs = client.get_json("/api/jobs")
    check("victim" in {j["name"] for j in jobs["jobs"]}, "a refused kill leaves the job")
    status, _, body = client.request("/api/jobs/victim%00x/kill", b"",
                                     {"X-CSRF-Token": session["csrf"]}, method="POST")
    check(status == 200 and json.loads(body)["killed"] == 0,
          "a name cut short at a NUL kills nothing")
    status, _, body = client.request(kill, b"", {"X-CSRF-Token": session["csrf"]}, method="POST")
    check(status == 200 and json.loads(body)["killed"] == 1, "kill with the token kills the job")
    status, jobs = client.get_json("/api/jobs")
    check("victim" not in {j["name"] for j in jobs["jobs"]}, "the killed job has left the list")

    status, headers, _ = client.request("/logout", b"", method="POST")
    check(status == 303, "log-out answers 303")
    status, _ = client.get_json("/api/jobs")
    check(status == 401, "after log-out the API answers 401")

    # The rate limit: five failures from one address, then even the right password waits.
    for _ in range(5):
        client.log_in(admin, password + "-wrong")
    status, headers, body = client.log_in(admin, password)
    check(status == 429 and int(headers.get("Retry-After", "0")) > 0,
          "after five failures a log-in answers 429 with Retry-After")


def main():
    base, mode = sys.argv[1], sys.argv[2]
    if mode == "anonymous":
        anonymous(base)
    else:
        api(base, *sys.argv[3:6])
    print("%d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
