// Editing the attribute list: the job holds the attributes in slots 1 to AttribCount, the list
// box shows their names.

#include <QLineEdit>
#include <QListWidget>

#include "forms/Tesselar.h"

namespace tesselar {

namespace {

QListWidgetItem* SelectedEntry(const QListWidget& list) {
    const QList<QListWidgetItem*> selected = list.selectedItems();
    return selected.isEmpty() ? nullptr : selected.constFirst();
}

}  // namespace

// The first slot whose name is `name`, exactly; 0 when there is none.
int Tesselar::SlotNamed(const QString& name) const {
    const std::string wanted = name.toStdString();
    for (int k = 1; k <= job_.AttribCount; ++k) {
        if (job_.AttribNames[static_cast<std::size_t>(k)] == wanted) {
            return k;
        }
    }
    return 0;
}

void Tesselar::AddAttribute_Click() {
    if (AttribName_TB->text().isEmpty() || AttribFile_TB->text().isEmpty()) {
        services_.messages.Show(QStringLiteral(
            "You need to define a name for the attribute and / or select the associated file "
            "with the attribute information"));
        return;
    }
    const QString name = AttribName_TB->text();
    if (!AppendAttribute(job_, name.toStdString(), AttribFile_TB->text().toStdString())) {
        services_.messages.Show(
            QStringLiteral("No more than %1 attributes can be added").arg(kMaxAttributes));
        return;
    }
    AttribName_LB->addItem(name);
    AttribName_TB->clear();
    AttribFile_TB->clear();
    SetStatusText("Attribute with name '" + name + "' added");
}

// With no entry selected there is nothing to select, even when some slot has an empty name.
void Tesselar::SelectAttribute_Click() {
    const QListWidgetItem* entry = SelectedEntry(*AttribName_LB);
    const int k = entry != nullptr ? SlotNamed(entry->text()) : 0;
    if (k == 0) {
        return;
    }
    const auto slot = static_cast<std::size_t>(k);
    AttribName_TB->setText(QString::fromStdString(job_.AttribNames[slot]));
    AttribFile_TB->setText(QString::fromStdString(job_.AttribFiles[slot]));
}

// The changed attribute keeps its slot; its entry moves to the end of the list. With no entry
// selected there is nothing to change, even when some slot has an empty name.
void Tesselar::ChangeAttribute_Click() {
    QListWidgetItem* entry = SelectedEntry(*AttribName_LB);
    const int k = entry != nullptr ? SlotNamed(entry->text()) : 0;
    if (k == 0) {
        return;
    }
    delete AttribName_LB->takeItem(AttribName_LB->row(entry));

    const QString name = AttribName_TB->text();
    AttribName_LB->addItem(name);
    const QList<QListWidgetItem*> sameName =
        AttribName_LB->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    AttribName_LB->setCurrentItem(sameName.constFirst());

    const auto slot = static_cast<std::size_t>(k);
    job_.AttribNames[slot] = name.toStdString();
    job_.AttribFiles[slot] = AttribFile_TB->text().toStdString();
    AttribName_TB->clear();
    AttribFile_TB->clear();
    SetStatusText("Attribute with name '" + name + "' changed");
}

}  // namespace tesselar
