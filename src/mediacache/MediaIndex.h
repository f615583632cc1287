#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the cache knows of one copy: where it came from, what the source said of it then (so that
// a later check can ask whether it changed), and what its content must hash to.
struct TCachedFile {
    std::string Name;           // the copy's file name in the cache folder
    std::string Source;         // the source's location: a path or an address
    int64_t Size = 0;           // bytes
    int64_t SourceModified = 0; // a folder source's modification time, ns since the epoch
    std::string ETag;           // a web source's validators, as it sent them
    std::string LastModified;
    std::string Sha256;    // of the content, lower-case hex
    int64_t LastShown = 0; // seconds since the epoch: the least recently shown go first

    bool operator==(const TCachedFile&) const = default;
};

// The cache's index file: a header line, then one line per copy, its fields separated by tabs,
// each field with '%', tab, CR and LF written as %25, %09, %0D, %0A.
namespace MediaIndex {

std::string Text(const std::vector<TCachedFile>& files);

// The copies the text names. A damaged line is left out (its copy is then unknown and goes);
// a text without the header names none.
std::vector<TCachedFile> Parse(std::string_view text);

} // namespace MediaIndex
