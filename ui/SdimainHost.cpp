// What the main window gives its features: its pages and lists, its steps and questions, its
// docks and menus.
#include "ui/SdimainHost.h"

#include "core/OrbFile.h"
#include "ui/RecordPage.h"
#include "ui/recovery/RecoveryFeature.h"
#include "ui/table/TableFeature.h"

#include <QAction>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QMenu>
#include <QStatusBar>
#include <QTabWidget>
#include <QUndoStack>

namespace {
// The height a dock under the pages grows the window by while it is shown, so that the pages keep theirs.
constexpr int kDockHeight = 170;
}  // namespace

WindowHost::WindowHost(TSDIAppForm& window) : w_(window), marks_(*this) {}

QWidget* WindowHost::window() const
{
    return &w_;
}

QWidget* WindowHost::dialogParent() const
{
    return w_.isVisible() ? &w_ : nullptr;
}

void WindowHost::addCommand(Menu m, QAction* a, bool atStart)
{
    if (m != Menu::File) {
        const char* name = m == Menu::Edit ? "EditMenu" : m == Menu::View ? "ViewMenu" : "Orbtool1";
        w_.findChild<QMenu*>(name)->addAction(a);
        return;
    }
    // Above the Exit group, which begins at its separator.
    QAction* exitGroup = nullptr;
    for (QAction* item : w_.FileMenu->actions())
        if (item->objectName() == "N2")
            exitGroup = item;
    if (!fileCommands_)
        fileCommands_ = w_.FileMenu->insertSeparator(exitGroup);
    const QList<QAction*> items = w_.FileMenu->actions();
    w_.FileMenu->insertAction(atStart ? items.at(items.indexOf(fileCommands_) + 1) : exitGroup, a);
}

void WindowHost::addEntryAction(QAction* a)
{
    entryActions_ << a;
    for (QListWidget* list : {w_.UnitListBox, w_.wpnlistbox, w_.FormationListBox}) {
        list->setContextMenuPolicy(Qt::ActionsContextMenu);
        list->addAction(a);
    }
}

QDockWidget* WindowHost::addDock(const QString& title, const char* name, QWidget* content)
{
    auto* dock = new QDockWidget(title, &w_);
    dock->setObjectName(name);
    dock->setFeatures(QDockWidget::DockWidgetClosable);
    dock->setAllowedAreas(Qt::BottomDockWidgetArea);
    dock->setFixedHeight(kDockHeight);  // what the window grows by: the pages keep their height
    dock->setWidget(content);
    w_.addDockWidget(Qt::BottomDockWidgetArea, dock);
    dock->hide();
    return dock;
}

void WindowHost::showDock(QDockWidget* dock, bool shown)
{
    // Whether the window holds the dock's height now: a dock hidden by its own button is shown
    // hidden already, and gives the height back here all the same.
    if (dock->property("grown").toBool() == shown) {
        dock->setVisible(shown);
        return;
    }
    dock->setProperty("grown", shown);
    // The pages are laid out for one height: the window grows by the panel's, and gives it back.
    const int extra = shown ? kDockHeight : -kDockHeight;
    const int target = w_.height() + extra;  // before a smaller limit takes its own share
    if (w_.sizeLimit_.isValid())
        w_.sizeLimit_.rheight() += extra;
    if (!w_.tableInFront())
        w_.setMaximumSize(w_.sizeLimit_);
    if (w_.tableSize_.isValid())
        w_.tableSize_.rheight() += extra;
    dock->setVisible(shown);
    w_.resize(w_.width(), target);
}

void WindowHost::addStatusWidget(QWidget* w)
{
    w_.statusBar()->addPermanentWidget(w);
}

std::optional<TableId> WindowHost::tableInFront() const
{
    if (!FileLoaded || CurrentPage == pcLoad)
        return std::nullopt;
    return TableOfPage(CurrentPage);
}

int WindowHost::entryInFront() const
{
    // With the table in front: the entry of its current row.
    if (CurrentPage != pcLoad && !w_.formShown(CurrentPage))
        if (int n = w_.table_->entryInFront())
            return n;
    return CurrentEntryOf(CurrentPage);
}

QWidget* WindowHost::page(TableId t) const
{
    return t == TableId::Units ? w_.Units : t == TableId::Weapons ? w_.Weapons : w_.Formations;
}

QListWidget* WindowHost::entryList(TableId t) const
{
    return t == TableId::Units ? w_.UnitListBox : t == TableId::Weapons ? w_.wpnlistbox : w_.FormationListBox;
}

QLineEdit* WindowHost::filterEdit(TableId t) const
{
    return w_.pageFilter(PageOfTable(t));
}

RecordEdits WindowHost::edits() const
{
    return {w_.unitEdits, w_.weaponEdits, w_.formationEdits};
}

void WindowHost::showEntry(TableId t, int n)
{
    if (w_.Viewer->currentWidget() != page(t)) {
        CurrentEntryOf(t) = static_cast<uint8_t>(n);
        w_.Viewer->setCurrentWidget(page(t));  // entering the page shows its entry
        return;
    }
    if (n != CurrentEntryOf(t))
        w_.stepBy(n - CurrentEntryOf(t));
}

