// The per-user key store file can be edited by anyone: reading it must never crash, and a write
// must change only the value written.
#include "platform/RegistryText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view Key = "HKEY_CURRENT_USER\\SoftWare\\Quillbrook\\Velmora";
constexpr std::string_view Names[] = {"LogOK", "HintShow", "MinFormShow", "AutoRun", "Languare"};

bool Same(const std::optional<RegistryText::TValue>& a,
          const std::optional<RegistryText::TValue>& b) {
    if (a.has_value() != b.has_value())
        return false;
    return !a || (a->Type == b->Type && a->DWord == b->DWord && a->String == b->String);
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RegistryText::TDocument doc(text);

    // The last byte picks the value to write, so the fuzzer can steer it.
    const std::string_view written = Names[size == 0 ? 0 : data[size - 1] % std::size(Names)];
    std::optional<RegistryText::TValue> before[std::size(Names)];
    for (size_t i = 0; i < std::size(Names); ++i)
        before[i] = doc.Value(Key, Names[i]);

    Check(doc.SetValue(Key, written, RegistryText::TValue::FromDWord(0x162E)));
    const RegistryText::TDocument reread(doc.Text());
    for (size_t i = 0; i < std::size(Names); ++i) {
        const auto value = reread.Value(Key, Names[i]);
        if (Names[i] == written)
            Check(value && value->Type == RegistryText::TValueType::DWord &&
                  value->DWord == 0x162E);
        else
            Check(Same(value, before[i]));
    }
    RegistryText::TDocument again(doc.Text());
    Check(again.SetValue(Key, "Text", RegistryText::TValue::FromString("a\\\"b")));
    again.DeleteValue(Key, written);
    Check(!RegistryText::TDocument(again.Text()).Value(Key, written));
    Check(RegistryText::TDocument(again.Text()).Value(Key, "Text")->String == "a\\\"b");
    return 0;
}
