#pragma once

#include <QAccessible>
#include <QMetaEnum>
#include <QStringList>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

// What a screen reader is told while an object of this lives. Qt's accessibility is switched
// on as an assistive technology switches it on (before that Qt hands no event to an update
// handler); each Focus, NameChanged and DescriptionChanged event is kept in Heard() as
// "Focus 1,0" for a table cell or "Focus tableView" for a widget.
struct HeardEvents
{
    HeardEvents()
    {
        Heard().clear();
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
        QAccessible::installUpdateHandler(&Record);
    }
    ~HeardEvents()
    {
        QAccessible::installUpdateHandler(nullptr);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
    }

    static QStringList& Heard()
    {
        static QStringList heard;
        return heard;
    }

    static void Record(QAccessibleEvent* pEvent)
    {
        const QAccessible::Event type = pEvent->type();
        QAccessibleInterface* pTarget = pEvent->accessibleInterface();
        if (!pTarget || (type != QAccessible::Focus && type != QAccessible::NameChanged
                         && type != QAccessible::DescriptionChanged))
            return;
        QAccessibleTableCellInterface* pCell = pTarget->tableCellInterface();
        const QString sWhat = pCell               ? QString("%1,%2").arg(pCell->rowIndex()).arg(pCell->columnIndex())
                              : pTarget->object() ? pTarget->object()->objectName()
                                                  : QString();
        Heard() << QString("%1 %2").arg(QMetaEnum::fromType<QAccessible::Event>().valueToKey(type), sWhat);
    }
};
