#include "mediacache/MediaIndex.h"

#include <charconv>

namespace {

constexpr std::string_view Header = "velmora-media-index 1";
constexpr size_t FieldCount = 8;

std::string Escaped(std::string_view field) {
    std::string out;
    for (const char c : field) {
        switch (c) {
        case '%':
            out += "%25";
            break;
        case '\t':
            out += "%09";
            break;
        case '\r':
            out += "%0D";
            break;
        case '\n':
            out += "%0A";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::optional<std::string> Unescaped(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        const std::string_view code = field.substr(i + 1, 2);
        if (code == "25")
            out += '%';
        else if (code == "09")
            out += '\t';
        else if (code == "0D")
            out += '\r';
        else if (code == "0A")
            out += '\n';
        else
            return std::nullopt;
        i += 2;
    }
    return out;
}

std::optional<int64_t> Number(std::string_view text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t at = line.find(separator);
        parts.push_back(line.substr(0, at));
        if (at == line.npos)
            return parts;
        line.remove_prefix(at + 1);
    }
}

std::optional<TCachedFile> FileOf(std::string_view line) {
    const auto raw = Split(line, '\t');
    if (raw.size() != FieldCount)
        return std::nullopt;
    std::vector<std::string> f;
    for (const std::string_view field : raw) {
        auto text = Unescaped(field);
        if (!text)
            return std::nullopt;
        f.push_back(std::move(*text));
    }
    const auto size = Number(f[2]);
    const auto modified = Number(f[3]);
    const auto shown = Number(f[7]);
    // A name is a plain file name of the folder: nothing else may ever be removed through it.
    const bool plainName = !f[0].empty() && f[0].front() != '.' && f[0].find('/') == f[0].npos;
    if (!size || !modified || !shown || !plainName || f[6].size() != 64)
        return std::nullopt;
    return TCachedFile{f[0], f[1], *size, *modified, f[4], f[5], f[6], *shown};
}

} // namespace

namespace MediaIndex {

std::string Text(const std::vector<TCachedFile>& files) {
    std::string text = std::string(Header) + "\n";
    for (const TCachedFile& file : files) {
        text += Escaped(file.Name) + '\t' + Escaped(file.Source) + '\t' +
                std::to_string(file.Size) + '\t' + std::to_string(file.SourceModified) + '\t' +
                Escaped(file.ETag) + '\t' + Escaped(file.LastModified) + '\t' +
                Escaped(file.Sha256) + '\t' + std::to_string(file.LastShown) + '\n';
    }
    return text;
}

std::vector<TCachedFile> Parse(std::string_view text) {
    std::vector<TCachedFile> files;
    const auto lines = Split(text, '\n');
    if (lines.empty() || lines.front() != Header)
        return files;
    for (size_t i = 1; i < lines.size(); ++i) {
        if (auto file = FileOf(lines[i]))
            files.push_back(std::move(*file));
    }
    return files;
}

} // namespace MediaIndex
