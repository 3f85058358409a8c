// The browser's memory as the benchmarks read it from /proc.
'use strict';
const fs = require('node:fs');

// The largest resident size among the browser's renderer processes, in bytes.
function rendererMemory() {
  let most = 0;
  for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const command = fs.readFileSync(`/proc/${pid}/cmdline`, 'latin1');
      if (!command.includes('--type=renderer') || !command.includes('chromium')) continue;
      const rss = /VmRSS:\s+(\d+) kB/.exec(fs.readFileSync(`/proc/${pid}/status`, 'latin1'));
      if (rss) most = Math.max(most, Number(rss[1]) * 1024);
    } catch (e) { /* gone */ }
  }
  return most;
}

module.exports = { rendererMemory };
