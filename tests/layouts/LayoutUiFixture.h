#pragma once

#include "common/TempDir.h"
#include "layouts/DisplaySetupForm.h"
#include "layouts/LayoutStore.h"
#include "layouts/OpenDialog.h"
#include "platform/FileIo.h"
#include "platform/IniFile.h"
#include "platform/ProgramPaths.h"
#include "widgets/ErrorBox.h"

#include <QColor>
#include <QFile>
#include <QRect>
#include <QSizeF>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Readable failure messages for the Qt values the tests compare.
inline void PrintTo(const QString& value, std::ostream* out) {
    *out << '"' << value.toStdString() << '"';
}
inline void PrintTo(const QRect& r, std::ostream* out) {
    *out << "(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}
inline void PrintTo(const QSize& s, std::ostream* out) {
    *out << s.width() << " x " << s.height();
}
inline void PrintTo(const QSizeF& s, std::ostream* out) {
    *out << s.width() << " x " << s.height();
}
inline void PrintTo(const QColor& c, std::ostream* out) {
    *out << c.name().toStdString();
}

// Upper bound for waiting on the video engine: a guard against a hang, never a measurement.
inline constexpr int VideoWaitCeilingMs = 30000;

// A temporary program folder with the shipped default media in its data folder, the error box
// and the program's end request caught, and no dialog answers left over.
class LayoutUiTest : public ::testing::Test {
protected:
    LayoutUiTest() {
        ProgramPaths::SetExecutablePath(dir.File("velmora"));
        FileIo::MakeFolders(dir.File("data"));
        for (const char* name : {"1.bmp", "1.avi"})
            QFile::copy(QStringLiteral(VELMORA_DATA_FOLDER) + name,
                        QString::fromStdString(dir.File("data/") + name));
        ErrorBox::SetTestSink([this](const QString& message) { errors << message; });
        TfmDisplaySetup::SetQuitRequestHandler([this] { ++quitRequests; });
        TOpenDialog::ClearNextAnswers();
    }
    ~LayoutUiTest() override {
        form.reset();
        TOpenDialog::ClearNextAnswers();
        TfmDisplaySetup::SetQuitRequestHandler({});
        ErrorBox::SetTestSink({});
        ProgramPaths::SetExecutablePath("");
        CurrentDisplayType = 1;
    }

    // Opens the layout window the way the program does, but shown without a modal loop.
    TfmDisplaySetup& Open(TfmDisplaySetup::TMode mode, int displayType,
                          const std::string& client = "Client 1") {
        form.reset();
        CurrentDisplayType = displayType;
        form = std::make_unique<TfmDisplaySetup>();
        form->Mode = mode;
        form->LayoutClientName = client;
        form->BuildLayout();
        form->LoadLayout();
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QCoreApplication::processEvents();
        return *form;
    }

    static QString TestData(const char* name) {
        return QStringLiteral(VELMORA_TEST_DATA_FOLDER) + QLatin1String(name);
    }
    QString TempFile(const std::string& name) const {
        return QString::fromStdString(dir.File(name));
    }
    std::string IniValue(const std::string& section, const std::string& key) const {
        return TIniFile(ProgramPaths::IniPath()).ReadString(section, key, "<missing>");
    }

    TTempDir dir;
    TConfigHomeGuard home{dir.Path()};
    std::unique_ptr<TfmDisplaySetup> form;
    QStringList errors;
    int quitRequests = 0;
};
