// What the user feels: each window action, timed on the real main window (offscreen platform)
// through the calls its mouse or key events reach, painting included.
#include "core/Globals.h"
#include "data/ORBIO.h"
#include "core/PasteBuffers.h"
#include "tools/SampleData.h"
#include "ui/Application.h"
#include "ui/Picker.h"
#include "ui/Sdimain.h"
#include "ui/paster.h"
#include "ui/renationalise.h"
#include "ui/table/TableModel.h"
#include "ui/compare/CompareFeature.h"
#include "ui/merge/MergeFeature.h"
#include "ui/recovery/RecoveryFeature.h"
#include "ui/table/TableFeature.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QUndoStack>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
TSDIAppForm* window = nullptr;
fs::path sampleDir;

void writeSample(const fs::path& dir, int n, std::uint64_t tail = 0)
{
    auto image = MakeSampleImage(n);
    std::ofstream out(dir / OrbFileName(n), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    out.close();
    if (tail)
        fs::resize_file(dir / OrbFileName(n), image.size() + tail);  // sparse: no disk
}

TableFeature* tableFeature()
{
    return window->findChild<TableFeature*>();
}

// The window's pending work (repaints above all), as the event loop does it after each action.
void settle()
{
    QApplication::processEvents();
}

void loadLine(int line)
{
    window->OrbListBox->setCurrentRow(line);
    window->OrbListBoxDblClick();
}

void showUnits()
{
    if (!FileLoaded)
        loadLine(12);
    window->Viewer->setCurrentWidget(window->Units);
    settle();
}

// Runs act on the next modal dialog from inside its event loop.
void whenOpen(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, [act] {
        if (QWidget* w = QApplication::activeModalWidget())
            act(w);
    });
}

void BM_LoadAndShow(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();  // the user starts on the Load page
        window->Viewer->setCurrentWidget(window->Load);
        settle();
        state.ResumeTiming();
        loadLine(12);  // loads and brings the Units page with its list to the front
        settle();
    }
}

void BM_StepOne(benchmark::State& state)
{
    showUnits();
    bool forward = true;
    for (auto _ : state) {
        forward ? window->Fwd1BtnClick() : window->Back1BtnClick();
        forward = !forward;
        settle();
    }
}

void BM_StepTen(benchmark::State& state)
{
    showUnits();
    CurrentUnit = 100;
    bool forward = true;
    for (auto _ : state) {
        forward ? window->Fwd1BtnMouseDown(Qt::RightButton) : window->Back1BtnMouseDown(Qt::RightButton);
        forward = !forward;
        settle();
    }
}

void BM_ListDoubleClick(benchmark::State& state)
{
    showUnits();
    int row = 0;
    for (auto _ : state) {
        window->UnitListBox->setCurrentRow(row);
        window->UnitListBoxDblClick();
        row = (row + 37) % UnitCount;
        settle();
    }
}

// A commit as the user meets it: the step, the pages, and the journal of the unsaved work written
// and synced to disk.
void BM_CommitWithJournal(benchmark::State& state)
{
    showUnits();
    QLineEdit* cost = window->unitEdit("Cost");
    int value = 0;
    for (auto _ : state) {
        cost->setText(QString::number(value++ % 200));
        window->CommitButtonClick();
        settle();
    }
    if (!fs::exists(window->findChild<RecoveryFeature*>()->journalFile()))
        state.SkipWithError("no journal was written");
}

void BM_UndoCommit(benchmark::State& state)
{
    showUnits();
    window->unitEdit("Cost")->setText("17");
    window->CommitButtonClick();
    window->unitEdit("Cost")->setText("71");
    window->CommitButtonClick();
    bool undo = true;
    for (auto _ : state) {
        undo ? window->UndoStack->undo() : window->UndoStack->redo();
        undo = !undo;
        settle();
    }
}

void BM_Restore(benchmark::State& state)
{
    showUnits();
    for (auto _ : state) {
        window->RestoreButtonClick();
        settle();
    }
}