void WindowHost::goToField(TableId table, int number, const QString& shownField)
{
    if (!FileLoaded)
        return;
    w_.Viewer->setCurrentWidget(page(table));
    if (!w_.formShown(CurrentPage))
        w_.table_->toggleTable();  // the field is shown on the form
    if (number != CurrentEntryOf(CurrentPage))
        w_.stepBy(number - CurrentEntryOf(CurrentPage));
    if (number != CurrentEntryOf(CurrentPage))
        return;  // the user kept typed edits there instead
    // The entry as a whole: its name.
    if (QLineEdit* edit = EditOf(edits(), table, shownField.isEmpty() ? "Name" : fromQ(shownField))) {
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    }
}

void WindowHost::showUncommitted(const OrbData& from)
{
    switch (CurrentPage) {
    case pcUnits: w_.showUnitRecord(from.unit(CurrentUnit)); break;
    case pcWeapons: w_.showWeaponRecord(from.weapon(CurrentWeapon)); break;
    case pcFormations: w_.showFormationRecord(from.formation(CurrentFormation)); break;
    default: break;
    }
}

void WindowHost::turnPage(bool back)
{
    const int pages = w_.Viewer->count();
    w_.Viewer->setCurrentIndex((w_.Viewer->currentIndex() + (back ? pages - 1 : 1)) % pages);
}

void WindowHost::formToggled()
{
    w_.applySizeLimit();
    // Back on the form: the page shows its current entry, its list refilled; moving to another
    // entry drops typed edits as any step does, and the same entry keeps them.
    if (!w_.tableInFront())
        w_.pageChanged(w_.Viewer->currentIndex());
}

bool WindowHost::mayChange(const QString& operation, const OrbData& after, bool offerCommit)
{
    return w_.confirmTypedDrop(operation, after, offerCommit);
}

std::size_t WindowHost::pushStep(const QString& text, OrbChanges changes)
{
    return w_.pushStep(text, std::move(changes));
}

void WindowHost::pushChoice(QUndoCommand* step)
{
    w_.UndoStack->push(step);
}

int WindowHost::stepCount() const
{
    return w_.UndoStack->index();
}

void WindowHost::showStoredNote(const QString& note)
{
    w_.showStoredNote(note);
}

void WindowHost::showStatus(const QString& text)
{
    if (text.isEmpty())
        w_.statusBar()->clearMessage();
    else
        w_.statusBar()->showMessage(text);
}

QString WindowHost::status() const
{
    return w_.statusBar()->currentMessage();
}

void WindowHost::showMessage(const QString& text, const QString& title)
{
    w_.showMessage(text, title);
}

bool WindowHost::unsavedWork()
{
    w_.table_->storeOpenCells();
    bool work = w_.isWindowModified();
    for (uint8_t page : {pcUnits, pcWeapons, pcFormations})
        work = work || w_.pageTyped(page);
    return work;
}

bool WindowHost::modified() const
{
    return w_.isWindowModified();
}

QString WindowHost::loadedPath() const
{
    return w_.loadedPath_;
}

QString WindowHost::savePath() const
{
    return QDir(QString::fromStdString(CurrentDirectory)).filePath(w_.loadedName_);
}

void WindowHost::open(const QString& path, bool ask)
{
    w_.skipDropQuestion_ = !ask;  // a reload asked already
    w_.openPath(path);
    w_.skipDropQuestion_ = false;
}

bool WindowHost::openUnsaved(const QString& path, const std::vector<uint8_t>& image)
{
    const QFileInfo file(path);
    if (!w_.confirmDrop())
        return false;
    std::unique_ptr<DataFileLock> taken;
    if (!w_.recovery_->holdFile(file.absoluteFilePath(), taken))
        return false;
    if (file.absoluteDir().exists()) {
        w_.setDirectory(file.absolutePath());
        w_.DirectoryListBox1Change();
    }
    CurrentFileNumber = static_cast<uint16_t>(file.fileName().mid(3).toInt());
    FileImage.bytesRead = OrbImageSize;
    FileImage.source.clear();
    FileImage.tailSize = 0;
    // Nothing on disk to keep: the work's own image, bytes no entry holds included.
    std::vector<uint8_t> whole = image;
    Orb.swapImage(whole);
    w_.loadedName_ = file.fileName();
    w_.loadedPath_ = file.absoluteFilePath();
    w_.forgetShown();
    FileLoaded = true;
    w_.recovery_->fileOpened(std::filesystem::u8path(w_.loadedPath_.toStdString()), w_.loadedPath_, std::move(taken));
    w_.noteSaved();
    w_.savedImage_.clear();  // nothing on disk: all of it is unsaved
    w_.UndoStack->clear();
    w_.setCaption("Orbtool : " + w_.loadedName_);
    w_.announce({TableChange::Cause::Load, 7});
    return true;
}
