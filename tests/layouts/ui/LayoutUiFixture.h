#pragma once

#include "layouts/LayoutStore.h"
#include "layouts/ui/DisplaySetupForm.h"
#include "layouts/ui/OpenDialog.h"
#include "layoutview/LayoutViewFixture.h"
#include "platform/IniFile.h"
#include "widgets/ErrorBox.h"

#include <QColor>
#include <QRect>
#include <QSizeF>
#include <QStringList>
#include <memory>
#include <ostream>

// The program folder of the layout view's tests, with the error box and the program's end
// request caught, and no dialog answers left over.
class LayoutUiTest : public LayoutViewTest {
protected:
    LayoutUiTest() {
        ErrorBox::SetTestSink([this](const QString& message) { errors << message; });
        TfmDisplaySetup::SetQuitRequestHandler([this] { ++quitRequests; });
        TOpenDialog::ClearNextAnswers();
    }
    ~LayoutUiTest() override {
        form.reset();
        TOpenDialog::ClearNextAnswers();
        TfmDisplaySetup::SetQuitRequestHandler({});
        ErrorBox::SetTestSink({});
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

    std::string IniValue(const std::string& section, const std::string& key) const {
        return TIniFile(ProgramPaths::IniPath()).ReadString(section, key, "<missing>");
    }

    std::unique_ptr<TfmDisplaySetup> form;
    QStringList errors;
    int quitRequests = 0;
};
