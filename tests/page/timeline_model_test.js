'use strict';
// The timeline editor's model: selection, edits with undo and redo, and the saved document.
const {test} = require('node:test');
const assert = require('node:assert/strict');
const path = require('path');
const {TimelineModel, tlReadLoadDocument} = require(path.join(process.env.VELOTAP_UI, 'js', 'tl_model.js'));

const times = m => Array.from(m.ev.time);

test('edits keep time order and undo and redo step through them', () => {
  const m = new TimelineModel();
  // Loaded out of order: shown sorted, equal times keeping their order.
  assert.equal(m.load([[0, 2, 1, 1, 0, 0, 0, 0], [3, 1, 0, 0, 0, 65, 1, 0],
                       [3, 1, 0, 0, 0, 65, 0, 0]]), true);
  assert.deepEqual(times(m), [1, 1, 2]);
  assert.deepEqual(Array.from(m.ev.down), [1, 0, 0]);

  m.selectRange(0.5, 1.5, null, false);
  assert.equal(m.selCount, 2);
  assert.ok(m.moveSelected(5));
  assert.deepEqual(times(m), [2, 6, 6]);
  assert.ok(m.moveSelected(-100));  // never before 0
  assert.deepEqual(times(m), [0, 0, 2]);
  m.selectAll();
  assert.ok(m.scaleSelected(0.5));
  assert.deepEqual(times(m), [0, 0, 1]);
  assert.ok(m.deleteSelected());
  assert.equal(m.count, 0);
  assert.ok(m.undo());
  assert.deepEqual(times(m), [0, 0, 1]);
  assert.ok(m.undo());
  assert.deepEqual(times(m), [0, 0, 2]);
  assert.ok(m.redo());
  assert.deepEqual(times(m), [0, 0, 1]);

  m.selectNone();
  m.select(2);
  assert.ok(m.copySelection());
  assert.ok(m.paste(3));
  assert.deepEqual(times(m), [0, 0, 1, 3]);
  assert.ok(m.insertWait(0.5, 1));
  assert.deepEqual(times(m), [0, 0, 2, 4]);
  assert.ok(!m.canRedo);
});

test('the saved document has the three members and every event as eight numbers', () => {
  const m = new TimelineModel();
  m.load([[2, 0.25, 10, 20, 2, 0, 1, 0], [4, 0.5, 0, 0, 0, 0, 0, -120]]);
  assert.equal(JSON.stringify(m.document('ab', 'cd')),
               '{"nonce":"ab","loadNonce":"cd","events":[[2,0.25,10,20,2,0,1,0],' +
               '[4,0.5,0,0,0,0,0,-120]]}');
});

test('the load document reads as JSON.parse reads it', () => {
  const head = '{"profile":"a \\"events\\":[","profileIdx":0,"keys":{"65":"A"},';
  const cases = [
    head + '"events":[]}',
    head + '"events":[[0,0.1,-5,7,0,0,0,0],[3,1e-05,0,0,0,65,1,0],[4,2.5E+3,0,0,0,0,0,-120]]}',
    head + '"events":[[0,0.30000000000000004,1,2,0,0,0,0],[0,123456.789012345,0,0,0,0,0,0]]}',
    head + '"events":[[0, 1,2,3,0,0,0,0]]}',  // white space: read by JSON.parse
    head + '"events":[[0,1,2,3,0,0,0]]}',     // seven numbers: JSON.parse keeps what is there
    '{"error":"This macro has 1000001 events."}',
  ];
  for (const text of cases) {
    const {doc, ev} = tlReadLoadDocument(text);
    const want = JSON.parse(text);
    assert.equal(doc.profile, want.profile, text);
    assert.equal(doc.error, want.error, text);
    assert.deepEqual(doc.keys, want.keys, text);
    const rows = (want.events || []).map(r => [...r, 0, 0, 0, 0, 0, 0, 0, 0].slice(0, 8));
    assert.deepEqual(Array.from({length: ev.n}, (_, i) => ev.row(i)),
                     rows.map(r => r.map((v, k) => k === 6 ? (v ? 1 : 0) : v)), text);
  }
  assert.throws(() => tlReadLoadDocument('{"events":[[0,1'), SyntaxError);
});
