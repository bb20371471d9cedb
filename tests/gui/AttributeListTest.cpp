#include <gtest/gtest.h>

#include <QListWidget>

#include "gui/MainWindowFixture.h"

namespace tesselar::test {
namespace {

class AttributeListTest : public MainWindowTest {
protected:
    void Add(const QString& name, const QString& file) {
        Type("AttribName_TB", name);
        Type("AttribFile_TB", file);
        Click("AddAttribute");
    }

    // Selects the entry at `row` as a click on it does.
    void SelectRow(int row) {
        QListWidget& list = List();
        const QRect area = list.visualItemRect(list.item(row));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, area.center());
    }

    QListWidget& List() const { return Find<QListWidget>("AttribName_LB"); }

    QStringList Entries() const {
        QStringList entries;
        for (int row = 0; row < List().count(); ++row) {
            entries << List().item(row)->text();
        }
        return entries;
    }

    QString Selected() const {
        const QList<QListWidgetItem*> selected = List().selectedItems();
        return selected.size() == 1 ? selected.constFirst()->text() : QStringLiteral("<none>");
    }

    void ExpectSlot(int k, const char* name, const char* file) const {
        EXPECT_EQ(job_.AttribNames[static_cast<std::size_t>(k)], name) << "slot " << k;
        EXPECT_EQ(job_.AttribFiles[static_cast<std::size_t>(k)], file) << "slot " << k;
    }
};

const QString kMissingNameOrFile = QStringLiteral(
    "You need to define a name for the attribute and / or select the associated file with the "
    "attribute information");

TEST_F(AttributeListTest, AddStoresTheAttributeInTheNextSlot) {
    Add("Temperature", "t.dat");
    EXPECT_EQ(job_.AttribCount, 1);
    ExpectSlot(1, "Temperature", "t.dat");
    EXPECT_EQ(Entries(), QStringList{"Temperature"});
    EXPECT_TRUE(TextOf("AttribName_TB").isEmpty());
    EXPECT_TRUE(TextOf("AttribFile_TB").isEmpty());
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name 'Temperature' added"));

    // Names and paths are kept as typed, blanks included, and may repeat.
    Add(" Salinity ", " s.dat");
    Add("Temperature", "t2.dat");
    EXPECT_EQ(job_.AttribCount, 3);
    ExpectSlot(2, " Salinity ", " s.dat");
    ExpectSlot(3, "Temperature", "t2.dat");
    EXPECT_EQ(Entries(), (QStringList{"Temperature", " Salinity ", "Temperature"}));
    EXPECT_TRUE(messages_.shown.isEmpty());
}

TEST_F(AttributeListTest, AddWithoutNameOrFileComplainsAndKeepsTheTexts) {
    Add("Temperature", "");
    EXPECT_EQ(messages_.shown, QStringList{kMissingNameOrFile});
    EXPECT_EQ(TextOf("AttribName_TB"), QStringLiteral("Temperature"));

    Find<QLineEdit>("AttribName_TB").clear();
    Add("", "t.dat");
    EXPECT_EQ(messages_.shown, (QStringList{kMissingNameOrFile, kMissingNameOrFile}));
    EXPECT_EQ(TextOf("AttribFile_TB"), QStringLiteral("t.dat"));
    EXPECT_EQ(job_.AttribCount, 0);
    EXPECT_EQ(List().count(), 0);
    EXPECT_TRUE(PanelText(1).isEmpty());
}

TEST_F(AttributeListTest, AddRefusesTheFiftyFirstAttribute) {
    for (int k = 1; k <= 50; ++k) {
        Add(QStringLiteral("A%1").arg(k), QStringLiteral("a%1.dat").arg(k));
    }
    ASSERT_TRUE(messages_.shown.isEmpty());
    Add("Extra", "extra.dat");
    EXPECT_EQ(messages_.shown, QStringList{"No more than 50 attributes can be added"});
    EXPECT_EQ(job_.AttribCount, 50);
    EXPECT_EQ(List().count(), 50);
    ExpectSlot(50, "A50", "a50.dat");
    EXPECT_EQ(TextOf("AttribName_TB"), QStringLiteral("Extra"));
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name 'A50' added"));
}

TEST_F(AttributeListTest, ChangeRewritesTheSlotAndMovesTheEntryToTheEnd) {
    Add("Temperature", "t.dat");
    Add("Salinity", "s.dat");
    SelectRow(0);
    Click("SelectAttribute");
    EXPECT_EQ(TextOf("AttribName_TB"), QStringLiteral("Temperature"));
    EXPECT_EQ(TextOf("AttribFile_TB"), QStringLiteral("t.dat"));

    Find<QLineEdit>("AttribName_TB").clear();
    Find<QLineEdit>("AttribFile_TB").clear();
    Type("AttribName_TB", "Density");
    Type("AttribFile_TB", "d.dat");
    SelectRow(0);
    Click("ChangeAttribute");

    EXPECT_EQ(job_.AttribCount, 2);
    ExpectSlot(1, "Density", "d.dat");
    ExpectSlot(2, "Salinity", "s.dat");
    EXPECT_EQ(Entries(), (QStringList{"Salinity", "Density"}));
    EXPECT_EQ(Selected(), QStringLiteral("Density"));
    EXPECT_TRUE(TextOf("AttribName_TB").isEmpty());
    EXPECT_TRUE(TextOf("AttribFile_TB").isEmpty());
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name 'Density' changed"));
    EXPECT_TRUE(messages_.shown.isEmpty());
}

TEST_F(AttributeListTest, SameNameTwiceSelectsAndChangesTheLowerSlot) {
    Add("Depth", "d1.dat");
    Add("Depth", "d2.dat");
    SelectRow(1);
    Click("SelectAttribute");
    EXPECT_EQ(TextOf("AttribFile_TB"), QStringLiteral("d1.dat"));

    Find<QLineEdit>("AttribName_TB").setText("Depth");
    Find<QLineEdit>("AttribFile_TB").setText("d3.dat");
    SelectRow(1);
    Click("ChangeAttribute");
    ExpectSlot(1, "Depth", "d3.dat");
    ExpectSlot(2, "Depth", "d2.dat");
    // The changed entry went to the end; selecting by name picks the first "Depth".
    EXPECT_EQ(Entries(), (QStringList{"Depth", "Depth"}));
    EXPECT_EQ(List().selectedItems().value(0), List().item(0));
}

TEST_F(AttributeListTest, ChangeWithEmptyBoxesLeavesAnEmptyEntryAndSlot) {
    Add("Temperature", "t.dat");
    Add("Salinity", "s.dat");
    SelectRow(0);
    Click("ChangeAttribute");
    EXPECT_EQ(Entries(), (QStringList{"Salinity", ""}));
    EXPECT_EQ(List().selectedItems().value(0), List().item(1));
    ExpectSlot(1, "", "");
    EXPECT_EQ(job_.AttribCount, 2);
    EXPECT_EQ(PanelText(1), QStringLiteral("Attribute with name '' changed"));

    // The empty entry can be selected and changed again.
    Click("SelectAttribute");
    Type("AttribName_TB", "Oxygen");
    Type("AttribFile_TB", "o.dat");
    Click("ChangeAttribute");
    ExpectSlot(1, "Oxygen", "o.dat");
    EXPECT_EQ(Entries(), (QStringList{"Salinity", "Oxygen"}));
}

TEST_F(AttributeListTest, SelectAndChangeWithoutASelectedEntryDoNothing) {
    Add("Temperature", "t.dat");
    Add("Salinity", "s.dat");
    SelectRow(0);
    Click("ChangeAttribute");  // slot 1 now has an empty name
    List().clearSelection();
    const QString status = PanelText(1);

    Type("AttribName_TB", "Typed");
    Type("AttribFile_TB", "typed.dat");
    Click("SelectAttribute");
    EXPECT_EQ(TextOf("AttribName_TB"), QStringLiteral("Typed"));
    EXPECT_EQ(TextOf("AttribFile_TB"), QStringLiteral("typed.dat"));

    Click("ChangeAttribute");
    ExpectSlot(1, "", "");
    ExpectSlot(2, "Salinity", "s.dat");
    EXPECT_EQ(Entries(), (QStringList{"Salinity", ""}));
    EXPECT_EQ(TextOf("AttribName_TB"), QStringLiteral("Typed"));
    EXPECT_EQ(PanelText(1), status);
    EXPECT_TRUE(messages_.shown.isEmpty());
}

}  // namespace
}  // namespace tesselar::test
