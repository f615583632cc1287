#pragma once

#include "common/CheckoutPaths.h"
#include "common/QtPrint.h"
#include "common/TempDir.h"
#include "platform/FileIo.h"
#include "platform/ProgramPaths.h"

#include <QFile>
#include <QString>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

// Upper bound for waiting on the video engine: a guard against a hang, never a measurement.
inline constexpr int VideoWaitCeilingMs = 30000;

// A temporary program folder with default media in its data folder.
class LayoutViewTest : public ::testing::Test {
protected:
    LayoutViewTest() {
        ProgramPaths::SetExecutablePath(dir.File("velmora"));
        FileIo::MakeFolders(dir.File("data"));
        QFile::copy(QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_DATA_FOLDER "1.bmp")),
                    QString::fromStdString(dir.File("data/1.bmp")));
        // The default video is the tests' short clip: playing to the end takes a moment only.
        QFile::copy(
            QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_TEST_DATA_FOLDER "short.avi")),
            QString::fromStdString(dir.File("data/1.avi")));
    }
    ~LayoutViewTest() override { ProgramPaths::SetExecutablePath(""); }

    static QString TestData(const char* name) {
        return QString::fromStdString(CheckoutPaths::SourceFile(VELMORA_TEST_DATA_FOLDER)) +
               QLatin1String(name);
    }
    QString TempFile(const std::string& name) const {
        return QString::fromStdString(dir.File(name));
    }

    TTempDir dir;
    TConfigHomeGuard home{dir.Path()};
};
