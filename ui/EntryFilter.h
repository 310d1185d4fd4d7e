// The filter field above a record page's entry list: typing narrows the list to the entries whose
// number or name contains the text. Lines are hidden, never removed, so line i stays entry i + 1.
#pragma once

#include <QObject>

class QLineEdit;
class QListWidget;

class EntryFilter : public QObject {
    Q_OBJECT

public:
    EntryFilter(QLineEdit* edit, QListWidget* list);
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
};
