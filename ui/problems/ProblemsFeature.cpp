#include "ui/problems/ProblemsFeature.h"

#include "core/Globals.h"
#include "core/Rules.h"
#include "ui/Text.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>

namespace {
QString countText(int errors, int warnings)
{
    if (!errors && !warnings)
        return "No problems";
    auto part = [](int n, const char* one) { return QString("%1 %2%3").arg(n).arg(one).arg(n == 1 ? "" : "s"); };
    return part(errors, "error") + ", " + part(warnings, "warning");
}

// Where the problems a user ignored are kept: for each data file by its path, in the user's
// configuration folder (not the settings file beside the program, which the user edits).
QSettings ignoredSettings()
{
    return QSettings(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + "/ignored-problems.ini",
                     QSettings::IniFormat);
}
QString ignoreKeyOf(const QString& path)
{
    return "files/" + QString::fromLatin1(path.toUtf8().toHex());
}
QString findingKey(const Finding& f)
{
    return QString("%1|%2|%3|%4").arg(f.rule->code, TableName(f.table)).arg(f.number).arg(toQ(f.field));
}

// The list line's entry column: "units 017 Wpn2".
QString entryText(const Finding& f)
{
    return QString("%1 %2%3").arg(TableName(f.table), toQ(EntryNumberText(f.number)),
                                  f.field.empty() ? QString() : " " + toQ(f.field));
}
}  // namespace

ProblemsFeature::ProblemsFeature(FeatureHost& host) : Feature(host, "Problems")
{
    auto item = [this](const QString& text, const char* name, const QKeySequence& key) {
        auto* a = new QAction(text, host_.window());
        a->setObjectName(name);
        a->setShortcut(key);
        host_.addCommand(Menu::View, a);
        return a;
    };
    auto* separator = new QAction(host_.window());
    separator->setSeparator(true);
    host_.addCommand(Menu::View, separator);
    ProblemsItem = item("&Problems", "ProblemsItem", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    ProblemsItem->setStatusTip("What the rules find in the file: references that name nothing, sizes, codes");
    ProblemsItem->setCheckable(true);
    NextProblemItem = item("&Next Problem", "NextProblemItem", QKeySequence(Qt::Key_F8));
    PrevProblemItem = item("P&revious Problem", "PrevProblemItem", QKeySequence(Qt::SHIFT | Qt::Key_F8));
    connect(ProblemsItem, &QAction::toggled, this, &ProblemsFeature::showProblemsPanel);
    connect(NextProblemItem, &QAction::triggered, this, [this] { stepToProblem(1); });
    connect(PrevProblemItem, &QAction::triggered, this, [this] { stepToProblem(-1); });

    ProblemsList = new QTreeWidget(host_.window());
    ProblemsList->setObjectName("ProblemsList");
    ProblemsList->setRootIsDecorated(false);
    ProblemsList->setUniformRowHeights(true);
    ProblemsList->setHeaderLabels({"Severity", "Code", "Entry", "Message"});
    ProblemsList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ProblemsList->header()->setStretchLastSection(true);
    ProblemsDock = host_.addDock("Problems", "ProblemsDock", ProblemsList);
    // Closed by its own button: the menu's check follows.
    connect(ProblemsDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (!visible && host_.window()->isVisible() && !host_.window()->isMinimized() && ProblemsItem->isChecked())
            ProblemsItem->setChecked(false);
    });
    // A problem the user knows of and keeps: ignored for this file, kept across runs, listed
    // greyed at the end, and taken back the same way.
    ProblemsList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ProblemsList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QTreeWidgetItem* item = ProblemsList->itemAt(at);
        if (!item)
            return;
        const bool ignored = item->data(3, Qt::UserRole).toBool();
        QMenu menu(host_.window());
        QAction* act = menu.addAction(ignored ? "Stop Ignoring" : "Ignore in This File");
        act->setObjectName(ignored ? "UnignoreProblemItem" : "IgnoreProblemItem");
        connect(act, &QAction::triggered, this, [this, item, ignored] { setIgnored(item, !ignored); });
        menu.exec(ProblemsList->viewport()->mapToGlobal(at));
    });
    connect(ProblemsList, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { goToProblem(ProblemsList->indexOfTopLevelItem(item)); });

    ProblemsCount = new QLabel(host_.window());
    ProblemsCount->setObjectName("ProblemsCount");
    host_.addStatusWidget(ProblemsCount);
    // Run again after every change to the tables; a file loaded brings the problems ignored in it.
    connect(&host_, &FeatureHost::tablesChanged, this, [this](const TableChange& change) {
        if (change.cause == TableChange::Cause::Load)
            ignored_ = ignoredSettings().value(ignoreKeyOf(host_.loadedPath())).toStringList();
        refreshProblems();
    });
}

