#include "ShownText.h"

#include "platform/CodePage1251.h"

namespace ShownText {

QString FromBytes(std::string_view bytes) {
    return QString::fromStdString(CodePage1251::ToUtf8(bytes));
}

std::optional<std::string> ToBytes(const QString& text) {
    return CodePage1251::FromUtf8(text.toStdString());
}

std::string ToBytesLossy(const QString& text) {
    return CodePage1251::FromUtf8Literal(text.toStdString());
}

} // namespace ShownText
