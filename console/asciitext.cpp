// Letter case of the tools' 7-bit text.
#include "asciitext.hpp"

std::string upperCaseAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}
