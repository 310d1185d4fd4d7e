// Merging another file into the loaded one: base, ours (the loaded tables) and theirs, the
// changes that do not conflict taken as one step, each conflict chosen by the user by key or from
// the list, and what was taken shown to be taken back. The rules (what a choice takes, what the
// tables are after it) are core's MergeSession; this shows the session and asks.
#pragma once

#include "ui/shared/FeatureHost.h"

#include <memory>

class MergeSession;
class QAction;
class QDockWidget;
class QLabel;
class QTreeView;

class MergeFeature : public Feature {
    Q_OBJECT

public:
    explicit MergeFeature(FeatureHost& host);
    ~MergeFeature() override;

    QAction* MergeItem = nullptr;            // File > Merge With..., Ctrl+Shift+M
    QAction* KeepOursItem = nullptr;         // Ctrl+1: the conflict in front keeps ours' value
    QAction* TakeTheirsItem = nullptr;       // Ctrl+2
    QAction* TakeBaseItem = nullptr;         // Ctrl+3
    QAction* TakeTheirsEntryItem = nullptr;  // every conflict of the entry in front
    QAction* TakeTheirsAllItem = nullptr;    // every conflict left
    QDockWidget* ConflictsDock = nullptr;    // under the pages: the conflicts, and what was taken
    QTreeView* ConflictsList = nullptr;      // a line a conflict: entry, field, base, ours, theirs
    QTreeView* TakenList = nullptr;          // a line a field taken from theirs
    QLabel* ConflictsCount = nullptr;        // "3 conflicts left", in the status bar

    // Merges theirs into the loaded tables (ours) since base: what only theirs changed is taken
    // as one step; the conflicts are listed for the user. False, said, when a file cannot be read.
    bool mergeWith(const QString& theirs, const QString& base);
    // How many conflicts of the last merge hold ours' value with no choice made yet.
    std::size_t conflictsLeft() const;
    // F7 / Shift+F7 while conflicts are left: the next (+1) or previous (-1) one.
    void stepToConflict(int direction);
    // Before a save with conflicts left: asks. True to go on.
    bool confirmUnresolved();

private:
    void buildDock();
    void endMerge();
    void refreshMerge();
    // The conflict the page in front shows: the one of its entry whose field has the focus, else
    // the entry's first one left; the conflicts' count when the entry has none.
    std::size_t conflictInFront() const;
    // Keep Ours (no source), Take Theirs or Take Base on the conflict in front, or on all of its entry's.
    void resolveConflicts(int choice, bool wholeEntry);
    // Takes a field taken from theirs back to ours' value, as a step of its own.
    void undoTaken(std::size_t i);
    // Takes the tables after as a step named text, asking first about typed edits in its way
    // (where operation names it). False where the user kept them.
    bool takeStep(const QString& operation, const QString& text, const OrbData& after);

    std::shared_ptr<MergeSession> session_;  // the merge under way; its Keep Ours steps hold it weakly
};
