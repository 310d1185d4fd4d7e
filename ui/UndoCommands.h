// One undoable step of the editor: a Commit, a Paste with All or a Renumber, kept as the entries
// it changed (whole records before and after), so that undo and redo restore OrbData exactly.
#pragma once

#include "core/OrbDiff.h"

#include <QUndoCommand>

#include <functional>

class OrbEditCommand : public QUndoCommand {
public:
    // The change has already been made when the command is pushed; shown is called after every
    // undo and redo with what changed, so that the window can show it.
    OrbEditCommand(const QString& text, OrbChanges changes, std::function<void(const OrbChanges&)> shown);

    void undo() override;
    void redo() override;
    const OrbChanges& changes() const { return changes_; }

private:
    OrbChanges changes_;
    std::function<void(const OrbChanges&)> shown_;
    bool done_ = true;  // the first redo (from push) finds the change made
};
