// The running process, as far as the tools need it.
#pragma once

// The system's number of this process, to make names that no other run uses.
int processNumber();
