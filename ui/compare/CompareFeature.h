// Comparing the loaded tables with another data file: the File menu's commands, stepping from
// difference to difference (F7), and taking entries and values back from the compared file. The
// marks themselves are the shared FieldMarks, which a merge sets too.
#pragma once

#include "ui/shared/FeatureHost.h"

class QAction;

class CompareFeature : public Feature {
    Q_OBJECT

public:
    explicit CompareFeature(FeatureHost& host);

    QAction* CompareItem = nullptr;       // File > Compare With...
    QAction* CompareSavedItem = nullptr;  // File > Compare With Saved File
    QAction* StopCompareItem = nullptr;   // File > Stop Comparing
    QAction* TakeEntryItem = nullptr;     // Edit > Take Entry From Compared File

    // Compares with the data file at path; false, said, when it cannot be read.
    bool compareWith(const QString& path);
    void stopComparing();
    bool comparing() const;
    // Shows the next (+1) or previous (-1) entry of the page in front that differs.
    void stepToDifference(int direction);
    // Shows the compared file's entry on the page in front, uncommitted, as a Paste does.
    void takeComparedEntry();

private:
    // A marked edit's context menu takes the compared value into the edit alone.
    void offerComparedValues();
};
