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
#include <new>
#include <optional>
#include <vector>

#include "controls/statusbar/ProgressBar.h"
#include "controls/statusbar/StatusBar.h"
#include "conversion/ConversionError.h"
#include "forms/Tesselar.h"
#include "forms/WindowProgressDisplay.h"
#include "readers/ReadFiles.h"
#include "writer/CreateShapeFiles.h"

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

}  // namespace

void Tesselar::Command1_Click() {
    CheckOptionsFailed = false;
    Index_CheckOptions();
    if (!CheckOptionsFailed) {
        if (Point_OB->isChecked()) {
            job_.ShapeType = kPointShapeType;
        } else if (Polygon_OB->isChecked()) {
            job_.ShapeType = kPolygonShapeType;
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

    const std::optional<WriteSummary> written = ConvertJob();
    if (!written) {
        return;
    }
    SetStatusText(QStringLiteral("Shape file Created."));
    services_.messages.Show(QString::fromStdString(
        job_.ShapeType + " Shape File '" + job_.ShapeFileName + ".shp' was created with success"));
    if (const std::int64_t count = written->shortenedValueCount; count > 0) {
        services_.messages.Show(
            count == 1 ? QStringLiteral("1 value did not fit the 10-character column and was "
                                        "rounded to fewer digits.")
                       : QStringLiteral("%1 values did not fit the 10-character column and were "
                                        "rounded to fewer digits.")
                             .arg(count));
    }
    services_.programEnd.EndProgram();
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

// Reads the input files and writes the shape file; returns what the writer reported. A failure
// is reported instead and leaves the window open with its inputs, so that the user can correct
// them and try again.
std::optional<WriteSummary> Tesselar::ConvertJob() {
    QString failure;
    {
        const InputPause pause(*this, {IndexCreation_frame, Command1});
        try {
            ReadInputData(job_);
            SetStatusText(QStringLiteral("Creating shape file..."));
            WindowProgressDisplay display(*ProgressBar1, *StatusBar2, services_.clock);
            return WriteShapeFile(job_, {display, services_.clock, services_.files});
        } catch (const ConversionError& error) {
            failure = QString::fromStdString(error.what());
        } catch (const std::bad_alloc&) {
            failure = QStringLiteral("There is not enough memory to convert these files.");
        }
    }
    services_.messages.Show(failure + QStringLiteral("\n\nNo shape file was written."));
    return std::nullopt;
}

}  // namespace tesselar
