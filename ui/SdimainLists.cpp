// The record pages' entry lists: filling them, their widths, entering a page, stepping through
// the entries and choosing one by a double-click.
#include "ui/Sdimain.h"

#include "ui/EntryFilter.h"
#include "ui/RecordPage.h"

#include <QFontMetrics>
#include <QListWidget>
#include <QScrollBar>
#include <QTabWidget>

#include <algorithm>
#include <vector>

namespace {
// The names a record list shows, kept with the list: every page switch and commit refills its
// list, and with these a refill finds the few lines that changed without reading the items back.
class ShownNames : public QObject {
public:
    using QObject::QObject;
    std::vector<OrbName> names;
};

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

// Refills a record list, hidden while it is: the lines whose names changed are rewritten (a
// commit changes one), or, when many did (a load, a paste of a whole table), the list is built
// anew. Returns the width the widest line rewritten needs in bold (every line's when the list
// was built anew), with whether it was built anew.
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
        // Built anew, the list is measured whole, so that a load of shorter names narrows it too.
        // The few lines a commit changes are rewritten in place instead: in bench_ui a commit
        // takes 1.3 ms that way and 3.3 ms with the list built anew, a page switch 4.1 ms and 6.3.
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
        if (!tableInFront()) {
            setMaximumSize(sizeLimit_);
            resize(width() + extra, height());
        }
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
