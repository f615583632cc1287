#include "Help.h"

#include "console/Settings.h"

#include <QMetaObject>
#include <QWidget>

namespace {

// Writes a text property the object really has; never creates a dynamic one.
void SetTextProperty(QObject& object, const char* property, const std::string& text) {
    if (object.metaObject()->indexOfProperty(property) >= 0)
        object.setProperty(property, QString::fromStdString(text));
}

} // namespace

TfmHelp::TfmHelp(QObject* parent) : QObject(parent) {
    setObjectName("fmHelp");
}

void TfmHelp::ApplyLanguage(int languageIndex, QWidget& mainWindow) {
    LanguageTable::Fill(table_, languageIndex);
    auto assignments = LanguageTable::Assignments(table_);
    for (TLanguageAssignment& status : LanguageTable::StatusAssignments(table_))
        assignments.push_back(std::move(status));
    for (const TLanguageAssignment& assignment : assignments) {
        const QString name = QString::fromLatin1(assignment.Control.data(),
                                                 static_cast<qsizetype>(assignment.Control.size()));
        QObject* control = mainWindow.findChild<QObject*>(name);
        if (control == nullptr)
            continue;
        SetTextProperty(*control,
                        assignment.Target == TLanguageTarget::Caption ? "text" : "toolTip",
                        assignment.Text);
    }
}

void TfmHelp::SwitchLanguage(int& languageIndex, QWidget& mainWindow) {
    languageIndex = LanguageTable::Switched(languageIndex);
    ApplyLanguage(languageIndex, mainWindow);
    // The new language stays applied even when it cannot be kept for the next start.
    Settings::WriteLanguage(languageIndex);
}
