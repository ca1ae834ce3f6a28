// The dashboard's pages. Everything shown is put in with textContent, never as
// HTML, so job names and output lines always show as text.
"use strict";

let csrfToken = "";

async function api(path, options) {
  const response = await fetch(path, Object.assign({ headers: { Accept: "application/json" } }, options));
  if (response.status === 401) {
    window.location.href = "/login";
    throw new Error("not logged in");
  }
  const body = await response.json();
  if (!response.ok) {
    throw new Error(body.error || response.statusText);
  }
  return body;
}

// Calls `load` now and again `ms` after each load has finished, so that a slow
// answer (a long job list) never has requests pile up behind it.
function refresh(load, ms) {
  const again = async () => {
    await load();
    setTimeout(again, ms);
  };
  again();
}

function showProblem(error) {
  const problem = document.getElementById("problem");
  problem.textContent = error ? String(error.message || error) : "";
  problem.hidden = !error;
}

function cell(row, text, className) {
  const td = row.insertCell();
  td.textContent = text === undefined || text === null ? "" : String(text);
  if (className) td.className = className;
  return td;
}

function runTime(ms) {
  const s = Math.floor(ms / 1000);
  const parts = [[Math.floor(s / 86400), "d"], [Math.floor(s / 3600) % 24, "h"], [Math.floor(s / 60) % 60, "m"]];
  const shown = parts.filter(([n]) => n > 0).map(([n, u]) => n + u);
  shown.push((s % 60) + "." + String(ms % 1000).padStart(3, "0") + "s");
  return shown.join(" ");
}

function failureText(run) {
  if (!run.failure || run.failure === "none") return "";
  const where = run.failedLine ? " (line " + run.failedLine + ")" : "";
  return run.failure + where + ": " + (run.message || run.failedStatement || "");
}

// A cell holding a link to the page of the job named `name`.
function jobLinkCell(row, name) {
  const link = document.createElement("a");
  link.href = "/job?name=" + encodeURIComponent(name);
  link.textContent = name;
  row.insertCell().appendChild(link);
}

function addRunRow(tbody, run, withJob) {
  const row = tbody.insertRow();
  if (withJob) jobLinkCell(row, run.job);
  cell(row, run.start);
  cell(row, run.end);
  cell(row, run.control, "outcome-" + run.control);
  cell(row, failureText(run), run.failure !== "none" ? "outcome-failed" : "");
  cell(row, run.outputLines, "number");
}

async function loadSession() {
  const session = await api("/api/session");
  csrfToken = session.csrf;
  document.getElementById("user").textContent = session.user;
}

// The job list: sorted by a clicked column, filtered by a pattern on the server.
function jobsPage() {
  let jobs = [];
  let sortKey = "name";
  let ascending = true;
  const tbody = document.querySelector("#jobs tbody");
  const params = new URLSearchParams(window.location.search);
  document.getElementById("pattern").value = params.get("pattern") || "";

  function render() {
    const sorted = jobs.slice().sort((a, b) => {
      const x = a[sortKey], y = b[sortKey];
      const order = typeof x === "number" ? x - y : String(x).localeCompare(String(y));
      return ascending ? order : -order;
    });
    tbody.replaceChildren();
    for (const job of sorted) {
      const row = tbody.insertRow();
      jobLinkCell(row, job.name);
      cell(row, job.nextRun);
      cell(row, job.lastRun);
      cell(row, job.lastOutcome, "outcome-" + job.lastOutcome);
      cell(row, job.timesCalled, "number");
      cell(row, runTime(job.totalRunMs), "number");
    }
    for (const th of document.querySelectorAll("#jobs th")) {
      th.classList.toggle("sorted-up", th.dataset.key === sortKey && ascending);
      th.classList.toggle("sorted-down", th.dataset.key === sortKey && !ascending);
    }
    document.getElementById("count").textContent = jobs.length + " job(s)";
  }

  async function load() {
    const pattern = document.getElementById("pattern").value;
    try {
      const answer = await api("/api/jobs" + (pattern ? "?pattern=" + encodeURIComponent(pattern) : ""));
      jobs = answer.jobs;
      showProblem(null);
      render();
    } catch (error) {
      showProblem(error);
    }
  }

  for (const th of document.querySelectorAll("#jobs th[data-key]")) {
    th.addEventListener("click", () => {
      ascending = sortKey === th.dataset.key ? !ascending : true;
      sortKey = th.dataset.key;
      render();
    });
  }
  document.getElementById("filter").addEventListener("submit", (event) => {
    event.preventDefault();
    const pattern = document.getElementById("pattern").value;
    history.replaceState(null, "", pattern ? "?pattern=" + encodeURIComponent(pattern) : "/");
    load();
  });
  refresh(load, 5000);
}

