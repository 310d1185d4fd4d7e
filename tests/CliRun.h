// Running orbtool-cli and other programs as a user does from a shell, for the tests.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

struct Run {
    int status;
    QByteArray out, err;
};
inline Run run(const QString& program, const QStringList& args, const QByteArray& input = {}, const QString& dir = {})
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    QByteArray err = p.readAllStandardError();
#ifdef _WIN32
    err.replace("\r\n", "\n");  // messages go to a text stream, which ends lines as Windows does
#endif
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(), err};
}
// The tool built beside the tests, or the copy a run as another user is given.
inline QString cliPath() { return qEnvironmentVariable("ORBTOOL_CLI", ORBTOOL_CLI); }
inline Run cli(const QStringList& args, const QByteArray& input = {})
{
#ifdef _WIN32
    // A cross build's path to the program is the build machine's; the layout is the same.
    return run(QCoreApplication::applicationDirPath() + "/../tools/orbtool-cli.exe", args, input);
#else
    return run(cliPath(), args, input);
#endif
}
