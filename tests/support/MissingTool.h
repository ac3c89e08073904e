#pragma once

#include <QStandardPaths>
#include <QString>

#include <initializer_list>

// The first of the programs a test runs that is not on the PATH, or empty: a missing tool is
// then named once, instead of showing as a window that never answered.
inline QString MissingTool(std::initializer_list<const char*> tools)
{
    for (const char* pTool : tools) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(pTool)).isEmpty())
            return QString::fromLatin1(pTool) + " is not installed; this test runs it";
    }
    return QString();
}
