// What the three record pages share: a table of edits per page, built once and then walked by
// Show, Save, Copy and Paste.
#pragma once

#include "core/EditRules.h"
#include "core/Tables.h"
#include "ui/EntryFilter.h"
#include "ui/PageCodes.h"
#include "ui/Sdimain.h"
#include "ui/Widgets.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>

// One edit of a record page: its control, the field it shows, its caption and where it stands.
struct EditRow {
    const char* control;
    const char* field;    // nullptr for an edit tied to no field
    const char* caption;  // nullptr for none (column captions are placed separately)
    int captionLeft;      // -1: right-aligned just left of the edit
    int maxLength;
    int left, top, width;
    int tab;
    const char* hint;
};

// Creates the captions and edits of rows on panel and ties them to their fields, in tab order.
template <class R>
std::vector<FieldEdit<R>> buildEdits(QWidget* panel, const std::vector<FieldDef<R>>& fields,
                                     const std::vector<EditRow>& rows)
{
    std::vector<std::pair<int, QLineEdit*>> byTab;
    std::vector<FieldEdit<R>> edits;
    for (const EditRow& row : rows) {
        const FieldDef<R>* f = row.field ? FindField(fields, row.field) : nullptr;
        Q_ASSERT(!row.field || f);
        bool name = f && f->width == FieldWidth::Text;
        QLineEdit* edit = lineEdit(panel, row.control, row.maxLength, row.left, row.top, row.width, name);
        if (row.hint)
            setHint(edit, row.hint);
        if (row.caption) {
            QLabel* label = caption(panel, row.caption, row.captionLeft, row.top);
            if (row.captionLeft < 0)
                label->move(row.left - label->width() - 4, label->y());
        }
        byTab.emplace_back(row.tab, edit);
        if (f)
            edits.push_back({f, edit});
    }
    std::stable_sort(byTab.begin(), byTab.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < byTab.size(); ++i)
        QWidget::setTabOrder(byTab[i - 1].second, byTab[i].second);
    return edits;
}

// Puts every field of r into its edit.
template <class R>
void showFields(const std::vector<FieldEdit<R>>& edits, const R& r)
{
    for (const auto& e : edits) {
        // An edit already showing the value, untouched since it was set, is left alone: setting
        // it again would only repaint it, and a step to the next entry repaints the whole page.
        QString text = toQ(FieldText(r, *e.field));
        if (e.edit->isModified() || e.edit->text() != text)
            e.edit->setText(text);
    }
}

// Reads every edit into its field of r as a commit does: names cut to 15 characters,
// numbers reduced to their digits and capped at the field's bound.
template <class R>
void readFields(const std::vector<FieldEdit<R>>& edits, R& r)
{
    for (const auto& e : edits)
        StoreFieldText(r, *e.field, fromQ(e.edit->text()));
}

template <class R>
QLineEdit* editOf(const std::vector<FieldEdit<R>>& edits, const char* field)
{
    for (const auto& e : edits)
        if (std::string(e.field->name) == field)
            return e.edit;
    return nullptr;
}

// A bold caption with an underline, for the page's sections.
inline QLabel* sectionCaption(QWidget* panel, const QString& text, int left, int top)
{
    QLabel* l = caption(panel, text, left, top);
    QFont f = l->font();
    f.setUnderline(true);
    l->setFont(f);
    return l;
}

// Lays out a record page: the filter field and the entry list in a fixed-width panel on the left,
// and returns the editing panel beside it (its children are placed by position).
inline QWidget* buildRecordPage(QWidget* page, const char* panelName, int panelWidth, QListWidget*& list,
                                const char* listName, QLineEdit*& filter, const char* filterName,
                                const char* editingName, int gap, TableId table)
{
    auto* pageLayout = new QHBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(gap);
    auto* listPanel = new QFrame(page);
    listPanel->setObjectName(panelName);
    listPanel->setFixedWidth(panelWidth);
    listPanel->setProperty("designedWidth", panelWidth);
    filter = new QLineEdit(listPanel);
    filter->setObjectName(filterName);
    PassUndoKeysOn(filter);
    filter->setPlaceholderText("Find (Ctrl+F)");
    filter->setClearButtonEnabled(true);
    setHint(filter, "Type part of a number or name; Enter shows the entry, Esc clears");
    list = new QListWidget(listPanel);
    // Every line is one line of text: measuring the first serves for all 249.
    list->setUniformItemSizes(true);
    list->setObjectName(listName);
    auto* listLayout = new QVBoxLayout(listPanel);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(2);
    listLayout->addWidget(filter);
    listLayout->addWidget(list, 1);
    listLayout->addStretch(0);  // keeps the filter field at the top while the list is hidden
    new EntryFilter(filter, list, table);
    auto* editing = new QWidget(page);
    editing->setObjectName(editingName);
    pageLayout->addWidget(listPanel);
    pageLayout->addWidget(editing, 1);
    return editing;
}
