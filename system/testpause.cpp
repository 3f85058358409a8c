// The test seam that holds a run at a named point until the test lets it go.
#include "testpause.hpp"

#include "platform.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void pauseForTest(const char* point, const std::string& reachableAs) {
    const char* setting = std::getenv("KARTEN_TEST_PAUSE");
    if (setting == nullptr) return;
    const std::size_t pointLength = std::strlen(point);
    if (std::strncmp(setting, point, pointLength) != 0 || setting[pointLength] != ':') return;
    const char* marker = setting + pointLength + 1;
    std::FILE* file = std::fopen(marker, "wb");
    if (file == nullptr) return;
    std::fputs(reachableAs.c_str(), file);
    std::fclose(file);
    while (std::FILE* still = std::fopen(marker, "rb")) {
        std::fclose(still);
        platform::sleepMilliseconds(10);
    }
}