void BM_SwitchPage(benchmark::State& state)
{
    showUnits();
    bool weapons = true;
    for (auto _ : state) {
        window->Viewer->setCurrentWidget(weapons ? window->Weapons : window->Units);
        weapons = !weapons;
        settle();
    }
}

void BM_PickListOpenClose(benchmark::State& state)
{
    showUnits();
    for (auto _ : state) {
        whenOpen([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
        window->UnitPickUCBtnClick();
        settle();
    }
}

void BM_PasteAllUnits(benchmark::State& state)
{
    showUnits();
    CopyTableToBuffers(xkUnit);
    for (auto _ : state) {
        whenOpen([](QWidget* w) { static_cast<TPasterDlg*>(w)->CopyAllBtnClick(); });
        window->PasteButtonClick();
        settle();
    }
}

void BM_Renumber(benchmark::State& state)
{
    showUnits();
    bool there = true;
    for (auto _ : state) {
        whenOpen([there](QWidget* w) {
            auto* d = static_cast<TRenatDlg*>(w);
            d->RenatFromEdit->setText(there ? "12" : "5");
            d->RenatToEdit->setText(there ? "5" : "12");
            d->BitBtn1Click();
            d->reject();
        });
        window->Renationalise1Click();
        there = !there;
        settle();
    }
}

// Two mods of one stock file, as modders merge them: the loaded tables changed 40 costs since
// the base; theirs changed speeds, ranges and names, and five of the same costs.
void writeMods(const fs::path& dir)
{
    OrbData base = Orb;
    for (int n = 1; n <= 40; ++n)
        base.edit<UnitRecord>(n, [](UnitRecord& u) { u.Cost = uint8_t(u.Cost - 1); });
    OrbData theirs = base;
    for (int n = 30; n <= 70; ++n)
        theirs.edit<UnitRecord>(n, [](UnitRecord& u) { u.Speed = uint8_t(u.Speed % 200 + 1); });
    for (int n = 35; n < 40; ++n)
        theirs.edit<UnitRecord>(n, [](UnitRecord& u) { u.Cost = uint8_t(u.Cost + 3); });
    for (int n = 1; n <= 20; ++n)
        theirs.edit<WeaponRecord>(n, [](WeaponRecord& w) { w.Range = uint8_t(w.Range % 200 + 1); });
    for (int n = 10; n <= 20; ++n)
        theirs.edit<FormationRecord>(n, [n](FormationRecord& f) { f.Name = "Theirs " + std::to_string(n); });
    fs::create_directories(dir);
    for (auto [name, orb] : {std::pair{"BASE12", &base}, std::pair{"THEIRS12", &theirs}}) {
        std::vector<uint8_t> image(OrbImageSize);
        PackImage(*orb, image.data());
        std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), OrbImageSize);
    }
}

// Merge With on two mods of one stock file: the merge, its one step, the lists of conflicts and
// of what was taken, and the marks against theirs.
void BM_MergeOpen(benchmark::State& state)
{
    showUnits();
    writeMods(sampleDir / "mods");
    const QString theirs = QString::fromStdString((sampleDir / "mods" / "THEIRS12").string());
    const QString base = QString::fromStdString((sampleDir / "mods" / "BASE12").string());
    for (auto _ : state) {
        window->findChild<MergeFeature*>()->mergeWith(theirs, base);
        settle();
        state.PauseTiming();
        window->UndoStack->undo();
        settle();
        state.ResumeTiming();
    }
    state.counters["conflicts"] = double(window->findChild<MergeFeature*>()->conflictsLeft());
}

// Comparing with another file (ORB05 against ORB12: most entries differ), marks and all.
void BM_CompareOpen(benchmark::State& state)
{
    showUnits();
    const QString other = QString::fromStdString((sampleDir / OrbFileName(5)).string());
    for (auto _ : state) {
        window->findChild<CompareFeature*>()->compareWith(other);
        settle();
        state.PauseTiming();
        window->findChild<CompareFeature*>()->stopComparing();
        settle();
        state.ResumeTiming();
    }
}

