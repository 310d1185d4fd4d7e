// What the main window gives each feature added beside its designed pages (the table view,
// comparing, merging, problems, references, recovery): the one way a feature reaches the window.
// A feature reads the loaded tables (Orb) and the program-wide state as every part does, changes
// the tables only through pushStep, and follows tablesChanged instead of being refreshed by hand.
// Features never call each other: what two of them share is a helper of ui/shared/.
#pragma once

#include "core/OrbDiff.h"
#include "core/Tables.h"
#include "data/Fields.h"

#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class FieldMarks;
class QAction;
class QDockWidget;
class QLineEdit;
class QListWidget;
class QMenu;
class QUndoCommand;
class QWidget;

// One edit of a record page tied to one record field; Show, Save, Copy and Paste walk these.
template <class R>
struct FieldEdit {
    const FieldDef<R>* field;
    QLineEdit* edit;
};

// The edits of the three record pages, each tied to its field.
struct RecordEdits {
    const std::vector<FieldEdit<UnitRecord>>& units;
    const std::vector<FieldEdit<WeaponRecord>>& weapons;
    const std::vector<FieldEdit<FormationRecord>>& formations;

    template <class R>
    const std::vector<FieldEdit<R>>& of() const
    {
        if constexpr (std::is_same_v<R, UnitRecord>)
            return units;
        else if constexpr (std::is_same_v<R, WeaponRecord>)
            return weapons;
        else
            return formations;
    }
};
// The edit that shows field `name` on table t's page; nullptr where no edit shows it.
QLineEdit* EditOf(const RecordEdits& edits, TableId t, const std::string& name);

// "Unit 017", "Formation 003": an entry as undo steps and the lists of a merge name it.
QString EntryTitle(TableId t, int number);

// What a change to the loaded tables touched, announced once, after it is made.
struct TableChange {
    enum class Cause {
        Step,  // a Commit, a paste, a renumber, a move, a table edit, a merge choice, a restore
        Undo,  // a step undone or done again
        Load,  // the tables replaced whole: a file loaded, or unsaved work taken as a file
    };
    Cause cause = Cause::Step;
    unsigned tables = 0;  // bit 1 << int(TableId) for each table with a changed entry

    bool touches(TableId t) const { return tables & (1u << int(t)); }
    // The tables changes touches.
    static unsigned TablesOf(const OrbChanges& changes);
};

// The menus features add their commands to.
enum class Menu { File, Edit, View, Orbtool };

class FeatureHost : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // ---- the frame ----
    // The main window: the parent of a feature's widgets and of its dialogs.
    virtual QWidget* window() const = 0;
    // A message box's parent: the window while it is shown (none before, as at start-up).
    virtual QWidget* dialogParent() const = 0;
    // Appends a command to menu m; in the File menu the features' commands stand together above
    // Exit, and atStart puts one first among them.
    virtual void addCommand(Menu m, QAction* a, bool atStart = false) = 0;
    // A command on the entry in front: in the entry lists' context menus and in views that offer
    // them (the table's).
    virtual void addEntryAction(QAction* a) = 0;
    virtual QList<QAction*> entryActions() const = 0;
    // A dock under the pages holding content, hidden until showDock shows it: the window grows by
    // its height while it is shown, so that the pages keep theirs.
    virtual QDockWidget* addDock(const QString& title, const char* name, QWidget* content) = 0;
    virtual void showDock(QDockWidget* dock, bool shown) = 0;
    // A widget at the right of the status bar (a count).
    virtual void addStatusWidget(QWidget* w) = 0;

    // ---- what the window shows ----
    // The record page in front, while a file is loaded; nothing on the Load page.
    virtual std::optional<TableId> tableInFront() const = 0;
    // The entry the page in front shows: on its form, or where a view in its place stands.
    virtual int entryInFront() const = 0;
    virtual QWidget* page(TableId t) const = 0;
    virtual QListWidget* entryList(TableId t) const = 0;
    virtual QLineEdit* filterEdit(TableId t) const = 0;
    virtual RecordEdits edits() const = 0;
    // Opens table t's page at entry n (dropping typed edits of another entry, as any step does;
    // on the entry shown already, typed edits stay), its form in front.
    virtual void showEntry(TableId t, int n) = 0;
    // As showEntry, with the focus in the field (the name where none is given).
    virtual void goToField(TableId t, int n, const QString& field) = 0;
    // Shows entry `from`'s values on the page in front, uncommitted, as a Paste does.
    virtual void showUncommitted(const OrbData& from) = 0;
    // The next page (back: the previous one), as Ctrl+Tab does on a form.
    virtual void turnPage(bool back) = 0;
    // A feature put a view in place of a page's form or took it away: the window's size follows.
    virtual void formToggled() = 0;
    // The comparison every view marks (a compared file, theirs of a merge, unsaved work).
    virtual FieldMarks& marks() = 0;

    // ---- changing the tables ----
    // Before an operation changes entries that a page shows with typed edits of its own: asks to
    // commit them first (where offerCommit), to discard them, or to cancel. after: the tables as
    // the operation would leave them. True to go on.
    virtual bool mayChange(const QString& operation, const OrbData& after, bool offerCommit) = 0;
    // Records changes already made to Orb as one undoable step named text, and announces them;
    // the number of entries (nothing is recorded for none).
    virtual std::size_t pushStep(const QString& text, OrbChanges changes) = 0;
    // An undoable step that changes no entry (a choice of a merge); undone and redone on its own.
    virtual void pushChoice(QUndoCommand* step) = 0;
    // How many steps the undo stack holds below its index: a step taken meanwhile moves it.
    virtual int stepCount() const = 0;
    // Says what a change stored otherwise than typed; with nothing to say, takes away an earlier
    // such note.
    virtual void showStoredNote(const QString& note) = 0;

    // ---- telling and asking ----
    virtual void showStatus(const QString& text) = 0;  // empty: cleared
    virtual QString status() const = 0;
    virtual void showMessage(const QString& text, const QString& title = QString()) = 0;
    // Whether there is work a load would drop: committed and unsaved, or typed on a page.
    virtual bool unsavedWork() = 0;
    // The modified mark: the tables differ from the file as loaded or saved.
    virtual bool modified() const = 0;

    // ---- the loaded file ----
    virtual QString loadedPath() const = 0;  // as it stands on disk; empty while none is loaded
    virtual QString savePath() const = 0;    // where Save writes it: its name in the current folder
    // Loads the data file at path, asking first where work would be dropped (unless ask is false).
    virtual void open(const QString& path, bool ask = true) = 0;
    // Takes tables no file holds as the data file at path (gone from disk), all of them unsaved.
    // False where the user kept the loaded file, or another window has path open.
    virtual bool openUnsaved(const QString& path, const std::vector<uint8_t>& image) = 0;

signals:
    // Every change to the loaded tables, once, after the modified mark followed it.
    void tablesChanged(const TableChange& change);
    // The page in front, or the entry it shows, changed.
    void frontChanged();
    // The tables as packed for a save, and whether they are unsaved: after each change, load and save.
    void workChanged(const std::vector<uint8_t>& image, bool unsaved);
    // The tables were saved at path.
    void saved(const QString& path);
};

// A feature: a child of the window, found by its class (findChild), built with the host it
// reaches the window through.
class Feature : public QObject {
    Q_OBJECT

public:
    Feature(FeatureHost& host, const char* name);

protected:
    FeatureHost& host_;
};
