// The Load page (data file list, directories, loading), and commit, restore and save.
#include "ui/Sdimain.h"

#include "core/EditRules.h"
#include "core/FileList.h"
#include "core/OrbDiff.h"
#include "ui/EntryFilter.h"
#include "ui/RecordPage.h"
#include "ui/UndoCommands.h"
#include "ui/Widgets.h"
#include "ui/merge/MergeFeature.h"
#include "ui/recovery/RecoveryFeature.h"

#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QFileInfo>
#include <QRegularExpression>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QUndoStack>

#include <vector>

void TSDIAppForm::buildLoadPage()
{
    OrbListBox = new QListWidget(Load);
    OrbListBox->setUniformItemSizes(true);  // one line each: only the first is measured
    OrbListBox->setObjectName("OrbListBox");
    OrbListBox->setGeometry(4, 4, 584, 420);
    DriveComboBox1 = new QComboBox(Load);
    DriveComboBox1->setObjectName("DriveComboBox1");
    DriveComboBox1->setGeometry(596, 4, 180, 22);
    for (const QFileInfo& drive : QDir::drives())
        DriveComboBox1->addItem(QDir::toNativeSeparators(drive.absoluteFilePath()));
    DirectoryListBox1 = new QListWidget(Load);
    DirectoryListBox1->setObjectName("DirectoryListBox1");
    DirectoryListBox1->setGeometry(596, 30, 180, 290);
    OpenBtn = new QPushButton("Open", Load);
    OpenBtn->setObjectName("OpenBtn");
    OpenBtn->setGeometry(596, 330, 75, 25);
    setHint(OpenBtn, "Load selected orb");
    SaveBtn = new QPushButton("Save", Load);
    SaveBtn->setObjectName("SaveBtn");
    SaveBtn->setGeometry(596, 362, 75, 25);
    setHint(SaveBtn, "Save your edits");
    HelpBtn = new QPushButton("Help", Load);
    HelpBtn->setObjectName("HelpBtn");
    HelpBtn->setGeometry(596, 399, 75, 25);
    setHint(HelpBtn, "Help Me!!");

    connect(OrbListBox, &QListWidget::itemDoubleClicked, this, &TSDIAppForm::OrbListBoxDblClick);
    connect(OpenBtn, &QPushButton::clicked, this, &TSDIAppForm::OpenBtnClick);
    connect(SaveBtn, &QPushButton::clicked, this, &TSDIAppForm::SaveBtnClick);
    connect(HelpBtn, &QPushButton::clicked, this, &TSDIAppForm::HelpBtnClick);
    connect(DirectoryListBox1, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        setDirectory(item->data(Qt::UserRole).toString());
        DirectoryListBox1Change();
    });
    connect(DriveComboBox1, &QComboBox::activated, this, [this](int index) {
        setDirectory(DriveComboBox1->itemText(index));
        DirectoryListBox1Change();
    });
}

// The directory list shows the path from the root down to dir, then dir's subdirectories.
void TSDIAppForm::setDirectory(const QString& dir)
{
    QDir d(dir);
    QString path = QDir::cleanPath(d.absolutePath());
    DirectoryListBox1->clear();
    DirectoryListBox1->setProperty("directory", QDir::toNativeSeparators(path));
    QStringList chain;
    for (QDir up(path);; ) {
        chain.prepend(up.absolutePath());
        if (up.isRoot() || !up.cdUp())
            break;
    }
    int depth = 0;
    for (const QString& p : chain) {
        QString name = depth == 0 ? QDir::toNativeSeparators(p) : QDir(p).dirName();
        auto* item = new QListWidgetItem(QString(depth * 2, ' ') + name, DirectoryListBox1);
        item->setData(Qt::UserRole, p);
        ++depth;
    }
    DirectoryListBox1->setCurrentRow(DirectoryListBox1->count() - 1);
    for (const QFileInfo& sub : d.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        auto* item = new QListWidgetItem(QString(depth * 2, ' ') + sub.fileName(), DirectoryListBox1);
        item->setData(Qt::UserRole, sub.absoluteFilePath());
    }
    // The drive box follows the list (on systems without drives it holds the root alone).
    QString root = QDir::toNativeSeparators(chain.first());
    int drive = DriveComboBox1->findText(root, Qt::MatchFixedString);
    if (drive >= 0)
        DriveComboBox1->setCurrentIndex(drive);
}

void TSDIAppForm::DirectoryListBox1Change()
{
    CurrentDirectory = DirectoryListBox1->property("directory").toString().toStdString();
    QDir::setCurrent(QString::fromStdString(CurrentDirectory));
    SetList();
}

void TSDIAppForm::SetList()
{
    OrbListBox->clear();
    FileExistsTable = ScanOrbFiles(".");
    // Numbers that are never listed are never marked as found.
    for (int n = 0; n < 100; ++n)
        if (ListLineOfFileNumber(n) < 0)
            FileExistsTable[static_cast<std::size_t>(n)] = false;
    QStringList lines;
    for (const std::string& line : OrbListLines(FileExistsTable))
        lines << toQ(line);
    if (lines.isEmpty())
        return;
    OrbListBox->addItems(lines);
    OrbListBox->setCurrentRow(FirstExistingListLine(FileExistsTable));
}

