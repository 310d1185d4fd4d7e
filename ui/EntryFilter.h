// The filter field above a record page's entry list: typing narrows the list to the entries whose
// number or name contains the text. Lines are hidden, never removed, so line i stays entry i + 1.
#pragma once

#include "core/Tables.h"

#include <QObject>

class QLineEdit;
class QListWidget;

class EntryFilter : public QObject {
    Q_OBJECT

public:
    // table: the table the list shows, for conditions on its fields ("Nation=12 Cost>100").
    EntryFilter(QLineEdit* edit, QListWidget* list, TableId table);
    // Hides the lines that do not match (after the list was refilled, too) and keeps a visible
    // line selected.
    void apply();
    // The filter of a list, if it has one.
    static EntryFilter* of(QListWidget* list);

signals:
    // Enter in the filter field: show the selected entry.
    void chosen();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QLineEdit* edit_;
    QListWidget* list_;
    TableId table_;
};
