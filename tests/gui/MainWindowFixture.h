#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <csignal>
#include <memory>
#include <stdexcept>
#include <string>

#include "controls/shapefile/OutputFiles.h"
#include "controls/statusbar/StatusBar.h"
#include "conversion/Clock.h"
#include "conversion/ConversionJob.h"
#include "forms/DesktopServices.h"
#include "forms/Tesselar.h"
#include "gui/WindowTestSupport.h"

namespace tesselar::test {

// Message boxes that the user dismisses at once; the test reads what they said.
class RecordedMessages final : public MessageBoxes {
public:
    void Show(const QString& text) override { shown << text; }
    QStringList shown;
};

// Folder and file dialogs that answer `answer` (empty: the user cancels) and record how they
// were asked: the folder dialog's title, or "owner's title|title|start folder|filter".
class ScriptedDialogs final : public FolderDialog, public FileDialog {
public:
    QString ChooseFolder(const QString& title) override {
        asked << title;
        return answer;
    }
    QString ChooseFile(QWidget* owner, const QString& title, const QString& startFolder,
                       const QString& filter) override {
        asked << QStringList{owner->windowTitle(), title, startFolder, filter}.join('|');
        return answer;
    }
    QString answer;
    QStringList asked;
};

// Records the status of every end of the program.
class RecordedProgramEnd final : public ProgramEnd {
public:
    void EndProgram(int exitStatus) override { statuses << exitStatus; }
    QList<int> statuses;
};

// A main window, created as the program creates it, with services the test controls. The window is
// shown at once, in place of the splash window's hand-over.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateWindow();
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    void CreateWindow() {
        window_ = std::make_unique<Tesselar>(
            job_, TesselarServices{messages_, dialogs_, dialogs_, programEnd_, *clock_, *files_,
                                   StopRequest(stopSignal_)});
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

    void AddAttribute(const QString& name, const QString& file) const {
        Type("AttribName_TB", name);
        Type("AttribFile_TB", file);
        Click("AddAttribute");
    }

    ConversionJob job_;
    RecordedMessages messages_;
    ScriptedDialogs dialogs_;
    RecordedProgramEnd programEnd_;
    std::unique_ptr<Clock> clock_ = std::make_unique<SystemClock>();
    std::unique_ptr<OutputFileSystem> files_ = std::make_unique<PosixFileSystem>();
    std::unique_ptr<Tesselar> window_;
    // What a signal handler would set to stop a conversion.
    volatile std::sig_atomic_t stopSignal_ = 0;
};

}  // namespace tesselar::test