void BM_StepToDifference(benchmark::State& state)
{
    showUnits();
    window->findChild<CompareFeature*>()->compareWith(QString::fromStdString((sampleDir / OrbFileName(5)).string()));
    CurrentUnit = 100;
    bool forward = true;
    for (auto _ : state) {
        window->findChild<CompareFeature*>()->stepToDifference(forward ? 1 : -1);
        forward = !forward;
        settle();
    }
    window->findChild<CompareFeature*>()->stopComparing();
}

// The Units page's table shown, and the form again (the view is made on the first showing).
void BM_TableOpen(benchmark::State& state)
{
    showUnits();
    for (auto _ : state) {
        tableFeature()->toggleTable();
        settle();
        state.PauseTiming();
        tableFeature()->toggleTable();
        settle();
        state.ResumeTiming();
    }
}

void BM_TableSort(benchmark::State& state)
{
    showUnits();
    tableFeature()->toggleTable();
    settle();
    QTableView* table = tableFeature()->tableView(TableId::Units);
    int column = 0;
    for (auto _ : state) {
        table->sortByColumn(column, column % 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
        column = (column + 7) % table->model()->columnCount();
        settle();
    }
    tableFeature()->toggleTable();
    settle();
}

// One value into 249 cells of a column (Ctrl+Enter over a column), as one step.
void BM_TableEditMany(benchmark::State& state)
{
    showUnits();
    tableFeature()->toggleTable();
    settle();
    auto* proxy = static_cast<QSortFilterProxyModel*>(tableFeature()->tableView(TableId::Units)->model());
    auto* model = static_cast<OrbTableModel*>(proxy->sourceModel());
    QModelIndexList cells;
    for (int row = 0; row < model->rowCount(); ++row)
        cells << model->index(row, 5);
    int value = 0;
    for (auto _ : state) {
        model->setMany(cells, QStringList(QList<QString>(cells.size(), QString::number(value++ % 9))));
        settle();
    }
    tableFeature()->toggleTable();
    settle();
}

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key)
        if (key == "VmRSS:" && status >> value)
            return value;
    return -1;
}
}  // namespace

BENCHMARK(BM_LoadAndShow);
BENCHMARK(BM_StepOne);
BENCHMARK(BM_StepTen);
BENCHMARK(BM_ListDoubleClick);
BENCHMARK(BM_CommitWithJournal);
BENCHMARK(BM_UndoCommit);
BENCHMARK(BM_Restore);
BENCHMARK(BM_SwitchPage);
BENCHMARK(BM_PickListOpenClose);
BENCHMARK(BM_PasteAllUnits);
BENCHMARK(BM_Renumber);
BENCHMARK(BM_CompareOpen);
BENCHMARK(BM_MergeOpen);
BENCHMARK(BM_StepToDifference);
BENCHMARK(BM_TableOpen);
BENCHMARK(BM_TableSort);
BENCHMARK(BM_TableEditMany);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    sampleDir = fs::temp_directory_path() / ("orbtool-bench-ui-" + std::to_string(::getpid()));
    fs::path config = sampleDir / "config";
    fs::create_directories(config / "orbtool");
    for (int n : SampleFileNumbers())
        writeSample(sampleDir, n);
    writeSample(sampleDir, 43, std::uint64_t(256) << 20);  // a file with a 256 MB tail
    std::ofstream(config / "orbtool" / "Orbtool.ini") << "[Orbtool]\nDefaultDir=" << sampleDir.string() << "\n";
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.string()));
    // Unsaved work is journaled there, as on the user's own disk.
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((sampleDir / "data").string()));

    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    std::unique_ptr<TSDIAppForm> w(CreateOrbtoolWindows());
    window = w.get();
    w->show();
    settle();
    showUnits();
    long afterLoad = residentKiB();
    loadLine(43);
    settle();
    long afterTail = residentKiB();

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::fprintf(stderr, "resident memory after loading a file: %.1f MB (goal < 50 MB); "
                         "after loading one with a 256 MB tail: %.1f MB\n",
                 afterLoad / 1024.0, afterTail / 1024.0);
    w.reset();
    std::error_code ec;
    fs::remove_all(sampleDir, ec);
    return 0;
}
