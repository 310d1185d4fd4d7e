// File modes keep an ordinary user out, but not root, which is how CI runs the tests. A test of
// what a refused open or an unwritable folder does runs itself again as user nobody, from a copy
// of the test program in a folder that user can reach, and takes that run's result.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#ifndef _WIN32
#include <unistd.h>
#endif

struct OrdinaryUserRun {
    enum State { InPlace, Passed, Failed, CannotRun } state = InPlace;
    QString output;  // the other run's, or why there was none
};

// programs: files the test runs besides itself, copied beside it; the other run finds each by
// the environment variable named first ({"ORBTOOL_CLI", path}).
inline OrdinaryUserRun RunAsOrdinaryUser(const QList<QPair<QString, QString>>& programs = {})
{
#ifdef _WIN32
    (void)programs;
    return {OrdinaryUserRun::CannotRun, "file modes do not keep an administrator out here"};
#else
    if (geteuid() != 0)
        return {};
    const QString setpriv = QStandardPaths::findExecutable("setpriv");
    if (setpriv.isEmpty())
        return {OrdinaryUserRun::CannotRun, "setpriv is not installed"};
    QTemporaryDir dir(QDir::rootPath() + "tmp/orbtool-as-nobody-XXXXXX");
    if (!dir.isValid() || !QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)))
        return {OrdinaryUserRun::CannotRun, "no folder for user nobody in /tmp"};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", dir.path());
    env.insert("HOME", dir.path());
    auto place = [&](const QString& from) {
        const QString to = dir.filePath(QFileInfo(from).fileName());
        QFile::copy(from, to);
        QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                      QFileDevice::ExeOther | QFileDevice::ReadGroup | QFileDevice::ExeGroup);
        return to;
    };
    const QString self = place(QCoreApplication::applicationFilePath());
    for (const auto& [variable, program] : programs)
        env.insert(variable, place(program));
    const QString function = QTest::currentTestFunction();
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(setpriv, {"--reuid=nobody", "--regid=nogroup", "--clear-groups", self, function});
    if (!p.waitForFinished(120000))
        return {OrdinaryUserRun::Failed, "the run as nobody did not end: " + p.readAll()};
    const QString out = QString::fromLocal8Bit(p.readAll());
    const bool passed = out.contains(QRegularExpression("\\nPASS   : \\w+::" + function + "\\(\\)\\n"));
    if (out.startsWith("setpriv:"))
        return {OrdinaryUserRun::CannotRun, out.trimmed()};
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 || !passed)
        return {OrdinaryUserRun::Failed, out};
    return {OrdinaryUserRun::Passed, out};
#endif
}

// Runs the rest of the test function as an ordinary user: in place when this is one, else in
// another process as nobody, whose result is this function's. Where it cannot run it is skipped,
// never passed; scripts/test (ORB_REQUIRE_ORDINARY_USER) makes that a failure.
#define AS_ORDINARY_USER(...)                                                                   \
    if (const OrdinaryUserRun run_ = RunAsOrdinaryUser(__VA_ARGS__); run_.state != OrdinaryUserRun::InPlace) { \
        if (run_.state == OrdinaryUserRun::CannotRun) {                                         \
            QVERIFY2(!qEnvironmentVariableIsSet("ORB_REQUIRE_ORDINARY_USER"), qPrintable(run_.output)); \
            QSKIP(qPrintable("cannot run as an ordinary user: " + run_.output));               \
        }                                                                                       \
        QVERIFY2(run_.state == OrdinaryUserRun::Passed, qPrintable(run_.output));               \
        return;                                                                                 \
    }
