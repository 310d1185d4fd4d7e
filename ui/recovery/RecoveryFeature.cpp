// Unsaved work kept safe: the journal written after every change, the offer of work a crash or
// a kill left behind, and the file on disk changed by another program while it is open here.
#include "ui/recovery/RecoveryFeature.h"

#include "core/Globals.h"
#include "ui/shared/FieldMarks.h"

#include "core/OrbDiff.h"
#include "core/OrbFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>

#include <ctime>

namespace fs = std::filesystem;

namespace {
fs::path pathOf(const QString& path)
{
    return fs::u8path(path.toStdString());
}

QString nameOf(const Journal& j)
{
    return QFileInfo(QString::fromStdString(j.dataPath)).fileName();
}
}  // namespace

RecoveryFeature::RecoveryFeature(FeatureHost& host) : Feature(host, "Recovery"), recoveryDir_(RecoveryFolder())
{
    connect(&host_, &FeatureHost::workChanged, this, &RecoveryFeature::keepJournal);
    // Saved where it was loaded: the file on disk holds the tables now.
    connect(&host_, &FeatureHost::saved, this, [this](const QString& path) {
        if (QDir::cleanPath(QFileInfo(path).absoluteFilePath()) == QDir::cleanPath(host_.loadedPath()))
            diskStamp_ = acceptedStamp_ = seenStamp_ = StampFile(pathOf(path));
    });
}

void RecoveryFeature::fileOpened(const fs::path& loaded, const QString& path, std::unique_ptr<DataFileLock> taken)
{
    dropJournal();
    if (taken) {
        lock_ = std::move(taken);
        lockedPath_ = path;
    }
    session_ = NewSession();
    journaled_.clear();  // a new file: its journal afresh, whatever its tables
    journalSteps_ = carriedSteps_;
    journalFailed_ = false;
    diskStamp_ = seenStamp_ = acceptedStamp_ = StampFile(loaded);
}

void RecoveryFeature::offerJournalsOf(const fs::path& loaded)
{
    offerJournals(JournalsToOffer(recoveryDir_, loaded, session_));
}

fs::path RecoveryFeature::journalFile() const
{
    if (recoveryDir_.empty() || !lock_ || session_.empty())
        return {};
    return JournalFile(recoveryDir_, pathOf(lockedPath_), session_);
}

bool RecoveryFeature::holdFile(const QString& path, std::unique_ptr<DataFileLock>& taken)
{
    if (recoveryDir_.empty())
        return true;
    if (lock_ && JournalFile(recoveryDir_, pathOf(path), "") == JournalFile(recoveryDir_, pathOf(lockedPath_), ""))
        return true;  // this window has it open already
    DataFileLock::Outcome outcome;
    std::string why;
    taken = DataFileLock::Take(recoveryDir_, pathOf(path), outcome, why);
    if (outcome == DataFileLock::Outcome::HeldElsewhere) {
        host_.showMessage(QFileInfo(path).fileName() + " is open in another window of Orbtool.\n" +
                        "Edit it there, or close it there first: two windows saving one file would undo each other's work.",
                    "File Load Error");
        return false;
    }
    // Without a lock the file still opens; only its work is not kept safe (said once it changes).
    return true;
}

void RecoveryFeature::keepJournal(const std::vector<uint8_t>& image, bool unsaved)
{
    if (!FileLoaded)
        return;
    if (!unsaved) {
        dropJournal();
        return;
    }
    if (image == journaled_)
        return;
    const fs::path file = journalFile();
    if (file.empty()) {
        if (!journalFailed_)
            host_.showStatus("Unsaved work is not kept safe: no folder for it (" +
                                     QString::fromStdString(recoveryDir_.u8string()) + ")");
        journalFailed_ = true;
        return;
    }
    Journal j;
    j.dataPath = lockedPath_.toStdString();
    j.loaded = diskStamp_;
    j.lastStep = static_cast<std::int64_t>(std::time(nullptr));
    j.steps = journalSteps_ + 1;
    j.tables = image;
    const IoResult written = WriteJournal(file, j);
    if (!written.ok) {
        if (!journalFailed_)
            host_.showStatus("Unsaved work is not kept safe: " + QString::fromStdString(written.error));
        journalFailed_ = true;
        return;
    }
    journalFailed_ = false;
    journaled_ = image;
    journalSteps_ = j.steps;
}

void RecoveryFeature::dropJournal()
{
    const fs::path file = journalFile();
    if (!file.empty() && !journaled_.empty()) {
        std::error_code ec;
        fs::remove(file, ec);
    }
    journaled_.clear();
    journalSteps_ = 0;
}

void RecoveryFeature::offerRecovery()
{
    offerJournals(JournalsToOffer(recoveryDir_, {}, {}));
}

