#pragma once

#include <QAbstractItemView>
#include <QPoint>
#include <QProcess>
#include <QStringList>

// Real X input through xdotool, for the tests that run a window under Xvfb.
inline bool Xdo(const QStringList& arguments)
{
    return QProcess::execute("xdotool", arguments) == 0;
}

inline bool ClickAt(const QPoint& global, int nButton = 1)
{
    return Xdo({"mousemove", "--sync", QString::number(global.x()), QString::number(global.y())})
        && Xdo({"click", QString::number(nButton)});
}

// Where a cell of a view sits on the screen.
inline QPoint CellCentre(const QAbstractItemView& view, const QModelIndex& index)
{
    return view.viewport()->mapToGlobal(view.visualRect(index).center());
}

// Types a code into the cell, as a user does, and finishes it with Enter.
inline bool TypeInto(const QAbstractItemView& view, const QModelIndex& index, const QString& sText)
{
    return ClickAt(CellCentre(view, index)) && Xdo({"type", "--delay", "20", sText}) && Xdo({"key", "Return"});
}
