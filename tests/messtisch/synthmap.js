// Scanned maps made at test time, with the truth known: a cylindrical map
// (x linear in the longitude, y linear in the hyperbolic sine of the
// latitude, as messkart fits them) or a conic one (meridians converging,
// parallels as arcs), each with a one-degree graticule inside a straight
// neatline, names and town symbols, turned by a known angle, with paper
// noise and, if asked, the slight blur of a scanner. Pixel (i, j) has its
// centre at (i, j): the truth is given in the same pixel coordinates the
// desk measures in.
'use strict';
const { makeBmp } = require('./support');

const rad = Math.PI / 180;

function random(seed) {
  let a = seed >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

// The straight (untilted) map: geographic coordinates to picture pixels.
function projection(kind, width, height) {
  const cx = width / 2, cy = height / 2, latc = 50.5, lonc = 12, perDegree = 95;
  if (kind === 'cylinder') {
    const k = perDegree / (Math.cosh(latc * rad) * rad);
    return (lon, lat) => ({ u: cx + perDegree * (lon - lonc), v: cy - k * (Math.sinh(lat * rad) - Math.sinh(latc * rad)) });
  }
  const n = Math.sin(latc * rad), rho0 = perDegree / rad / Math.tan(latc * rad);
  return (lon, lat) => {
    const rho = rho0 + perDegree * (latc - lat), theta = n * (lon - lonc) * rad;
    return { u: cx + rho * Math.sin(theta), v: cy - rho0 + rho * Math.cos(theta) };
  };
}

// Distance of every pixel to a set of polylines, drawn as pixel coverage.
function coverage(width, height, polylines, lineWidth) {
  const distance = new Float32Array(width * height).fill(Infinity), reach = Math.ceil(lineWidth / 2 + 1.5);
  for (const line of polylines) {
    for (let i = 0; i + 1 < line.length; i++) {
      const a = line[i], b = line[i + 1], steps = Math.max(1, Math.ceil(Math.hypot(b.x - a.x, b.y - a.y) / 0.25));
      for (let s = 0; s <= steps; s++) {
        const px = a.x + (b.x - a.x) * s / steps, py = a.y + (b.y - a.y) * s / steps;
        const x0 = Math.round(px), y0 = Math.round(py);
        for (let y = y0 - reach; y <= y0 + reach; y++) {
          if (y < 0 || y >= height) continue;
          for (let x = x0 - reach; x <= x0 + reach; x++) {
            if (x < 0 || x >= width) continue;
            const d = Math.hypot(x - px, y - py), at = y * width + x;
            if (d < distance[at]) distance[at] = d;
          }
        }
      }
    }
  }
  const cover = new Float32Array(width * height);
  for (let i = 0; i < cover.length; i++) cover[i] = Math.max(0, Math.min(1, lineWidth / 2 + 0.5 - distance[i]));
  return cover;
}

// options: kind 'cylinder' | 'conic', width, height, turn (degrees the map
// is turned clockwise on the screen), noise (paper grain), blur, seed.
function makeMap(options) {
  const kind = options.kind, width = options.width || 1500, height = options.height || 1000;
  const turn = options.turn || 0, noise = options.noise === undefined ? 10 : options.noise, next = random(options.seed || 7);
  const project = projection(kind, width, height);
  const cx = width / 2, cy = height / 2, c = Math.cos(turn * rad), s = Math.sin(turn * rad);
  const place = (p) => ({ x: cx + (p.u - cx) * c - (p.v - cy) * s, y: cy + (p.u - cx) * s + (p.v - cy) * c });
  const frame = { left: cx - 640, right: cx + 640, top: cy - 380, bottom: cy + 380 };
  const insideFrame = (p, margin) => p.u > frame.left + margin && p.u < frame.right - margin &&
                                     p.v > frame.top + margin && p.v < frame.bottom - margin;

  // graticule lines, sampled densely and clipped to the frame
  const curve = (from, to, at) => {
    const points = [];
    for (let t = 0; t <= 400; t++) {
      const p = at(from + (to - from) * t / 400);
      if (insideFrame(p, 0)) points.push(place(p));
    }
    return points;
  };
  const meridians = [], parallels = [];
  for (let lon = -10; lon <= 40; lon++) {
    const line = curve(40, 60, (lat) => project(lon, lat));
    if (line.length > 1) meridians.push({ lon, line });
  }
  for (let lat = 40; lat <= 60; lat++) {
    const line = curve(-10, 40, (lon) => project(lon, lat));
    if (line.length > 1) parallels.push({ lat, line });
  }
  const corner = (u, v) => place({ u, v });
  const sides = {
    top: [corner(frame.left, frame.top), corner(frame.right, frame.top)],
    bottom: [corner(frame.left, frame.bottom), corner(frame.right, frame.bottom)],
    left: [corner(frame.left, frame.top), corner(frame.left, frame.bottom)],
    right: [corner(frame.right, frame.top), corner(frame.right, frame.bottom)],
  };
  const crossings = [];
  for (let lon = -10; lon <= 40; lon++) {
    for (let lat = 40; lat <= 60; lat++) {
      const p = project(lon, lat);
      if (insideFrame(p, 4)) crossings.push({ lon, lat, ...place(p) });
    }
  }

  // names (strokes on a 5 x 7 grid), town dots, pale rivers
  const glyphs = [];
  for (let g = 0; g < 26; g++) {
    const strokes = [];
    for (let k = 0; k < 3; k++) {
      strokes.push([{ x: Math.floor(next() * 5), y: Math.floor(next() * 7) }, { x: Math.floor(next() * 5), y: Math.floor(next() * 7) }]);
    }
    glyphs.push(strokes);
  }
  const text = [], dots = [];
  const word = (u, v, letters, size) => {
    for (let i = 0; i < letters; i++) {
      for (const [a, b] of glyphs[Math.floor(next() * glyphs.length)]) {
        text.push([place({ u: u + i * 6 * size + a.x * size, v: v + a.y * size }), place({ u: u + i * 6 * size + b.x * size, v: v + b.y * size })]);
      }
    }
  };
  for (let i = 0; i < 28; i++) {
    const u = frame.left + 30 + next() * 1150, v = frame.top + 30 + next() * 680;
    dots.push(place({ u, v }));
    word(u + 6, v - 4, 4 + Math.floor(next() * 6), 1.6);
  }
  for (const m of meridians) {
    const top = m.line[0];
    if (top) word(top.x - 8, frame.top - 40 + (top.y - place({ u: top.x, v: frame.top }).y), 2, 2);
  }
  word(cx - 150, frame.bottom + 40, 12, 3); // the sheet's title below the frame
  const rivers = [];
  for (let r = 0; r < 3; r++) {
    const points = [], v0 = frame.top + 100 + next() * 560, phase = next() * 6;
    for (let u = frame.left + 20; u < frame.right - 20; u += 4) points.push(place({ u, v: v0 + 25 * Math.sin(u / 90 + phase) }));
    rivers.push(points);
  }
  const dotLines = dots.map((d) => [{ x: d.x - 0.01, y: d.y }, { x: d.x + 0.01, y: d.y }]);

  const layers = [
    { cover: coverage(width, height, rivers, 2), colour: [120, 165, 235] },
    { cover: coverage(width, height, meridians.map((m) => m.line).concat(parallels.map((p) => p.line)), 1.8), colour: [20, 20, 20] },
    { cover: coverage(width, height, Object.values(sides), 3), colour: [10, 10, 10] },
    { cover: coverage(width, height, text, 1.3), colour: [45, 35, 30] },
    { cover: coverage(width, height, dotLines, 6), colour: [170, 30, 30] },
  ];
  let rgb = new Float32Array(width * height * 3);
  for (let i = 0; i < width * height; i++) {
    const x = i % width, y = Math.floor(i / width), shade = 4 * Math.sin(x / 170) * Math.cos(y / 130);
    const grain = noise * (next() + next() - 1);
    let r = 238 + shade + grain, g = 232 + shade + grain, b = 214 + shade + grain;
    for (const layer of layers) {
      const a = layer.cover[i];
      if (a > 0) { r += (layer.colour[0] - r) * a; g += (layer.colour[1] - g) * a; b += (layer.colour[2] - b) * a; }
    }
    rgb[3 * i] = r; rgb[3 * i + 1] = g; rgb[3 * i + 2] = b;
  }
  if (options.blur) rgb = blurred(rgb, width, height);
  const clamp = (v) => Math.max(0, Math.min(255, Math.round(v)));
  const bmp = makeBmp(width, height, (x, y) => {
    const i = 3 * (y * width + x);
    return [clamp(rgb[i]), clamp(rgb[i + 1]), clamp(rgb[i + 2])];
  });
  return {
    bmp, width, height, kind,
    // the kippdreh angle that straightens the map again
    g: -turn,
    crossings, sides, meridians, parallels,
    project: (lon, lat) => place(project(lon, lat)),
  };
}

// A scanner's slight blur: the binomial kernel 1 2 1 across and down.
function blurred(rgb, width, height) {
  const pass = (from, dx, dy) => {
    const to = new Float32Array(from.length);
    for (let y = 0; y < height; y++) {
      for (let x = 0; x < width; x++) {
        const xa = Math.max(0, x - dx), xb = Math.min(width - 1, x + dx), ya = Math.max(0, y - dy), yb = Math.min(height - 1, y + dy);
        for (let k = 0; k < 3; k++) {
          to[3 * (y * width + x) + k] = (from[3 * (ya * width + xa) + k] + 2 * from[3 * (y * width + x) + k] + from[3 * (yb * width + xb) + k]) / 4;
        }
      }
    }
    return to;
  };
  return pass(pass(rgb, 1, 0), 0, 1);
}

// The centre of a drawn line across its length: `along` is 'x' for a line
// that runs left to right, 'y' for one that runs downwards; null beyond it.
function centreAt(line, along, t) {
  const across = along === 'x' ? 'y' : 'x';
  for (let i = 0; i + 1 < line.length; i++) {
    const a = line[i], b = line[i + 1];
    if ((a[along] - t) * (b[along] - t) <= 0 && a[along] !== b[along]) {
      return a[across] + (b[across] - a[across]) * (t - a[along]) / (b[along] - a[along]);
    }
  }
  return null;
}

// A turned picture's pixel where kippdreh puts a point {x, y, ...} of the
// map it turned back by `command`; the point's other fields kept.
function turnedBack(map, picture, command) {
  const g = Number(command.split('=')[1]) * Math.PI / 180;
  const shiftX = (picture.width - map.width) / 2, shiftY = (picture.height - map.height) / 2;
  return (p) => {
    const dx = p.x - Math.floor(map.width / 2), dy = p.y - Math.floor(map.height / 2);
    return { ...p, x: Math.floor(map.width / 2) + shiftX + dx * Math.cos(g) - dy * Math.sin(g),
             y: Math.floor(map.height / 2) + shiftY + dx * Math.sin(g) + dy * Math.cos(g) };
  };
}

module.exports = { makeMap, centreAt, random, coverage, blurred, turnedBack };