void RecoveryFeature::offerJournals(std::vector<Journal> journals)
{
    for (Journal& j : journals) {
        if (pendingRestore_ && pendingRestore_->file == j.file) {
            const Journal restore = *pendingRestore_;
            pendingRestore_.reset();
            restoreJournal(restore);
            continue;
        }
        if (pendingCompare_ && pendingCompare_->file == j.file)
            continue;  // compared with once this load is done
        const bool elsewhere =
            !FileLoaded || QDir::cleanPath(QString::fromStdString(j.dataPath)) != QDir::cleanPath(lockedPath_);
        askAboutJournal(std::move(j), elsewhere);
    }
    pendingRestore_.reset();
    if (pendingCompare_) {
        auto tables = std::make_unique<OrbData>();
        std::vector<uint8_t> copy = pendingCompare_->tables;
        tables->swapImage(copy);
        host_.marks().compareWith(std::move(tables), "the unsaved work of " + nameOf(*pendingCompare_), OrbImageSize);
        pendingCompare_.reset();
    }
}

void RecoveryFeature::askAboutJournal(Journal j, bool elsewhere)
{
    const QString name = nameOf(j), path = QDir::toNativeSeparators(QString::fromStdString(j.dataPath));
    const FileStamp now = StampFile(pathOf(QString::fromStdString(j.dataPath)));
    const bool changed = !SameBytes(now, j.loaded);
    for (;;) {
        QMessageBox box(QMessageBox::Question, "Recover Unsaved Work",
                        QString("%1 has unsaved work from a session that ended without saving it: %2, the last on %3.")
                            .arg(name)
                            .arg(j.steps == 1 ? QString("1 change") : QString("%1 changes").arg(j.steps))
                            .arg(QDateTime::fromSecsSinceEpoch(j.lastStep).toString("yyyy-MM-dd HH:mm:ss")),
                        QMessageBox::NoButton, host_.dialogParent());
        box.setObjectName("RecoverBox");
        QString more = "File: " + path + "\n\n";
        if (!now.exists)
            more += "The file is no longer there: Restore brings the work back, and Save writes the file anew.";
        else if (changed)
            more += "The file has been changed since that work began. Compare it with the work first, to take "
                    "what you want of each.";
        else
            more += "Restore brings the work back as unsaved changes; Later keeps it and asks again next time.";
        box.setInformativeText(more);
        QPushButton* compare = nullptr;
        if (changed && now.exists)
            compare = box.addButton("Compare", QMessageBox::ActionRole);
        QPushButton* restore = box.addButton("Restore", QMessageBox::AcceptRole);
        if (!compare && now.exists)
            compare = box.addButton("Compare", QMessageBox::ActionRole);
        QPushButton* discard = box.addButton("Discard", QMessageBox::DestructiveRole);
        QPushButton* later = box.addButton("Later", QMessageBox::RejectRole);
        box.setDefaultButton(changed && now.exists ? compare : restore);
        box.setEscapeButton(later);
        box.exec();
        QAbstractButton* chosen = box.clickedButton();
        if (chosen == discard) {
            QMessageBox sure(QMessageBox::Warning, "Recover Unsaved Work",
                             QString("Discard the unsaved work on %1? It cannot be brought back.").arg(name),
                             QMessageBox::Discard | QMessageBox::Cancel, host_.dialogParent());
            sure.setObjectName("DiscardWorkBox");
            sure.setDefaultButton(QMessageBox::Cancel);
            if (sure.exec() != QMessageBox::Discard)
                continue;
            std::error_code ec;
            fs::remove(j.file, ec);
            host_.showStatus("Discarded the unsaved work on " + name);
            return;
        }
        if (chosen == restore || chosen == compare) {
            const bool restoring = chosen == restore;
            if (!elsewhere) {
                if (restoring)
                    restoreJournal(j);
                else {
                    pendingCompare_ = std::make_unique<Journal>(j);
                    offerJournals({});
                }
                return;
            }
            // The file is loaded first; the load finds this journal and acts on it.
            (restoring ? pendingRestore_ : pendingCompare_) = std::make_unique<Journal>(j);
            if (now.exists) {
                host_.open(QString::fromStdString(j.dataPath));
            } else if (restoring) {
                restoreJournal(j);
            }
            pendingRestore_.reset();
            if (pendingCompare_ && pendingCompare_->file == j.file)
                pendingCompare_.reset();  // the load did not happen
            return;
        }
        return;  // Later: kept, and asked again next time
    }
}

