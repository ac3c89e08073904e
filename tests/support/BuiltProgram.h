#pragma once

#include <QProcess>
#include <QStringList>

// Starts a program of this build as this machine can run it: through the emulator named at
// build time when the build is for another architecture (a cross build), directly otherwise.
inline void StartBuilt(QProcess& process, const QString& sProgram, const QStringList& arguments = {})
{
#ifdef TICKORA_EMULATOR
    process.start(QStringLiteral(TICKORA_EMULATOR), QStringList{sProgram} + arguments);
#else
    process.start(sProgram, arguments);
#endif
}

// Runs it to its end and gives its exit code, as QProcess::execute does.
inline int ExecuteBuilt(const QString& sProgram, const QStringList& arguments = {})
{
#ifdef TICKORA_EMULATOR
    return QProcess::execute(QStringLiteral(TICKORA_EMULATOR), QStringList{sProgram} + arguments);
#else
    return QProcess::execute(sProgram, arguments);
#endif
}
