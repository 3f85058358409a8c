// messkart in the page on a measurement file of the Dateien panel: the
// .INF file it writes joins the files, and opens in the .INF tab.
define('MesskartStep', ['Desk', 'WorkFiles', 'ToolStep', 'Files'], function (Desk, WorkFiles, ToolStep, Files) {
  'use strict';

  function calibrate(name, bytes) {
    var files = {};
    files[name] = bytes;
    return ToolStep.run(Desk.$('dateien-lauf'), 'messkart', [name], files, /\.INF$/i).then(function (step) {
      if (!step.ok) return;
      return Files.openFile(new File([step.result.files[step.name]], step.name));
    });
  }

  WorkFiles.addAction(/\.txt$/i, 'messkart', 'die .INF-Datei aus dieser Messdatei mit messkart schreiben', calibrate);
  return { calibrate: calibrate };
});
