#pragma once

#include <QPointer>
#include <QWidget>

#include "conversion/ConversionJob.h"
#include "forms/BrowseFolder.h"
#include "forms/BrowseForFile.h"
#include "forms/DesktopServices.h"
#include "run/RunConversion.h"

class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace tesselar {

class FrmAbout;
class FrmSplash;
class ProgressBar;
class StatusBar;

// The main window, captioned with the title and "v" MAJOR.MINOR: the inputs of a conversion,
// "Create Shape File", "About", the status bar and the progress bar. Creating it lays it out and
// runs Form_Load, which leaves it hidden behind the splash window; the splash window shows it.
class Tesselar : public QWidget {
    Q_OBJECT
public:
    Tesselar(ConversionJob& job, TesselarServices services);
    ~Tesselar() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    void ConnectHandlers();
    void Form_Load();

    // The create command and its input checks.
    void Command1_Click();
    void Index_CheckOptions();
    void Shape_CheckOptions();
    void FailCheck(const QString& message);
    ConversionOutcome ConvertJob();

    // The attribute list.
    void AddAttribute_Click();
    void SelectAttribute_Click();
    void ChangeAttribute_Click();
    int SlotNamed(const QString& name) const;

    // The pickers.
    void ShapeBrowser1_Click();
    void BrowseFileInto(QLineEdit* box);

    void About_Click();

    void SetStatusText(const QString& text);
    void ShowConversionEnd(bool written);

    ConversionJob& job_;
    TesselarServices services_;
    BrowseFolder folderPicker_;
    BrowseForFile filePicker_;
    QPointer<FrmSplash> splash_;
    QPointer<FrmAbout> about_;
    bool CheckOptionsFailed = false;

    QPushButton* Command1 = nullptr;
    StatusBar* StatusBar2 = nullptr;
    QGroupBox* IndexCreation_frame = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLineEdit* XAxysFile_TB = nullptr;
    QPushButton* XAxysBrowser = nullptr;
    QLineEdit* YAxysFile_TB = nullptr;
    QPushButton* YAxysBrowser = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Point_OB = nullptr;
    QRadioButton* Polygon_OB = nullptr;
    QPushButton* About = nullptr;
    QGroupBox* Attributes_frame = nullptr;
    QLineEdit* AttribName_TB = nullptr;
    QLineEdit* AttribFile_TB = nullptr;
    QPushButton* AttributeBrowser = nullptr;
    QPushButton* AddAttribute = nullptr;
    QPushButton* ChangeAttribute = nullptr;
    QListWidget* AttribName_LB = nullptr;
    QPushButton* SelectAttribute = nullptr;
    QLineEdit* ShapeFolder_TB = nullptr;
    QPushButton* ShapeBrowser1 = nullptr;
    QLineEdit* ShapeFileName_TB = nullptr;
    ProgressBar* ProgressBar1 = nullptr;
};

}  // namespace tesselar
