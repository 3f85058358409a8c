// The bars painted from the frame lines: each line's edge per row or column,
// rounded with halves upwards in exact integers, cut to the picture, and the
// painted runs of each row that the picture with bars is written from.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { Bars } = require('./desklib');

const edges = [
  // key, points, length, edge positions
  { key: 'left', points: [{ x: 2, y: 0 }, { x: 5, y: 2 }], length: 4, edges: [2, 4, 5, 5] },  // 3.5 rounds up
  { key: 'left', points: [{ x: 5, y: 0 }, { x: 2, y: 2 }], length: 4, edges: [5, 4, 2, 2] },  // 3.5 rounds up too
  { key: 'right', points: [{ x: 7, y: 1 }, { x: 7, y: 2 }], length: 4, edges: [7, 7, 7, 7] }, // straight on beyond both ends
  { key: 'top', points: [{ x: 0, y: 0 }, { x: 4, y: 2 }], length: 5, edges: [0, 1, 1, 2, 2] },
  { key: 'bottom', points: [{ x: 1, y: 9 }, { x: 2, y: 3 }, { x: 4, y: 4 }], length: 6, edges: [9, 9, 3, 4, 4, 4] },
];
for (const c of edges) {
  test(`edge positions of a ${c.key} line through ${JSON.stringify(c.points)}`, () => {
    assert.deepStrictEqual([...Bars.edgePositions(c.points, c.key, c.length)], c.edges);
  });
}

test('points are kept in order along their line', () => {
  const left = [{ x: 3, y: 9 }, { x: 1, y: 2 }], top = [{ x: 8, y: 1 }, { x: 2, y: 5 }];
  Bars.sortLine(left, 'left');
  Bars.sortLine(top, 'top');
  assert.deepStrictEqual([left, top], [[{ x: 1, y: 2 }, { x: 3, y: 9 }], [{ x: 2, y: 5 }, { x: 8, y: 1 }]]);
  assert.deepStrictEqual([Bars.alongOf('left'), Bars.alongOf('bottom')], ['y', 'x']);
});

test('run h: the rows painted left of the left line and right of the right one, cut to the picture', () => {
  const lines = Bars.emptyLines();
  lines.left = [{ x: -3, y: 0 }, { x: 5, y: 2 }];   // leaves the picture on the left
  lines.right = [{ x: 6, y: 0 }, { x: 12, y: 3 }];  // and on the right
  const range = Bars.paintedRange(lines, 'h', 8, 4);
  assert.deepStrictEqual([[...range.low], [...range.high]], [[0, 1, 5, 5], [6, 7, 7, 7]]);
  const spans = Bars.rowSpans(range, 8);
  assert.deepStrictEqual([0, 1, 2, 3].map(spans), [[[7, 7]], [[0, 0]], [[0, 4]], [[0, 4]]]);
});

test('run h with one line: the other side stays map', () => {
  const lines = Bars.emptyLines();
  lines.right = [{ x: 3, y: 0 }, { x: 3, y: 1 }];
  const range = Bars.paintedRange(lines, 'h', 5, 2);
  assert.deepStrictEqual([[...range.low], [...range.high]], [[0, 0], [3, 3]]);
  assert.deepStrictEqual([0, 1].map(Bars.rowSpans(range, 5)), [[[4, 4]], [[4, 4]]]);
});

test('run v: rows above a slanted top line painted where they lie above it, the middle rows not at all', () => {
  const lines = Bars.emptyLines();
  lines.top = [{ x: 0, y: 0 }, { x: 4, y: 2 }];
  lines.bottom = [{ x: 0, y: 4 }, { x: 4, y: 3 }];
  const range = Bars.paintedRange(lines, 'v', 5, 5);
  assert.deepStrictEqual([[...range.low], [...range.high]], [[0, 1, 1, 2, 2], [4, 4, 4, 3, 3]]);
  const spans = Bars.rowSpans(range, 5);
  assert.deepStrictEqual([0, 1, 2, 3, 4].map(spans), [[[1, 4]], [[3, 4]], [], [], [[3, 4]]]);
});
