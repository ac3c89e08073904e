#pragma once

#include <QStandardPaths>
#include <QString>

#include <initializer_list>

// Names the first of the programs a test runs that is not on the PATH (empty if none), so that
// a missing tool is not taken for a window that never answered.
inline QString MissingTool(std::initializer_list<const char*> tools)
{
    for (const char* pTool : tools) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(pTool)).isEmpty())
            return QString::fromLatin1(pTool) + " is not installed; this test runs it";
    }
    return QString();
}