void TSDIAppForm::OrbListBoxDblClick()
{
    QList<QListWidgetItem*> selected = OrbListBox->selectedItems();
    if (selected.isEmpty())
        return;
    QString line = selected.first()->text();
    int n = FileNumberOfListLine(OrbListBox->row(selected.first()));
    // Ask again: the file may have come or gone since the list was built.
    if (!OrbFileExists(n)) {
        QString dir = QString::fromStdString(CurrentDirectory);
        if (!dir.endsWith(QDir::separator()))
            dir += QDir::separator();
        statusBar()->showMessage("Not found: " + dir + QString::fromStdString(OrbFileName(n)));
        showMessage("Try changing your current directory !", "File Not Found");
        return;
    }
    // Loading replaces OrbData: committed work must not go without a word.
    if (!skipDropQuestion_ && !confirmDrop())
        return;
    skipDropQuestion_ = false;
    // One window a file: another copy of the editor with it open keeps it.
    std::unique_ptr<DataFileLock> taken;
    const QString path = QDir(QString::fromStdString(CurrentDirectory)).absoluteFilePath(QString::fromStdString(OrbFileName(n)));
    if (!recovery_->holdFile(path, taken))
        return;
    LoadResult loaded = LoadOrbFile(n);
    if (loaded.code != 0) {
        showMessage(QString::fromStdString(loaded.message), "File Load Error");
        return;
    }
    // The work on the file loaded before was saved or dropped by the user's answer. The new
    // file's session comes first, so that the steps of the old one, cleared now, are not taken
    // for unsaved work on the new file.
    recovery_->fileOpened(loaded.path, path, std::move(taken));
    loadedName_ = QString::fromStdString(loaded.path.filename().u8string());
    loadedPath_ = QFileInfo(QString::fromStdString(loaded.path.u8string())).absoluteFilePath();
    forgetShown();
    noteSaved();
    UndoStack->clear();
    SaveAs1->setEnabled(true);
    setCaption("Orbtool : " + line);
    CurrentWeapon = CurrentUnit = CurrentFormation = 1;
    CurrentFileNumber = static_cast<uint16_t>(n);
    QString dir = QString::fromStdString(CurrentDirectory);
    if (!dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    QString loadedText = "Loaded " + dir + loadedName_ + ": " + line;
    if (FileImage.bytesRead < OrbImageSize)
        loadedText += QString(" - a short file: %1 of %2 bytes; values past its end cannot be saved")
                          .arg(FileImage.bytesRead)
                          .arg(OrbImageSize);
    // Say now, before any editing, when the file will not be saved back.
    std::string obstacle = SaveObstacle(loaded.path);
    if (!obstacle.empty())
        loadedText += " - it cannot be saved here: " + QString::fromStdString(obstacle);
    statusBar()->showMessage(loadedText);
    FileLoaded = true;
    // Every list filled now, so that the three share their width from the start and the form does
    // not move when another page is first shown.
    announce({TableChange::Cause::Load, 7});
    if (Viewer->currentWidget() == Units)
        UnitsEnter();
    else
        Viewer->setCurrentWidget(Units);
    unitEdit("Name")->setFocus();
    recovery_->offerJournalsOf(loaded.path);
}

void TSDIAppForm::openPath(const QString& path)
{
    const QFileInfo file(path);
    const QRegularExpressionMatch m = QRegularExpression("^orb([0-9][0-9])$", QRegularExpression::CaseInsensitiveOption)
                                          .match(file.fileName());
    const int n = m.hasMatch() ? m.captured(1).toInt() : -1;
    if (n < 0 || ListLineOfFileNumber(n) < 0) {
        showMessage("'" + path + "' is not a data file name (ORB05, ORB12, ORB70, ...)", "File Load Error");
        return;
    }
    setDirectory(file.absolutePath());
    DirectoryListBox1Change();
    OrbListBox->setCurrentRow(ListLineOfFileNumber(n));
    OrbListBoxDblClick();
}

void TSDIAppForm::OpenBtnClick()
{
    OrbListBoxDblClick();
}

void TSDIAppForm::OpenItemClick()
{
    if (CurrentPage == pcLoad) {
        OrbListBoxDblClick();
        return;
    }
    CurrentPage = pcLoad;
    Viewer->setCurrentWidget(Load);
    setFocus();
}

void TSDIAppForm::LoadEnter()
{
    CurrentPage = pcLoad;
    SetButtons(false);
}

namespace {
// What a commit of entry n changed: the entry before and after, when they differ.
template <class R>
void entryChange(std::vector<EntryChange<R>>& changes, int n, const R& before, const R& after)
{
    if (!SameEntry(before, after))
        changes.push_back({n, before, after});
}
}  // namespace

void TSDIAppForm::CommitButtonClick()
{
    if (CurrentPage == pcLoad) {
        statusBar()->showMessage("Unknown Page!");
        return;
    }
    commitPage(CurrentPage);
}

namespace {
// What committing the edits would store where it is not what they show: "Cost: 'ABC' stored as 0".
template <class R>
QStringList storedOtherwise(const std::vector<FieldEdit<R>>& edits, R r)
{
    QStringList notes;
    for (const auto& e : edits) {
        const std::string typed = fromQ(e.edit->text());
        StoreFieldText(r, *e.field, typed);
        const std::string stored = FieldText(r, *e.field);
        if (!StoredAsTyped(e.field->width, typed, stored))
            notes << QString::fromStdString(
                StoredNote(e.field->name, e.field->width, e.edit->text().toStdString(), toQ(stored).toStdString()));
    }
    return notes;
}
}  // namespace

void TSDIAppForm::commitPage(uint8_t page)
{
    OrbChanges changes;
    QStringList notes;
    int number = 0;
    switch (page) {
    case pcWeapons: {
        number = CurrentWeapon;
        const WeaponRecord before = Orb.weapon(CurrentWeapon);
        notes = storedOtherwise(weaponEdits, before);
        SaveWeapon();
        entryChange(changes.weapons, CurrentWeapon, before, Orb.weapon(CurrentWeapon));
        break;
    }
    case pcUnits: {
        number = CurrentUnit;
        const UnitRecord before = Orb.unit(CurrentUnit);
        notes = storedOtherwise(unitEdits, before);
        SaveUnit();
        entryChange(changes.units, CurrentUnit, before, Orb.unit(CurrentUnit));
        break;
    }
    case pcFormations: {
        number = CurrentFormation;
        const FormationRecord before = Orb.formation(CurrentFormation);
        notes = storedOtherwise(formationEdits, before);
        SaveFormation();
        entryChange(changes.formations, CurrentFormation, before, Orb.formation(CurrentFormation));
        break;
    }
    default:
        return;
    }
    pushStep("Commit " + EntryTitle(page, number), std::move(changes));
    showStoredNote(notes.join("; "));
}

void TSDIAppForm::showStoredNote(const QString& note)
{
    if (!note.isEmpty())
        statusBar()->showMessage(note);
    else if (!storedNote_.isEmpty() && statusBar()->currentMessage() == storedNote_)
        statusBar()->clearMessage();
    storedNote_ = note;
}

QString EntryTitle(uint8_t page, int number)
{
    return EntryTitle(TableOfPage(page), number);
}

void TSDIAppForm::RestoreButtonClick()
{
    switch (CurrentPage) {
    case pcWeapons:
        ShowWeapon();
        break;
    case pcUnits:
        ShowUnit();
        break;
    case pcFormations:
        ShowFormation();
        break;
    default:
        statusBar()->showMessage("Wrong Page");
    }
}

void TSDIAppForm::SaveBtnClick()
{
    saveFile();
}

bool TSDIAppForm::saveFile()
{
    if (!FileLoaded) {
        showMessage("Please load a file first!!");
        return false;
    }
    // Never over another program's change without the user's answer.
    const bool sameFile =
        QDir::cleanPath(QDir(QString::fromStdString(CurrentDirectory)).absoluteFilePath(loadedName_)) ==
        QDir::cleanPath(loadedPath_);
    if (sameFile && !recovery_->checkDisk(true))
        return false;
    if (!merge_->confirmUnresolved())
        return false;
    SaveResult saved = SaveOrbFile(CurrentFileNumber, CurrentDirectory);
    QString file = QString::fromStdString(saved.path.filename().u8string());
    if (saved.code != 0) {
        // The old file is still there as it was; say so rather than claim a save.
        showMessage("Unable to save " + QDir::toNativeSeparators(QString::fromStdString(saved.path.u8string())) +
                        "\n" + QString::fromStdString(saved.message) + "\nThe file on disk has not been changed.",
                    "File Save Error");
        statusBar()->clearMessage();
        return false;
    }
    noteSaved();
    updateModified();
    emit host_->saved(QString::fromStdString(saved.path.u8string()));
    QString dir = QString::fromStdString(CurrentDirectory);
    if (!dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    QString savedText = "Saved " + dir + file;
    if (!saved.pastEnd.empty()) {
        // The file keeps its length, so these committed values are not in it: say which.
        const std::size_t lost = saved.pastEnd.size();
        showMessage(QString("%1 is %2 bytes long, shorter than a full data file (%3 bytes). It was saved at that "
                            "length, so %4 past its end %5 not written:\n%6")
                        .arg(file)
                        .arg(FileImage.bytesRead)
                        .arg(OrbImageSize)
                        .arg(lost == 1 ? QString("1 committed value") : QString("%1 committed values").arg(lost))
                        .arg(lost == 1 ? "was" : "were")
                        .arg(QString::fromStdString(DescribePastEnd(saved.pastEnd))),
                    "File Save Warning");
        savedText += QString(" - %1 past the end of the short file %2 not written")
                         .arg(lost == 1 ? QString("1 value") : QString("%1 values").arg(lost))
                         .arg(lost == 1 ? "was" : "were");
    }
    statusBar()->showMessage(savedText);
    return true;
}
