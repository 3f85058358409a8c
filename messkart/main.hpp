// messkart's whole run, from its banner to its exit code.
#pragma once

namespace messkart {

// In the run frame that turns a failed check into the failure report.
int run(int argc, char** argv);

} // namespace messkart
