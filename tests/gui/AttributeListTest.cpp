#include <gtest/gtest.h>

#include <QListWidget>

#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

class AttributeListTest : public MainWindowTest {
protected:
    QListWidget& List() const { return Find<QListWidget>("AttribName_LB"); }

    // Clicks the entry at `row`, then the button `button`.
    void ClickOnRow(int row, const char* button) const {
        const QRect area = List().visualItemRect(List().item(row));
        QTest::mouseClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, area.center());
        Click(button);
    }
    void SetBoxes(const QString& name, const QString& file) const {
        Find<QLineEdit>("AttribName_TB").setText(name);
        Find<QLineEdit>("AttribFile_TB").setText(file);
    }
    // The list's entries, the job's slots as "name=file", and the selected row (-1: none).
    void ExpectList(const QStringList& entries, const QStringList& stored,
                    int selected = -1) const {
        QStringList shown;
        for (int row = 0; row < List().count(); ++row) {
            shown << List().item(row)->text();
        }
        for (std::size_t k = 1; k <= static_cast<std::size_t>(job_.AttribCount); ++k) {
            shown << QString::fromStdString(job_.AttribNames[k] + "=" + job_.AttribFiles[k]);
        }
        EXPECT_EQ(shown, entries + stored);
        EXPECT_EQ(List().selectedItems().size() == 1 ? List().currentRow() : -1, selected);
    }
    void ExpectBoxes(const QString& name, const QString& file) const {
        EXPECT_EQ(TextOf("AttribName_TB"), name);
        EXPECT_EQ(TextOf("AttribFile_TB"), file);
    }
};

// Names and paths are kept as typed, blanks included, and may repeat; the boxes empty. Without
// a name or a file, or beyond fifty, Add complains and keeps the texts.
TEST_F(AttributeListTest, AddFillsTheNextSlotUpToFifty) {
    const QString missing = QStringLiteral(
        "You need to define a name for the attribute and / or select the associated file with "
        "the attribute information");
    for (const auto& [name, file] : {std::pair{"Temperature", ""}, std::pair{"", "t.dat"}}) {
        SetBoxes(name, file);
        Click("AddAttribute");
        ExpectBoxes(name, file);
    }
    EXPECT_EQ(messages_.shown, (QStringList{missing, missing}));
    EXPECT_TRUE(PanelText(1).isEmpty());
    SetBoxes("", "");

    AddAttribute("Temperature", "t.dat");
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name 'Temperature' added"));
    AddAttribute(" Salinity ", " s.dat");
    AddAttribute("Temperature", "t2.dat");
    ExpectList({"Temperature", " Salinity ", "Temperature"},
               {"Temperature=t.dat", " Salinity = s.dat", "Temperature=t2.dat"});
    ExpectBoxes("", "");
    for (int k = 4; k <= 50; ++k) {
        AddAttribute(QStringLiteral("A%1").arg(k), QStringLiteral("a%1.dat").arg(k));
    }
    messages_.shown.clear();
    AddAttribute("Extra", "extra.dat");
    EXPECT_EQ(messages_.shown, QStringList{"No more than 50 attributes can be added"});
    EXPECT_EQ(job_.AttribCount, 50);
    EXPECT_EQ(List().count(), 50);
    ExpectBoxes("Extra", "extra.dat");
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name 'A50' added"));
}

// The changed attribute keeps its slot, its entry moves to the end and is selected; Select
// and Change reach the lowest slot of the selected name.
TEST_F(AttributeListTest, ChangeRewritesTheSlotOfTheSelectedName) {
    AddAttribute("Depth", "d1.dat");
    AddAttribute("Salinity", "s.dat");
    AddAttribute("Depth", "d2.dat");
    ClickOnRow(2, "SelectAttribute");
    ExpectBoxes("Depth", "d1.dat");

    SetBoxes("Density", "n.dat");
    ClickOnRow(2, "ChangeAttribute");
    ExpectList({"Depth", "Salinity", "Density"},
               {"Density=n.dat", "Salinity=s.dat", "Depth=d2.dat"}, 2);
    ExpectBoxes("", "");
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name 'Density' changed"));

    SetBoxes("Depth", "d3.dat");
    ClickOnRow(1, "ChangeAttribute");
    ExpectList({"Depth", "Density", "Depth"}, {"Density=n.dat", "Depth=d3.dat", "Depth=d2.dat"}, 0);
    EXPECT_TRUE(messages_.shown.isEmpty());
}

// An entry emptied by Change is reached only through its selection: with no entry selected,
// Select and Change do nothing, although a slot now has an empty name.
TEST_F(AttributeListTest, EmptiedEntryCanBeChangedOnlyWhenSelected) {
    AddAttribute("Temperature", "t.dat");
    AddAttribute("Salinity", "s.dat");
    ClickOnRow(0, "ChangeAttribute");
    ExpectList({"Salinity", ""}, {"=", "Salinity=s.dat"}, 1);
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name '' changed"));

    List().clearSelection();
    SetBoxes("Typed", "typed.dat");
    Click("SelectAttribute");
    Click("ChangeAttribute");
    ExpectBoxes("Typed", "typed.dat");
    ExpectList({"Salinity", ""}, {"=", "Salinity=s.dat"});

    ClickOnRow(1, "SelectAttribute");
    ExpectBoxes("", "");
    SetBoxes("Oxygen", "o.dat");
    ClickOnRow(1, "ChangeAttribute");
    ExpectList({"Salinity", "Oxygen"}, {"Oxygen=o.dat", "Salinity=s.dat"}, 1);
    EXPECT_TRUE(messages_.shown.isEmpty());
}

}  // namespace
}  // namespace tesselar::test
