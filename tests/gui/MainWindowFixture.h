#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/shapefile/OutputFiles.h"
#include "controls/statusbar/StatusBar.h"
#include "conversion/Clock.h"
#include "conversion/ConversionJob.h"
#include "forms/DesktopServices.h"
#include "forms/Tesselar.h"

// Texts as the user reads them in test failures.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tesselar::test {

// Message boxes that the user dismisses at once; the test reads what they said.
class RecordedMessages final : public MessageBoxes {
public:
    void Show(const QString& text) override { shown << text; }
    QStringList shown;
};

// A folder dialog that answers `answer` (empty: the user cancels).
class ScriptedFolderDialog final : public FolderDialog {
public:
    QString ChooseFolder(const QString& title) override {
        titles << title;
        return answer;
    }
    QString answer;
    QStringList titles;
};

// A file dialog that answers `answer` (empty: the user cancels) and records how it was asked.
class ScriptedFileDialog final : public FileDialog {
public:
    struct Request {
        QWidget* owner;
        QString title;
        QString startFolder;
        QString filter;
    };
    QString ChooseFile(QWidget* owner, const QString& title, const QString& startFolder,
                       const QString& filter) override {
        requests.push_back({owner, title, startFolder, filter});
        return answer;
    }
    QString answer;
    std::vector<Request> requests;
};

class CountedProgramEnd final : public ProgramEnd {
public:
    void EndProgram() override { ++count; }
    int count = 0;
};

// A main window, created as the program creates it, with services the test controls. The
// window is shown at once, in place of the splash window's hand-over.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<Tesselar>(
            job_,
            TesselarServices{messages_, folderDialog_, fileDialog_, programEnd_, *clock_, *files_});
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    template <class Control>
    Control& Find(const char* name) const {
        auto* control = window_->findChild<Control*>(QString::fromLatin1(name));
        if (control == nullptr) {
            throw std::logic_error(std::string("the window has no control ") + name);
        }
        return *control;
    }

    void Type(const char* box, const QString& text) const {
        QTest::keyClicks(&Find<QLineEdit>(box), text);
    }
    QString TextOf(const char* box) const { return Find<QLineEdit>(box).text(); }
    void Click(const char* button) const {
        QTest::mouseClick(&Find<QPushButton>(button), Qt::LeftButton);
    }
    QString PanelText(int panel) const {
        return Find<StatusBar>("StatusBar2").Panels(panel).text();
    }

    ConversionJob job_;
    RecordedMessages messages_;
    ScriptedFolderDialog folderDialog_;
    ScriptedFileDialog fileDialog_;
    CountedProgramEnd programEnd_;
    std::unique_ptr<Clock> clock_ = std::make_unique<SystemClock>();
    std::unique_ptr<OutputFileSystem> files_ = std::make_unique<PosixFileSystem>();
    std::unique_ptr<Tesselar> window_;
};

}  // namespace tesselar::test
