// messkart's fit of points as the page writes them: the page's build of
// messkart's desk report (messkartbericht) run under node on the page's
// measurement file, its report read by the page's own MesskartReport.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { runPageTool, toolFile } = require('./runpagetool.js');
const { PointRows, MesskartReport } = require('../desklib');

// text: a measurement file; checking and leftOut as MesskartReport.job takes them.
async function deskReport(text, checking = false, leftOut = []) {
  const job = MesskartReport.job(text, checking, leftOut);
  if (!fs.existsSync(toolFile(job.tool))) throw new Error(`${toolFile(job.tool)} is missing: scripts/build-page-tools builds the page's tools.`);
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'deskfit-'));
  try {
    for (const [name, bytes] of Object.entries(job.files)) fs.writeFileSync(path.join(folder, name), bytes);
    const run = await runPageTool(job.tool, job.args, { folder });
    const files = Object.fromEntries(fs.readdirSync(folder).map((name) => [name, fs.readFileSync(path.join(folder, name))]));
    return MesskartReport.read({ code: run.code, console: run.stdout.toString('latin1'), files });
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

// points [{x, longitude, y, latitude}], the angles as the page types them.
function measurementText(width, height, points) {
  const doc = { width, height, comments: [], wgs: null, gps: false, points: points.map((p) => ({ name: '', ...p })) };
  return PointRows.toText(doc, doc.points.map((p, i) => i));
}

async function deskFit(width, height, points) {
  return deskReport(measurementText(width, height, points));
}

module.exports = { deskReport, deskFit, measurementText };
