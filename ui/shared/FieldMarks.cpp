#include "ui/shared/FieldMarks.h"

#include "core/EditRules.h"
#include "core/Globals.h"
#include "core/OrbDiff.h"
#include "core/OrbFile.h"
#include "ui/CodeNames.h"
#include "ui/PageCodes.h"
#include "ui/Widgets.h"
#include "ui/shared/FeatureHost.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>

namespace {
// Marks the edits whose stored value differs from the compared entry: a background from the
// palette's highlight, and the compared value as a tooltip. With no compared entry, unmarks all.
// A value past the end of a short compared file is missing there, not a difference: it is not
// marked as one, cannot be taken, and its tooltip says so.
template <class R>
void markEdits(const std::vector<FieldEdit<R>>& edits, int n, const R& stored, const R* compared, const OrbData* other,
               std::size_t length)
{
    for (const auto& e : edits) {
        const bool missing = compared && e.field->pastEnd(n, length);
        if (missing) {
            e.edit->setProperty("differs", false);
            e.edit->setPalette(QPalette());
            e.edit->setToolTip("Compared file: missing (past its end)");
            continue;
        }
        const bool differs = compared && !SameField(stored, *compared, *e.field);
        if (!differs && !e.edit->property("differs").toBool() && e.edit->toolTip().isEmpty())
            continue;
        e.edit->setProperty("differs", differs);
        QPalette p;  // unmarked: the palette the edit inherits
        if (differs) {
            p = e.edit->parentWidget()->palette();
            p.setColor(QPalette::Base, CompareMark(p));
            const QString text = toQ(FieldText(*compared, *e.field));
            e.edit->setProperty("comparedValue", text);
            const QString name = e.field->width == FieldWidth::Text ? QString() : codeName(*e.field, e.field->number(*compared), *other);
            e.edit->setToolTip("Compared file: " + text + (name.isEmpty() ? QString() : " " + name));
        } else {
            e.edit->setToolTip(QString());
        }
        e.edit->setPalette(p);
    }
}

// Bold lines for the entries that differ, with the compared file's name as their tooltip.
void markList(QListWidget* list, const std::vector<int>& differing, const QString& other)
{
    std::vector<bool> marked(static_cast<std::size_t>(list->count()), false);
    for (int n : differing)
        if (n >= 1 && n <= list->count())
            marked[static_cast<std::size_t>(n - 1)] = true;
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        const bool is = marked[static_cast<std::size_t>(row)];
        if (item->font().bold() == is)
            continue;
        QFont f = item->font();
        f.setBold(is);
        item->setFont(f);
        item->setToolTip(is ? "Differs from " + other : QString());
    }
}

template <class R>
void markPageOf(const RecordEdits& edits, const OrbData* other, std::size_t length)
{
    const int n = CurrentEntryOf(TableOfRecord<R>);
    const R c = other ? other->get<R>(n) : R{};
    markEdits(edits.of<R>(), n, Orb.get<R>(n), other ? &c : nullptr, other, length);
}
}  // namespace

FieldMarks::FieldMarks(FeatureHost& host) : host_(host)
{
    connect(&host, &FeatureHost::tablesChanged, this, [this] {
        // Said of the tables before this change: no longer true of them.
        if (host_.status() == NoFurtherDifferences)
            host_.showStatus(QString());
        update();
    });
    connect(&host, &FeatureHost::frontChanged, this, &FieldMarks::markPage);
    // Compared with the file just saved: the comparison follows it, or it would mark as
    // differences the changes now saved.
    connect(&host, &FeatureHost::saved, this, [this](const QString& path) {
        if (compared_ && QFileInfo(path_) == QFileInfo(path))
            compareWithFile(path);
    });
}

FieldMarks::~FieldMarks() = default;

const OrbData* FieldMarks::compared() const
{
    return compared_ && FileLoaded ? compared_.get() : nullptr;
}

bool FieldMarks::compareWithFile(const QString& path)
{
    auto other = std::make_unique<OrbData>();
    OrbImage meta{{}, 0, {}, 0};
    IoResult read = ReadDataFile(path.toStdString(), *other, meta, false);
    if (!read.ok) {
        host_.showMessage("Unable to compare with " + QDir::toNativeSeparators(path) + "\n" +
                              QString::fromStdString(read.error),
                          "Compare Error");
        return false;
    }
    compareWith(std::move(other), QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), meta.bytesRead);
    return true;
}

void FieldMarks::compareWith(std::unique_ptr<OrbData> other, const QString& name, std::size_t length, bool mark)
{
    compared_ = std::move(other);
    length_ = length;
    path_ = name;
    if (mark)
        update();
    else
        emit changed();
}

void FieldMarks::stop()
{
    compared_.reset();
    path_.clear();
    update();
    host_.showStatus(QString());
}

void FieldMarks::update()
{
    for (auto& d : differing_)
        d.clear();
    if (const OrbData* other = compared()) {
        // An entry differs where a value the compared file holds differs.
        for (TableId t : {TableId::Units, TableId::Weapons, TableId::Formations})
            WithTable(t, [&](const auto& fields, auto entry) {
                for (int n = 1; n <= TableCount(t); ++n) {
                    const auto a = entry(*other, n), b = entry(Orb, n);
                    for (const auto& f : fields)
                        if (!f.pastEnd(n, length_) && !SameField(a, b, f)) {
                            differing_[int(t)].push_back(n);
                            break;
                        }
                }
            });
        const QString shortNote =
            length_ < OrbImageSize
                ? QString(" (a short file: %1 of %2 bytes; values past its end are missing)").arg(length_).arg(OrbImageSize)
                : QString();
        host_.showStatus(QString("Comparing with %1%5: %2 units, %3 weapons, %4 formations differ")
                             .arg(path_)
                             .arg(differing_[0].size())
                             .arg(differing_[1].size())
                             .arg(differing_[2].size())
                             .arg(shortNote));
    }
    emit changed();
    const QString other = QFileInfo(path_).fileName();
    // The lists are as wide as their lines in bold already: marks do not move the form.
    for (TableId t : {TableId::Units, TableId::Weapons, TableId::Formations})
        markList(host_.entryList(t), differing_[int(t)], other);
    markPage();
}

void FieldMarks::markPage()
{
    const std::optional<TableId> t = CurrentPage == pcLoad ? std::nullopt : std::optional(TableOfPage(CurrentPage));
    if (!t)
        return;
    const RecordEdits edits = host_.edits();
    const OrbData* other = compared();
    switch (*t) {
    case TableId::Units: markPageOf<UnitRecord>(edits, other, length_); break;
    case TableId::Weapons: markPageOf<WeaponRecord>(edits, other, length_); break;
    default: markPageOf<FormationRecord>(edits, other, length_); break;
    }
}
