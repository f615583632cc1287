#pragma once

#include <QString>

class QWidget;

// The open-file dialog of the layout window: no filter, no initial folder, so that every file
// stays within reach, a playlist (.m3u, .m3u8) like any other. Tests answer it in
// advance instead of clicking a modal dialog blind: each queued answer is used by one Execute.
class TOpenDialog {
public:
    explicit TOpenDialog(QWidget* parent = nullptr) : parent_(parent) {}

    // Shows the dialog modally; true when the operator chose a file.
    bool Execute();
    // The chosen file's full path.
    const QString& FileName() const { return fileName_; }

    static void SetNextFileName(const QString& fileName);
    static void SetNextCancel();
    // Forgets answers that no Execute used.
    static void ClearNextAnswers();
    // How many times a dialog was shown or answered from the queue.
    static int ExecuteCount();

private:
    QWidget* parent_;
    QString fileName_;
};
