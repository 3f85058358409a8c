// The process's standard streams, as the console uses them.
#pragma once

#include <cstddef>
#include <cstdint>

// Opens closed standard streams on the null device, switches them to binary
// mode, and makes a broken pipe or an exceeded file-size limit show as a
// failed write (an error number) instead of a signal that ends the process.
void prepareStandardStreams();

// One transfer: the count moved, or -1 with error set to the platform's number.
std::int64_t readStandardInput(void* buffer, std::size_t count, int& error);
std::int64_t writeStandardOutput(const void* buffer, std::size_t count, int& error);
