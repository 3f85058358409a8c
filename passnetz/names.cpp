// The picture's name as the VRT carries it: the last component as this
// system divides names, refused when XML cannot carry it exactly, and kept
// from being read by GDAL as a path into another folder.
#include "exportrun.hpp"

#include "console.hpp"

#include <filesystem>

namespace passnetz {

namespace {

// Where this system ends a folder's name: on Windows "\" and a drive's ":"
// too; elsewhere they are plain characters of a file name.
#ifdef _WIN32
constexpr std::string_view folderSeparators = "/\\:";
#else
constexpr std::string_view folderSeparators = "/";
#endif

// The length of the well-formed UTF-8 sequence at text[at] of a character
// that XML 1.0 allows (tab, line feed and carriage return among the control
// characters; no surrogates, no U+FFFE or U+FFFF), or 0.
std::size_t xmlCharacterLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r' ? 1 : 0;
    std::size_t length = 0;
    std::uint32_t code = 0;
    std::uint32_t least = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2, code = lead & 0x1fu, least = 0x80;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3, code = lead & 0x0fu, least = 0x800;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4, code = lead & 0x07u, least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xc0u) != 0x80) return 0;
        code = (code << 6) | (byte(at + i) & 0x3fu);
    }
    if (code < least || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff) || code == 0xfffe || code == 0xffff) {
        return 0;
    }
    return length;
}

} // namespace

std::string_view pictureComponent(std::string_view name) {
    const std::size_t last = name.find_last_of(folderSeparators);
    return last == std::string_view::npos ? name : name.substr(last + 1);
}

bool xmlCarriesExactly(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = xmlCharacterLength(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string xmlEscaped(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        // An XML reader turns these, written plainly, into a line feed or a blank.
        case '\t': escaped += "&#9;"; break;
        case '\n': escaped += "&#10;"; break;
        case '\r': escaped += "&#13;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

VrtSource vrtSourceOf(const std::string& pictureName) {
    const std::string_view component = pictureComponent(pictureName);
    // GDAL reads a "\" in a name beside the VRT as the end of a folder; the
    // picture's whole name, from the root, it opens as it stands.
    if (component.find('\\') == std::string_view::npos) return {std::string(component), true};
    return {std::filesystem::absolute(pictureName).lexically_normal().string(), false};
}

bool refuseUnwritableName(ExportRun& run) {
    run.source = vrtSourceOf(run.pictureName);
    if (xmlCarriesExactly(run.source.name)) return true;
    consoleLine(std::string(unwritableNameMessage) + bell);
    waitForReturn();
    return false;
}

} // namespace passnetz
