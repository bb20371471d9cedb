// "Create Shape File": checks the inputs, copies them into the job, reads the input files and
// writes the shape file, then reports and ends the program.

#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <initializer_list>
#include <vector>

#include "controls/statusbar/ProgressBar.h"
#include "controls/statusbar/StatusBar.h"
#include "conversion/StopSignals.h"
#include "forms/Tesselar.h"
#include "forms/WindowProgressDisplay.h"

namespace tesselar {

namespace {

// Keeps the user's clicks and keys away from a window's inputs while a conversion runs on the
// window's thread, and shows them disabled under a busy cursor. Input that arrived meanwhile
// reaches the disabled inputs, and so goes nowhere, before they are enabled again; the focus
// then returns where it was.
class InputPause {
public:
    InputPause(const QWidget& window, std::initializer_list<QWidget*> inputs)
        : inputs_(inputs), focus_(window.focusWidget()) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        for (QWidget* input : inputs_) {
            input->setEnabled(false);
            input->repaint();  // the event loop, which would paint them, waits for the end
        }
    }
    ~InputPause() {
        QCoreApplication::processEvents();
        for (QWidget* input : inputs_) {
            input->setEnabled(true);
        }
        if (focus_) {
            focus_->setFocus();
        }
        QGuiApplication::restoreOverrideCursor();
    }
    InputPause(const InputPause&) = delete;
    InputPause& operator=(const InputPause&) = delete;

private:
    std::vector<QWidget*> inputs_;
    QPointer<QWidget> focus_;
};

std::string Text(const QLineEdit& box) {
    return box.text().toStdString();
}

QString FailureText(const ConversionOutcome& outcome) {
    if (outcome.result == ConversionOutcome::Result::OutOfMemory) {
        return QStringLiteral("There is not enough memory to convert these files.");
    }
    return QString::fromStdString(outcome.failure);
}

// Every warning in one box, a sentence per line.
QString WarningsText(const std::vector<std::string>& warnings) {
    QStringList lines;
    for (const std::string& warning : warnings) {
        lines << QString::fromStdString(warning + ".");
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

void Tesselar::Command1_Click() {
    CheckOptionsFailed = false;
    Index_CheckOptions();
    if (!CheckOptionsFailed) {
        if (Point_OB->isChecked()) {
            job_.ShapeType = ShapeType::Point;
        } else if (Polygon_OB->isChecked()) {
            job_.ShapeType = ShapeType::Polygon;
        }
        job_.XAxysFile = Text(*XAxysFile_TB);
        job_.YAxysFile = Text(*YAxysFile_TB);
    }
    Shape_CheckOptions();
    if (CheckOptionsFailed) {
        return;
    }
    job_.ShapeFolder = Text(*ShapeFolder_TB);
    job_.ShapeFileName = Text(*ShapeFileName_TB);

    const ConversionOutcome outcome = ConvertJob();
    if (outcome.result == ConversionOutcome::Result::Interrupted) {
        // The user or the system asked the program to end: no box waits for an answer.
        services_.programEnd.EndProgram(kSignalExitBase + outcome.stopSignal);
        return;
    }
    if (outcome.result != ConversionOutcome::Result::Succeeded) {
        // The window stays open with its inputs, so that the user can correct them and try
        // again.
        SetStatusText(QStringLiteral("Shape file not created."));
        ShowConversionEnd(false);
        services_.messages.Show(FailureText(outcome) +
                                QStringLiteral("\n\nNo shape file was written."));
        return;
    }
    ShowConversionEnd(true);
    SetStatusText(QStringLiteral("Shape file Created."));
    services_.messages.Show(QString::fromStdString(std::string(ShapeTypeText(job_.ShapeType)) +
                                                   " Shape File '" + job_.ShapeFileName +
                                                   ".shp' was created with success"));
    if (!outcome.warnings.empty()) {
        services_.messages.Show(WarningsText(outcome.warnings));
    }
    services_.programEnd.EndProgram(0);
}

// Every test runs, each failing one with its own message.
void Tesselar::Index_CheckOptions() {
    if (XAxysFile_TB->text().isEmpty()) {
        FailCheck(QStringLiteral("Please select the file with X axys information"));
    }
    if (YAxysFile_TB->text().isEmpty()) {
        FailCheck(QStringLiteral("Please select the file with Y axys information"));
    }
    if (AttribName_LB->count() == 0) {
        FailCheck(QStringLiteral("Please add an attribute"));
    }
}

void Tesselar::Shape_CheckOptions() {
    if (ShapeFolder_TB->text().isEmpty()) {
        FailCheck(QStringLiteral("Please select a folder for shape file"));
    }
    if (ShapeFileName_TB->text().isEmpty()) {
        FailCheck(QStringLiteral("Please type a name for shape file"));
    }
}

void Tesselar::FailCheck(const QString& message) {
    services_.messages.Show(message);
    CheckOptionsFailed = true;
}

// Reads the input files and writes the shape file, with the window's inputs paused meanwhile.
ConversionOutcome Tesselar::ConvertJob() {
    const InputPause pause(*this, {IndexCreation_frame, Command1});
    WindowProgressDisplay display(*ProgressBar1, *StatusBar2, services_.clock);
    return RunConversion(job_, ShapeFilePath(job_),
                         {display, services_.clock, services_.files, services_.stop});
}

}  // namespace tesselar
