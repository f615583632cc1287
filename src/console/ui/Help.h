#pragma once

#include "console/LanguageTable.h"

#include <QObject>

class QWidget;

// Holds the interface texts of the current language and writes them into the main window's
// controls. It is never shown; it exists so that every window reads the same texts.
class TfmHelp : public QObject {
    Q_OBJECT

public:
    explicit TfmHelp(QObject* parent = nullptr);

    // The texts of the language last applied; empty before the first ApplyLanguage.
    const TLanguageTable& Table() const { return table_; }

    // Fills the table for the language, then writes each text into the control of that object
    // name among the main window's children: a caption into the control's text, a hint into its
    // tool tip. Widgets and actions (the tray menu items) alike; a missing control is skipped.
    void ApplyLanguage(int languageIndex, QWidget& mainWindow);

    // Either arrow beside the language field: the other language, applied and saved at once.
    // Raises ERegistryException "Failed to set data for 'Languare'" after applying it when it
    // cannot be saved.
    void SwitchLanguage(int& languageIndex, QWidget& mainWindow);

private:
    TLanguageTable table_;
};
