// The names the page gives the pictures of the chain, as a console user
// renames the tools' .TMP files: the straightened scan SCAN-GERADE.BMP, the
// rows rectified KARTE-H.BMP, then the columns KARTE-HV.BMP. The picture with
// bars keeps the name the Balken tab saves it under, and its rectified
// picture drops that part again. The tools upper-case the name they are
// given, and so does the page.
define('ChainNames', [], function () {
  'use strict';

  function stem(name) { return String(name).toUpperCase().replace(/\.[^.\\\/]*$/, ''); }

  // The name the tool writes for input name: the extension replaced by .TMP.
  function tmpName(name) { return stem(name) + '.TMP'; }

  function turned(name) { return stem(name) + '-GERADE.BMP'; }

  // The picture with the bars of run ('h' or 'v') painted in.
  function withBars(name, run) { return stem(name) + '-BALKEN-' + run.toUpperCase() + '.BMP'; }

  // What glattzug's run makes of the picture (with bars) named name.
  function rectified(name, run) {
    var base = stem(name).replace(/-BALKEN-[HV]$/, ''), letter = run.toUpperCase();
    return (/-[HV]+$/.test(base) ? base + letter : base + '-' + letter) + '.BMP';
  }

  return { tmpName: tmpName, turned: turned, withBars: withBars, rectified: rectified };
});