function jobPage() {
  const name = new URLSearchParams(window.location.search).get("name") || "";
  const path = "/api/jobs/" + encodeURIComponent(name);

  async function load() {
    try {
      const job = await api(path + "?next=10");
      document.title = "Obrenta: " + job.name;
      document.getElementById("name").textContent = job.name;
      document.getElementById("file").textContent = job.file + (job.state ? " (" + job.state + ")" : "");
      const statements = document.querySelector("#statements tbody");
      statements.replaceChildren();
      for (const s of job.statements) {
        const row = statements.insertRow();
        cell(row, s.line, "number");
        cell(row, s.kind);
        cell(row, s.text);
      }
      const next = document.getElementById("next");
      next.replaceChildren();
      for (const time of job.next.times) {
        const item = document.createElement("li");
        item.textContent = time.local + (time.zone ? " " + time.zone : "");
        next.appendChild(item);
      }
      document.getElementById("next-note").textContent = job.next.note;
      const runs = document.querySelector("#history tbody");
      runs.replaceChildren();
      for (const run of job.history) addRunRow(runs, run, false);
      showProblem(null);
    } catch (error) {
      showProblem(error);
    }
  }

  document.getElementById("kill").addEventListener("submit", async (event) => {
    event.preventDefault();
    if (!window.confirm("Kill every job named " + name + "?")) return;
    try {
      const answer = await api(path + "/kill", { method: "POST", headers: { Accept: "application/json", "X-CSRF-Token": csrfToken } });
      document.getElementById("killed").textContent = "Killed " + answer.killed + " job(s).";
    } catch (error) {
      showProblem(error);
    }
  });
  load();
}

function historyPage() {
  const form = document.getElementById("filter");
  const params = new URLSearchParams(window.location.search);
  for (const key of ["job", "since", "limit"]) {
    if (params.has(key)) document.getElementById(key).value = params.get(key);
  }
  document.getElementById("failed").checked = params.get("failed") === "1";

  async function load() {
    const query = new URLSearchParams(new FormData(form));
    try {
      const answer = await api("/api/history?" + query.toString());
      const runs = document.querySelector("#history tbody");
      runs.replaceChildren();
      for (const run of answer.runs.slice().reverse()) addRunRow(runs, run, true);
      showProblem(answer.problem || null);
    } catch (error) {
      showProblem(error);
    }
  }
  form.addEventListener("submit", (event) => {
    event.preventDefault();
    history.replaceState(null, "", "?" + new URLSearchParams(new FormData(form)).toString());
    load();
  });
  load();
}

function logPage() {
  const pre = document.getElementById("log");
  async function load() {
    const tail = document.getElementById("tail").value || "100";
    try {
      const answer = await api("/api/log?tail=" + encodeURIComponent(tail));
      const atBottom = window.innerHeight + window.scrollY >= document.body.scrollHeight - 20;
      pre.textContent = answer.lines.join("\n");
      if (atBottom) window.scrollTo(0, document.body.scrollHeight);
      showProblem(null);
    } catch (error) {
      showProblem(error);
    }
  }
  document.getElementById("filter").addEventListener("submit", (event) => {
    event.preventDefault();
    load();
  });
  refresh(load, 2000);
}

document.addEventListener("DOMContentLoaded", async () => {
  try {
    await loadSession();
  } catch (error) {
    return;
  }
  const pages = { jobs: jobsPage, job: jobPage, history: historyPage, log: logPage };
  const page = pages[document.body.dataset.page];
  if (page) page();
});
