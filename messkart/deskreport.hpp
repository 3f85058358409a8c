// The measuring desk's reading of a measurement file, for the page's build
// of messkart: the tool's own reader, fits and .INF writer, and beside the
// .INF a report of what the desk shows (the file's lines, each point where
// the fit puts it, the spread). messkart itself prints no residuals, so this
// is a program of its own, messkartbericht, which only the page builds.
#pragma once

namespace messkart {

// messkartbericht <Messdatei> [pruefen [<Nummer> ...]]
// Without "pruefen" the file is read as messkart reads it, stopping at the
// first field that does not read; the report lists its lines for the desk's
// table. With it, data lines whose fields do not read are named in the
// report and left out of the fit, as are the data lines numbered after it
// (counted from 1): the desk's rows switched off. Console and exit code are
// messkart's; the report (<Messdatei>.BER) is written however reading ends,
// except after a failure report.
int deskReportRun(int argc, char** argv);

} // namespace messkart
