#pragma once

#include <QAccessible>
#include <QMetaEnum>
#include <QStringList>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

// What a screen reader is told while an object of this lives. Qt's accessibility is switched
// on as an assistive technology switches it on (Qt delivers nothing to an update handler
// before that), and each Focus, NameChanged and DescriptionChanged event is kept as
// "Focus 1,0" for a table cell or "Focus tableView" for a widget.
class HeardEvents
{
public:
    HeardEvents()
    {
        Heard().clear();
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
        previous = QAccessible::installUpdateHandler(&Record);
    }
    ~HeardEvents()
    {
        QAccessible::installUpdateHandler(previous);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
    }
    HeardEvents(const HeardEvents&) = delete;
    HeardEvents& operator=(const HeardEvents&) = delete;

    static QStringList& Heard()
    {
        static QStringList heard;
        return heard;
    }

private:
    static void Record(QAccessibleEvent* pEvent)
    {
        const QAccessible::Event type = pEvent->type();
        if (type != QAccessible::Focus && type != QAccessible::NameChanged && type != QAccessible::DescriptionChanged)
            return;
        QAccessibleInterface* pTarget = pEvent->accessibleInterface();
        if (!pTarget)
            return;
        QString sWhat;
        if (QAccessibleTableCellInterface* pCell = pTarget->tableCellInterface())
            sWhat = QString("%1,%2").arg(pCell->rowIndex()).arg(pCell->columnIndex());
        else if (pTarget->object())
            sWhat = pTarget->object()->objectName();
        Heard() << QString("%1 %2").arg(QMetaEnum::fromType<QAccessible::Event>().valueToKey(type), sWhat);
    }

    QAccessible::UpdateHandler previous = nullptr;
};
