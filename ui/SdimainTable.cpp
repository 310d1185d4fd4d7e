// The table view of each record page: every entry of the table at a glance, sortable and
// editable cell by cell, over one model of the loaded tables.
#include "ui/RecordPage.h"
#include "ui/TableModel.h"

#include <QAction>
#include <QHeaderView>
#include <QMenuBar>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QUndoStack>

namespace {
int slotOf(uint8_t page)
{
    return page == pcUnits ? 0 : page == pcWeapons ? 1 : 2;
}

TableId tableOfPage(uint8_t page)
{
    return page == pcUnits ? TableId::Units : page == pcWeapons ? TableId::Weapons : TableId::Formations;
}

OrbTableModel* modelOf(QTableView* view)
{
    auto* proxy = static_cast<QSortFilterProxyModel*>(view->model());
    return static_cast<OrbTableModel*>(proxy->sourceModel());
}
}  // namespace

void TSDIAppForm::buildTableMenu()
{
    QMenu* view = new QMenu("&View", this);
    view->setObjectName("ViewMenu");
    menuBar()->insertMenu(menuBar()->actions().at(2), view);  // after File and Edit
    TableItem = view->addAction("&Table");
    TableItem->setObjectName("TableItem");
    TableItem->setStatusTip("Every entry of the page's table at a glance, or back to the form");
    TableItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    TableItem->setCheckable(true);
    connect(TableItem, &QAction::triggered, this, &TSDIAppForm::toggleTable);
    // A table shown follows every change to the tables as it happens.
    connect(UndoStack, &QUndoStack::indexChanged, this, [this] {
        for (QTableView* t : tables_)
            if (t)
                modelOf(t)->refresh();
    });
}

QTableView* TSDIAppForm::tableView(uint8_t page) const
{
    return page == pcLoad ? nullptr : tables_[slotOf(page)];
}

void TSDIAppForm::toggleTable()
{
    if (CurrentPage == pcLoad || !FileLoaded) {
        TableItem->setChecked(false);
        return;
    }
    QWidget* page = Viewer->currentWidget();
    QTableView*& view = tables_[slotOf(CurrentPage)];
    uint8_t& current = CurrentPage == pcUnits ? CurrentUnit : CurrentPage == pcWeapons ? CurrentWeapon : CurrentFormation;
    if (!view) {
        view = new QTableView(page);
        view->setObjectName(CurrentPage == pcUnits     ? "UnitTable"
                            : CurrentPage == pcWeapons ? "WeaponTable"
                                                       : "FormationTable");
        auto* model = new OrbTableModel(tableOfPage(CurrentPage), view);
        auto* proxy = new QSortFilterProxyModel(view);
        proxy->setSourceModel(model);
        proxy->setSortRole(OrbTableModel::SortRole);
        view->setModel(proxy);
        view->setSortingEnabled(true);
        // Typing on a cell edits it, as in a spreadsheet.
        view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed);
        view->sortByColumn(-1, Qt::AscendingOrder);  // entry order until a header is clicked
        view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
        // Columns as wide as their header and the first rows need, measured once: measuring every
        // cell of every column again at each sort or change is what a person would wait for.
        view->horizontalHeader()->setResizeContentsPrecision(30);
        view->resizeColumnsToContents();
        page->layout()->addWidget(view);
        view->hide();
        model->mayChange = [this](const OrbData& after) { return confirmTypedDrop("this edit", after, true); };
        model->changed = [this](const QString& step, const OrbData& before, const QString& note) {
            recordStep(step, before);
            if (!note.isEmpty())
                statusBar()->showMessage(note);
        };
    }
    const bool toTable = view->isHidden();
    QLayout* layout = page->layout();
    for (int i = 0; i < layout->count(); ++i)
        if (QWidget* w = layout->itemAt(i)->widget())
            w->setVisible(toTable ? w == view : w != view);
    TableItem->setChecked(toTable);
    auto* proxy = static_cast<QSortFilterProxyModel*>(view->model());
    if (toTable) {
        modelOf(view)->refresh();
        const QModelIndex at = proxy->mapFromSource(modelOf(view)->index(current - 1, 0));
        view->setCurrentIndex(at);
        view->scrollTo(at);
        view->setFocus();
        return;
    }
    const QModelIndex at = view->currentIndex();
    if (at.isValid())
        current = static_cast<uint8_t>(proxy->mapToSource(at).row() + 1);
    // The form shows that entry, its list refilled; moving to another entry drops typed edits
    // as any step does, and the same entry keeps them.
    pageChanged(Viewer->currentIndex());
}
