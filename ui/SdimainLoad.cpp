// The Load page (data file list, directories, loading), the record lists and stepping through
// them, and commit, restore and save.
#include "ui/Sdimain.h"

#include "core/EditRules.h"
#include "core/FileList.h"
#include "core/OrbDiff.h"
#include "ui/EntryFilter.h"
#include "ui/RecordPage.h"
#include "ui/UndoCommands.h"
#include "ui/Widgets.h"

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
    if (!confirmDrop())
        return;
    LoadResult loaded = LoadOrbFile(n);
    if (loaded.code != 0) {
        showMessage(QString::fromStdString(loaded.message), "File Load Error");
        return;
    }
    loadedName_ = QString::fromStdString(loaded.path.filename().u8string());
    forgetShown();
    UndoStack->clear();
    noteSaved();
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
    updateModified();
    updateMarks();
    for (QTableView* t : tables_)
        if (t)
            t->viewport()->update();  // the table reads the new file
    // Every list filled now, so that the three share their width from the start and the form does
    // not move when another page is first shown.
    wpnlistboxInit(CurrentWeapon);
    FormationlistboxInit(CurrentFormation);
    if (Viewer->currentWidget() == Units)
        UnitsEnter();
    else
        Viewer->setCurrentWidget(Units);
    unitEdit("Name")->setFocus();
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
// The names a record list shows, kept with the list: every page switch refills its list, and
// comparing names is far cheaper than comparing the lines made of them.
class ShownNames : public QObject {
public:
    using QObject::QObject;
    std::vector<OrbName> names;
};

// Refills a record list, hidden while it is: the lines whose names changed are rewritten (a
// commit changes one), or, when many did (a load, a paste of a whole table), the list is built
// anew.
// The width of the widest line in bold, as a compare marks it: a list wide enough for that keeps
// its width, and the form its place, when lines are marked.
int boldWidest(const QListWidget* list, const QStringList& lines)
{
    QFont bold = list->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int widest = 0;
    for (const QString& l : lines)
        widest = std::max(widest, metrics.horizontalAdvance(l));
    return widest;
}

// Returns the width the widest line rewritten needs in bold (every line's when the list was built
// anew), with whether it was built anew.
template <class R>
std::pair<int, bool> fillRecordList(QListWidget* list, uint8_t select)
{
    ShownNames* shown = nullptr;
    for (QObject* child : list->children())
        if ((shown = dynamic_cast<ShownNames*>(child)))
            break;
    if (!shown)
        shown = new ShownNames(list);
    constexpr std::size_t count = CountOf<R>;
    auto name = [](std::size_t i) { return Orb.name<R>(static_cast<int>(i + 1)); };
    auto line = [&name](std::size_t i) {
        const std::string_view text = name(i);
        return threeDigits(static_cast<int>(i + 1)) + "  " + QLatin1String(text.data(), static_cast<qsizetype>(text.size()));
    };
    list->setUpdatesEnabled(false);
    std::vector<std::size_t> changed;
    const bool same = shown->names.size() == count && list->count() == static_cast<int>(count);
    for (std::size_t i = 0; same && i < count && changed.size() < 32; ++i)
        if (shown->names[i] != name(i))
            changed.push_back(i);
    const bool anew = !same || changed.size() >= 32;
    int widest = 0;
    if (anew) {
        // Rewriting a line costs more than adding one: with many changed, build the list anew.
        QStringList lines;
        for (std::size_t i = 0; i < count; ++i)
            lines << line(i);
        list->clear();
        list->addItems(lines);
        int text = 0;
        for (const QString& l : lines)
            text = std::max(text, list->fontMetrics().horizontalAdvance(l));
        widest = list->sizeHintForColumn(0) - text + boldWidest(list, lines);
    } else {
        for (std::size_t i : changed) {
            const QString l = line(i);
            list->item(static_cast<int>(i))->setText(l);
            const int margin = list->sizeHintForIndex(list->model()->index(static_cast<int>(i), 0)).width() -
                               list->fontMetrics().horizontalAdvance(l);
            widest = std::max(widest, margin + boldWidest(list, {l}));
        }
    }
    shown->names.clear();
    for (std::size_t i = 0; i < count; ++i)
        shown->names.emplace_back(name(i));
    list->setCurrentRow(select - 1);
    if (EntryFilter* filter = EntryFilter::of(list))
        filter->apply();
    list->setUpdatesEnabled(true);
    return {widest, anew};
}
}  // namespace

void TSDIAppForm::UnitlistboxInit(uint8_t select)
{
    auto [widest, anew] = fillRecordList<UnitRecord>(UnitListBox, select);
    fitList(UnitListBox, widest, anew);
}

void TSDIAppForm::wpnlistboxInit(uint8_t select)
{
    auto [widest, anew] = fillRecordList<WeaponRecord>(wpnlistbox, select);
    fitList(wpnlistbox, widest, anew);
}

void TSDIAppForm::FormationlistboxInit(uint8_t select)
{
    auto [widest, anew] = fillRecordList<FormationRecord>(FormationListBox, select);
    fitList(FormationListBox, widest, anew);
}

