#pragma once

#include "common/QtPrint.h"
#include "common/TempDir.h"
#include "layouts/LayoutStore.h"
#include "layouts/ui/DisplaySetupForm.h"
#include "layouts/ui/OpenDialog.h"
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

// Upper bound for waiting on the video engine: a guard against a hang, never a measurement.
inline constexpr int VideoWaitCeilingMs = 30000;

// A temporary program folder with default media in its data folder, the error box
// and the program's end request caught, and no dialog answers left over.
class LayoutUiTest : public ::testing::Test {
protected:
    LayoutUiTest() {
        ProgramPaths::SetExecutablePath(dir.File("velmora"));
        FileIo::MakeFolders(dir.File("data"));
        QFile::copy(QStringLiteral(VELMORA_DATA_FOLDER "1.bmp"),
                    QString::fromStdString(dir.File("data/1.bmp")));
        // The default video is the tests' short clip: playing to the end takes a moment only.
        QFile::copy(QStringLiteral(VELMORA_TEST_DATA_FOLDER "short.avi"),
                    QString::fromStdString(dir.File("data/1.avi")));
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
