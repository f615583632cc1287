// Any file content through the .ini reader: every section and key it finds is read back.
#include "common/TempDir.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"

#include <cstdlib>
#include <string>

namespace {

// The folder goes with the process's end, also when the fuzzer stops at its time limit.
const std::string& FilePath() {
    static const TTempDir folder;
    static const std::string path = folder.File("fuzz.ini");
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    if (!FileIo::WriteAtomically(FilePath(), content))
        return 0;
    const TIniFile ini(FilePath());
    // Section names are whatever stands between brackets; try each line as one.
    size_t start = 0;
    int lines = 0;
    while (start <= content.size() && lines++ < 64) {
        const size_t end = std::min(content.find('\n', start), content.size());
        std::string line = content.substr(start, end - start);
        const auto open = line.find('[');
        const auto close = line.find(']');
        const std::string section =
            open != std::string::npos
                ? line.substr(open + 1,
                              close == std::string::npos ? std::string::npos : close - open - 1)
                : line;
        for (const auto& [key, value] : ini.ReadSectionValues(section)) {
            if (value.size() > TIniFile::MaxValueLength)
                std::abort();
            if (ini.ReadString(section, key, "") != value)
                std::abort();
            StrToIntDef(value, 0);
        }
        start = end + 1;
    }
    return 0;
}
