#include <gtest/gtest.h>

#include <QListWidget>

#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

class AttributeListTest : public MainWindowTest {
protected:
    QListWidget& List() const { return Find<QListWidget>("AttribName_LB"); }

    // Selects the entry at `row` as a click on it does.
    void SelectRow(int row) const {
        const QRect area = List().visualItemRect(List().item(row));
        QTest::mouseClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, area.center());
    }

    QStringList Entries() const {
        QStringList entries;
        for (int row = 0; row < List().count(); ++row) {
            entries << List().item(row)->text();
        }
        return entries;
    }

    QList<int> SelectedRows() const {
        QList<int> rows;
        for (const QListWidgetItem* item : List().selectedItems()) {
            rows << List().row(item);
        }
        return rows;
    }

    void SetBoxes(const QString& name, const QString& file) const {
        Find<QLineEdit>("AttribName_TB").setText(name);
        Find<QLineEdit>("AttribFile_TB").setText(file);
    }

    void ExpectSlot(int k, const char* name, const char* file) const {
        EXPECT_EQ(job_.AttribNames[static_cast<std::size_t>(k)], name) << "slot " << k;
        EXPECT_EQ(job_.AttribFiles[static_cast<std::size_t>(k)], file) << "slot " << k;
    }
};

TEST_F(AttributeListTest, AddStoresTheAttributeInTheNextSlot) {
    AddAttribute("Temperature", "t.dat");
    EXPECT_EQ(job_.AttribCount, 1);
    ExpectSlot(1, "Temperature", "t.dat");
    EXPECT_EQ(Entries(), QStringList{"Temperature"});
    EXPECT_TRUE(TextOf("AttribName_TB").isEmpty());
    EXPECT_TRUE(TextOf("AttribFile_TB").isEmpty());
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name 'Temperature' added"));

    // Names and paths are kept as typed, blanks included, and may repeat.
    AddAttribute(" Salinity ", " s.dat");
    AddAttribute("Temperature", "t2.dat");
    EXPECT_EQ(job_.AttribCount, 3);
    ExpectSlot(2, " Salinity ", " s.dat");
    ExpectSlot(3, "Temperature", "t2.dat");
    EXPECT_EQ(Entries(), (QStringList{"Temperature", " Salinity ", "Temperature"}));
    EXPECT_TRUE(messages_.shown.isEmpty());
}

TEST_F(AttributeListTest, AddWithoutNameOrFileComplainsAndKeepsTheTexts) {
    const QString missing = QStringLiteral(
        "You need to define a name for the attribute and / or select the associated file with "
        "the attribute information");
    AddAttribute("Temperature", "");
    EXPECT_EQ(messages_.shown, QStringList{missing});
    EXPECT_EQ(TextOf("AttribName_TB"), QStringLiteral("Temperature"));

    Find<QLineEdit>("AttribName_TB").clear();
    AddAttribute("", "t.dat");
    EXPECT_EQ(messages_.shown, (QStringList{missing, missing}));
    EXPECT_EQ(TextOf("AttribFile_TB"), QStringLiteral("t.dat"));
    EXPECT_EQ(job_.AttribCount, 0);
    EXPECT_EQ(List().count(), 0);
    EXPECT_TRUE(PanelText(1).isEmpty());
}

TEST_F(AttributeListTest, AddRefusesTheFiftyFirstAttribute) {
    for (int k = 1; k <= 50; ++k) {
        AddAttribute(QStringLiteral("A%1").arg(k), QStringLiteral("a%1.dat").arg(k));
    }
    ASSERT_TRUE(messages_.shown.isEmpty());
    AddAttribute("Extra", "extra.dat");
    EXPECT_EQ(messages_.shown, QStringList{"No more than 50 attributes can be added"});
    EXPECT_EQ(job_.AttribCount, 50);
    EXPECT_EQ(List().count(), 50);
    ExpectSlot(50, "A50", "a50.dat");
    EXPECT_EQ(TextOf("AttribName_TB"), QStringLiteral("Extra"));
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name 'A50' added"));
}

