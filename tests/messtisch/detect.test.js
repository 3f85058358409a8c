// The desk's detection code on scanned maps made here with the truth known:
// the tilt found, a meridian's tilt refused, frame lines traced, graticule
// crossings proposed with their coordinates, and a map taken through the
// three tools with nothing typed but three points. Plain node, no browser.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { makeBmp, runTool, tempFolder, tools } = require('./support');
const { makeMap, centreAt, turnedBack } = require('./synthmap');
const { Bmp, Tilt, Bars, Lines, Frame, saveWithBars } = require('./desklib');
const { deskFit, measurementText } = require('./pagetools/deskfit');

const pictureOf = (bytes) => Bmp.open(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length));
const maps = {};
function mapOf(kind, blur) {
  const name = kind + (blur ? ' blurred' : '');
  if (!maps[name]) {
    // the cylindrical map leans right at the bottom, the conic one the other way
    const map = makeMap({ kind, blur, turn: kind === 'cylinder' ? 1.3 : -0.8, seed: kind === 'cylinder' ? 3 : 5 });
    const picture = pictureOf(map.bmp);
    maps[name] = { map, picture, levels: Lines.levelsOf(picture), ink: Lines.wholeInk(picture) };
  }
  return maps[name];
}
const kinds = [['cylinder', false], ['cylinder', true], ['conic', false], ['conic', true]];
const label = ([kind, blur]) => kind + (blur ? ', blurred' : '');
const roundHalfEven = Tilt.roundHalfEven;

test('the tilt found on the frame is within 0.05 degrees of the truth', () => {
  for (const k of kinds) {
    const { map, ink, levels } = mapOf(...k);
    const found = Frame.findTilt(ink, levels);
    assert.ok(found.ok, label(k));
    const error = Math.abs(found.degrees - map.g);
    console.log(`# tilt ${label(k)}: found ${found.degrees.toFixed(4)}, truth ${map.g}, off by ${error.toFixed(4)}`);
    assert.ok(error <= 0.05, `${label(k)}: ${found.degrees} for ${map.g}`);
    // the commands the tab offers come from the line found, and kippdreh's g is that angle
    const commands = Tilt.commands(found.line.from, found.line.to, map.width, map.height, 'karte.bmp');
    assert.strictEqual(commands.forms[0].command, 'kippdreh karte.bmp g=' + Tilt.twoDecimals(map.g));
  }
});

test('a side meridian of the conic map is refused, its neatline is not', () => {
  const { map, ink, levels } = mapOf('conic', false);
  const frame = Frame.findTilt(ink, levels);
  const western = map.meridians.find((m) => Math.abs(m.line[m.line.length - 1].y - m.line[0].y) > 600), side = map.sides.left;
  const meridian = Tilt.commands(western.line[5], western.line[western.line.length - 5], map.width, map.height, 'k.bmp');
  const neatline = Tilt.commands(side[0], side[1], map.width, map.height, 'k.bmp');
  const warning = Tilt.disagreement(meridian, frame.degrees);
  assert.match(warning, /^Meridiane laufen auf Kegelkarten zusammen: /);
  assert.strictEqual(Tilt.disagreement(neatline, frame.degrees), null);
  console.log(`# meridian ${western.lon}: g=${meridian.degrees.toFixed(2)}, neatline g=${neatline.degrees.toFixed(2)}, frame g=${frame.degrees.toFixed(2)}`);
});