void RecoveryFeature::restoreJournal(const Journal& j)
{
    OrbData work;
    std::vector<uint8_t> copy = j.tables;
    work.swapImage(copy);
    const bool loadedHere =
        FileLoaded && QDir::cleanPath(QString::fromStdString(j.dataPath)) == QDir::cleanPath(lockedPath_);
    // The steps go on counting from the journal's.
    if (loadedHere) {
        journalSteps_ = j.steps - 1;
    } else {
        // The file is gone: the work becomes the file, to be written anew by Save.
        QScopedValueRollback<int> steps(carriedSteps_, j.steps - 1);
        if (!host_.openUnsaved(QFileInfo(QString::fromStdString(j.dataPath)).absoluteFilePath(), j.tables))
            return;
    }
    // Entry by entry, so that bytes no entry holds stay as the file on disk has them.
    OrbChanges restored = DiffOrb(Orb, work);
    ApplyAfter(Orb, restored);
    host_.pushStep("Restore Unsaved Work", std::move(restored));
    // Taken over by this session's own journal, written by the step above.
    if (!journaled_.empty() || !host_.modified()) {
        std::error_code ec;
        fs::remove(j.file, ec);
    }
    // Every page and list shows the work now, having followed the step.
    if (CurrentPage == pcLoad)
        host_.showEntry(TableId::Units, CurrentUnit);
    host_.showStatus(QString("Restored the unsaved work on %1: %2").arg(QFileInfo(host_.loadedPath()).fileName()).arg(
        j.steps == 1 ? QString("1 change") : QString("%1 changes").arg(j.steps)));
}

bool RecoveryFeature::checkDisk(bool saving)
{
    const QString loadedPath = host_.loadedPath();
    if (!FileLoaded || loadedPath.isEmpty() || checkingDisk_)
        return true;
    const FileStamp now = StampFile(pathOf(loadedPath));
    if (SameBytes(now, diskStamp_) || (saving ? SameBytes(now, acceptedStamp_) : SameBytes(now, seenStamp_)))
        return true;
    QScopedValueRollback<bool> guard(checkingDisk_, true);
    seenStamp_ = now;
    const QString name = QFileInfo(loadedPath).fileName(), where = QDir::toNativeSeparators(loadedPath);
    if (!now.exists) {
        if (!saving) {
            host_.showMessage(name + " is no longer at " + where + ": another program deleted or renamed it.\n" +
                            "Your tables are still here; Save writes the file there anew.",
                        "File Changed on Disk");
            return true;
        }
        QMessageBox box(QMessageBox::Question, "File Changed on Disk",
                        name + " is no longer at " + where + ". Save it there anew?",
                        QMessageBox::Save | QMessageBox::Cancel, host_.dialogParent());
        box.setObjectName("FileGoneBox");
        box.setDefaultButton(QMessageBox::Save);
        if (box.exec() != QMessageBox::Save)
            return false;
        acceptedStamp_ = now;
        return true;
    }
    const bool work = host_.unsavedWork();
    if (!work && !saving) {
        QMessageBox box(QMessageBox::Question, "File Changed on Disk",
                        name + " was changed by another program. Reload?", QMessageBox::Yes | QMessageBox::No,
                        host_.dialogParent());
        box.setObjectName("ReloadBox");
        box.setDefaultButton(QMessageBox::Yes);
        if (box.exec() == QMessageBox::Yes)
            host_.open(loadedPath, false);  // asked already
        return true;
    }
    QMessageBox box(QMessageBox::Warning, "File Changed on Disk",
                    name + " was changed by another program since it was loaded or last saved here.",
                    QMessageBox::NoButton, host_.dialogParent());
    box.setObjectName("ChangedOnDiskBox");
    box.setInformativeText(QString("Reload %1loads the file as it is now; Compare opens it as the compared file, to "
                                   "take what you want of it; Overwrite %2 over the other program's change.")
                               .arg(work ? "drops your unsaved work and " : "")
                               .arg(saving ? "saves your tables" : "keeps your work, for Save to write"));
    QPushButton* reload = box.addButton("Reload", QMessageBox::DestructiveRole);
    QPushButton* compare = box.addButton("Compare", QMessageBox::ActionRole);
    QPushButton* overwrite = box.addButton("Overwrite", QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(compare);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == overwrite) {
        acceptedStamp_ = now;
        return true;
    }
    if (box.clickedButton() == compare)
        host_.marks().compareWithFile(loadedPath);
    if (box.clickedButton() == reload) {
        if (work) {
            QMessageBox sure(QMessageBox::Warning, "File Changed on Disk",
                             "Drop your unsaved work on " + name + " and load the file as the other program left it?",
                             QMessageBox::NoButton, host_.dialogParent());
            sure.setObjectName("ReloadSureBox");
            QPushButton* yes = sure.addButton("Reload", QMessageBox::DestructiveRole);
            sure.setDefaultButton(sure.addButton(QMessageBox::Cancel));
            sure.exec();
            if (sure.clickedButton() != yes)
                return false;
        }
        host_.open(loadedPath, false);  // asked already
    }
    return false;
}
