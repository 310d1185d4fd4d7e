#include "ui/EntryFilter.h"

#include "core/Filter.h"
#include "core/Globals.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

EntryFilter::EntryFilter(QLineEdit* edit, QListWidget* list, TableId table)
    : QObject(list), edit_(edit), list_(list), table_(table)
{
    setObjectName("EntryFilter");
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, this, &EntryFilter::apply);
}

EntryFilter* EntryFilter::of(QListWidget* list)
{
    return list->findChild<EntryFilter*>("EntryFilter", Qt::FindDirectChildrenOnly);
}

void EntryFilter::apply()
{
    const QString text = edit_->text();
    // Conditions on fields filter by the stored values; a text that holds none, or cannot be
    // read as conditions, matches the lines' text.
    const FieldFilter conditions = ParseFieldFilter(table_, text.toStdString());
    const bool byFields = conditions.error.empty() && !conditions.conditions.empty();
    int firstShown = -1;
    for (int row = 0; row < list_->count(); ++row) {
        // Lines read "017  Name": the number and the name both match, in any letter case.
        bool shown = text.isEmpty() || (byFields ? FilterMatches(conditions, Orb, table_, row + 1)
                                                 : list_->item(row)->text().contains(text, Qt::CaseInsensitive));
        if (list_->isRowHidden(row) == shown)  // each change lays the list out again: only real ones
            list_->setRowHidden(row, !shown);
        if (shown && firstShown < 0)
            firstShown = row;
    }
    int current = list_->currentRow();
    if ((current < 0 || list_->isRowHidden(current)) && firstShown >= 0)
        list_->setCurrentRow(firstShown);
    else if (firstShown < 0)
        list_->clearSelection();
    if (list_->currentItem())
        list_->scrollToItem(list_->currentItem());
}

bool EntryFilter::eventFilter(QObject* watched, QEvent* e)
{
    if (watched != edit_ || e->type() != QEvent::KeyPress)
        return false;
    auto* ke = static_cast<QKeyEvent*>(e);
    switch (ke->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        // Moving through the matches without leaving the field.
        QApplication::sendEvent(list_, e);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!list_->selectedItems().isEmpty())
            emit chosen();
        return true;
    case Qt::Key_Escape:
        edit_->clear();
        return true;
    default:
        return false;
    }
}
