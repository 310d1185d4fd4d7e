// The problems the rules find in the loaded tables: a panel under the pages, a count in the status
// bar after every change, the way from a problem to its entry and field (F8), and problems the
// user chose to ignore in a file, kept across runs.
#pragma once

#include "ui/shared/FeatureHost.h"

#include <QStringList>

class QAction;
class QDockWidget;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

class ProblemsFeature : public Feature {
    Q_OBJECT

public:
    explicit ProblemsFeature(FeatureHost& host);

    QAction* ProblemsItem = nullptr;      // View > Problems, Ctrl+Shift+P
    QAction* NextProblemItem = nullptr;   // F8
    QAction* PrevProblemItem = nullptr;   // Shift+F8
    QDockWidget* ProblemsDock = nullptr;  // under the pages
    QTreeWidget* ProblemsList = nullptr;  // a line a problem: severity, code, entry, message
    QLabel* ProblemsCount = nullptr;      // "3 errors, 5 warnings", in the status bar

    // Runs the rules over the loaded tables again and shows what they find.
    void refreshProblems();
    // Shows the next (+1) or previous (-1) problem's entry, the focus in its field.
    void stepToProblem(int direction);

private:
    void showProblemsPanel(bool shown);
    // Opens the page and entry of line `row` of the list and puts the focus in its field.
    void goToProblem(int row);
    void setIgnored(QTreeWidgetItem* item, bool ignored);

    QStringList ignored_;  // "code|table|number|field" of the loaded file's ignored problems
};