TEST_F(AttributeListTest, ChangeRewritesTheSlotAndMovesTheEntryToTheEnd) {
    AddAttribute("Temperature", "t.dat");
    AddAttribute("Salinity", "s.dat");
    SelectRow(0);
    Click("SelectAttribute");
    EXPECT_EQ(TextOf("AttribName_TB"), QStringLiteral("Temperature"));
    EXPECT_EQ(TextOf("AttribFile_TB"), QStringLiteral("t.dat"));

    SetBoxes("Density", "d.dat");
    SelectRow(0);
    Click("ChangeAttribute");
    EXPECT_EQ(job_.AttribCount, 2);
    ExpectSlot(1, "Density", "d.dat");
    ExpectSlot(2, "Salinity", "s.dat");
    EXPECT_EQ(Entries(), (QStringList{"Salinity", "Density"}));
    EXPECT_EQ(SelectedRows(), QList<int>{1});
    EXPECT_TRUE(TextOf("AttribName_TB").isEmpty());
    EXPECT_TRUE(TextOf("AttribFile_TB").isEmpty());
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name 'Density' changed"));
    EXPECT_TRUE(messages_.shown.isEmpty());
}

TEST_F(AttributeListTest, SameNameTwiceSelectsAndChangesTheLowerSlot) {
    AddAttribute("Depth", "d1.dat");
    AddAttribute("Depth", "d2.dat");
    SelectRow(1);
    Click("SelectAttribute");
    EXPECT_EQ(TextOf("AttribFile_TB"), QStringLiteral("d1.dat"));

    SetBoxes("Depth", "d3.dat");
    SelectRow(1);
    Click("ChangeAttribute");
    ExpectSlot(1, "Depth", "d3.dat");
    ExpectSlot(2, "Depth", "d2.dat");
    // The changed entry went to the end; selecting by name picks the first "Depth".
    EXPECT_EQ(Entries(), (QStringList{"Depth", "Depth"}));
    EXPECT_EQ(SelectedRows(), QList<int>{0});
}

// An entry emptied by Change is reached only through its selection: with no entry selected,
// Select and Change do nothing, although a slot now has an empty name.
TEST_F(AttributeListTest, EmptiedEntryCanBeChangedOnlyWhenSelected) {
    AddAttribute("Temperature", "t.dat");
    AddAttribute("Salinity", "s.dat");
    SelectRow(0);
    Click("ChangeAttribute");
    EXPECT_EQ(Entries(), (QStringList{"Salinity", ""}));
    EXPECT_EQ(SelectedRows(), QList<int>{1});
    ExpectSlot(1, "", "");
    EXPECT_EQ(job_.AttribCount, 2);
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name '' changed"));

    List().clearSelection();
    SetBoxes("Typed", "typed.dat");
    Click("SelectAttribute");
    Click("ChangeAttribute");
    EXPECT_EQ(TextOf("AttribName_TB"), QStringLiteral("Typed"));
    EXPECT_EQ(TextOf("AttribFile_TB"), QStringLiteral("typed.dat"));
    ExpectSlot(1, "", "");
    ExpectSlot(2, "Salinity", "s.dat");
    EXPECT_EQ(Entries(), (QStringList{"Salinity", ""}));
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name '' changed"));

    SelectRow(1);
    Click("SelectAttribute");
    EXPECT_TRUE(TextOf("AttribName_TB").isEmpty());
    Type("AttribName_TB", "Oxygen");
    Type("AttribFile_TB", "o.dat");
    Click("ChangeAttribute");
    ExpectSlot(1, "Oxygen", "o.dat");
    EXPECT_EQ(Entries(), (QStringList{"Salinity", "Oxygen"}));
    EXPECT_TRUE(messages_.shown.isEmpty());
}

}  // namespace
}  // namespace tesselar::test
