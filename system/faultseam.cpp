// The test seam that fails one chosen file call; reads its variable once.
#include "faultseam.hpp"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

struct ChosenFault {
    bool active = false;
    FaultCall call = FaultCall::Size;
    long occurrence = 0;
};

ChosenFault parsedFault(const char* setting) {
    ChosenFault fault;
    if (setting == nullptr) return fault;
    const char* colon = std::strchr(setting, ':');
    if (colon == nullptr) return fault;
    const std::size_t nameLength = static_cast<std::size_t>(colon - setting);
    const struct {
        const char* name;
        FaultCall call;
    } names[] = {{"fstat", FaultCall::Size},       {"ftruncate", FaultCall::Truncate},
                 {"close", FaultCall::Close},      {"rename", FaultCall::Rename},
                 {"tmpfile", FaultCall::Temporary}, {"fsetxattr", FaultCall::SetAccessList}};
    for (const auto& entry : names) {
        if (std::strlen(entry.name) != nameLength || std::strncmp(entry.name, setting, nameLength) != 0) continue;
        fault.active = true;
        fault.call = entry.call;
        fault.occurrence = std::strtol(colon + 1, nullptr, 10);
    }
    return fault;
}

ChosenFault& chosenFault() {
    static ChosenFault fault = parsedFault(std::getenv("KARTEN_TEST_FAULT"));
    return fault;
}

std::atomic<long> calls{0};

} // namespace

int injectedFault(FaultCall call) {
    const ChosenFault& fault = chosenFault();
    if (!fault.active || call != fault.call) return 0;
    return calls.fetch_add(1) + 1 == fault.occurrence ? EIO : 0;
}

void chooseFault(const char* setting) {
    chosenFault() = parsedFault(setting);
    calls.store(0);
}