void ProblemsFeature::showProblemsPanel(bool shown)
{
    host_.showDock(ProblemsDock, shown);
    if (shown)
        refreshProblems();
}

void ProblemsFeature::refreshProblems()
{
    if (!FileLoaded) {
        ProblemsList->clear();
        ProblemsCount->clear();
        return;
    }
    std::vector<Finding> findings = RunRules(Orb);
    // The ignored ones last, and out of the count.
    std::stable_partition(findings.begin(), findings.end(),
                          [this](const Finding& f) { return !ignored_.contains(findingKey(f)); });
    int errors = 0, warnings = 0;
    for (const Finding& f : findings)
        if (!ignored_.contains(findingKey(f)))
            (f.rule->severity == Severity::Error ? errors : warnings) += 1;
    ProblemsCount->setText(countText(errors, warnings));
    if (!ProblemsDock->property("grown").toBool()) {
        ProblemsList->clear();  // filled when shown
        return;
    }
    // Rebuilt whole, keeping the line the user stood on where it still is.
    const int row = ProblemsList->currentItem() ? ProblemsList->indexOfTopLevelItem(ProblemsList->currentItem()) : -1;
    ProblemsList->setUpdatesEnabled(false);
    ProblemsList->clear();
    QList<QTreeWidgetItem*> items;
    for (const Finding& f : findings) {
        auto* item = new QTreeWidgetItem({SeverityName(f.rule->severity), f.rule->code, entryText(f), toQ(f.message)});
        item->setIcon(0, QApplication::style()->standardIcon(f.rule->severity == Severity::Error     ? QStyle::SP_MessageBoxCritical
                                               : f.rule->severity == Severity::Warning ? QStyle::SP_MessageBoxWarning
                                                                                       : QStyle::SP_MessageBoxInformation));
        item->setData(0, Qt::UserRole, static_cast<int>(f.table));
        item->setData(1, Qt::UserRole, f.number);
        item->setData(2, Qt::UserRole, toQ(f.field));
        item->setData(1, Qt::UserRole + 1, findingKey(f));
        if (ignored_.contains(findingKey(f))) {
            item->setData(3, Qt::UserRole, true);
            item->setText(0, item->text(0) + " (ignored)");
            for (int c = 0; c < 4; ++c)
                item->setForeground(c, ProblemsList->palette().brush(QPalette::Disabled, QPalette::Text));
        }
        items << item;
    }
    ProblemsList->addTopLevelItems(items);
    if (row >= 0 && row < ProblemsList->topLevelItemCount())
        ProblemsList->setCurrentItem(ProblemsList->topLevelItem(row));
    ProblemsList->setUpdatesEnabled(true);
}

void ProblemsFeature::goToProblem(int row)
{
    QTreeWidgetItem* item = ProblemsList->topLevelItem(row);
    if (!item || !FileLoaded)
        return;
    ProblemsList->setCurrentItem(item);
    host_.goToField(static_cast<TableId>(item->data(0, Qt::UserRole).toInt()), item->data(1, Qt::UserRole).toInt(),
              item->data(2, Qt::UserRole).toString());
}

void ProblemsFeature::stepToProblem(int direction)
{
    if (!FileLoaded)
        return;
    if (!ProblemsItem->isChecked())
        ProblemsItem->setChecked(true);
    const int count = ProblemsList->topLevelItemCount();
    if (!count) {
        host_.showStatus("No problems");
        return;
    }
    // The ignored problems stand last and are passed over.
    int shown = 0;
    while (shown < count && !ProblemsList->topLevelItem(shown)->data(3, Qt::UserRole).toBool())
        ++shown;
    if (!shown) {
        host_.showStatus("No problems");
        return;
    }
    QTreeWidgetItem* current = ProblemsList->currentItem();
    int at = current ? ProblemsList->indexOfTopLevelItem(current) : (direction > 0 ? -1 : shown);
    at = std::min(at, shown);
    goToProblem(((at + direction) % shown + shown) % shown);
}

void ProblemsFeature::setIgnored(QTreeWidgetItem* item, bool ignored)
{
    const QString key = item->data(1, Qt::UserRole + 1).toString();
    if (ignored && !ignored_.contains(key))
        ignored_ << key;
    if (!ignored)
        ignored_.removeAll(key);
    QSettings settings = ignoredSettings();
    if (ignored_.isEmpty())
        settings.remove(ignoreKeyOf(host_.loadedPath()));
    else
        settings.setValue(ignoreKeyOf(host_.loadedPath()), ignored_);
    settings.sync();
    refreshProblems();
    host_.showStatus(ignored ? "Ignored in " + QFileInfo(host_.loadedPath()).fileName() + ": " + key.section('|', 0, 0)
                                     : "No longer ignored: " + key.section('|', 0, 0));
}
