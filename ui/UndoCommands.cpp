#include "ui/UndoCommands.h"

#include "core/Globals.h"

OrbEditCommand::OrbEditCommand(const QString& text, OrbChanges changes, std::function<void(const OrbChanges&)> shown)
    : QUndoCommand(text), changes_(std::move(changes)), shown_(std::move(shown))
{
}

void OrbEditCommand::undo()
{
    ApplyBefore(Orb, changes_);
    shown_(changes_);
}

void OrbEditCommand::redo()
{
    if (done_) {
        done_ = false;
        return;
    }
    ApplyAfter(Orb, changes_);
    shown_(changes_);
}
