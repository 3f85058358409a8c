// kippdreh's whole run, from its banner to its exit code.
#pragma once

namespace kippdreh {

// In the run frame that turns a failed check into the failure report.
int run(int argc, char** argv);

} // namespace kippdreh