void TSDIAppForm::fitList(QListWidget* list, int widest, bool anew)
{
    // Every line whole: the list's panel is as wide as its designed width or the widest line,
    // whichever is more (a list built anew may narrow again, a rewritten line only widens it).
    // The three lists share the widest of their widths, so that the form's left edge stays put
    // from page to page.
    QWidget* panel = list->parentWidget();
    const int designed = panel->property("designedWidth").toInt();
    const int needed = widest + 2 * list->frameWidth() + list->verticalScrollBar()->sizeHint().width();
    panel->setProperty("fitWidth", std::max({designed, needed, anew ? 0 : panel->property("fitWidth").toInt()}));
    int fit = 0;
    for (QListWidget* l : {UnitListBox, wpnlistbox, FormationListBox})
        fit = std::max(fit, l->parentWidget()->property("fitWidth").toInt());
    // The window widens, once, where a page's edits would no longer fit beside its list.
    int extra = 0;
    for (QListWidget* l : {UnitListBox, wpnlistbox, FormationListBox})
        if (l->parentWidget()->width() != fit)
            extra = std::max(extra, widenPanel(l->parentWidget(), fit));
    if (extra > 0) {
        sizeLimit_.setWidth(sizeLimit_.width() + extra);
        setMaximumSize(sizeLimit_);
        resize(width() + extra, height());
    }
}

int TSDIAppForm::widenPanel(QWidget* panel, int fit)
{
    panel->setFixedWidth(fit);
    QWidget* page = panel->parentWidget();
    QWidget* editing = page->layout()->itemAt(1)->widget();
    const int pageNeeds = fit + page->layout()->spacing() + editing->childrenRect().right() + 8;
    // The pages share one size, but one not shown yet may not have been given it: the page in
    // front holds it.
    const int width = Viewer->currentWidget()->width();
    return width > 0 ? pageNeeds - width : 0;
}

void TSDIAppForm::UnitsEnter()
{
    CurrentPage = pcUnits;
    if (FileLoaded) {
        UnitlistboxInit(CurrentUnit);
        SetButtons(true);
    }
    syncPage(pcUnits);
}

void TSDIAppForm::WeaponsEnter()
{
    CurrentPage = pcWeapons;
    if (FileLoaded) {
        wpnlistboxInit(CurrentWeapon);
        SetButtons(true);
    }
    syncPage(pcWeapons);
}

void TSDIAppForm::FormationsEnter()
{
    CurrentPage = pcFormations;
    if (FileLoaded) {
        FormationlistboxInit(CurrentFormation);
        SetButtons(true);
    }
    syncPage(pcFormations);
}

// Moves the current entry of the page in front: +1/-1 for a click, +10/-10 for a right click.
// Forward stops at the last entry; back moves only when it can go the whole step.
void TSDIAppForm::stepBy(int delta)
{
    uint8_t* current = nullptr;
    int last = 0;
    QListWidget* list = nullptr;
    void (TSDIAppForm::*show)() = nullptr;
    switch (CurrentPage) {
    case pcWeapons:
        current = &CurrentWeapon, last = WeaponCount, list = wpnlistbox, show = &TSDIAppForm::ShowWeapon;
        break;
    case pcUnits:
        current = &CurrentUnit, last = UnitCount, list = UnitListBox, show = &TSDIAppForm::ShowUnit;
        break;
    case pcFormations:
        current = &CurrentFormation, last = FormationCount, list = FormationListBox, show = &TSDIAppForm::ShowFormation;
        break;
    default:
        break;
    }
    if (current) {
        int n = *current;
        if (delta > 0)
            n = std::min(n + delta, last);
        else if (n > -delta)
            n += delta;
        *current = static_cast<uint8_t>(n);
        list->setCurrentRow(n - 1);
        (this->*show)();
    }
}

void TSDIAppForm::Fwd1BtnClick()
{
    stepBy(1);
}

void TSDIAppForm::Back1BtnClick()
{
    stepBy(-1);
}

void TSDIAppForm::Fwd1BtnMouseDown(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        stepBy(10);
}

void TSDIAppForm::Back1BtnMouseDown(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        stepBy(-10);
}

namespace {
// The entry number a double-click on a record list chooses, or 0 when nothing is selected.
int chosenEntry(QListWidget* list)
{
    QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? 0 : list->row(selected.first()) + 1;
}
}  // namespace

void TSDIAppForm::UnitListBoxDblClick()
{
    if (int n = chosenEntry(UnitListBox)) {
        CurrentUnit = static_cast<uint8_t>(n);
        ShowUnit();
    }
}

void TSDIAppForm::wpnlistboxDblClick()
{
    if (int n = chosenEntry(wpnlistbox)) {
        CurrentWeapon = static_cast<uint8_t>(n);
        ShowWeapon();
    }
}

void TSDIAppForm::FormationListBoxDblClick()
{
    if (int n = chosenEntry(FormationListBox)) {
        CurrentFormation = static_cast<uint8_t>(n);
        ShowFormation();
    }
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
        wpnlistboxInit(CurrentWeapon);
        entryChange(changes.weapons, CurrentWeapon, before, Orb.weapon(CurrentWeapon));
        break;
    }
    case pcUnits: {
        number = CurrentUnit;
        const UnitRecord before = Orb.unit(CurrentUnit);
        notes = storedOtherwise(unitEdits, before);
        SaveUnit();
        UnitlistboxInit(CurrentUnit);
        entryChange(changes.units, CurrentUnit, before, Orb.unit(CurrentUnit));
        break;
    }
    case pcFormations: {
        number = CurrentFormation;
        const FormationRecord before = Orb.formation(CurrentFormation);
        notes = storedOtherwise(formationEdits, before);
        SaveFormation();
        FormationlistboxInit(CurrentFormation);
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
    return (page == pcWeapons ? "Weapon " : page == pcUnits ? "Unit " : "Formation ") + threeDigits(number);
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
    // Compared with the file just saved: the comparison follows it, or it would mark as
    // differences the changes now saved.
    if (compared_ && QFileInfo(comparedPath_) == QFileInfo(QString::fromStdString(saved.path.u8string())))
        compareWith(QString::fromStdString(saved.path.u8string()));
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