test('a traced frame line stays within one pixel of the drawn line along its whole length', () => {
  for (const k of kinds) {
    const { map, picture, ink, levels } = mapOf(...k);
    // the top and left neatline; on the conic map also a curved parallel
    const lines = [{ key: 'top', line: map.sides.top, along: 'x' }, { key: 'left', line: map.sides.left, along: 'y' }];
    if (k[0] === 'conic') lines.push({ key: 'bottom', line: map.parallels[map.parallels.length - 2].line, along: 'x' });
    for (const { key, line, along } of lines) {
      const a = line[0], b = line[line.length - 1], across = along === 'x' ? 'y' : 'x';
      const click = line.length > 2 ? line[Math.floor(line.length / 3)] : { x: (2 * a.x + b.x) / 3, y: (2 * a.y + b.y) / 3 };
      const traced = Frame.traceLine(ink, levels, { x: Math.round(click.x), y: Math.round(click.y) + (along === 'x' ? 2 : 0) }, along);
      const polyline = Frame.polylineOf(traced, along);
      assert.ok(polyline.length >= 2, `${label(k)} ${key}`);
      // the polyline between its points, and the bar's edge painted from it
      const edges = Bars.edgePositions(polyline, key, along === 'x' ? picture.width : picture.height);
      let worst = 0, worstEdge = 0, counted = 0;
      const from = Math.ceil(Math.min(a[along], b[along])), to = Math.floor(Math.max(a[along], b[along]));
      for (let t = from + 2; t <= to - 2; t++) {
        const truth = centreAt(line, along, t);
        if (truth === null) continue;
        // beyond its ends the bars carry the line straight on
        const ends = [polyline[0], polyline[polyline.length - 1]];
        const traced = t <= ends[0][along] ? ends[0][across] : t >= ends[1][along] ? ends[1][across] : centreAt(polyline, along, t);
        worst = Math.max(worst, Math.abs(traced - truth));
        worstEdge = Math.max(worstEdge, Math.abs(edges[t] - truth));
        counted++;
      }
      const gaps = polyline.slice(1).map((p, i) => p[along] - polyline[i][along]);
      console.log(`# traced ${label(k)} ${key}: ${polyline.length} points, gaps ${Math.min(...gaps)}..${Math.max(...gaps)}, worst ${worst.toFixed(2)} px (painted edge ${worstEdge.toFixed(2)}) over ${counted}`);
      assert.ok(counted > 700, `${label(k)} ${key}: ${counted}`);
      assert.ok(worst <= 1, `${label(k)} ${key}: ${worst}`);
      assert.ok(Math.max(...gaps) <= 200 && Math.min(...gaps) >= 50, `${label(k)} ${key}: ${gaps}`);
      // the ends of the line are found, not guessed: the polyline spans the drawn line
      assert.ok(Math.abs(polyline[0][along] - from) <= 12 && Math.abs(polyline[polyline.length - 1][along] - to) <= 12, `${label(k)} ${key}: ${polyline[0][along]}..${polyline[polyline.length - 1][along]} for ${from}..${to}`);
    }
  }
});

test('a line in whole-pixel steps, as a turned picture has it, is traced from end to end', () => {
  // two pixels wide, one step down every 25 columns, crossed by a thin line at x=300
  const centre = (x) => 80 + Math.round(x * 0.04) + 0.5;
  const picture = pictureOf(makeBmp(600, 200, (x, y) =>
    Math.abs(y - centre(x)) < 1 || x === 300 ? [20, 20, 20] : [240, 236, 220]));
  const traced = Frame.traceLine(Lines.wholeInk(picture), Lines.levelsOf(picture), { x: 150, y: 86 }, 'x');
  const polyline = Frame.polylineOf(traced, 'x');
  assert.deepStrictEqual([polyline[0].x, polyline[polyline.length - 1].x], [0, 599]);
  for (let x = 0; x < 600; x++) assert.ok(Math.abs(centreAt(polyline, 'x', x) - centre(x)) <= 1, String(x));
});

// Three crossings as the user sets them: snapped, at whole pixels, typed.
function typedPoints(crossings, truths) {
  return truths.map((truth) => {
    let best = null;
    for (const c of crossings) if (!best || Math.hypot(c.x - truth.x, c.y - truth.y) < Math.hypot(best.x - truth.x, best.y - truth.y)) best = c;
    assert.ok(Math.hypot(best.x - truth.x, best.y - truth.y) < 25);
    return { x: roundHalfEven(best.x), y: roundHalfEven(best.y), longitude: truth.lon, latitude: truth.lat };
  });
}

