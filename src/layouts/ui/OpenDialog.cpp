#include "layouts/ui/OpenDialog.h"

#include <QFileDialog>
#include <deque>
#include <optional>

namespace {

// An empty optional cancels the dialog.
std::deque<std::optional<QString>>& NextAnswers() {
    static std::deque<std::optional<QString>> answers;
    return answers;
}

int executeCount = 0;

} // namespace

bool TOpenDialog::Execute() {
    ++executeCount;
    if (!NextAnswers().empty()) {
        const std::optional<QString> answer = NextAnswers().front();
        NextAnswers().pop_front();
        if (!answer)
            return false;
        fileName_ = *answer;
        return true;
    }
    const QString chosen = QFileDialog::getOpenFileName(parent_);
    if (chosen.isEmpty())
        return false;
    fileName_ = chosen;
    return true;
}

void TOpenDialog::SetNextFileName(const QString& fileName) {
    NextAnswers().emplace_back(fileName);
}

void TOpenDialog::SetNextCancel() {
    NextAnswers().emplace_back(std::nullopt);
}

void TOpenDialog::ClearNextAnswers() {
    NextAnswers().clear();
}

int TOpenDialog::ExecuteCount() {
    return executeCount;
}
