// The standard streams as the console uses them: whole writes, reads that
// see the end of input.
#include "standardstreams.hpp"

#include "platform.hpp"

void prepareStandardStreams() { platform::prepareStandardStreams(); }

std::int64_t readStandardInput(void* buffer, std::size_t count, int& error) {
    return platform::readStandardInput(buffer, count, error);
}

std::int64_t writeStandardOutput(const void* buffer, std::size_t count, int& error) {
    return platform::writeStandardOutput(buffer, count, error);
}