test('the graticule read on from three points: 90 % of the crossings, each within a pixel, no coordinate wrong', () => {
  for (const k of kinds) {
    const { map, ink, levels } = mapOf(...k);
    const crossings = Lines.findCrossings(ink, levels);
    const node = (lon, lat) => map.crossings.find((c) => c.lon === lon && c.lat === lat);
    const typed = typedPoints(crossings, k[0] === 'cylinder' ? [node(8, 53), node(16, 53), node(12, 48)] : [node(9, 52), node(15, 52), node(12, 48)]);
    const read = Lines.readGraticule(typed, crossings);
    assert.ok(read.ok, label(k));
    assert.deepStrictEqual(read.step, { longitude: 1, latitude: 1 });
    let near = 0, worst = 0;
    for (const p of read.proposals) {
      const truth = node(p.longitude, p.latitude);
      assert.ok(truth, `${label(k)}: ${p.longitude} ${p.latitude} is no crossing inside the frame`);
      const off = Math.hypot(p.x - truth.x, p.y - truth.y);
      worst = Math.max(worst, off);
      if (off <= 1) near++;
    }
    const share = (read.proposals.length + typed.length) / map.crossings.length;
    console.log(`# crossings ${label(k)}: ${read.proposals.length} proposed + 3 typed of ${map.crossings.length} (${(100 * share).toFixed(1)} %), worst ${worst.toFixed(2)} px`);
    assert.strictEqual(near, read.proposals.length, `${label(k)}: worst ${worst}`);
    assert.ok(share >= 0.9, `${label(k)}: ${share}`);
  }
});

test('a picture without lines gives "keine Linien gefunden" and no proposals', () => {
  const flat = pictureOf(makeBmp(300, 200, () => [200, 190, 170]));
  // a photograph: soft shapes, no drawn line anywhere
  const photo = pictureOf(makeBmp(300, 200, (x, y) => {
    const v = 128 + 60 * Math.sin(x / 23) * Math.cos(y / 17) + 40 * Math.sin((x + y) / 41);
    return [v, v * 0.8, v * 0.6];
  }));
  for (const picture of [flat, photo]) {
    const ink = Lines.wholeInk(picture), levels = Lines.levelsOf(picture);
    assert.deepStrictEqual(Frame.findTilt(ink, levels), { ok: false, message: 'keine Linien gefunden' });
    const crossings = Lines.findCrossings(ink, levels);
    assert.deepStrictEqual(crossings, []);
    assert.deepStrictEqual(Lines.readGraticule([{ x: 10, y: 10, longitude: 1, latitude: 50 }, { x: 90, y: 90, longitude: 2, latitude: 49 }], crossings),
                           { ok: false, message: 'keine Linien gefunden' });
    assert.strictEqual(Frame.traceLine(ink, levels, { x: 150, y: 100 }, 'x'), null);
    assert.strictEqual(Lines.snapToLine(picture, levels, 150, 100, 8), null);
  }
});

test('angles as the measurement file takes them', () => {
  const cases = [[13, '13.0'], [-5, '-5.0'], [13.5, '13.5'], [13.25, '13.25'], [13 + 1 / 3, '132000'], [-(5 + 10 / 60), '-051000']];
  for (const [degrees, text] of cases) assert.strictEqual(Lines.angleText(degrees), text, String(degrees));
});

