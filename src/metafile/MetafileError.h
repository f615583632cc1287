#pragma once

#include <stdexcept>
#include <string>

// A metafile that cannot be loaded: the file cannot be opened, is not a metafile, or is damaged.
// The message names the file, so the general error box can show it as it stands.
class EMetafileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