test('a cylindrical map through kippdreh, glattzug and messkart on the proposals alone', { skip: !fs.existsSync(tools.kippdreh) && 'tools not built' }, async () => {
  const folder = tempFolder('kette');
  const map = makeMap({ kind: 'cylinder', blur: true, turn: 1.3, seed: 11 });
  fs.writeFileSync(path.join(folder, 'KARTE.BMP'), map.bmp);
  // 1. the tilt found, taken out with the command the desk offers
  let picture = pictureOf(map.bmp);
  const tilt = Frame.findTilt(Lines.wholeInk(picture), Lines.levelsOf(picture));
  const command = Tilt.commands(tilt.line.from, tilt.line.to, map.width, map.height, 'KARTE.BMP').forms[0].command;
  assert.strictEqual(runTool('kippdreh', command.split(' ').slice(1), folder).status, 0);
  const straight = fs.readFileSync(path.join(folder, 'KARTE.TMP'));
  picture = pictureOf(straight);
  // where the truth went: turned back about the centre, into the larger picture
  const g = Number(command.split('=')[1]) * Math.PI / 180;
  const shiftX = (picture.width - map.width) / 2, shiftY = (picture.height - map.height) / 2;
  const turned = (p) => {
    const dx = p.x - Math.floor(map.width / 2), dy = p.y - Math.floor(map.height / 2);
    return { x: Math.floor(map.width / 2) + shiftX + dx * Math.cos(g) - dy * Math.sin(g),
             y: Math.floor(map.height / 2) + shiftY + dx * Math.sin(g) + dy * Math.cos(g) };
  };
  // 2. the left and right neatline traced from one click each, bars painted, glattzug h
  let ink = Lines.wholeInk(picture), levels = Lines.levelsOf(picture);
  const lines = Bars.emptyLines();
  for (const key of ['left', 'right']) {
    const [a, b] = map.sides[key].map(turned);
    const traced = Frame.traceLine(ink, levels, { x: Math.round((a.x + b.x) / 2), y: Math.round((a.y + b.y) / 2) }, 'y');
    lines[key] = Frame.polylineOf(traced, 'y');
    // on kippdreh's output, whose lines go in steps of a whole pixel
    let worst = 0;
    for (let y = Math.ceil(a.y) + 15; y <= b.y - 15; y++) {
      worst = Math.max(worst, Math.abs(centreAt(lines[key], 'y', y) - (a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y))));
    }
    console.log(`# chain: ${key} neatline traced on the turned picture, ${lines[key].length} points, worst ${worst.toFixed(2)} px`);
    assert.ok(worst <= 1, `${key}: ${worst}`);
  }
  const range = Bars.paintedRange(lines, 'h', picture.width, picture.height);
  const painted = await Bmp.paintedBlob(picture, Bars.rowSpans(range, picture.width), 'image/bmp');
  fs.writeFileSync(path.join(folder, 'KARTE2.BMP'), Buffer.from(await painted.arrayBuffer()));
  assert.strictEqual(runTool('glattzug', ['KARTE2.BMP', 'h'], folder).status, 0);
  picture = pictureOf(fs.readFileSync(path.join(folder, 'KARTE2.TMP')));
  const stretched = (p) => {
    const q = turned(p), row = Math.round(q.y), low = range.low[row], high = range.high[row];
    return { x: (q.x - low) * (picture.width - 1) / (high - low), y: q.y, lon: p.lon, lat: p.lat };
  };
  // 3. three crossings typed, the rest proposed and all accepted
  ink = Lines.wholeInk(picture); levels = Lines.levelsOf(picture);
  const crossings = Lines.findCrossings(ink, levels);
  const node = (lon, lat) => stretched(map.crossings.find((c) => c.lon === lon && c.lat === lat));
  const typed = typedPoints(crossings, [node(8, 53), node(16, 53), node(12, 48)]);
  const read = Lines.readGraticule(typed, crossings);
  const points = typed.concat(read.proposals.map((p) => ({ x: roundHalfEven(p.x), y: roundHalfEven(p.y), longitude: p.longitude, latitude: p.latitude })));
  const typedAs = points.map((p) => ({ x: p.x, longitude: Lines.angleText(p.longitude), y: p.y, latitude: Lines.angleText(p.latitude) }));
  fs.writeFileSync(path.join(folder, 'KARTE2.TXT'), measurementText(picture.width, picture.height, typedAs), 'latin1');
  const fit = await deskFit(picture.width, picture.height, typedAs);
  console.log(`# chain: ${command}, ${points.length} points of ${map.crossings.length} crossings, RMS ${fit.rms.toFixed(3)} px`);
  assert.ok(points.length >= 0.9 * map.crossings.length, String(points.length));
  assert.ok(fit.rms <= 1.5, String(fit.rms));
  const run = runTool('messkart', ['KARTE2.TXT'], folder);
  assert.strictEqual(run.status, 0, run.output);
  assert.strictEqual(fs.readFileSync(path.join(folder, 'KARTE2.INF'), 'latin1'), fit.infText);
});

// One frame line traced from a click at its middle; its worst distance from the drawn line.
function tracedAgainst(picture, truth, along) {
  const middle = truth[Math.floor(truth.length / 2)];
  const traced = Frame.traceLine(Lines.wholeInk(picture), Lines.levelsOf(picture), { x: Math.round(middle.x), y: Math.round(middle.y) }, along);
  const polyline = Frame.polylineOf(traced, along);
  const ends = [truth[0][along], truth[truth.length - 1][along]];
  let worst = 0;
  for (let t = Math.max(0, Math.ceil(Math.min(...ends))) + 15; t <= Math.min(picture[along === 'x' ? 'width' : 'height'] - 1, Math.max(...ends)) - 15; t++) {
    worst = Math.max(worst, Math.abs(centreAt(polyline, along, t) - centreAt(truth, along, t)));
  }
  return { polyline, worst };
}

test('a conic map through kippdreh, glattzug h, glattzug v 47 54 and messkart on the proposals alone', { skip: !fs.existsSync(tools.kippdreh) && 'tools not built' }, async () => {
  const folder = tempFolder('kegelkette');
  const map = makeMap({ kind: 'conic', blur: true, turn: -0.8, seed: 11 });
  fs.writeFileSync(path.join(folder, 'KARTE.BMP'), map.bmp);
  let picture = pictureOf(map.bmp);
  const tilt = Frame.findTilt(Lines.wholeInk(picture), Lines.levelsOf(picture));
  const command = Tilt.commands(tilt.line.from, tilt.line.to, map.width, map.height, 'KARTE.BMP').forms[0].command;
  assert.strictEqual(runTool('kippdreh', command.split(' ').slice(1), folder).status, 0);
  picture = pictureOf(fs.readFileSync(path.join(folder, 'KARTE.TMP')));
  const turned = turnedBack(map, picture, command);
  // bars along the outermost meridians that run from the top of the frame to its bottom, converging
  const lines = Bars.emptyLines();
  for (const [key, lon] of [['left', 3], ['right', 21]]) {
    const { polyline, worst } = tracedAgainst(picture, map.meridians.find((m) => m.lon === lon).line.map(turned), 'y');
    console.log(`# conic chain: meridian ${lon} traced, ${polyline.length} points, worst ${worst.toFixed(2)} px`);
    assert.ok(worst <= 1, `${lon}: ${worst}`);
    lines[key] = polyline;
  }
  const rows = await saveWithBars(folder, 'KARTE2.BMP', picture, lines, 'h');
  assert.strictEqual(runTool('glattzug', ['KARTE2.BMP', 'h'], folder).status, 0);
  picture = pictureOf(fs.readFileSync(path.join(folder, 'KARTE2.TMP')));
  const width = picture.width, height = picture.height;
  const stretched = (p) => {
    const q = turned(p), low = rows.low[Math.round(q.y)], high = rows.high[Math.round(q.y)];
    return { x: (q.x - low) * (width - 1) / (high - low), y: q.y, lon: p.lon, lat: p.lat };
  };
  // then along the curved parallels 54 and 47, which near the corners run close to the neatline
  const bars = Bars.emptyLines();
  for (const [key, lat] of [['top', 54], ['bottom', 47]]) {
    const { polyline, worst } = tracedAgainst(picture, map.parallels.find((p) => p.lat === lat).line.map(stretched), 'x');
    console.log(`# conic chain: parallel ${lat} traced after glattzug h, ${polyline.length} points from x=${polyline[0].x} to ${polyline[polyline.length - 1].x}, worst ${worst.toFixed(2)} px`);
    assert.ok(worst <= 1 && polyline[0].x <= 12 && polyline[polyline.length - 1].x >= width - 13, `${lat}: ${worst}`);
    bars[key] = polyline;
  }
  const columns = await saveWithBars(folder, 'KARTE3.BMP', picture, bars, 'v');
  assert.strictEqual(runTool('glattzug', ['KARTE3.BMP', 'v', '47', '54'], folder).status, 0);
  picture = pictureOf(fs.readFileSync(path.join(folder, 'KARTE3.TMP')));
  // each column's rows between the bars spread evenly in the latitude, then moved to even steps of its hyperbolic sine
  const S = (degrees) => Math.sinh(degrees * Math.PI / 180);
  const node = (lon, lat) => {
    const q = stretched(map.crossings.find((c) => c.lon === lon && c.lat === lat));
    const column = Math.max(0, Math.min(width - 1, Math.round(q.x))), low = columns.low[column], high = columns.high[column];
    const latitude = 54 - 7 * (q.y - low) / (high - low);
    return { x: q.x, y: (height - 1) * (S(latitude) - S(54)) / (S(47) - S(54)), lon, lat };
  };
  const ink = Lines.wholeInk(picture), levels = Lines.levelsOf(picture);
  const crossings = Lines.findCrossings(ink, levels);
  const typed = typedPoints(crossings, [node(9, 52), node(15, 52), node(12, 48)]);
  const read = Lines.readGraticule(typed, crossings);
  const points = typed.concat(read.proposals.map((p) => ({ x: roundHalfEven(p.x), y: roundHalfEven(p.y), longitude: p.longitude, latitude: p.latitude })));
  // no coordinate wrong: every point near its own crossing, a degree being some 84 pixels
  const offs = points.map((p) => Math.hypot(p.x - node(p.longitude, p.latitude).x, p.y - node(p.longitude, p.latitude).y));
  assert.ok(Math.max(...offs) <= 10, String(offs));
  const typedAs = points.map((p) => ({ x: p.x, longitude: Lines.angleText(p.longitude), y: p.y, latitude: Lines.angleText(p.latitude) }));
  fs.writeFileSync(path.join(folder, 'KARTE3.TXT'), measurementText(picture.width, picture.height, typedAs), 'latin1');
  const fit = await deskFit(picture.width, picture.height, typedAs);
  // the crossings on the picture's first and last row (parallels 47 and 54) are proposed too; meridians 3 and 21 lie in the edge columns
  const inner = map.crossings.filter((c) => c.lon > 3 && c.lon < 21 && c.lat > 47 && c.lat < 54).length;
  const onEdges = map.crossings.filter((c) => c.lon > 3 && c.lon < 21 && (c.lat === 47 || c.lat === 54)).length;
  const edgePoints = points.filter((p) => p.latitude === 47 || p.latitude === 54).length;
  console.log(`# conic chain: ${command}, ${crossings.length} crossings found, ${points.length} points of ${inner} inner crossings and ${onEdges} on the first and last row ` +
              `(${edgePoints} of them; worst ${Math.max(...offs).toFixed(2)} px from its truth), RMS ${fit.rms.toFixed(3)} px`);
  assert.ok(points.length - edgePoints >= 0.9 * inner, String(points.length));
  assert.ok(edgePoints >= 0.9 * onEdges, String(edgePoints));
  assert.ok(fit.rms <= 1.5, String(fit.rms));
  const run = runTool('messkart', ['KARTE3.TXT'], folder);
  assert.strictEqual(run.status, 0, run.output);
  assert.strictEqual(fs.readFileSync(path.join(folder, 'KARTE3.INF'), 'latin1'), fit.infText);
});
